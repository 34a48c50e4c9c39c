#pragma once

// Writing the loading process as a text file: one value per line, as FormatValue writes it
// under the marks given.

#include <string_view>
#include <vector>

#include "model/value_marks.h"

namespace model {

// Writes every value of loadingProcess, in order, as one line of the file, replacing any
// file of that name; an empty loadingProcess gives an empty file. The encoding is that of
// WriteLineFile, so a decimal mark outside Windows-1252 makes the file UTF-8 (when some
// value shows it) and it still reads back under the same marks. The text is formatted into
// a buffer of a fixed size and written a buffer at a time, so memory does not grow with
// the process; a failure midway leaves the file as WriteLineFile would leave it.
// Raises the errors of WriteLineFile. loadingProcess is never changed.
void ExportLoadingProcess(std::u16string_view path, const std::vector<double>& loadingProcess,
                          ValueMarks marks);

namespace detail {

class ContentSink;

// The bytes of the loading-process file, handed to sink a buffer at a time: the same bytes
// on every call. For writers of the file other than ExportLoadingProcess.
void WriteLoadingProcessContent(const std::vector<double>& loadingProcess, ValueMarks marks,
                                ContentSink& sink);

}  // namespace detail

}  // namespace model
