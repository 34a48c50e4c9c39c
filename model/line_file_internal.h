#pragma once

// The steps of reading and writing line files, shared with the peak import and the
// loading-process export so that neither has to hold a million separate line strings.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "model/text_codec.h"

namespace model::detail {

// Where the text of a line file comes from.
struct LineSource {
  // The file's path: it is opened, checked and locked as ReadLineFile says. Or, with a
  // descriptor, only the name that messages give it.
  std::u16string_view name;
  // A descriptor that someone else opened, such as standard input, read as it is from its
  // current offset: neither refused as a device nor locked. -1 to open the file by name.
  int descriptor = -1;
};

// Bytes of a file read at a time. A file without a mark is read twice in pieces of this
// size, to count its lines and then to hand them on, so that it is never held whole. It is
// read rather than mapped: a mapped file that another program cuts short kills the reader
// with SIGBUS, where a read sees the shorter file.
inline constexpr std::size_t kLineFilePieceBytes = std::size_t{1} << 20;

// Takes the text of a line file once all of it has been checked: the number of its lines
// first, then the lines themselves in pieces of whole lines, in order. A line end never
// falls between two pieces; a piece's last line may lack one only at the end of the text.
class LineTextReceiver {
 public:
  // Called once, before the first piece.
  virtual void Count(std::size_t lines) = 0;
  // The text of a file with a byte-order mark.
  virtual void Take(std::u16string_view text) = 0;
  // The bytes of a Windows-1252 text, one character each (see DecodeWindows1252).
  virtual void Take(std::string_view bytes) = 0;

 protected:
  ~LineTextReceiver() = default;
};

// Reads the text of a line file into receiver. A regular file is read up to the length it
// had when it was opened; another program that ignores the lock and cuts the file short
// meanwhile leaves the text that was read. Anything else, such as a pipe, is read to its
// end. Raises the errors of ReadLineFile, named by source.name. An EFOpenError may also
// come once some pieces have been handed on, when the system fails to read the rest.
void ReadLineText(const LineSource& source, LineTextReceiver& receiver);

// The first CR or LF from p on, or end.
[[nodiscard]] inline const char16_t* FindLineEnd(const char16_t* p, const char16_t* end) noexcept {
  while (p != end && *p != u'\r' && *p != u'\n') ++p;
  return p;
}

// Eight bytes at a time: lines of a peak file are short, but there are millions of them.
[[nodiscard]] inline const char* FindLineEnd(const char* p, const char* end) noexcept {
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
    const std::uint64_t flags = ((cr - kOnes) & ~cr & kHighBits) | ((lf - kOnes) & ~lf & kHighBits);
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

// The line ends of text, a CR LF counting once, where before is the character just before
// it (NUL for none). A CR at the end counts whatever follows it.
template <typename Char>
[[nodiscard]] std::size_t CountLineEnds(std::basic_string_view<Char> text, Char before) noexcept {
  if (text.empty()) return 0;
  const Char* const p = text.data();
  std::size_t ends = (p[0] == Char('\r')) | ((p[0] == Char('\n')) & (before != Char('\r')));
  // Without a branch and into a counter of one byte, so that the compiler compares many
  // characters at a time; the counter is emptied before it can overflow.
  constexpr std::size_t kCounterLimit = 255;
  for (std::size_t k = 1; k < text.size();) {
    const std::size_t stop = std::min(text.size(), k + kCounterLimit);
    std::uint8_t counted = 0;
    for (; k < stop; ++k) {
      counted = static_cast<std::uint8_t>(
          counted + ((p[k] == Char('\r')) | ((p[k] == Char('\n')) & (p[k - 1] != Char('\r')))));
    }
    ends += counted;
  }
  return ends;
}

// Whether c ends a line.
template <typename Char>
[[nodiscard]] constexpr bool IsLineEnd(Char c) noexcept {
  return c == Char('\r') || c == Char('\n');
}

// The lines that ForEachLine finds in text, whatever characters it holds.
template <typename Char>
[[nodiscard]] std::size_t CountLines(std::basic_string_view<Char> text) noexcept {
  if (text.empty()) return 0;
  return CountLineEnds(text, Char('\0')) + (IsLineEnd(text.back()) ? 0 : 1);
}

// Reads the text of the source and calls onCount with the number of its lines once all of
// it has been checked, then onLine with a view of each line, in order. Raises the errors
// of ReadLineText.
template <typename OnCount, typename OnLine>
void ForEachLineOf(const LineSource& source, OnCount&& onCount, OnLine&& onLine) {
  class Receiver final : public LineTextReceiver {
   public:
    Receiver(OnCount& onCount, OnLine& onLine) : onCount_(onCount), onLine_(onLine) {}
    void Count(std::size_t lines) override { onCount_(lines); }
    void Take(std::u16string_view text) override { ForEachLine(text, onLine_); }
    // One code page byte is one character, so the bytes split into the same lines as the
    // characters, and faster; decoding line by line spares a copy of the text in UTF-16.
    void Take(std::string_view bytes) override {
      ForEachLine(bytes, [this](std::string_view line) {
        if (line_.size() < line.size()) line_.resize(line.size());
        DecodeWindows1252(line, line_.data());
        onLine_(std::u16string_view(line_.data(), line.size()));
      });
    }

   private:
    OnCount& onCount_;
    OnLine& onLine_;
    std::u16string line_;
  };
  Receiver receiver(onCount, onLine);
  ReadLineText(source, receiver);
}

// The encoding a text is written in: Windows-1252, which every program of the platform it
// comes from reads, when it holds the text whole; otherwise UTF-8, which holds every
// character, behind the byte-order mark that the reading recognises.
[[nodiscard]] constexpr TextEncoding EncodingToWrite(bool holdsInWindows1252) {
  return holdsInWindows1252 ? TextEncoding::Windows1252 : TextEncoding::Utf8;
}

// The bytes that come before the first line: none in Windows-1252.
[[nodiscard]] constexpr std::string_view MarkToWrite(TextEncoding encoding) {
  return encoding == TextEncoding::Utf8 ? "\xEF\xBB\xBF" : "";
}

// Room that one encoded line with its line end may take.
[[nodiscard]] constexpr std::size_t MaxEncodedLineLength(TextEncoding encoding, std::size_t units) {
  return (encoding == TextEncoding::Utf8 ? 3 * units : units) + 2;
}

// Encodes line in encoding, Windows1252 or Utf8, and its CR LF at out, which has room for
// MaxEncodedLineLength(encoding, line.size()) bytes; returns the end of what it wrote.
[[nodiscard]] inline char* EncodeLine(std::u16string_view line, TextEncoding encoding,
                                      char* out) noexcept {
  out += encoding == TextEncoding::Utf8 ? EncodeUtf8(line, out) : EncodeWindows1252(line, out);
  *out++ = '\r';
  *out++ = '\n';
  return out;
}

}  // namespace model::detail
