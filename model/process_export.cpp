#include "model/process_export.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "model/file_replacement.h"
#include "model/line_file_internal.h"
#include "model/text_codec.h"
#include "model/value_format.h"
#include "model/value_text.h"

namespace model {
namespace {

// Lines formatted before they are handed on: 64 Ki lines, at most a few MiB.
constexpr std::size_t kLinesPerBuffer = std::size_t{1} << 16;

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

namespace detail {

void WriteLoadingProcessContent(const std::vector<double>& loadingProcess, ContentSink& sink) {
  const TextEncoding encoding = EncodingToWrite(!NeedsUtf8(loadingProcess));
  sink.Write(MarkToWrite(encoding));
  // Each value goes straight from its digits to the bytes of the file, a buffer at a time,
  // so that memory does not grow with the process. Every byte is written before it is
  // read, so the buffer is not cleared first.
  const std::size_t room = kLinesPerBuffer * MaxEncodedLineLength(encoding, MaxFormattedValueLength);
  const std::unique_ptr<char[]> buffer = std::make_unique_for_overwrite<char[]>(room);
  char16_t text[MaxFormattedValueLength];
  for (std::size_t first = 0; first < loadingProcess.size(); first += kLinesPerBuffer) {
    const std::size_t last = std::min(loadingProcess.size(), first + kLinesPerBuffer);
    char* out = buffer.get();
    for (std::size_t i = first; i < last; ++i) {
      const std::size_t length = FormatValueTo(loadingProcess[i], text);
      out = EncodeLine(std::u16string_view(text, length), encoding, out);
    }
    sink.Write(std::string_view(buffer.get(), static_cast<std::size_t>(out - buffer.get())));
  }
}

}  // namespace detail

void ExportLoadingProcess(std::u16string_view path, const std::vector<double>& loadingProcess) {
  detail::WriteFileContent(path, [&loadingProcess](detail::ContentSink& sink) {
    detail::WriteLoadingProcessContent(loadingProcess, sink);
  });
}

}  // namespace model
