#pragma once

// Replacing the content of a file as a whole, so that a failure leaves an existing file as
// it was and no one else sees the new content before it has the old file's permissions.
//
// The content comes in pieces from a writer that the caller provides, so that a long text
// need never be held whole in memory: the writer may format into a buffer of its own and
// hand over each full buffer. Writing in place (below) must reserve the room for the whole
// new content before the first old byte changes, so it needs the exact length up front.
// Rather than make every caller state that length, which for a formatted text means
// formatting it all once more on every export, the in-place path alone calls the writer
// twice: once into a sink that only counts, once into the file. The writer must therefore
// write the same bytes every time it is called.

#include <functional>
#include <string_view>

namespace model::detail {

// Takes the content of the file piece by piece, in order. Raises EWriteError when the
// system takes fewer bytes than given.
class ContentSink {
 public:
  virtual void Write(std::string_view bytes) = 0;

 protected:
  ~ContentSink() = default;
};

// Writes the whole content of the file into the sink, in pieces of any size; the same
// bytes on every call.
using ContentWriter = std::function<void(ContentSink&)>;

// Writes the content as the whole new content of the file, replacing any file of that name.
//
// The new content goes to a temporary file beside the target, made private to us (see
// TemporaryFile: no one else can open it, and a kill leaves nothing behind); it takes the
// existing file's owner, group, permissions, access lists and other extended attributes,
// and replaces the target in one step only once every byte is on the disk. A symbolic link
// keeps pointing at the file it names; one that another user planted in a shared folder is
// not followed (see ResolveReplacementTarget).
//
// What cannot be replaced is written in place: a device or pipe, which takes the bytes as
// they come; and an existing file with more than one name (hard links), in a folder that
// takes no new file, mounted over its name, or whose owner, group or permissions a
// replacement could not keep. Such a file first has the room for the new content reserved,
// so a disk too small for it fails the write before one byte of the file changes; then the
// old bytes are overwritten from the start and what is left of them is cut off last. A
// file system that copies on write (Btrfs, ZFS) may not honour the reservation when old
// bytes are overwritten. A process killed while it writes in place leaves the new content
// up to the point it reached, followed by the rest of the old content and, where the new
// content is longer, zero bytes up to its length: nothing can make an in-place write whole.
//
// Raises EFCreateError ("Cannot create file "<path>". <reason>") when the file cannot be
// created or replaced: a missing folder, a folder of that name, a lock that another
// program holds on it, a planted link. Raises EWriteError ("Stream write error") when the
// system takes fewer bytes than asked, as on a full disk.
void WriteFileContent(std::u16string_view path, const ContentWriter& content);

}  // namespace model::detail
