#include "model/file_replacement_temporary.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>
#include <string>
#include <utility>

#include "model/errors.h"

namespace model::detail {
namespace {

// Short enough that the hidden name stays within the system's limit on names.
constexpr std::size_t kKeptNameLength = 200;
constexpr int kNameAttempts = 100;

std::string HiddenName(const std::string& target) {
  thread_local std::minstd_rand generator(static_cast<std::minstd_rand::result_type>(
      std::chrono::steady_clock::now().time_since_epoch().count() ^ ::getpid()));
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  constexpr int kRandomLetters = 8;
  std::string name = ".";
  name.append(target, 0, kKeptNameLength);
  name += '.';
  for (int k = 0; k < kRandomLetters; ++k) name += kAlphabet[generator() % (sizeof kAlphabet - 1)];
  return name;
}

// The file system, or a kernel older than O_TMPFILE, makes no file without a name.
bool MakesNoUnnamedFile(int refusal) { return refusal == EOPNOTSUPP || refusal == EISDIR; }

}  // namespace

TemporaryFile::TemporaryFile(const ReplacementTarget& target, mode_t mode)
    : target_(target),
      file_(::openat(target.folder.Get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode)) {
  if (file_.IsOpen() || !MakesNoUnnamedFile(errno)) return;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    name_ = HiddenName(target.name);
    file_ = FileDescriptor(::openat(target.folder.Get(), name_.c_str(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode));
    if (file_.IsOpen()) return;
    if (errno != EEXIST) break;
  }
  name_.clear();
}

TemporaryFile::~TemporaryFile() {
  if (!name_.empty()) ::unlinkat(target_.folder.Get(), name_.c_str(), 0);
}

int TemporaryFile::Name() {
  // Through /proc any user may link the file; by its descriptor alone only one with
  // CAP_DAC_READ_SEARCH may, which is left for a system without /proc.
  const std::string unnamed = "/proc/self/fd/" + std::to_string(file_.Get());
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name = HiddenName(target_.name);
    if (::linkat(AT_FDCWD, unnamed.c_str(), target_.folder.Get(), name.c_str(),
                 AT_SYMLINK_FOLLOW) == 0 ||
        (errno == ENOENT &&
         ::linkat(file_.Get(), "", target_.folder.Get(), name.c_str(), AT_EMPTY_PATH) == 0)) {
      name_ = std::move(name);
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

int TemporaryFile::TakeTargetsPlace() {
  if (name_.empty()) {
    if (const int refusal = Name(); refusal != 0) return refusal;
  }
  if (!file_.Close()) throw EWriteError();
  if (::renameat(target_.folder.Get(), name_.c_str(), target_.folder.Get(), target_.name.c_str()) !=
      0) {
    return errno;
  }
  name_.clear();
  return 0;
}

}  // namespace model::detail
