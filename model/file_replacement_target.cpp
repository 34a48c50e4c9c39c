#include "model/file_replacement_target.h"

#include <fcntl.h>
#include <linux/limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "model/file_messages.h"
#include "model/unicode.h"

namespace model::detail {
namespace {

// The system's own limit on the links followed for one path.
constexpr int kMaxLinks = 40;

// Puts the names of path on top of pending, its first name last, so that it is taken next.
// A path that ends in a slash names a folder, as would a final ".".
void PushNames(std::string_view path, std::vector<std::string>& pending) {
  if (path.empty() || path.back() == '/') pending.emplace_back(".");
  std::size_t end = path.size();
  while (end > 0) {
    const std::size_t slash = path.rfind('/', end - 1);
    const std::size_t start = slash == path.npos ? 0 : slash + 1;
    if (start < end) pending.emplace_back(path.substr(start, end - start));
    if (slash == path.npos) break;
    end = slash;
  }
}

FileDescriptor OpenStart(std::u16string_view path, bool absolute) {
  FileDescriptor start(::open(absolute ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!start.IsOpen()) RaiseCreateError(path, errno);
  return start;
}

// The kernel's rule for fs.protected_symlinks: a link in a sticky folder that everyone may
// write is followed only when it is ours or the folder owner's.
bool MayFollow(int folder, const struct stat& link) {
  if (link.st_uid == ::geteuid()) return true;
  struct stat status {};
  if (::fstat(folder, &status) != 0) return false;
  constexpr mode_t kShared = S_ISVTX | S_IWOTH;
  return (status.st_mode & kShared) != kShared || status.st_uid == link.st_uid;
}

// The text of the link that descriptor holds (opened with O_PATH | O_NOFOLLOW), read from
// the link itself so that it is the link just judged.
std::string LinkText(std::u16string_view path, int link) {
  std::string text(PATH_MAX, '\0');
  const ssize_t length = ::readlinkat(link, "", text.data(), text.size());
  if (length < 0) RaiseCreateError(path, errno);
  if (static_cast<std::size_t>(length) == text.size()) RaiseCreateError(path, ENAMETOOLONG);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

}  // namespace

ReplacementTarget ResolveReplacementTarget(std::u16string_view path) {
  const std::string native = ToUtf8(path);
  FileDescriptor folder = OpenStart(path, native.starts_with('/'));
  std::vector<std::string> pending;
  PushNames(native, pending);
  int links = 0;
  for (;;) {
    std::string name = std::move(pending.back());
    pending.pop_back();
    const bool last = pending.empty();
    constexpr int kNameItself = O_PATH | O_NOFOLLOW | O_CLOEXEC;
    if (!last) {
      // Opened as a folder, which also mounts one that is mounted on demand (autofs).
      FileDescriptor next(::openat(folder.Get(), name.c_str(), kNameItself | O_DIRECTORY));
      if (next.IsOpen()) {
        folder = std::move(next);
        continue;
      }
      // A link, or a file where a folder should be, is looked at below.
      if (errno != ENOTDIR) RaiseCreateError(path, errno);
    }
    // The name itself, a link included, without following it.
    FileDescriptor entry(::openat(folder.Get(), name.c_str(), kNameItself));
    if (!entry.IsOpen()) {
      // A file that is not there yet is created under this name.
      if (last && errno == ENOENT) return {std::move(folder), std::move(name)};
      RaiseCreateError(path, errno);
    }
    struct stat status {};
    if (::fstat(entry.Get(), &status) != 0) RaiseCreateError(path, errno);
    if (S_ISLNK(status.st_mode)) {
      if (++links > kMaxLinks) RaiseCreateError(path, ELOOP);
      if (!MayFollow(folder.Get(), status)) RaiseCreateError(path, EACCES);
      const std::string text = LinkText(path, entry.Get());
      if (text.starts_with('/')) folder = OpenStart(path, true);
      PushNames(text, pending);
      continue;
    }
    if (!last) RaiseCreateError(path, ENOTDIR);
    return {std::move(folder), std::move(name)};
  }
}

}  // namespace model::detail
