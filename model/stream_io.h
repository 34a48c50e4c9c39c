#pragma once

// The peak file and the loading-process file through descriptors that cannot be opened by
// name or replaced, such as standard input and output: the same text as the files the
// window reads and writes.

#include <string_view>
#include <vector>

#include "model/value_marks.h"

namespace model {

// Does what ImportPeakFile does with a file of the bytes from where the descriptor stands
// to its end: empties peakValues and loadingProcess and appends the value of each line.
// The descriptor is read as it is handed over, neither locked nor refused as a device, and
// left at its end. The errors are those of ImportPeakFile; their messages name the stream
// as name, for instance
//   Cannot open file "/dev/stdin". Is a directory
// and the byte offsets they give count from where the descriptor stood.
void ImportPeakStream(int descriptor, std::u16string_view name, ValueMarks marks,
                      std::vector<double>& peakValues, std::vector<double>& loadingProcess);

// Writes the bytes that ExportLoadingProcess would put into its file, a part at a time as
// the values are formatted, so that a reader may start before the end. Raises EWriteError
// ("Stream write error") when the descriptor takes fewer bytes than asked; what was
// written before stays written. loadingProcess is never changed.
void ExportLoadingProcessTo(int descriptor, const std::vector<double>& loadingProcess,
                            ValueMarks marks);

}  // namespace model
