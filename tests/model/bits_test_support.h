#pragma once

// The bit patterns of numbers, which tests compare where == would take -0 for +0 and no
// NaN for itself, and print where a difference in the last bit must show.

#include <bit>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "model/extended_bits.h"

namespace model {

inline std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }

inline std::vector<std::uint64_t> Bits(const std::vector<double>& values) {
  std::vector<std::uint64_t> bits;
  bits.reserve(values.size());
  for (const double value : values) bits.push_back(Bits(value));
  return bits;
}

inline double FromBits(std::uint64_t bits) { return std::bit_cast<double>(bits); }

inline std::string Hex(ExtendedBits bits) {
  char text[32];
  std::snprintf(text, sizeof text, "%04X:%016llX", bits.signAndExponent,
                static_cast<unsigned long long>(bits.significand));
  return text;
}

}  // namespace model
