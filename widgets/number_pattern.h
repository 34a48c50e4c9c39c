#pragma once

// The number pattern of the chart axis labels.

#include <QString>

namespace widgets {

// Writes value in the pattern "#,##0.###": at least one integer digit, the integer digits
// grouped in threes by groupingMark, at most three decimals after decimalMark, rounded half
// away from zero at the third decimal of the value's shortest round-trip decimal form, and
// trailing zeros dropped. A value that rounds to zero is written "0", without a sign.
[[nodiscard]] QString FormatGroupedDecimal(double value, QChar decimalMark, QChar groupingMark);

}  // namespace widgets
