#pragma once

// Steps and decisions of the file replacement, apart so that tests can check them one by
// one.

#include <sys/types.h>

namespace model::detail {

// Takes the room of the bytes from `from` up to `to` of a file that ends at `from`, where
// the file system cannot be asked to set it aside (NFS before version 4.2, many FUSE file
// systems): a zero byte goes into each of its blocks, and the file then ends at `to`.
// Returns 0, or the errno of the write that failed, the old bytes untouched either way.
[[nodiscard]] int ReserveByWriting(int descriptor, off_t from, off_t to) noexcept;

// Whether an existing file is overwritten in place, under its lock, when the system
// refuses (with this errno) to create its replacement beside it or to rename that over it:
// the folder takes no new file or does not let us replace this one (EACCES, EPERM), the
// file is a mount point (EBUSY), or its file system does not rename it (EXDEV). Any other
// refusal, such as a full disk, fails the write and leaves the file as it was.
[[nodiscard]] bool FallsBackToWritingInPlace(int refusal) noexcept;

}  // namespace model::detail
