#pragma once

// Value formatting in a chosen implementation of the double-extended arithmetic.

#include <cstddef>

#include "model/value_marks.h"

namespace model::detail {

// FormatValueTo computed in E. Instantiated for SoftExtended and, where it exists,
// X87Extended, so that the two can be compared side by side; FormatValueTo itself is
// FormatValueIn<Extended>.
template <class E>
[[nodiscard]] std::size_t FormatValueIn(double value, ValueMarks marks, char16_t* out) noexcept;

}  // namespace model::detail
