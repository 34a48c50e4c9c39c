#include "model/process_export.h"

#include <string>

#include "model/file_replacement.h"
#include "model/line_file_internal.h"
#include "model/value_format.h"

namespace model {

void ExportLoadingProcess(std::u16string_view path, const std::vector<double>& loadingProcess) {
  // Each value goes straight from its digits to the bytes of the file, with no line
  // strings in between.
  std::string bytes(loadingProcess.size() * detail::MaxEncodedLineLength(MaxFormattedValueLength),
                    '\0');
  char* out = bytes.data();
  char16_t text[MaxFormattedValueLength];
  for (const double value : loadingProcess) {
    const std::size_t length = FormatValueTo(value, text);
    out = detail::EncodeLine(std::u16string_view(text, length), out);
  }
  bytes.resize(static_cast<std::size_t>(out - bytes.data()));
  detail::WriteFileBytes(path, bytes);
}

}  // namespace model
