#include "model/fp_environment.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace model {
namespace {

std::uint16_t X87ControlWord() {
  std::uint16_t word = 0;
  asm volatile("fnstcw %0" : "=m"(word));
  return word;
}

std::uint32_t SseControlWord() {
  std::uint32_t word = 0;
  asm volatile("stmxcsr %0" : "=m"(word));
  return word;
}

TEST(FpEnvironmentTest, RestoresExtendedPrecisionNearestRoundingAndGradualUnderflow) {
  // Spoil both units first: double precision, rounding toward zero, flush-to-zero.
  const std::uint16_t spoiled_x87 = 0x0E7F;
  const std::uint32_t spoiled_sse = 0xFF80;
  asm volatile("fldcw %0" : : "m"(spoiled_x87));
  asm volatile("ldmxcsr %0" : : "m"(spoiled_sse));

  EstablishFloatingPointEnvironment();

  EXPECT_EQ(X87ControlWord() & 0x0F3F, 0x033F);  // precision 64-bit, to nearest, all masked
  EXPECT_EQ(SseControlWord() & 0xFFC0, 0x1F80);  // to nearest, all masked, no FTZ or DAZ

  // Gradual underflow: the smallest normal double halved is a subnormal, not zero.
  volatile double smallest_normal = 2.2250738585072014e-308;
  EXPECT_EQ(smallest_normal / 2, 1.1125369292536007e-308);
}

}  // namespace
}  // namespace model
