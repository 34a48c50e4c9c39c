#pragma once

// What a text that FormatValue wrote may read back as. Fifteen digits do not identify every
// double, so the reading is the double nearest to the written digits, which strtod gives;
// only where those digits lie so close to the midpoint between two doubles that the rounding
// errors of the double-extended scaling decide the side (a few texts in 10^4) is it the
// other neighbour.

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/extended.h"
#include "tests/model/bits_test_support.h"

namespace model {

inline Extended PowerOfTwo(int exponent) {
  return Extended::FromBits(
      {static_cast<std::uint16_t>(0x3FFF + exponent), std::uint64_t{1} << 63});
}

// The value of the text to within 2^-62 of its size: strtold's reading, whose long double
// has at least a 64-bit significand on every platform the tool builds for, cut to 64 bits.
static_assert(LDBL_MANT_DIG >= 64);
inline Extended ReadPrecisely(const std::string& text) {
  int exponent = 0;
  const long double fraction = std::frexp(std::strtold(text.c_str(), nullptr), &exponent);
  const auto significand = static_cast<std::uint64_t>(std::ldexp(std::fabs(fraction), 64));
  const Extended magnitude = Extended::FromInteger(significand) * PowerOfTwo(exponent - 64);
  return fraction < 0 ? -magnitude : magnitude;
}

// True when the exact value of the text lies within 2^-59 of its size from the midpoint
// between the two neighbouring doubles a and b.
inline bool LiesAtTheMidpoint(const std::string& text, double a, double b) {
  if (std::nextafter(a, b) != b) return false;
  const Extended midpoint = (Extended(a) + Extended(b)) / Extended::FromInteger(2);
  const Extended exact = ReadPrecisely(text);
  return (exact - midpoint).Abs() <= midpoint.Abs() * PowerOfTwo(-59);
}

// Whether reading is what text, written by FormatValue with "." as its decimal mark, may
// read back as.
inline bool IsReadingOfWrittenText(const std::string& text, double reading) {
  const double nearest = std::strtod(text.c_str(), nullptr);
  return Bits(reading) == Bits(nearest) || LiesAtTheMidpoint(text, reading, nearest);
}

}  // namespace model
