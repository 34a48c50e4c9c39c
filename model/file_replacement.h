#pragma once

// Replacing the content of a file as a whole, so that a failure leaves an existing file as
// it was.
//
// The content comes in pieces from a writer that the caller provides, so that a long text
// need never be held whole in memory.

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

// Writes the whole content of the file into the sink, in pieces of any size.
using ContentWriter = std::function<void(ContentSink&)>;

// Writes the content as the whole new content of the file, replacing any file of that name.
// The new content goes to a temporary file beside the target (see TemporaryFile: no one
// else can open it, and a kill leaves nothing behind) and replaces the target only once it
// is complete; an existing file keeps its owner, permissions, access lists and other
// extended attributes, and a symbolic link keeps pointing at the file it names. A
// device or pipe, a file with more than one name (hard links) and a file that the system
// will not let us replace but lets us write are written in place.
// Raises EFCreateError ("Cannot create file "<path>". <reason>") when the file cannot be
// created or replaced: a missing folder, a folder of that name, a lock that another
// program holds on it. Raises EWriteError ("Stream write error") when the system takes
// fewer bytes than asked, as on a full disk.
void WriteFileContent(std::u16string_view path, const ContentWriter& content);

}  // namespace model::detail
