#include "model/line_file.h"

#include <fcntl.h>
#include <poll.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/file_content.h"
#include "model/file_descriptor.h"
#include "model/file_messages.h"
#include "model/line_file_internal.h"
#include "model/text_codec.h"
#include "model/unicode.h"

namespace model {
namespace detail {

namespace {

// The reason given for a device: /dev/zero would never end, and none holds lines of text.
constexpr std::u16string_view kNotARegularFile = u"Not a regular file";
// Room for the start of a stream that tells no length; it doubles as the stream goes on.
constexpr std::size_t kFirstStreamRoom = std::size_t{1} << 16;

// Copies up to size bytes of a text from offset on to out; fewer only where the text ends.
using ByteReader = std::function<std::size_t(std::size_t offset, char* out, std::size_t size)>;

// Up to size bytes of the file from offset on, fewer only where it ends.
std::size_t ReadAt(std::u16string_view name, int descriptor, off_t offset, char* out,
                   std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got =
        ::pread(descriptor, out + done, size - done, offset + static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) RaiseOpenError(name, errno);
    // Another program that ignores the lock has cut the file short meanwhile.
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

// A pipe, or a file that the system makes up as it is read (/proc), tells no length. It is
// read until its end, waiting for a pipe's writer to write or leave.
std::string ReadToEnd(std::u16string_view name, int descriptor) {
  std::string bytes(kFirstStreamRoom, '\0');
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) bytes.resize(2 * bytes.size());
    const ssize_t got = ::read(descriptor, bytes.data() + done, bytes.size() - done);
    if (got == 0) break;
    if (got < 0) {
      if (ReadyToRetry(descriptor, POLLIN)) continue;
      RaiseOpenError(name, errno);
    }
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  return bytes;
}

std::u16string DecodeMarkedText(std::u16string_view name, std::string_view bytes,
                                DetectedEncoding detected) {
  const std::string_view body = bytes.substr(detected.markLength);
  const bool utf16 = detected.encoding != TextEncoding::Utf8;
  std::u16string text;
  if (utf16) {
    text.resize(body.size() / 2);
    DecodeUtf16(body, detected.encoding == TextEncoding::Utf16BigEndian, text.data());
  } else {
    text.resize(body.size());
    const Utf8Decoding decoding = DecodeUtf8(body, text.data());
    if (!decoding.valid) {
      RaiseEncodingError(name, u"Invalid UTF-8 sequence", detected.markLength + decoding.count);
    }
    text.resize(decoding.count);
  }

  const std::size_t nul = text.find(u'\0');
  if (nul == text.npos) return text;
  if (text.find_first_not_of(u'\0', nul) != text.npos) {
    // In UTF-8 the NUL character is the zero byte and nothing else.
    const std::size_t offset = utf16 ? 2 * nul : body.find('\0');
    RaiseEncodingError(name, u"NUL character", detected.markLength + offset);
  }
  text.resize(nul);
  return text;
}

// A text with a byte-order mark is checked and decoded whole: it is rare, and seldom long.
void TakeMarkedText(std::u16string_view name, std::string_view bytes, DetectedEncoding detected,
                    LineTextReceiver& receiver) {
  const std::u16string text = DecodeMarkedText(name, bytes, detected);
  const std::u16string_view view(text);
  receiver.Count(CountLines(view));
  receiver.Take(view);
}

// The extent of a Windows-1252 text.
struct CodePageText {
  // Its bytes before the NULs that pad its end.
  std::size_t length = 0;
  std::size_t lines = 0;
};

// Room for a piece of text: kLineFilePieceBytes, or less for a shorter text, or more for a
// line longer than that.
struct PieceBuffer {
  std::size_t room;
  std::unique_ptr<char[]> bytes = std::make_unique_for_overwrite<char[]>(room);
};

// Reads the text [0, length) a piece at a time into buffer to count its lines and to make
// sure that no text follows a NUL. Raises EEncodingError.
CodePageText MeasureCodePageText(std::u16string_view name, const ByteReader& read,
                                 std::size_t length, const PieceBuffer& buffer) {
  CodePageText text;
  char last = '\0';
  bool padded = false;
  for (std::size_t offset = 0; offset < length;) {
    const std::size_t got =
        read(offset, buffer.bytes.get(), std::min(buffer.room, length - offset));
    if (got == 0) break;
    offset += got;
    std::string_view piece(buffer.bytes.get(), got);
    if (!padded) {
      const std::size_t nul = std::min(piece.find('\0'), piece.size());
      const std::string_view part = piece.substr(0, nul);
      text.lines += CountLineEnds(part, last);
      if (!part.empty()) last = part.back();
      text.length += nul;
      padded = nul < piece.size();
      piece.remove_prefix(nul);
    }
    if (padded && piece.find_first_not_of('\0') != piece.npos) {
      RaiseEncodingError(name, u"NUL character", text.length);
    }
  }
  if (text.length > 0 && !IsLineEnd(last)) ++text.lines;
  return text;
}

// The length of the lines at the start of bytes whose ends are certain: up to the last LF,
// or the last CR but the final byte, which an LF in the next piece may complete.
std::size_t LengthOfWholeLines(std::string_view bytes) noexcept {
  const auto after = [&bytes](const void* end) {
    return end == nullptr ? 0 : static_cast<const char*>(end) - bytes.data() + 1;
  };
  const std::size_t size = bytes.size();
  return static_cast<std::size_t>(
      std::max(after(::memrchr(bytes.data(), '\n', size)),
               after(size > 1 ? ::memrchr(bytes.data(), '\r', size - 1) : nullptr)));
}

// Hands the lines of the text [0, length) to receiver in pieces of whole lines, read into
// buffer, which grows for a line that it cannot hold.
void HandOnCodePageText(const ByteReader& read, std::size_t length, PieceBuffer buffer,
                        LineTextReceiver& receiver) {
  std::size_t offset = 0;
  // Bytes of a line that the last piece left unfinished, at the start of the buffer.
  std::size_t kept = 0;
  for (;;) {
    const std::size_t wanted = std::min(buffer.room - kept, length - offset);
    const std::size_t got = wanted == 0 ? 0 : read(offset, buffer.bytes.get() + kept, wanted);
    offset += got;
    const std::size_t filled = kept + got;
    // The text ends here, or was cut short since it was measured.
    const bool ended = got < wanted || offset == length;
    const std::string_view bytes(buffer.bytes.get(), filled);
    const std::size_t whole = ended ? filled : LengthOfWholeLines(bytes);
    if (whole == 0 && !ended) {
      PieceBuffer larger{2 * buffer.room};
      std::memcpy(larger.bytes.get(), buffer.bytes.get(), filled);
      buffer = std::move(larger);
      kept = filled;
      continue;
    }
    receiver.Take(bytes.substr(0, whole));
    if (ended) return;
    kept = filled - whole;
    std::memmove(buffer.bytes.get(), buffer.bytes.get() + whole, kept);
  }
}

// A text without a mark is read twice, a piece at a time: to count its lines and check it,
// then to hand them on.
void TakeCodePageText(std::u16string_view name, const ByteReader& read, std::size_t length,
                      LineTextReceiver& receiver) {
  PieceBuffer buffer{std::min(length, kLineFilePieceBytes)};
  const CodePageText text = MeasureCodePageText(name, read, length, buffer);
  receiver.Count(text.lines);
  HandOnCodePageText(read, text.length, std::move(buffer), receiver);
}

// The bytes [start, start + length) of a regular file.
void TakeRegularFile(std::u16string_view name, int descriptor, off_t start, std::size_t length,
                     LineTextReceiver& receiver) {
  const ByteReader read = [name, descriptor, start](std::size_t offset, char* out,
                                                    std::size_t size) {
    return ReadAt(name, descriptor, start + static_cast<off_t>(offset), out, size);
  };
  constexpr std::size_t kLongestMark = 3;
  char mark[kLongestMark];
  const DetectedEncoding detected =
      DetectEncoding(std::string_view(mark, read(0, mark, std::min(length, kLongestMark))));
  if (detected.encoding == TextEncoding::Windows1252) {
    TakeCodePageText(name, read, length, receiver);
    return;
  }
  const auto bytes = std::make_unique_for_overwrite<char[]>(length);
  TakeMarkedText(name, std::string_view(bytes.get(), read(0, bytes.get(), length)), detected,
                 receiver);
}

void TakeStream(std::u16string_view name, int descriptor, LineTextReceiver& receiver) {
  const std::string bytes = ReadToEnd(name, descriptor);
  const DetectedEncoding detected = DetectEncoding(bytes);
  if (detected.encoding != TextEncoding::Windows1252) {
    TakeMarkedText(name, bytes, detected, receiver);
    return;
  }
  const ByteReader read = [&bytes](std::size_t offset, char* out, std::size_t size) {
    return bytes.copy(out, size, offset);
  };
  TakeCodePageText(name, read, bytes.size(), receiver);
}

// Opens the file of that name to read it. Non-blocking, so that a pipe without a writer
// cannot hold up the window.
int OpenToRead(std::u16string_view path) {
  if (!IsNameTheSystemTakes(path)) RaiseOpenError(path, EINVAL);
  const int descriptor = ::open(ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (descriptor < 0) RaiseOpenError(path, errno);
  return descriptor;
}

}  // namespace

void ReadLineText(const LineSource& source, LineTextReceiver& receiver) {
  const std::u16string_view name = source.name;
  const FileDescriptor opened(source.descriptor < 0 ? OpenToRead(name) : -1);
  const int descriptor = opened.IsOpen() ? opened.Get() : source.descriptor;
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) RaiseOpenError(name, errno);
  if (opened.IsOpen()) {
    // A folder opens for reading here, but it is not a file to read.
    if (S_ISDIR(status.st_mode)) RaiseOpenError(name, EISDIR);
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) RaiseOpenError(name, kNotARegularFile);
    // Other readers may share the file; a writer that holds it excludes us, and we it.
    if (::flock(descriptor, LOCK_SH | LOCK_NB) != 0) RaiseOpenError(name, errno);
  }
  // A descriptor handed over may have been read from before.
  off_t start = 0;
  if (!opened.IsOpen() && S_ISREG(status.st_mode)) {
    start = ::lseek(descriptor, 0, SEEK_CUR);
    if (start < 0) RaiseOpenError(name, errno);
  }
  if (!S_ISREG(status.st_mode) || status.st_size <= start) {
    TakeStream(name, descriptor, receiver);
    return;
  }
  TakeRegularFile(name, descriptor, start, static_cast<std::size_t>(status.st_size - start),
                  receiver);
  // Where reading the file to its end would have left the descriptor.
  if (!opened.IsOpen()) ::lseek(descriptor, status.st_size, SEEK_SET);
}

}  // namespace detail

std::vector<std::u16string> ReadLineFile(std::u16string_view path) {
  std::vector<std::u16string> lines;
  detail::ForEachLineOf(
      {path}, [&lines](std::size_t count) { lines.reserve(count); },
      [&lines](std::u16string_view line) { lines.emplace_back(line); });
  return lines;
}

void WriteLineFile(std::u16string_view path, const std::vector<std::u16string>& lines) {
  const detail::TextEncoding encoding = detail::EncodingToWrite(
      std::all_of(lines.begin(), lines.end(),
                  [](const std::u16string& line) { return detail::HoldsInWindows1252(line); }));
  const std::string_view mark = detail::MarkToWrite(encoding);
  std::size_t room = mark.size();
  for (const std::u16string& line : lines) {
    room += detail::MaxEncodedLineLength(encoding, line.size());
  }
  std::string bytes(room, '\0');
  char* out = std::copy(mark.begin(), mark.end(), bytes.data());
  for (const std::u16string& line : lines) out = detail::EncodeLine(line, encoding, out);
  bytes.resize(static_cast<std::size_t>(out - bytes.data()));
  WriteFileContent(path, bytes);
}

}  // namespace model
