#pragma once

// Text files made of lines: the peak step file the tool reads and the loading-process file
// it writes.
//
// Reading recognises a byte-order mark (FF FE UTF-16 little-endian, FE FF UTF-16
// big-endian, EF BB BF UTF-8) and takes a file without one as Windows-1252. CR LF, a lone
// LF and a lone CR each end a line; a final line end adds no empty line. NUL characters at
// the very end of the text are padding and are ignored. Blanks and tabs stay part of their
// line.
//
// Writing uses Windows-1252 without a mark when it holds every character of the lines, and
// otherwise UTF-8 behind its mark, so that no character is lost and the file reads back as
// the same lines (an unpaired surrogate, which no encoding holds, becomes U+FFFD). Every
// line, the last included, ends with CR LF.
//
// Paths are UTF-16 and may be relative. Error messages name the path made absolute and
// give the system's reason, for instance
//   Cannot open file "/home/ann/peaks.txt". No such file or directory

#include <string>
#include <string_view>
#include <vector>

namespace model {

// Reads the whole file into its lines, holding a shared lock on it while it is open. A
// pipe, and a file that tells no length (as those of /proc do), is read until its end.
// Raises EFOpenError ("Cannot open file "<path>". <reason>") when the file cannot be
// opened or read: missing, a folder, a device ("Not a regular file"), or locked by a
// writer. Raises EEncodingError when the
// bytes do not hold the text they promise: "Cannot read file "<path>". Invalid UTF-8
// sequence at byte <n>" for a file with the UTF-8 mark, and "... NUL character at byte <n>"
// for a NUL that text other than NULs follows; <n> counts bytes of the file from 0.
std::vector<std::u16string> ReadLineFile(std::u16string_view path);

// Writes the lines to the file, replacing any file of that name. The new content goes to
// a temporary file beside the target that no one else can open, and replaces the target
// only once it is complete, so a failure or a kill leaves an existing file as it was; an
// existing file keeps its owner, permissions, access lists and other extended attributes,
// and a symbolic link keeps pointing at the file it names, unless it is another user's
// link in a folder that everyone may write (a link that user could have planted), which is
// refused with EACCES. A device or pipe, a file with more than one name (hard links), and
// a file that we may write but not replace, or not replace with the same owner, are
// written in place, with room for the new text reserved first so that a full disk leaves
// them unchanged.
// Raises EFCreateError ("Cannot create file "<path>". <reason>") when the file cannot be
// created or replaced: a missing folder, a folder of that name, a lock that another
// program holds on it. Raises EWriteError ("Stream write error") when the system takes
// fewer bytes than asked, as on a full disk.
void WriteLineFile(std::u16string_view path, const std::vector<std::u16string>& lines);

}  // namespace model
