#pragma once

// SoftExtended: the double-extended arithmetic of Extended computed in integers, for
// platforms whose long double is not the x87 80-bit format.
//
// It keeps the x87 layout (sign, 15-bit biased exponent, 64-bit significand with explicit
// integer bit) and gives the results of the x87 under the tool's environment bit for bit:
// addition, subtraction, multiplication and division rounded to nearest with ties to even;
// gradual underflow, a subnormal result denormalized first and rounded once; overflow to
// an infinity; an invalid operation (infinity minus infinity, zero times infinity, zero
// divided by zero, infinity divided by infinity) to the default NaN, the negative quiet NaN
// with significand 0xC000000000000000; a NaN operand passed on as the x87 passes it. Inputs
// are the encodings the x87 itself produces; pseudo-denormals, unnormals and the other
// encodings it rejects are outside the contract.

#include <algorithm>
#include <bit>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "model/extended_bits.h"

namespace model {
namespace detail {

__extension__ typedef unsigned __int128 UInt128;
__extension__ typedef __int128 Int128;

// value >> shift, with every bit shifted out folded into bit 0, so that rounding afterwards
// still sees whether anything was lost.
constexpr UInt128 ShiftRightSticky(UInt128 value, int shift) noexcept {
  if (shift <= 0) return value;
  if (shift >= 128) return value != 0 ? 1 : 0;
  const bool lost = (value << (128 - shift)) != 0;
  return (value >> shift) | (lost ? 1 : 0);
}

}  // namespace detail

class SoftExtended {
 public:
  constexpr SoftExtended() noexcept = default;

  // Exact widening of a double; a NaN keeps its sign and payload and becomes quiet.
  constexpr explicit SoftExtended(double value) noexcept {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const auto sign = static_cast<std::uint16_t>((bits >> 48) & kSignBit);
    const auto exponent = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & 0x000F'FFFF'FFFF'FFFF;
    if (exponent == 0x7FF) {
      const std::uint64_t quiet = fraction == 0 ? 0 : kQuietBit;
      *this = FromParts(sign | kMaxExponent, kIntegerBit | quiet | (fraction << 11));
    } else if (exponent != 0) {
      *this = FromParts(sign | static_cast<std::uint16_t>(exponent - 1023 + kBias),
                        kIntegerBit | (fraction << 11));
    } else if (fraction != 0) {
      // A subnormal double is a normal number here: 2^-1074 times its fraction.
      const int leadingZeros = std::countl_zero(fraction);
      *this = FromParts(sign | static_cast<std::uint16_t>(63 - leadingZeros - 1074 + kBias),
                        fraction << leadingZeros);
    } else {
      *this = FromParts(sign, 0);
    }
  }

  // Exact: every 64-bit integer fits the 64-bit significand.
  static constexpr SoftExtended FromInteger(std::uint64_t value) noexcept {
    if (value == 0) return SoftExtended();
    const int leadingZeros = std::countl_zero(value);
    return FromParts(static_cast<std::uint16_t>(63 - leadingZeros + kBias), value << leadingZeros);
  }

  static constexpr SoftExtended FromBits(ExtendedBits bits) noexcept {
    return FromParts(bits.signAndExponent, bits.significand);
  }
  constexpr ExtendedBits Bits() const noexcept { return {signAndExponent_, significand_}; }

  static constexpr SoftExtended Infinity() noexcept { return FromParts(kMaxExponent, kIntegerBit); }

  friend constexpr SoftExtended operator+(SoftExtended a, SoftExtended b) noexcept {
    return Add(a, b, false);
  }
  friend constexpr SoftExtended operator-(SoftExtended a, SoftExtended b) noexcept {
    return Add(a, b, true);
  }
  friend constexpr SoftExtended operator*(SoftExtended a, SoftExtended b) noexcept {
    return Multiply(a, b);
  }
  friend constexpr SoftExtended operator/(SoftExtended a, SoftExtended b) noexcept {
    return Divide(a, b);
  }
  constexpr SoftExtended operator-() const noexcept {
    return FromParts(static_cast<std::uint16_t>(signAndExponent_ ^ kSignBit), significand_);
  }

  friend constexpr bool operator==(SoftExtended a, SoftExtended b) noexcept {
    return (a <=> b) == std::partial_ordering::equivalent;
  }
  friend constexpr std::partial_ordering operator<=>(SoftExtended a, SoftExtended b) noexcept {
    if (a.IsNaN() || b.IsNaN()) return std::partial_ordering::unordered;
    if (a.IsZero() && b.IsZero()) return std::partial_ordering::equivalent;
    if (a.Negative() != b.Negative()) {
      return a.Negative() ? std::partial_ordering::less : std::partial_ordering::greater;
    }
    if (a.Negative()) return b.MagnitudeKey() <=> a.MagnitudeKey();
    return a.MagnitudeKey() <=> b.MagnitudeKey();
  }

  // Rounds to the nearest double, ties to even; beyond the double range the result is an
  // infinity, in the subnormal range the nearest subnormal or a signed zero. A NaN keeps
  // its sign and the leading bits of its payload, as the x87 stores it.
  constexpr double ToDouble() const noexcept {
    const std::uint64_t sign = static_cast<std::uint64_t>(signAndExponent_ & kSignBit) << 48;
    const int exponent = Exponent();
    if (exponent == kMaxExponent) {
      if (significand_ == kIntegerBit) return std::bit_cast<double>(sign | kDoubleInfinity);
      const std::uint64_t payload = (significand_ >> 11) & 0x000F'FFFF'FFFF'FFFF;
      return std::bit_cast<double>(sign | kDoubleInfinity | payload | (std::uint64_t{1} << 51));
    }
    int doubleExponent = exponent - kBias + 1023;
    if (static_cast<unsigned>(doubleExponent - 1) < 0x7FE) {
      // A normal double: 53 of the 64 bits kept, the rest rounding them; a carry runs into
      // the exponent field, up to infinity.
      const std::uint64_t kept = significand_ >> 11;
      const std::uint64_t up = (significand_ & 0x7FF) > 0x400 - (kept & 1) ? 1 : 0;
      return std::bit_cast<double>(sign | ((std::uint64_t(doubleExponent - 1) << 52) + kept + up));
    }
    if (significand_ == 0) return std::bit_cast<double>(sign);
    int shift = 11;
    if (doubleExponent <= 0) {
      // Subnormal double: the significand moves right until its exponent is the smallest.
      shift += 1 - doubleExponent;
      doubleExponent = 0;
      if (shift > 64) return std::bit_cast<double>(sign);
    }
    const std::uint64_t kept = shift == 64 ? 0 : significand_ >> shift;
    const std::uint64_t lost = significand_ & ((std::uint64_t{1} << (shift - 1)) * 2 - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    const bool up = lost > half || (lost == half && (kept & 1) != 0);
    // A carry out of the fraction moves into the exponent field, as it should: from the
    // largest subnormal to the smallest normal, from 2^53 - 1 units to the next binade, and
    // from the largest finite double to infinity.
    const std::uint64_t rounded = kept + (up ? 1 : 0);
    if (doubleExponent >= 0x7FF) return std::bit_cast<double>(sign | kDoubleInfinity);
    const std::uint64_t biased = doubleExponent == 0 ? 0 : std::uint64_t(doubleExponent - 1) << 52;
    return std::bit_cast<double>(sign | (biased + rounded));
  }

  // Precondition: the value is a whole number in [0, 2^64).
  constexpr std::uint64_t ToUInt64() const noexcept {
    const int power = Exponent() - kBias;
    if (power < 0) return 0;
    return significand_ >> (63 - power);
  }

  constexpr SoftExtended Abs() const noexcept {
    return FromParts(static_cast<std::uint16_t>(signAndExponent_ & kMaxExponent), significand_);
  }

  // Rounds to a whole number toward zero.
  constexpr SoftExtended Truncate() const noexcept {
    const int exponent = Exponent();
    if (exponent == kMaxExponent) return IsNaN() ? Quieted() : *this;
    const int power = exponent - kBias;
    if (power >= 63) return *this;
    if (power < 0) return FromParts(static_cast<std::uint16_t>(signAndExponent_ & kSignBit), 0);
    const std::uint64_t fractionBits = (std::uint64_t{1} << (63 - power)) - 1;
    return FromParts(signAndExponent_, significand_ & ~fractionBits);
  }

  // Rounds to the nearest whole number, ties to even. Precondition: 0 <= value <= 2^63 - 1.
  constexpr std::uint64_t RoundToUInt64() const noexcept {
    const int power = Exponent() - kBias;
    if (power < -1) return 0;
    const int shift = 63 - power;
    const std::uint64_t kept = shift == 64 ? 0 : significand_ >> shift;
    const std::uint64_t lost = significand_ & ((std::uint64_t{1} << (shift - 1)) * 2 - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    return kept + (lost > half || (lost == half && (kept & 1) != 0) ? 1 : 0);
  }

  constexpr bool IsZero() const noexcept { return Exponent() == 0 && significand_ == 0; }
  constexpr bool IsFinite() const noexcept { return Exponent() != kMaxExponent; }
  constexpr bool IsInfinite() const noexcept {
    return Exponent() == kMaxExponent && significand_ == kIntegerBit;
  }
  constexpr bool IsNaN() const noexcept {
    return Exponent() == kMaxExponent && significand_ != kIntegerBit;
  }

  // out[j - 1] = (start + FromInteger(j) * step).ToDouble() for j = 1 ... count: the
  // evenly spaced values of a segment. The generation spends its time here, so the usual
  // cases take shortcuts with the same results.
  static void StepValues(double start, double step, std::size_t count, double* out) noexcept {
    if (const std::optional<ExactSums> sums = ExactSumsOf(start, step, count)) {
      if (sums->width <= 63 && sums->exponent >= -1022) {
        NarrowStepValues(*sums, count, out);
      } else {
        WideStepValues(*sums, count, out);
      }
      return;
    }
    const SoftExtended first(start);
    const SoftExtended stride(step);
    for (std::size_t j = 1; j <= count; ++j) {
      out[j - 1] = (first + FromInteger(j) * stride).ToDouble();
    }
  }

 private:
  static constexpr std::uint16_t kSignBit = 0x8000;
  static constexpr std::uint16_t kMaxExponent = 0x7FFF;
  static constexpr int kBias = 16383;
  static constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;
  static constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 62;
  static constexpr std::uint64_t kHalf = std::uint64_t{1} << 63;
  static constexpr std::uint64_t kDoubleInfinity = 0x7FF0'0000'0000'0000;

  static constexpr int BitWidth(detail::UInt128 value) noexcept {
    const auto high = static_cast<std::uint64_t>(value >> 64);
    if (high != 0) return 64 + static_cast<int>(std::bit_width(high));
    return static_cast<int>(std::bit_width(static_cast<std::uint64_t>(value)));
  }

  // A finite nonzero double as an odd whole number times a power of two.
  struct OddMultiple {
    std::uint64_t odd;
    int exponent;
    bool negative;
  };
  static constexpr OddMultiple ToOddMultiple(double value) noexcept {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const auto biased = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t whole = bits & 0x000F'FFFF'FFFF'FFFF;
    int exponent = -1074;
    if (biased != 0) {
      whole |= std::uint64_t{1} << 52;
      exponent = biased - 1075;
    }
    const int trailingZeros = std::countr_zero(whole);
    return {whole >> trailingZeros, exponent + trailingZeros, (bits >> 63) != 0};
  }

  // The sums start + j * step of StepValues as whole numbers times 2^exponent, first + j *
  // stride, all of them below 2^width in magnitude.
  struct ExactSums {
    detail::Int128 first;
    detail::Int128 stride;
    int exponent;
    int width;
  };

  // The exact sums where they are what the x87 rounds: for fewer than 2^11 steps the product
  // j * step (53 bits times at most 11) is exact in the 64-bit significand, so each value
  // is the exact sum rounded once to double-extended and once to a double. Nothing for
  // values that are not finite, a zero step, more steps, or sums beyond 125 bits.
  static std::optional<ExactSums> ExactSumsOf(double start, double step,
                                              std::size_t count) noexcept {
    constexpr std::uint64_t kExponentBits = 0x7FF0'0000'0000'0000;
    if ((std::bit_cast<std::uint64_t>(start) & kExponentBits) == kExponentBits ||
        (std::bit_cast<std::uint64_t>(step) & kExponentBits) == kExponentBits || step == 0 ||
        count >= 2048) {
      return std::nullopt;
    }
    const OddMultiple stride = ToOddMultiple(step);
    const OddMultiple first =
        start == 0 ? OddMultiple{0, stride.exponent, false} : ToOddMultiple(start);
    const int exponent = std::min(first.exponent, stride.exponent);
    const int firstWidth = BitWidth(first.odd) + first.exponent - exponent;
    const int strideWidth = BitWidth(stride.odd) + stride.exponent - exponent;
    // Every sum lies below |first| + count * |stride|, so below twice the larger bound.
    const int width = std::max(firstWidth, strideWidth + BitWidth(count)) + 1;
    if (width > 126) return std::nullopt;
    auto firstSum = static_cast<detail::Int128>(first.odd) << (first.exponent - exponent);
    auto strideSum = static_cast<detail::Int128>(stride.odd) << (stride.exponent - exponent);
    return ExactSums{first.negative ? -firstSum : firstSum,
                     stride.negative ? -strideSum : strideSum, exponent, width};
  }

  // The x87's double of the exact sum magnitude * 2^exponent: rounded to double-extended,
  // then to a double.
  static constexpr double ExactSumToDouble(bool negative, detail::UInt128 magnitude,
                                           int exponent) noexcept {
    const auto sign = static_cast<std::uint16_t>(negative ? kSignBit : 0);
    return RoundAndPack(sign, exponent + kBias + 127, magnitude).ToDouble();
  }

  // Sums below 2^63 and 2^exponent normal: the double-extended rounding is exact, the
  // conversion of the whole number rounds to a double, and scaling by 2^exponent is exact.
  static void NarrowStepValues(const ExactSums& sums, std::size_t count, double* out) noexcept {
    auto sum = static_cast<std::int64_t>(sums.first);
    const auto stride = static_cast<std::int64_t>(sums.stride);
    const auto scale =
        std::bit_cast<double>(static_cast<std::uint64_t>(sums.exponent + 1023) << 52);
    for (std::size_t j = 0; j < count; ++j) {
      sum += stride;
      out[j] = static_cast<double>(sum) * scale;
    }
  }

  // Sums up to 2^126. The values come in runs that keep their sign and bit length, and so
  // are rounded at the same two places (64 and 53 bits below the leading one) with the same
  // double exponent; within a run each value costs a shift and two roundings. Values
  // outside the normal double range, below 2^64, or whose rounding carries into the next
  // power of two go the general way.
  static void WideStepValues(const ExactSums& sums, std::size_t count, double* out) noexcept {
    const bool falling = sums.stride < 0;
    const auto step = static_cast<detail::UInt128>(falling ? -sums.stride : sums.stride);
    detail::Int128 sum = sums.first;
    std::size_t j = 0;
    while (j < count) {
      sum += sums.stride;
      const bool negative = sum < 0;
      auto magnitude = static_cast<detail::UInt128>(negative ? -sum : sum);
      const int length = BitWidth(magnitude);
      const int biased = sums.exponent + length - 1 + 1023;
      if (length <= 64 || biased < 1 || biased > 0x7FE) {
        out[j++] = ExactSumToDouble(negative, magnitude, sums.exponent);
        continue;
      }
      // How many steps more stay within [2^(length - 1), 2^length).
      const bool growing = falling == negative;
      const detail::UInt128 room = growing ? (detail::UInt128{1} << length) - 1 - magnitude
                                           : magnitude - (detail::UInt128{1} << (length - 1));
      const auto run = static_cast<std::size_t>(
          std::min(room / step, static_cast<detail::UInt128>(count - j - 1)));
      const detail::UInt128 delta = growing ? step : -step;
      const int shift = length - 64;
      const std::uint64_t half = std::uint64_t{1} << (shift - 1);
      const std::uint64_t restMask = half * 2 - 1;
      const std::uint64_t signAndExponent =
          (negative ? std::uint64_t{1} << 63 : 0) | static_cast<std::uint64_t>(biased - 1) << 52;
      for (std::size_t i = 0;; ++i) {
        auto top = static_cast<std::uint64_t>(magnitude >> shift);
        const auto rest = static_cast<std::uint64_t>(magnitude) & restMask;
        top += rest > half - (top & 1) ? 1u : 0u;
        if (top == 0) {
          out[j] = ExactSumToDouble(negative, magnitude, sums.exponent);
        } else {
          const std::uint64_t kept = top >> 11;
          const std::uint64_t up = (top & 0x7FF) > 0x400 - (kept & 1) ? 1 : 0;
          out[j] = std::bit_cast<double>(signAndExponent + kept + up);
        }
        ++j;
        if (i == run) break;
        magnitude += delta;
      }
      sum = negative ? -static_cast<detail::Int128>(magnitude)
                     : static_cast<detail::Int128>(magnitude);
    }
  }

  static constexpr SoftExtended FromParts(std::uint16_t signAndExponent,
                                          std::uint64_t significand) noexcept {
    SoftExtended result;
    result.signAndExponent_ = signAndExponent;
    result.significand_ = significand;
    return result;
  }

  // The x87's default NaN, the result of every invalid operation.
  static constexpr SoftExtended DefaultNaN() noexcept {
    return FromParts(kSignBit | kMaxExponent, kIntegerBit | kQuietBit);
  }

  constexpr int Exponent() const noexcept { return signAndExponent_ & kMaxExponent; }
  static constexpr bool IsNormalExponent(int exponent) noexcept {
    return static_cast<unsigned>(exponent - 1) < kMaxExponent - 1;
  }
  constexpr bool Negative() const noexcept { return (signAndExponent_ & kSignBit) != 0; }
  // Subnormals share the exponent of the smallest normal numbers, without the integer bit.
  constexpr int ScaleExponent() const noexcept { return Exponent() == 0 ? 1 : Exponent(); }
  constexpr SoftExtended Quieted() const noexcept {
    return FromParts(signAndExponent_, significand_ | kQuietBit);
  }

  // Orders magnitudes as (exponent, significand) pairs do, subnormals included.
  constexpr detail::UInt128 MagnitudeKey() const noexcept {
    const auto exponent = static_cast<std::uint16_t>(signAndExponent_ & kMaxExponent);
    return detail::UInt128{exponent} << 64 | detail::UInt128{significand_};
  }

  // The NaN that the x87 gives for an operation with at least one NaN operand: a quiet NaN
  // before a signalling one, else the larger significand, else the positive sign; quieted.
  static constexpr SoftExtended PropagateNaN(SoftExtended a, SoftExtended b) noexcept {
    if (!b.IsNaN()) return a.Quieted();
    if (!a.IsNaN()) return b.Quieted();
    const bool aQuiet = (a.significand_ & kQuietBit) != 0;
    const bool bQuiet = (b.significand_ & kQuietBit) != 0;
    if (aQuiet != bQuiet) return aQuiet ? a : b.Quieted();
    if (a.significand_ != b.significand_) {
      return (a.significand_ > b.significand_ ? a : b).Quieted();
    }
    return (a.Negative() ? b : a).Quieted();
  }

  // Rounds (value / 2^127) * 2^(exponent - 16383) to nearest, ties to even, and packs it.
  // The exponent may lie below the normal range (the result is denormalized first and
  // rounded once) or above it (the result is an infinity).
  static constexpr SoftExtended RoundAndPack(std::uint16_t sign, int exponent,
                                             detail::UInt128 value) noexcept {
    if (value == 0) return FromParts(sign, 0);
    const int leadingZeros = value >> 64 != 0
                                 ? std::countl_zero(static_cast<std::uint64_t>(value >> 64))
                                 : 64 + std::countl_zero(static_cast<std::uint64_t>(value));
    value <<= leadingZeros;
    exponent -= leadingZeros;
    if (exponent <= 0) {
      value = detail::ShiftRightSticky(value, 1 - exponent);
      exponent = 0;
    }
    if (exponent != 0) {
      return RoundNormal(sign, exponent, static_cast<std::uint64_t>(value >> 64),
                         static_cast<std::uint64_t>(value));
    }
    std::uint64_t significand = static_cast<std::uint64_t>(value >> 64);
    significand +=
        static_cast<std::uint64_t>(RoundsUp(significand, static_cast<std::uint64_t>(value)));
    // Rounding up from the largest subnormal gives the smallest normal number.
    return FromParts(sign | static_cast<std::uint16_t>(significand >> 63), significand);
  }

  // Whether significand + rest / 2^64 rounds up: the rest is more than half, or half and the
  // significand odd. Without a branch, which would be mispredicted as often as taken.
  static constexpr bool RoundsUp(std::uint64_t significand, std::uint64_t rest) noexcept {
    return rest > kHalf - (significand & 1);
  }

  // Rounds (significand + rest / 2^64) * 2^(exponent - 16383 - 63) to nearest, ties to even,
  // for a significand with its integer bit and an exponent of 1 or more; above the normal
  // range the result is an infinity.
  static constexpr SoftExtended RoundNormal(std::uint16_t sign, int exponent,
                                            std::uint64_t significand,
                                            std::uint64_t rest) noexcept {
    significand += static_cast<std::uint64_t>(RoundsUp(significand, rest));
    if (significand == 0) {
      significand = kIntegerBit;
      ++exponent;
    }
    if (exponent >= kMaxExponent) return FromParts(sign | kMaxExponent, kIntegerBit);
    return FromParts(sign | static_cast<std::uint16_t>(exponent), significand);
  }

  static constexpr SoftExtended Add(SoftExtended a, SoftExtended b, bool subtract) noexcept {
    const int aExponent = a.Exponent();
    const int bExponent = b.Exponent();
    if (IsNormalExponent(aExponent) && IsNormalExponent(bExponent)) {
      // Two normal numbers less than 64 places apart: the smaller one aligned below the
      // larger fits 128 bits without loss, and only a result below the normal range needs
      // the general way.
      const bool aNegative = a.Negative();
      const bool bNegative = b.Negative() != subtract;
      const bool swap = a.MagnitudeKey() < b.MagnitudeKey();
      const int exponent = swap ? bExponent : aExponent;
      const int distance = swap ? bExponent - aExponent : aExponent - bExponent;
      if (distance < 64) {
        const detail::UInt128 larger = detail::UInt128{swap ? b.significand_ : a.significand_}
                                       << 64;
        const detail::UInt128 smaller =
            (detail::UInt128{swap ? a.significand_ : b.significand_} << 64) >> distance;
        const auto sign = static_cast<std::uint16_t>((swap ? bNegative : aNegative) ? kSignBit : 0);
        if (aNegative == bNegative) {
          detail::UInt128 sum = larger + smaller;
          if (sum >= larger) {
            return RoundNormal(sign, exponent, static_cast<std::uint64_t>(sum >> 64),
                               static_cast<std::uint64_t>(sum));
          }
          // The carry out of 128 bits: one place to the right, the lost bit kept as sticky.
          sum = (sum >> 1) | (sum & 1) | detail::UInt128{1} << 127;
          return RoundNormal(sign, exponent + 1, static_cast<std::uint64_t>(sum >> 64),
                             static_cast<std::uint64_t>(sum));
        }
        detail::UInt128 difference = larger - smaller;
        if (difference == 0) return SoftExtended();
        const auto high = static_cast<std::uint64_t>(difference >> 64);
        const int leadingZeros =
            high != 0 ? std::countl_zero(high)
                      : 64 + std::countl_zero(static_cast<std::uint64_t>(difference));
        if (exponent - leadingZeros >= 1) {
          difference <<= leadingZeros;
          return RoundNormal(sign, exponent - leadingZeros,
                             static_cast<std::uint64_t>(difference >> 64),
                             static_cast<std::uint64_t>(difference));
        }
      }
    }
    // Zero plus a normal number is that number.
    if (a.IsZero() && IsNormalExponent(bExponent)) return subtract ? -b : b;
    if (b.IsZero() && IsNormalExponent(aExponent)) return a;
    return AddInGeneral(a, b, subtract);
  }

  static constexpr SoftExtended AddInGeneral(SoftExtended a, SoftExtended b,
                                             bool subtract) noexcept {
    if (a.IsNaN() || b.IsNaN()) return PropagateNaN(a, b);
    if (subtract) b = -b;
    if (a.Exponent() == kMaxExponent || b.Exponent() == kMaxExponent) {
      if (a.Exponent() != kMaxExponent) return b;
      if (b.Exponent() != kMaxExponent || a.Negative() == b.Negative()) return a;
      return DefaultNaN();
    }
    const auto sign = static_cast<std::uint16_t>(a.signAndExponent_ & kSignBit);
    if (a.MagnitudeKey() < b.MagnitudeKey()) {
      const SoftExtended larger = b;
      b = a;
      a = larger;
    }
    // The significands sit at bits 63 to 126, room for the carry of a sum; the smaller one
    // is aligned with its lost bits kept as a sticky bit far below the rounding position.
    const int exponent = a.ScaleExponent();
    const detail::UInt128 larger = detail::UInt128{a.significand_} << 63;
    const detail::UInt128 smaller = detail::ShiftRightSticky(detail::UInt128{b.significand_} << 63,
                                                             exponent - b.ScaleExponent());
    if (a.Negative() == b.Negative()) return RoundAndPack(sign, exponent + 1, larger + smaller);
    // Exact cancellation gives +0 when rounding to nearest, whatever the signs.
    if (larger == smaller) return SoftExtended();
    return RoundAndPack(static_cast<std::uint16_t>(a.signAndExponent_ & kSignBit), exponent + 1,
                        larger - smaller);
  }

  static constexpr SoftExtended Multiply(SoftExtended a, SoftExtended b) noexcept {
    if (IsNormalExponent(a.Exponent()) && IsNormalExponent(b.Exponent())) {
      // Two normal numbers: the product's leading bit is bit 127 or 126, and only a result
      // below the normal range needs the general way.
      const detail::UInt128 product = detail::UInt128{a.significand_} * b.significand_;
      const int top = static_cast<int>(product >> 127);
      const int exponent = a.Exponent() + b.Exponent() - kBias + top;
      if (exponent >= 1) {
        const detail::UInt128 normalized = product << (1 - top);
        const auto sign =
            static_cast<std::uint16_t>((a.signAndExponent_ ^ b.signAndExponent_) & kSignBit);
        return RoundNormal(sign, exponent, static_cast<std::uint64_t>(normalized >> 64),
                           static_cast<std::uint64_t>(normalized));
      }
    }
    return MultiplyInGeneral(a, b);
  }

  static constexpr SoftExtended MultiplyInGeneral(SoftExtended a, SoftExtended b) noexcept {
    if (a.IsNaN() || b.IsNaN()) return PropagateNaN(a, b);
    const auto sign =
        static_cast<std::uint16_t>((a.signAndExponent_ ^ b.signAndExponent_) & kSignBit);
    if (a.Exponent() == kMaxExponent || b.Exponent() == kMaxExponent) {
      if (a.IsZero() || b.IsZero()) return DefaultNaN();
      return FromParts(sign | kMaxExponent, kIntegerBit);
    }
    const detail::UInt128 product = detail::UInt128{a.significand_} * b.significand_;
    return RoundAndPack(sign, a.ScaleExponent() + b.ScaleExponent() - kBias + 1, product);
  }

  static constexpr SoftExtended Divide(SoftExtended a, SoftExtended b) noexcept {
    if (a.IsNaN() || b.IsNaN()) return PropagateNaN(a, b);
    const auto sign =
        static_cast<std::uint16_t>((a.signAndExponent_ ^ b.signAndExponent_) & kSignBit);
    if (a.Exponent() == kMaxExponent) {
      if (b.Exponent() == kMaxExponent) return DefaultNaN();
      return FromParts(sign | kMaxExponent, kIntegerBit);
    }
    if (b.Exponent() == kMaxExponent) return FromParts(sign, 0);
    if (b.IsZero()) return a.IsZero() ? DefaultNaN() : FromParts(sign | kMaxExponent, kIntegerBit);
    if (a.IsZero()) return FromParts(sign, 0);

    // Both significands normalized, so that the quotient has 64 bits below: the dividend
    // is shifted by 64 places when its significand is the smaller, else by 63.
    const int dividendZeros = std::countl_zero(a.significand_);
    const int divisorZeros = std::countl_zero(b.significand_);
    const std::uint64_t dividend = a.significand_ << dividendZeros;
    const std::uint64_t divisor = b.significand_ << divisorZeros;
    int exponent = (a.ScaleExponent() - dividendZeros) - (b.ScaleExponent() - divisorZeros) + kBias;
    const int shift = dividend < divisor ? 64 : 63;
    if (shift == 64) --exponent;
    const detail::UInt128 numerator = detail::UInt128{dividend} << shift;
    const auto quotient = static_cast<std::uint64_t>(numerator / divisor);
    const auto remainder =
        static_cast<std::uint64_t>(numerator - detail::UInt128{quotient} * divisor);
    // The bits below the quotient, reduced to what rounding needs: nothing, less than half,
    // or more than half of its last place. Exactly half cannot occur: then 2 q + 1, an odd
    // number above 2^64, would divide the 64-bit dividend times a power of two.
    std::uint64_t rest = 0;
    if (remainder != 0) rest = remainder < divisor - remainder ? 1 : kHalf + 1;
    return RoundAndPack(sign, exponent, (detail::UInt128{quotient} << 64) | rest);
  }

  std::uint64_t significand_ = 0;
  std::uint16_t signAndExponent_ = 0;
};

}  // namespace model
