#pragma once

// The decisions of the file replacement, apart so that tests can check them one by one.

namespace model::detail {

// Whether an existing file is overwritten in place, under its lock, when the system
// refuses (with this errno) to create its replacement beside it or to rename that over it:
// the folder takes no new file or does not let us replace this one (EACCES, EPERM), the
// file is a mount point (EBUSY), or its file system does not rename it (EXDEV). Any other
// refusal, such as a full disk, fails the write and leaves the file as it was.
bool FallsBackToWritingInPlace(int refusal) noexcept;

}  // namespace model::detail
