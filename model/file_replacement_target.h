#pragma once

// Finding the file that a write to a path reaches, one name at a time, so that every
// symbolic link on the way is seen and judged before it is followed.

#include <string>
#include <string_view>

#include "model/file_descriptor.h"

namespace model::detail {

// The folder that holds the file, and the file's name in it: "." or ".." where the path
// names a folder itself. The file need not exist; the folder does.
struct ReplacementTarget {
  // Opened only as a place (O_PATH), for the calls that take a folder and a name.
  FileDescriptor folder;
  std::string name;
};

// Follows path, symbolic links included, to the file that writing to it would reach.
// A link that lies in a sticky folder that everyone may write, and belongs neither to us
// nor to the folder's owner, is not followed: it may have been planted by another user to
// send our write to a file of ours (as in /tmp/LoadingProcess.txt -> ~/notes.txt). The
// kernel refuses such a link only where fs.protected_symlinks is on; here it is refused
// always. Raises EFCreateError with the system's reason, EACCES for such a link.
[[nodiscard]] ReplacementTarget ResolveReplacementTarget(std::u16string_view path);

}  // namespace model::detail
