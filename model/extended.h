#pragma once

// Extended: the one home of the model's double-extended arithmetic.
//
// Intermediate results of the model are carried in the IEEE 754 double-extended format
// with a 64-bit significand and a 15-bit exponent, rounded to nearest with ties to even.
// On x86 that is GCC's 80-bit long double under the environment that
// EstablishFloatingPointEnvironment() sets. A platform without that format replaces this
// header with a software implementation of the same interface; nothing else in the model
// touches long double.
//
// No operation traps: overflow gives an infinity, an invalid operation a NaN, and the
// callers check for them where the model can meet them.

#include <cfloat>
#include <cmath>
#include <compare>
#include <cstdint>
#include <cstring>

static_assert(LDBL_MANT_DIG == 64 && LDBL_MAX_EXP == 16384,
              "long double is not the 80-bit double-extended format with a 64-bit significand; "
              "model/extended.h needs a software implementation of Extended on this platform");

namespace model {

class Extended {
 public:
  constexpr Extended() noexcept = default;

  // Exact widening of a double.
  constexpr explicit Extended(double value) noexcept : value_(value) {}

  // Exact: every 64-bit integer fits the 64-bit significand.
  static constexpr Extended FromInteger(std::uint64_t value) noexcept {
    return Extended(static_cast<long double>(value));
  }

  // A constant written as a long double literal; hexadecimal literals give exact values.
  static constexpr Extended FromLiteral(long double value) noexcept { return Extended(value); }

  static constexpr Extended Infinity() noexcept { return Extended(__builtin_huge_vall()); }

  friend constexpr Extended operator+(Extended a, Extended b) noexcept {
    return Extended(a.value_ + b.value_);
  }
  friend constexpr Extended operator-(Extended a, Extended b) noexcept {
    return Extended(a.value_ - b.value_);
  }
  friend constexpr Extended operator*(Extended a, Extended b) noexcept {
    return Extended(a.value_ * b.value_);
  }
  friend constexpr Extended operator/(Extended a, Extended b) noexcept {
    return Extended(a.value_ / b.value_);
  }
  constexpr Extended operator-() const noexcept { return Extended(-value_); }

  friend constexpr bool operator==(Extended a, Extended b) noexcept { return a.value_ == b.value_; }
  friend constexpr std::partial_ordering operator<=>(Extended a, Extended b) noexcept {
    return a.value_ <=> b.value_;
  }

  // Rounds to the nearest double, ties to even; beyond the double range the result is an
  // infinity, in the subnormal range the nearest subnormal or a signed zero.
  constexpr double ToDouble() const noexcept { return static_cast<double>(value_); }

  // Precondition: the value is a whole number in [0, 2^64).
  constexpr std::uint64_t ToUInt64() const noexcept { return static_cast<std::uint64_t>(value_); }

  Extended Abs() const noexcept { return Extended(std::fabs(value_)); }
  // Rounds to a whole number toward zero.
  Extended Truncate() const noexcept { return Extended(std::trunc(value_)); }
  // Rounds to the nearest whole number, ties to even. Precondition: 0 <= value < 2^63.
  // Adding 2^63 gives a sum whose last place is the units, so the addition itself does the
  // rounding and the sum's 64-bit significand is the rounded value plus 2^63. This avoids
  // both the library call and the switch of the rounding mode that a conversion costs.
  std::uint64_t RoundToUInt64() const noexcept {
    const long double shifted = value_ + 0x1p63L;
    std::uint64_t significand;
    std::memcpy(&significand, &shifted, sizeof significand);
    return significand - (std::uint64_t{1} << 63);
  }

  bool IsZero() const noexcept { return value_ == 0; }
  bool IsFinite() const noexcept { return std::isfinite(value_); }
  bool IsInfinite() const noexcept { return std::isinf(value_); }
  bool IsNaN() const noexcept { return std::isnan(value_); }

 private:
  constexpr explicit Extended(long double value) noexcept : value_(value) {}

  long double value_ = 0;
};

}  // namespace model
