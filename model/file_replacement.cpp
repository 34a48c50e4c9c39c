#include "model/file_replacement.h"

#include <fcntl.h>
#include <linux/limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "model/errors.h"
#include "model/file_descriptor.h"
#include "model/file_messages.h"
#include "model/file_replacement_internal.h"
#include "model/file_replacement_target.h"

namespace model::detail {
namespace {

void WriteAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) throw EWriteError();
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

// Writes each piece at the descriptor's current offset.
class DescriptorSink final : public ContentSink {
 public:
  explicit DescriptorSink(int descriptor) noexcept : descriptor_(descriptor) {}
  void Write(std::string_view bytes) override { WriteAll(descriptor_, bytes); }

 private:
  int descriptor_;
};

void WriteContent(int descriptor, const ContentWriter& content) {
  DescriptorSink sink(descriptor);
  content(sink);
}

// While it lives, a write to a pipe whose reader has gone fails with EPIPE instead of
// raising SIGPIPE, which would end the program.
class SigpipeSuppression {
 public:
  SigpipeSuppression() noexcept {
    sigemptyset(&pipe_signal_);
    sigaddset(&pipe_signal_, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    was_pending_ = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe_signal_, &previous_mask_);
  }
  ~SigpipeSuppression() {
    sigset_t pending;
    sigpending(&pending);
    if (!was_pending_ && sigismember(&pending, SIGPIPE) == 1) {
      const timespec no_wait{};
      sigtimedwait(&pipe_signal_, nullptr, &no_wait);
    }
    pthread_sigmask(SIG_SETMASK, &previous_mask_, nullptr);
  }
  SigpipeSuppression(const SigpipeSuppression&) = delete;
  SigpipeSuppression& operator=(const SigpipeSuppression&) = delete;

 private:
  sigset_t pipe_signal_{};
  sigset_t previous_mask_{};
  bool was_pending_ = false;
};

// A device or pipe cannot be replaced; it takes the bytes as they come.
void WriteToDevice(std::u16string_view path, int descriptor, const ContentWriter& content) {
  const int flags = ::fcntl(descriptor, F_GETFL);
  if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    RaiseCreateError(path, errno);
  }
  const SigpipeSuppression suppression;
  WriteContent(descriptor, content);
}

// For a file that cannot be replaced; descriptor holds its lock.
void OverwriteInPlace(std::u16string_view path, int descriptor, const ContentWriter& content) {
  if (::ftruncate(descriptor, 0) != 0) RaiseCreateError(path, errno);
  WriteContent(descriptor, content);
}

std::string RandomSuffix() {
  thread_local std::minstd_rand generator(static_cast<std::minstd_rand::result_type>(
      std::chrono::steady_clock::now().time_since_epoch().count() ^ ::getpid()));
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix(8, 'a');
  for (char& c : suffix) c = kAlphabet[generator() % (sizeof kAlphabet - 1)];
  return suffix;
}

// Creates an empty file under a hidden, unused name in the target's folder, so that
// renaming it over the target later replaces the file in one step. Returns its descriptor,
// or -1 with errno set.
int CreateTemporaryBeside(const ReplacementTarget& target, std::string& temporary) {
  // Short enough that the hidden name stays within the system's limit on names.
  constexpr std::size_t kKeptNameLength = 200;
  constexpr int kAttempts = 100;
  const std::string name = target.name.substr(0, kKeptNameLength);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    temporary = "." + name + "." + RandomSuffix();
    // Mode 0666 lets the umask decide a new file's permissions, as for any new file.
    const int descriptor = ::openat(target.folder.Get(), temporary.c_str(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (descriptor >= 0 || errno != EEXIST) return descriptor;
  }
  return -1;
}

// Removes the temporary file when the replacement does not complete.
class RemovalUnlessCommitted {
 public:
  RemovalUnlessCommitted(int folder, const std::string& name) : folder_(folder), name_(name) {}
  ~RemovalUnlessCommitted() {
    if (!committed_) ::unlinkat(folder_, name_.c_str(), 0);
  }
  RemovalUnlessCommitted(const RemovalUnlessCommitted&) = delete;
  RemovalUnlessCommitted& operator=(const RemovalUnlessCommitted&) = delete;

  void Commit() noexcept { committed_ = true; }

 private:
  int folder_;
  const std::string& name_;
  bool committed_ = false;
};

// The file that is replaced: its status, and its descriptor, which holds the lock.
struct ExistingFile {
  const struct stat& status;
  int descriptor;
};

// The names of the file's extended attributes; none when they cannot be listed.
std::vector<std::string> ExtendedAttributeNames(int descriptor) {
  // The system never lists more than this, so one call sees the whole list.
  std::string list(XATTR_LIST_MAX, '\0');
  const ssize_t length = ::flistxattr(descriptor, list.data(), list.size());
  list.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
  std::vector<std::string> names;
  for (std::size_t start = 0; start < list.size();) {
    const std::size_t end = std::min(list.find('\0', start), list.size());
    names.emplace_back(list, start, end - start);
    start = end + 1;
  }
  return names;
}

// Gives the replacement exactly the extended attributes of the file it replaces, its
// access list among them. An access list that the folder hands to every new file is taken
// away where the old file had none, since it could let others read what they could not.
// Best effort: an attribute that the file system or our rights refuse does not stop the
// export.
void CopyExtendedAttributes(int from, int to) {
  const std::vector<std::string> names = ExtendedAttributeNames(from);
  for (const std::string& name : ExtendedAttributeNames(to)) {
    if (std::find(names.begin(), names.end(), name) == names.end()) {
      ::fremovexattr(to, name.c_str());
    }
  }
  std::string value(XATTR_SIZE_MAX, '\0');
  for (const std::string& name : names) {
    const ssize_t length = ::fgetxattr(from, name.c_str(), value.data(), value.size());
    if (length >= 0) {
      ::fsetxattr(to, name.c_str(), value.data(), static_cast<std::size_t>(length), 0);
    }
  }
}

// Gives the replacement the owner, extended attributes and permissions of the file it
// replaces; best effort, so that a file system without them does not stop the export.
// It comes after the bytes are written, since a write drops file capabilities (and, for
// a user other than root, set-user-ID bits); the owner goes first, since changing it drops
// them too, and the mode goes last, since setting an access list may change it.
void CopyMetadata(const ExistingFile& existing, int replacement) {
  if (existing.status.st_uid != ::geteuid() || existing.status.st_gid != ::getegid()) {
    [[maybe_unused]] const int owner_kept =
        ::fchown(replacement, existing.status.st_uid, existing.status.st_gid);
  }
  CopyExtendedAttributes(existing.descriptor, replacement);
  [[maybe_unused]] const int mode_kept = ::fchmod(replacement, existing.status.st_mode & 07777);
}

// Writes the content to a temporary file and renames it over target only once every byte is on
// the disk, so that a failure leaves an existing target as it was. Where the system does
// not let us add or rename a file but the file itself may be written, the file is
// overwritten in place instead, as the only way left.
void ReplaceFile(std::u16string_view path, const ReplacementTarget& target,
                 const ExistingFile* existing, const ContentWriter& content) {
  std::string temporary_name;
  FileDescriptor temporary(CreateTemporaryBeside(target, temporary_name));
  if (!temporary.IsOpen()) {
    if (existing != nullptr && FallsBackToWritingInPlace(errno)) {
      OverwriteInPlace(path, existing->descriptor, content);
      return;
    }
    RaiseCreateError(path, errno);
  }
  RemovalUnlessCommitted removal(target.folder.Get(), temporary_name);

  WriteContent(temporary.Get(), content);
  if (existing != nullptr) CopyMetadata(*existing, temporary.Get());
  if (::fsync(temporary.Get()) != 0 || !temporary.Close()) throw EWriteError();

  if (::renameat(target.folder.Get(), temporary_name.c_str(), target.folder.Get(),
                 target.name.c_str()) != 0) {
    const int error = errno;
    if (existing != nullptr && FallsBackToWritingInPlace(error)) {
      OverwriteInPlace(path, existing->descriptor, content);
      return;
    }
    RaiseCreateError(path, error);
  }
  removal.Commit();
}

}  // namespace

bool FallsBackToWritingInPlace(int refusal) noexcept {
  return refusal == EACCES || refusal == EPERM || refusal == EBUSY || refusal == EXDEV;
}

void WriteFileContent(std::u16string_view path, const ContentWriter& content) {
  if (!IsNameTheSystemTakes(path)) RaiseCreateError(path, EINVAL);
  // Would otherwise put the temporary file into the current folder before failing.
  if (path.empty()) RaiseCreateError(path, ENOENT);
  // The file itself is replaced, in its own folder, not a symbolic link that names it.
  const ReplacementTarget target = ResolveReplacementTarget(path);

  // Opened without truncation: this proves that the file may be written and gives the
  // descriptor to lock, and changes nothing yet. Non-blocking, so that a pipe without a
  // reader fails at once instead of holding up the window. A link that took the name
  // since it was resolved is not followed.
  FileDescriptor file(::openat(target.folder.Get(), target.name.c_str(),
                               O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!file.IsOpen()) {
    if (errno != ENOENT) RaiseCreateError(path, errno);
    ReplaceFile(path, target, nullptr, content);
    return;
  }

  struct stat status {};
  if (::fstat(file.Get(), &status) != 0) RaiseCreateError(path, errno);
  if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0) RaiseCreateError(path, errno);
  if (!S_ISREG(status.st_mode)) {
    WriteToDevice(path, file.Get(), content);
    return;
  }
  // A replacement would take only this name, and leave the file's other names with the
  // old content.
  if (status.st_nlink > 1) {
    OverwriteInPlace(path, file.Get(), content);
    return;
  }
  const ExistingFile existing{status, file.Get()};
  ReplaceFile(path, target, &existing, content);
}

}  // namespace model::detail
