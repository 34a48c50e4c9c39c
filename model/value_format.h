#pragma once

// Writing values as text.

#include <string>

namespace model {

// The general format with 15 significant digits: fixed notation for magnitudes from 0.0001
// up to below 1e15 after rounding, scientific ("1.5E-7", "1E21") otherwise; DecimalMark
// between integer and fraction digits, no digit grouping, "0" for either zero, and "NAN",
// "INF", "-INF" for the special values.
std::u16string FormatValue(double value);

}  // namespace model
