#include "model/stream_io.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "model/errors.h"
#include "model/file_replacement.h"
#include "model/line_file_internal.h"
#include "model/process_export.h"
#include "model/text_codec.h"
#include "model/value_text.h"

namespace model {
namespace {

constexpr std::size_t kReadChunk = 1 << 16;

// A descriptor left non-blocking by whoever handed it to us says "not now" rather than
// "never": waiting for it is all it asks.
bool WaitedForDescriptor(int descriptor, short events) {
  if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
  pollfd ready{descriptor, events, 0};
  return ::poll(&ready, 1, -1) >= 0 || errno == EINTR;
}

[[noreturn]] void RaiseReadError(std::u16string_view name, int error) {
  char buffer[256];
  const std::string_view reason = ::strerror_r(error, buffer, sizeof buffer);
  std::u16string message = u"Cannot open file \"";
  message += name;
  message += u"\". ";
  const std::size_t start = message.size();
  message.resize(start + reason.size());
  message.resize(start + detail::DecodeUtf8Replacing(reason, message.data() + start));
  throw EFOpenError(message);
}

std::string ReadToEnd(int descriptor, std::u16string_view name) {
  std::string bytes;
  std::size_t done = 0;
  for (;;) {
    bytes.resize(done + kReadChunk);
    const ssize_t got = ::read(descriptor, bytes.data() + done, kReadChunk);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR || WaitedForDescriptor(descriptor, POLLIN)) continue;
      RaiseReadError(name, errno);
    }
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  return bytes;
}

void WriteAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
    if (written < 0 && (errno == EINTR || WaitedForDescriptor(descriptor, POLLOUT))) continue;
    if (written <= 0) throw EWriteError();
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

// Hands each piece to the descriptor as it comes, so that a reader may start before the end.
class DescriptorSink final : public detail::ContentSink {
 public:
  explicit DescriptorSink(int descriptor) noexcept : descriptor_(descriptor) {}
  void Write(std::string_view bytes) override { WriteAll(descriptor_, bytes); }

 private:
  int descriptor_;
};

}  // namespace

void ImportPeakStream(int descriptor, std::u16string_view name, std::vector<double>& peakValues,
                      std::vector<double>& loadingProcess) {
  peakValues.clear();
  loadingProcess.clear();
  detail::FileBytes stream{ReadToEnd(descriptor, name), {}};
  stream.detected = detail::DetectEncoding(stream.bytes);
  const auto append = [&peakValues](std::u16string_view line) {
    peakValues.push_back(ReadValue(line));
  };
  if (stream.detected.encoding != detail::TextEncoding::Windows1252) {
    const std::u16string text = detail::DecodeMarkedText(name, stream);
    detail::ForEachLine(std::u16string_view(text), append);
    return;
  }
  std::u16string line;
  detail::ForEachLine(detail::UnmarkedText(name, stream), [&line, &append](std::string_view bytes) {
    line.resize(bytes.size());
    detail::DecodeWindows1252(bytes, line.data());
    append(line);
  });
}

void ExportLoadingProcessTo(int descriptor, const std::vector<double>& loadingProcess) {
  DescriptorSink sink(descriptor);
  detail::WriteLoadingProcessContent(loadingProcess, sink);
}

}  // namespace model
