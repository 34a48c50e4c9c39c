#pragma once

// Writing values as text.

#include <cstddef>
#include <string>

#include "model/value_marks.h"

namespace model {

// The general format with 15 significant digits: fixed notation for magnitudes from 0.0001
// up to below 1e15 after rounding, scientific ("1.5E-7", "1E21") otherwise; the decimal
// mark between integer and fraction digits, no digit grouping, "0" for either zero, and
// "NAN", "INF", "-INF" for the special values.
[[nodiscard]] std::u16string FormatValue(double value, ValueMarks marks);

// FormatValue under the default marks, ValueMarks{}.
[[nodiscard]] std::u16string FormatValue(double value);

// Room enough for every text FormatValue writes ("-1.23456789012346E-308" is the longest).
inline constexpr std::size_t kMaxFormattedValueLength = 24;

// Writes the text of FormatValue(value, marks) to out, which has room for
// kMaxFormattedValueLength code units, and returns its length. For callers that format
// many values into one buffer.
[[nodiscard]] std::size_t FormatValueTo(double value, ValueMarks marks, char16_t* out) noexcept;

}  // namespace model
