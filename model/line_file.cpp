#include "model/line_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "model/file_descriptor.h"
#include "model/file_messages.h"
#include "model/file_replacement.h"
#include "model/line_file_internal.h"
#include "model/text_codec.h"
#include "model/unicode.h"

namespace model {
namespace detail {

namespace {

// The reason given for a device: /dev/zero would never end, and none holds lines of text.
constexpr std::u16string_view kNotARegularFile = u"Not a regular file";

// A file read in one request of the length it had when it was opened.
std::string ReadLength(std::u16string_view path, int descriptor, std::size_t length) {
  std::string bytes(length, '\0');
  std::size_t done = 0;
  while (done < length) {
    const ssize_t got = ::read(descriptor, bytes.data() + done, length - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) RaiseOpenError(path, errno);
    // Another program that ignores the lock has cut the file short meanwhile.
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  return bytes;
}

// A pipe, or a file that the system makes up as it is read (/proc), tells no length when
// opened. It is read until its end, waiting for a pipe's writer to write or leave.
std::string ReadToEnd(std::u16string_view path, int descriptor) {
  const int flags = ::fcntl(descriptor, F_GETFL);
  if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    RaiseOpenError(path, errno);
  }
  constexpr std::size_t kFirstRoom = 64 * 1024;
  std::string bytes(kFirstRoom, '\0');
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) bytes.resize(2 * bytes.size());
    const ssize_t got = ::read(descriptor, bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) RaiseOpenError(path, errno);
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  return bytes;
}

}  // namespace

FileBytes ReadFileBytes(std::u16string_view path) {
  if (!IsNameTheSystemTakes(path)) RaiseOpenError(path, EINVAL);
  const std::string native = ToUtf8(path);
  // Non-blocking, so that a pipe without a writer cannot hold up the window.
  FileDescriptor file(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!file.IsOpen()) RaiseOpenError(path, errno);
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0) RaiseOpenError(path, errno);
  // A folder opens for reading here, but it is not a file to read.
  if (S_ISDIR(status.st_mode)) RaiseOpenError(path, EISDIR);
  if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) RaiseOpenError(path, kNotARegularFile);
  // Other readers may share the file; a writer that holds it excludes us, and we it.
  if (::flock(file.Get(), LOCK_SH | LOCK_NB) != 0) RaiseOpenError(path, errno);

  std::string bytes = S_ISREG(status.st_mode) && status.st_size > 0
                          ? ReadLength(path, file.Get(), static_cast<std::size_t>(status.st_size))
                          : ReadToEnd(path, file.Get());
  const DetectedEncoding detected = DetectEncoding(bytes);
  return {std::move(bytes), detected};
}

std::u16string DecodeMarkedText(std::u16string_view path, const FileBytes& file) {
  const std::string_view body = file.Body();
  const bool utf16 = file.detected.encoding != TextEncoding::Utf8;
  std::u16string text;
  if (utf16) {
    text.resize(body.size() / 2);
    DecodeUtf16(body, file.detected.encoding == TextEncoding::Utf16BigEndian, text.data());
  } else {
    text.resize(body.size());
    const Utf8Decoding decoding = DecodeUtf8(body, text.data());
    if (!decoding.valid) {
      RaiseEncodingError(path, u"Invalid UTF-8 sequence",
                         file.detected.markLength + decoding.count);
    }
    text.resize(decoding.count);
  }

  const std::size_t nul = text.find(u'\0');
  if (nul == text.npos) return text;
  if (text.find_first_not_of(u'\0', nul) != text.npos) {
    // In UTF-8 the NUL character is the zero byte and nothing else.
    const std::size_t offset = utf16 ? 2 * nul : body.find('\0');
    RaiseEncodingError(path, u"NUL character", file.detected.markLength + offset);
  }
  text.resize(nul);
  return text;
}

std::string_view UnmarkedText(std::u16string_view path, const FileBytes& file) {
  const std::string_view body = file.Body();
  const std::size_t nul = body.find('\0');
  if (nul == body.npos) return body;
  if (body.find_first_not_of('\0', nul) != body.npos) {
    RaiseEncodingError(path, u"NUL character", file.detected.markLength + nul);
  }
  return body.substr(0, nul);
}

}  // namespace detail

std::vector<std::u16string> ReadLineFile(std::u16string_view path) {
  std::vector<std::u16string> lines;
  detail::ForEachLineOfFile(path, [&lines](std::u16string_view line) { lines.emplace_back(line); });
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
  detail::WriteFileContent(path, [&bytes](detail::ContentSink& sink) { sink.Write(bytes); });
}

}  // namespace model
