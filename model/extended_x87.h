#pragma once

// X87Extended: the double-extended arithmetic of Extended in GCC's 80-bit long double, on
// x86 where long double is the x87 format. Exact and fast under the environment that
// EstablishFloatingPointEnvironment() sets (64-bit precision, rounding to nearest, every
// exception masked). LOADGEN_HAS_X87_EXTENDED tells whether it exists.

#include <cfloat>

#if (defined(__x86_64__) || defined(__i386__)) && LDBL_MANT_DIG == 64 && LDBL_MAX_EXP == 16384
#define LOADGEN_HAS_X87_EXTENDED 1

#include <bit>
#include <cmath>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "model/extended_bits.h"

namespace model {

class X87Extended {
 public:
  constexpr X87Extended() noexcept = default;

  // Exact widening of a double.
  constexpr explicit X87Extended(double value) noexcept : value_(value) {}

  // Exact: every 64-bit integer fits the 64-bit significand.
  static constexpr X87Extended FromInteger(std::uint64_t value) noexcept {
    return X87Extended(static_cast<long double>(value));
  }

  static constexpr X87Extended FromBits(ExtendedBits bits) noexcept {
    return X87Extended(
        std::bit_cast<long double>(Layout{bits.significand, bits.signAndExponent, {}}));
  }
  ExtendedBits Bits() const noexcept {
    Layout layout;
    std::memcpy(&layout, &value_, kFormatBytes);
    return {layout.signAndExponent, layout.significand};
  }

  static constexpr X87Extended Infinity() noexcept { return X87Extended(__builtin_huge_vall()); }

  friend constexpr X87Extended operator+(X87Extended a, X87Extended b) noexcept {
    return X87Extended(a.value_ + b.value_);
  }
  friend constexpr X87Extended operator-(X87Extended a, X87Extended b) noexcept {
    return X87Extended(a.value_ - b.value_);
  }
  friend constexpr X87Extended operator*(X87Extended a, X87Extended b) noexcept {
    return X87Extended(a.value_ * b.value_);
  }
  friend constexpr X87Extended operator/(X87Extended a, X87Extended b) noexcept {
    return X87Extended(a.value_ / b.value_);
  }
  constexpr X87Extended operator-() const noexcept { return X87Extended(-value_); }

  friend constexpr bool operator==(X87Extended a, X87Extended b) noexcept {
    return a.value_ == b.value_;
  }
  friend constexpr std::partial_ordering operator<=>(X87Extended a, X87Extended b) noexcept {
    return a.value_ <=> b.value_;
  }

  // Rounds to the nearest double, ties to even; beyond the double range the result is an
  // infinity, in the subnormal range the nearest subnormal or a signed zero.
  constexpr double ToDouble() const noexcept { return static_cast<double>(value_); }

  // Precondition: the value is a whole number in [0, 2^64).
  constexpr std::uint64_t ToUInt64() const noexcept { return static_cast<std::uint64_t>(value_); }

  X87Extended Abs() const noexcept { return X87Extended(std::fabs(value_)); }
  // Rounds to a whole number toward zero.
  X87Extended Truncate() const noexcept { return X87Extended(std::trunc(value_)); }
  // Rounds to the nearest whole number, ties to even. Precondition: 0 <= value <= 2^63 - 1.
  // Adding 2^63 gives a sum whose last place is the units, so the addition itself does the
  // rounding and the sum's 64-bit significand is the rounded value plus 2^63 (a value
  // above 2^63 - 1/2 would round the sum up to 2^64 and lose it). This avoids
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

  // out[j - 1] = (start + FromInteger(j) * step).ToDouble() for j = 1 ... count: the
  // evenly spaced values of a segment.
  static void StepValues(double start, double step, std::size_t count, double* out) noexcept {
    const X87Extended first(start);
    const X87Extended stride(step);
    for (std::size_t j = 1; j <= count; ++j) {
      out[j - 1] = (first + FromInteger(j) * stride).ToDouble();
    }
  }

 private:
  // The memory image of a long double: significand, sign and exponent, then padding.
  struct Layout {
    std::uint64_t significand;
    std::uint16_t signAndExponent;
    std::uint16_t padding[(sizeof(long double) - 10) / 2];
  };
  static_assert(sizeof(Layout) == sizeof(long double));
  static constexpr std::size_t kFormatBytes = 10;

  constexpr explicit X87Extended(long double value) noexcept : value_(value) {}

  long double value_ = 0;
};

}  // namespace model

#endif
