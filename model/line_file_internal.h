#pragma once

// The steps of reading and writing line files, shared with the peak import and the
// loading-process export so that neither has to hold a million separate line strings.

#include <cstddef>
#include <string>
#include <string_view>

#include "model/text_codec.h"

namespace model::detail {

// Reads and decodes the whole file; the text holds no NUL (padding at its end is cut off).
// Raises the errors of ReadLineFile.
std::u16string ReadTextFile(std::u16string_view path);

// Calls onLine with a view of each line of text, in order; text holds no NUL.
template <typename OnLine>
void ForEachLine(std::u16string_view text, OnLine&& onLine) {
  const char16_t* p = text.data();
  const char16_t* const end = p + text.size();
  while (p != end) {
    const char16_t* const start = p;
    while (p != end && *p != u'\r' && *p != u'\n') ++p;
    onLine(std::u16string_view(start, static_cast<std::size_t>(p - start)));
    if (p != end && *p == u'\r') ++p;
    if (p != end && *p == u'\n') ++p;
  }
}

// Room that one encoded line with its line end may take.
constexpr std::size_t MaxEncodedLineLength(std::size_t units) { return units + 2; }

// Encodes line and its CR LF at out, which has room for MaxEncodedLineLength(line.size())
// bytes, and returns the end of what it wrote.
inline char* EncodeLine(std::u16string_view line, char* out) noexcept {
  out += EncodeWindows1252(line, out);
  *out++ = '\r';
  *out++ = '\n';
  return out;
}

// Writes bytes as the whole new content of the file; the replacement and the errors are
// those of WriteLineFile.
void WriteFileBytes(std::u16string_view path, std::string_view bytes);

}  // namespace model::detail
