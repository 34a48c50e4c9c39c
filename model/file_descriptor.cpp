#include "model/file_descriptor.h"

#include <poll.h>

#include <cerrno>

#include "model/errors.h"

namespace model::detail {

bool ReadyToRetry(int descriptor, short events) noexcept {
  if (errno == EINTR) return true;
  if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
  pollfd ready{descriptor, events, 0};
  return ::poll(&ready, 1, -1) >= 0 || errno == EINTR;
}

void WriteAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
    if (written < 0 && ReadyToRetry(descriptor, POLLOUT)) continue;
    if (written <= 0) throw EWriteError();
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace model::detail
