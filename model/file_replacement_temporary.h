#pragma once

// The file that holds the new content of a file until it takes the old one's place.

#include <sys/types.h>

#include <string>

#include "model/file_descriptor.h"
#include "model/file_replacement_target.h"

namespace model::detail {

// Where the file system allows it, the file has no name until it is complete (O_TMPFILE):
// no one else can open it while it is written, and a process killed meanwhile leaves
// nothing behind. Elsewhere it has a hidden name beside the target from the start
// (".<name>.<random letters>"), and is removed on every failure; only a kill can leave it.
class TemporaryFile {
 public:
  // Creates the file in the target's folder with mode, less the umask. IsOpen() tells
  // whether that succeeded, and errno why not.
  TemporaryFile(const ReplacementTarget& target, mode_t mode);
  // Removes the file unless it has taken the target's place.
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool IsOpen() const noexcept { return file_.IsOpen(); }
  int Get() const noexcept { return file_.Get(); }

  // Gives the complete file a hidden name where it has none, closes it and renames it over
  // the target, which it replaces in one step. A kill between the naming and the renaming,
  // a matter of microseconds, leaves the complete file under its hidden name. Returns 0,
  // or the errno of the step that the system refused. Raises EWriteError when the system
  // reports a failed write only as the file is closed.
  [[nodiscard]] int TakeTargetsPlace();

 private:
  [[nodiscard]] int Name();

  const ReplacementTarget& target_;
  FileDescriptor file_;
  // Empty while the file has no name, and once it has replaced the target.
  std::string name_;
};

}  // namespace model::detail
