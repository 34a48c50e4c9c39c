#pragma once

// Reading values from text.

#include <string_view>

#include "model/value_marks.h"

namespace model {

// Reads a value: the text is trimmed of the characters U+0000 to U+0020 at both ends, and
// the rest must be a plain decimal number ([sign] digits [decimalMark digits] [E [sign]
// digits]) without digit grouping. Raises EConvertError ("'<trimmed text>' is not a valid
// floating point value") for a text that is not a number, and EOverflow ("Floating point
// overflow") for a number beyond the range of a double.
double ReadValue(std::u16string_view text, ValueMarks marks);

// ReadValue under the default marks, ValueMarks{}.
double ReadValue(std::u16string_view text);

}  // namespace model
