#pragma once

// The steps of reading and writing line files, shared with the peak import and the
// loading-process export so that neither has to hold a million separate line strings.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "model/text_codec.h"

namespace model::detail {

// A file read whole, with the encoding that its first bytes announce.
struct FileBytes {
  std::string bytes;
  DetectedEncoding detected;

  std::string_view Body() const { return std::string_view(bytes).substr(detected.markLength); }
};

// Reads the whole file under a shared lock. Raises EFOpenError.
FileBytes ReadFileBytes(std::u16string_view path);

// NULs that only pad the end of a text are no text and are cut off; text after a NUL would
// be lost unseen and raises EEncodingError instead, as does invalid UTF-8.

// The decoded text of a file with a byte-order mark.
std::u16string DecodeMarkedText(std::u16string_view path, const FileBytes& file);

// The Windows-1252 bytes of a file without a mark.
std::string_view UnmarkedText(std::u16string_view path, const FileBytes& file);

// The first CR or LF from p on, or end.
inline const char16_t* FindLineEnd(const char16_t* p, const char16_t* end) noexcept {
  while (p != end && *p != u'\r' && *p != u'\n') ++p;
  return p;
}

// Eight bytes at a time: lines of a peak file are short, but there are millions of them.
inline const char* FindLineEnd(const char* p, const char* end) noexcept {
  static_assert(std::endian::native == std::endian::little,
                "the first byte of a word must be its lowest");
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  constexpr std::uint64_t kHighBits = 0x8080808080808080;
  while (end - p >= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    const std::uint64_t cr = word ^ (kOnes * '\r');
    const std::uint64_t lf = word ^ (kOnes * '\n');
    // The lowest flagged byte is the first zero byte exactly; flags above it may be false.
    const std::uint64_t flags =
        ((cr - kOnes) & ~cr & kHighBits) | ((lf - kOnes) & ~lf & kHighBits);
    if (flags != 0) return p + std::countr_zero(flags) / 8;
    p += 8;
  }
  while (p != end && *p != '\r' && *p != '\n') ++p;
  return p;
}

// Calls onLine with a view of each line of text, in order; text holds no NUL.
template <typename Char, typename OnLine>
void ForEachLine(std::basic_string_view<Char> text, OnLine&& onLine) {
  const Char* p = text.data();
  const Char* const end = p + text.size();
  while (p != end) {
    const Char* const start = p;
    p = FindLineEnd(p, end);
    onLine(std::basic_string_view<Char>(start, static_cast<std::size_t>(p - start)));
    if (p != end && *p == Char('\r')) ++p;
    if (p != end && *p == Char('\n')) ++p;
  }
}

// Reads the file and calls onLine with a view of each of its lines, in order, once the
// whole file has been read and checked. Raises the errors of ReadLineFile.
template <typename OnLine>
void ForEachLineOfFile(std::u16string_view path, OnLine&& onLine) {
  const FileBytes file = ReadFileBytes(path);
  if (file.detected.encoding != TextEncoding::Windows1252) {
    const std::u16string text = DecodeMarkedText(path, file);
    ForEachLine(std::u16string_view(text), onLine);
    return;
  }
  // One code page byte is one character, so the bytes split into the same lines as the
  // text; decoding line by line spares a copy of the whole file in UTF-16.
  std::u16string buffer;
  ForEachLine(UnmarkedText(path, file), [&buffer, &onLine](std::string_view bytes) {
    if (buffer.size() < bytes.size()) buffer.resize(bytes.size());
    DecodeWindows1252(bytes, buffer.data());
    onLine(std::u16string_view(buffer.data(), bytes.size()));
  });
}

// The encoding a text is written in: Windows-1252, which every program of the platform it
// comes from reads, when it holds the text whole; otherwise UTF-8, which holds every
// character, behind the byte-order mark that the reading recognises.
constexpr TextEncoding EncodingToWrite(bool holdsInWindows1252) {
  return holdsInWindows1252 ? TextEncoding::Windows1252 : TextEncoding::Utf8;
}

// The bytes that come before the first line: none in Windows-1252.
constexpr std::string_view MarkToWrite(TextEncoding encoding) {
  return encoding == TextEncoding::Utf8 ? "\xEF\xBB\xBF" : "";
}

// Room that one encoded line with its line end may take.
constexpr std::size_t MaxEncodedLineLength(TextEncoding encoding, std::size_t units) {
  return (encoding == TextEncoding::Utf8 ? 3 * units : units) + 2;
}

// Encodes line in encoding, Windows1252 or Utf8, and its CR LF at out, which has room for
// MaxEncodedLineLength(encoding, line.size()) bytes; returns the end of what it wrote.
inline char* EncodeLine(std::u16string_view line, TextEncoding encoding, char* out) noexcept {
  out += encoding == TextEncoding::Utf8 ? EncodeUtf8(line, out) : EncodeWindows1252(line, out);
  *out++ = '\r';
  *out++ = '\n';
  return out;
}

}  // namespace model::detail
