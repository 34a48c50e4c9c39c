#include "model/process_export.h"

#include <algorithm>
#include <string>

#include "model/file_replacement.h"
#include "model/line_file_internal.h"
#include "model/text_codec.h"
#include "model/value_format.h"
#include "model/value_text.h"

namespace model {
namespace {

// Whether the file has to be UTF-8: only the decimal mark can be outside Windows-1252, and
// only a value written with a fraction shows it. Nearly every process has one among its
// first values, so the search ends early.
bool NeedsUtf8(const std::vector<double>& loadingProcess) {
  const char16_t mark = DecimalMark();
  if (detail::HoldsInWindows1252(std::u16string_view(&mark, 1))) return false;
  char16_t text[MaxFormattedValueLength];
  return std::any_of(loadingProcess.begin(), loadingProcess.end(), [&](double value) {
    return std::u16string_view(text, FormatValueTo(value, text)).find(mark) !=
           std::u16string_view::npos;
  });
}

}  // namespace

void ExportLoadingProcess(std::u16string_view path, const std::vector<double>& loadingProcess) {
  const detail::TextEncoding encoding = detail::EncodingToWrite(!NeedsUtf8(loadingProcess));
  const std::string_view mark = detail::MarkToWrite(encoding);
  // Each value goes straight from its digits to the bytes of the file, with no line
  // strings in between.
  std::string bytes(mark.size() + loadingProcess.size() * detail::MaxEncodedLineLength(
                                                              encoding, MaxFormattedValueLength),
                    '\0');
  char* out = std::copy(mark.begin(), mark.end(), bytes.data());
  char16_t text[MaxFormattedValueLength];
  for (const double value : loadingProcess) {
    const std::size_t length = FormatValueTo(value, text);
    out = detail::EncodeLine(std::u16string_view(text, length), encoding, out);
  }
  bytes.resize(static_cast<std::size_t>(out - bytes.data()));
  detail::WriteFileContent(path, [&bytes](detail::ContentSink& sink) { sink.Write(bytes); });
}

}  // namespace model
