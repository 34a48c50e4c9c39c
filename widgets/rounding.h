#pragma once

// Whole-number rounding shared by the controls: the nearest whole number, a tie going to the
// even one. Working on exact quotients keeps ties exact, which floating point would not.

namespace widgets {

// numerator / denominator rounded to the nearest whole number, a tie going to the even one.
// denominator must not be 0.
[[nodiscard]] constexpr int RoundQuotientToEven(int numerator, int denominator) noexcept {
  if (denominator < 0) {
    numerator = -numerator;
    denominator = -denominator;
  }
  int quotient = numerator / denominator;
  int remainder = numerator % denominator;
  if (remainder < 0) {  // make the quotient the floor, so the remainder counts upwards from it
    --quotient;
    remainder += denominator;
  }
  const int twiceRemainder = 2 * remainder;
  if (twiceRemainder > denominator || (twiceRemainder == denominator && quotient % 2 != 0)) {
    ++quotient;
  }
  return quotient;
}

}  // namespace widgets
