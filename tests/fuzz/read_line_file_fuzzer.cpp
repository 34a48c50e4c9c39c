// Decodes arbitrary file bytes into lines, as ReadLineFile reads a peak file: by its path,
// from a descriptor handed over part-way into a file, and from a pipe. It may only give
// lines or EEncodingError; anything else it throws escapes and aborts. The lines, or the
// error's message with its byte offset, must be those of a plain decoding of the whole
// text, whose lines hold no CR, LF or NUL.
//
// Input: one byte that chooses the way in (its value modulo 3: 0 the path, 1 a descriptor,
// 2 a pipe), then the file's bytes. Files of more than one piece of reading, a MiB, are
// left to the unit tests: each would take tens of milliseconds here, and starve the rest.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/errors.h"
#include "model/line_file.h"
#include "model/line_file_internal.h"
#include "model/text_codec.h"
#include "model/unicode.h"
#include "tests/fuzz/fuzz_support.h"

namespace model::fuzz {
namespace {

using detail::TextEncoding;

// The lines read, or the message of the EEncodingError raised.
struct LinesRead {
  std::vector<std::u16string> lines;
  std::u16string error;

  friend bool operator==(const LinesRead&, const LinesRead&) = default;
};

LinesRead EncodingError(std::u16string_view name, std::u16string_view fault, std::size_t offset) {
  const std::string digits = std::to_string(offset);
  return {{},
          u"Cannot read file \"" + std::u16string(name) + u"\". " + std::u16string(fault) +
              u" at byte " + std::u16string(digits.begin(), digits.end())};
}

// The lines of a file's whole text, decoded: NULs only as padding at its end, and CR LF,
// LF or CR ending each line. nulByte is where the first NUL lies in the file.
LinesRead LinesOf(std::u16string_view name, std::u16string_view text, std::size_t nulByte) {
  const std::size_t nul = text.find(u'\0');
  if (nul != text.npos) {
    if (text.find_first_not_of(u'\0', nul) != text.npos) {
      return EncodingError(name, u"NUL character", nulByte);
    }
    text = text.substr(0, nul);
  }
  LinesRead read;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = start;
    while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
    read.lines.emplace_back(text.substr(start, end - start));
    if (end < text.size() && text[end] == u'\r') ++end;
    if (end < text.size() && text[end] == u'\n') ++end;
    start = end;
  }
  return read;
}

// The rules of the line files applied to the whole file at once: the mark, the decoding,
// and the lines of the text.
LinesRead PlainLines(std::u16string_view name, std::string_view bytes) {
  const detail::DetectedEncoding detected = detail::DetectEncoding(bytes);
  const std::string_view body = bytes.substr(detected.markLength);
  switch (detected.encoding) {
    case TextEncoding::Windows1252: {
      std::u16string text(body.size(), u'\0');
      detail::DecodeWindows1252(body, text.data());
      return LinesOf(name, text, body.find('\0'));
    }
    case TextEncoding::Utf16LittleEndian:
    case TextEncoding::Utf16BigEndian: {
      std::u16string text(body.size() / 2, u'\0');
      detail::DecodeUtf16(body, detected.encoding == TextEncoding::Utf16BigEndian, text.data());
      const std::size_t nul = text.find(u'\0');
      return LinesOf(name, text, nul == text.npos ? 0 : detected.markLength + 2 * nul);
    }
    case TextEncoding::Utf8: {
      std::u16string text(body.size(), u'\0');
      const detail::Utf8Decoding decoding = detail::DecodeUtf8(body, text.data());
      if (!decoding.valid) {
        return EncodingError(name, u"Invalid UTF-8 sequence", detected.markLength + decoding.count);
      }
      text.resize(decoding.count);
      // The NUL character is the zero byte and nothing else.
      return LinesOf(name, text, detected.markLength + body.find('\0'));
    }
  }
  Fail("DetectEncoding gave an encoding that is none of the four");
}

LinesRead ReadByPath(const MemoryFile& file) {
  try {
    return {ReadLineFile(file.Path()), {}};
  } catch (const EEncodingError& error) {
    return {{}, error.Message()};
  }
}

LinesRead ReadFromDescriptor(std::u16string_view name, int descriptor) {
  LinesRead read;
  try {
    detail::ForEachLineOf(
        {name, descriptor}, [&read](std::size_t count) { read.lines.reserve(count); },
        [&read](std::u16string_view line) { read.lines.emplace_back(line); });
  } catch (const EEncodingError& error) {
    return {{}, error.Message()};
  }
  return read;
}

// A pipe that holds the bytes and whose writer has left, or -1 when they do not fit.
int PipeHolding(std::string_view bytes) {
  int ends[2];
  Require(::pipe2(ends, O_CLOEXEC) == 0, "pipe2 failed");
  const int room = ::fcntl(ends[1], F_GETPIPE_SZ);
  const bool fits = room > 0 && bytes.size() <= static_cast<std::size_t>(room);
  if (fits && !bytes.empty()) {
    Require(::write(ends[1], bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()),
            "write to the pipe failed");
  }
  ::close(ends[1]);
  if (fits) return ends[0];
  ::close(ends[0]);
  return -1;
}

void CheckLines(const LinesRead& read, const LinesRead& expected, const char* way) {
  if (read == expected) return;
  std::string what = std::string("read ") + way + ": " + std::to_string(read.lines.size()) +
                     " lines '" + ToUtf8(read.error) + "', expected " +
                     std::to_string(expected.lines.size()) + " lines '" + ToUtf8(expected.error) +
                     "'";
  const auto [line, expectedLine] = std::ranges::mismatch(read.lines, expected.lines);
  if (line != read.lines.end() && expectedLine != expected.lines.end()) {
    what += "; line " + std::to_string(line - read.lines.begin()) + " is '" + ToUtf8(*line) +
            "', expected '" + ToUtf8(*expectedLine) + "'";
  }
  Fail(what);
}

}  // namespace
}  // namespace model::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace model::fuzz;
  static MemoryFile file;
  FuzzInput input(data, size);
  const std::uint8_t way = input.TakeByte();
  const std::string_view bytes = input.Rest();
  const LinesRead expected = PlainLines(file.Path(), bytes);

  switch (way % 3) {
    case 1: {
      // Bytes before the offset that would change the lines if they were read.
      constexpr std::string_view before("\xEF\xBB\xBF\r\n\0", 6);
      file.Fill(std::string(before).append(bytes), before.size());
      CheckLines(ReadFromDescriptor(file.Path(), file.Descriptor()), expected, "from a descriptor");
      break;
    }
    case 2:
      if (const int pipe = PipeHolding(bytes); pipe >= 0) {
        CheckLines(ReadFromDescriptor(file.Path(), pipe), expected, "from a pipe");
        ::close(pipe);
        break;
      }
      [[fallthrough]];
    default:
      file.Fill(bytes);
      CheckLines(ReadByPath(file), expected, "by path");
      break;
  }
  return 0;
}
