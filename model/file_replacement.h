#pragma once

// Replacing the content of a file as a whole, so that a failure leaves an existing file as
// it was.

#include <string_view>

namespace model::detail {

// Writes bytes as the whole new content of the file, replacing any file of that name. The
// new content goes to a temporary file beside the target and replaces the target only once
// it is complete; an existing file keeps its owner, permissions, access lists and other
// extended attributes, and a symbolic link keeps pointing at the file it names. A device or
// pipe, a file with more than one name (hard links) and a file that the system will not let
// us replace but lets us write are written in place.
// Raises EFCreateError ("Cannot create file "<path>". <reason>") when the file cannot be
// created or replaced: a missing folder, a folder of that name, a lock that another
// program holds on it. Raises EWriteError ("Stream write error") when the system takes
// fewer bytes than asked, as on a full disk.
void WriteFileBytes(std::u16string_view path, std::string_view bytes);

}  // namespace model::detail
