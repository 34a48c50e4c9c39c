#include "model/stream_io.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "model/errors.h"
#include "model/file_replacement.h"
#include "model/line_file_internal.h"
#include "model/peak_import.h"
#include "model/process_export.h"

namespace model {
namespace {

// A descriptor left non-blocking by whoever handed it to us says "not now" rather than
// "never": waiting for it is all it asks.
bool WaitedForDescriptor(int descriptor, short events) {
  if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
  pollfd ready{descriptor, events, 0};
  return ::poll(&ready, 1, -1) >= 0 || errno == EINTR;
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

void ImportPeakStream(int descriptor, std::u16string_view name, ValueMarks marks,
                      std::vector<double>& peakValues, std::vector<double>& loadingProcess) {
  detail::ImportPeaks({name, descriptor}, marks, peakValues, loadingProcess);
}

void ExportLoadingProcessTo(int descriptor, const std::vector<double>& loadingProcess,
                            ValueMarks marks) {
  DescriptorSink sink(descriptor);
  detail::WriteLoadingProcessContent(loadingProcess, marks, sink);
}

}  // namespace model
