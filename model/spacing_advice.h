#pragma once

// What a generation stopped at the subdivision limit asks of the spacing.

#include <string>
#include <vector>

#include "model/value_marks.h"

namespace model {

// The text, as FormatValue writes it under marks, of the smallest spacing of 15 significant
// digits with which GenerateLoadingProcess cuts no segment of peakValues into more than
// kMaxSubdivisions steps: read back with ReadValue under the same marks, it completes the
// generation, and the next smaller spacing of 15 digits does not (for spacings from the
// smallest normal double up). Precondition: at least two peaks.
[[nodiscard]] std::u16string PassingSpacingText(const std::vector<double>& peakValues,
                                                ValueMarks marks);

}  // namespace model
