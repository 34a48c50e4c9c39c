#pragma once

// Reading values from text, and the decimal and grouping marks of the user's regional
// settings that every number text of the tool follows.

#include <string_view>

namespace model {

// Reads a value: the text is trimmed of the characters U+0000 to U+0020 at both ends, and
// the rest must be a plain decimal number ([sign] digits [DecimalMark digits] [E [sign]
// digits]) without digit grouping. Raises EConvertError ("'<trimmed text>' is not a valid
// floating point value") for a text that is not a number, and EOverflow ("Floating point
// overflow") for a number beyond the range of a double.
double ReadValue(std::u16string_view text);

// The process-wide marks, "." and "," until set. Reading and writing values use
// DecimalMark; only chart labels use GroupingMark.
char16_t DecimalMark();
char16_t GroupingMark();
void SetDecimalMark(char16_t mark);
void SetGroupingMark(char16_t mark);

}  // namespace model
