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
#include <string>
#include <vector>

#include "model/errors.h"
#include "model/file_descriptor.h"
#include "model/file_messages.h"
#include "model/file_replacement_internal.h"
#include "model/file_replacement_target.h"
#include "model/file_replacement_temporary.h"

namespace model::detail {
namespace {

// Bytes of a file written between two requests to send them on towards the disk.
constexpr std::size_t kWritebackStep = std::size_t{8} << 20;

// Writes each piece at the descriptor's current offset, which is 0 for a file. A file's
// bytes are sent on towards the disk every few MiB rather than all at the final fsync, so
// that the disk writes while the next bytes are being made and the fsync finds little left
// to wait for.
class DescriptorSink final : public ContentSink {
 public:
  enum class Target { kFile, kDevice };

  DescriptorSink(int descriptor, Target target) noexcept
      : descriptor_(descriptor), target_(target) {}
  void Write(std::string_view bytes) override {
    WriteAll(descriptor_, bytes);
    written_ += bytes.size();
    if (target_ == Target::kFile && written_ - sent_ >= kWritebackStep) {
      // Only a request: the fsync that completes the file reports any failure.
      ::sync_file_range(descriptor_, static_cast<off_t>(sent_),
                        static_cast<off_t>(written_ - sent_), SYNC_FILE_RANGE_WRITE);
      sent_ = written_;
    }
  }
  std::size_t Written() const noexcept { return written_; }

 private:
  int descriptor_;
  Target target_;
  std::size_t written_ = 0;
  // The bytes before this offset have been sent on towards the disk.
  std::size_t sent_ = 0;
};

// Learns the length of the content without writing it anywhere.
class CountingSink final : public ContentSink {
 public:
  void Write(std::string_view bytes) override { length_ += bytes.size(); }
  std::size_t Length() const noexcept { return length_; }

 private:
  std::size_t length_ = 0;
};

void WriteContent(int descriptor, DescriptorSink::Target target, const ContentWriter& content) {
  DescriptorSink sink(descriptor, target);
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
  WriteContent(descriptor, DescriptorSink::Target::kDevice, content);
}

// Makes the file system set aside room for the first length bytes of the file, so that
// overwriting them cannot run out of space half-way. A file shorter than that grows with
// zero bytes meanwhile, and is cut back to its old length when the room cannot be had.
void ReserveSpace(int descriptor, off_t old_length, std::size_t length) {
  if (length == 0) return;
  const off_t end = static_cast<off_t>(length);
  int result;
  do {
    result = ::fallocate(descriptor, 0, 0, end);
  } while (result != 0 && errno == EINTR);
  int error = result == 0 ? 0 : errno;
  if (error == EOPNOTSUPP) error = ReserveByWriting(descriptor, old_length, end);
  if (error == 0) return;
  [[maybe_unused]] const int cut_back = ::ftruncate(descriptor, old_length);
  throw EWriteError();
}

// For a file that cannot be replaced; descriptor holds its lock and its offset is 0. No
// failure of the system may cost the old content: the room for the new content is reserved
// before the first byte changes, the old bytes are overwritten rather than cut off first,
// and whatever is left of them beyond the new content is cut off last. The content is
// written twice for that: once to learn its length, once into the file.
void OverwriteInPlace(int descriptor, off_t old_length, const ContentWriter& content) {
  CountingSink counter;
  content(counter);
  ReserveSpace(descriptor, old_length, counter.Length());
  DescriptorSink sink(descriptor, DescriptorSink::Target::kFile);
  content(sink);
  if (::ftruncate(descriptor, static_cast<off_t>(sink.Written())) != 0 ||
      ::fsync(descriptor) != 0) {
    throw EWriteError();
  }
}

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

// Gives the replacement the owner and group of the file it replaces, or tells that it
// cannot: only root may give a file away, and another user only to a group of their own.
// Done on the empty file, so that no replacement is written that could not be kept.
bool KeepOwner(const struct stat& existing, int replacement) {
  struct stat status {};
  if (::fstat(replacement, &status) != 0) return false;
  if (status.st_uid == existing.st_uid && status.st_gid == existing.st_gid) return true;
  return ::fchown(replacement, existing.st_uid, existing.st_gid) == 0;
}

// Gives the replacement the extended attributes and permissions of the file it replaces,
// and tells whether the permissions could be kept. It comes after the bytes are written,
// since a write drops file capabilities and set-user-ID bits, and the mode goes last, since
// setting an access list may change it. An attribute that the file system or our rights
// refuse does not stop the export.
bool KeepAttributesAndMode(const ExistingFile& existing, int replacement) {
  CopyExtendedAttributes(existing.descriptor, replacement);
  return ::fchmod(replacement, existing.status.st_mode & 07777) == 0;
}

// Writes the content to a temporary file and renames it over the target only once every
// byte is on the disk, so that a failure leaves an existing target as it was. Returns false
// where the existing file has to be overwritten in place instead, as the only way left:
// the system does not let us add or rename a file but may let us write this one, or the
// replacement could not keep its owner, group or permissions.
bool ReplaceWithTemporary(std::u16string_view path, const ReplacementTarget& target,
                          const ExistingFile* existing, const ContentWriter& content) {
  // A new file is made as any other, its permissions decided by the umask or the folder's
  // access list; a replacement is kept from others until it has the old file's.
  const mode_t mode = existing == nullptr ? 0666 : 0600;
  TemporaryFile temporary(target, mode);
  if (!temporary.IsOpen()) {
    if (existing != nullptr && FallsBackToWritingInPlace(errno)) return false;
    RaiseCreateError(path, errno);
  }
  // A replacement that would hand the file to another owner, or change who may read it,
  // is not made.
  if (existing != nullptr && !KeepOwner(existing->status, temporary.Get())) return false;
  WriteContent(temporary.Get(), DescriptorSink::Target::kFile, content);
  if (existing != nullptr && !KeepAttributesAndMode(*existing, temporary.Get())) return false;
  if (::fsync(temporary.Get()) != 0) throw EWriteError();
  if (const int refusal = temporary.TakeTargetsPlace(); refusal != 0) {
    if (existing != nullptr && FallsBackToWritingInPlace(refusal)) return false;
    RaiseCreateError(path, refusal);
  }
  return true;
}

}  // namespace

int ReserveByWriting(int descriptor, off_t from, off_t to) noexcept {
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) return errno;
  constexpr off_t kCommonBlockSize = 4096;
  const off_t block = status.st_blksize > 0 ? status.st_blksize : kCommonBlockSize;
  // The last byte first, which gives the file its whole length at once.
  for (off_t offset = to - 1; offset >= from; offset -= block) {
    if (::pwrite(descriptor, "", 1, offset) != 1) return errno == 0 ? ENOSPC : errno;
  }
  return 0;
}

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
    ReplaceWithTemporary(path, target, nullptr, content);
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
    OverwriteInPlace(file.Get(), status.st_size, content);
    return;
  }
  const ExistingFile existing{status, file.Get()};
  if (!ReplaceWithTemporary(path, target, &existing, content)) {
    OverwriteInPlace(file.Get(), status.st_size, content);
  }
}

}  // namespace model::detail
