#pragma once

// Reading a peak step file: one value per line, in the order of the peaks.

#include <string_view>
#include <vector>

#include "model/value_marks.h"

namespace model {

// Empties peakValues and loadingProcess, then reads the file's lines and appends the value
// of each line, as ReadValue reads it under marks, in order, to peakValues. Every line
// counts: an empty or blank line is an error like any text that is not a number. Raises the
// errors of ReadLineFile (both sequences stay empty) or, at the first line that is not a
// value, that line's EConvertError or EOverflow; the values of the lines before it stay in
// peakValues. loadingProcess is empty afterwards in every case.
void ImportPeakFile(std::u16string_view path, ValueMarks marks, std::vector<double>& peakValues,
                    std::vector<double>& loadingProcess);

namespace detail {

struct LineSource;

// What ImportPeakFile does, with the text of source. For readers of peak files other than
// ImportPeakFile.
void ImportPeaks(const LineSource& source, ValueMarks marks, std::vector<double>& peakValues,
                 std::vector<double>& loadingProcess);

}  // namespace detail

}  // namespace model
