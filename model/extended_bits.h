#pragma once

// The bit pattern of a double-extended number in the x87 80-bit format, the one layout that
// both implementations of Extended read and write, so that constants are written once and
// results compare bit for bit.

#include <cstdint>

namespace model {

struct ExtendedBits {
  // Bit 15 the sign, bits 0-14 the exponent biased by 16383; 0x7FFF for infinities and NaN.
  std::uint16_t signAndExponent;
  // The significand with its explicit integer bit (bit 63), which is set exactly for
  // normal numbers, infinities and NaN.
  std::uint64_t significand;

  friend constexpr bool operator==(const ExtendedBits&, const ExtendedBits&) = default;
};

}  // namespace model
