#include "model/fp_environment.h"

#include <cstdint>

#include <gtest/gtest.h>

namespace model {
namespace {

#if defined(__x86_64__) || defined(__i386__)

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

void SpoilEnvironment() {
  // Double precision, rounding toward zero, flush-to-zero.
  const std::uint16_t spoiled_x87 = 0x0E7F;
  const std::uint32_t spoiled_sse = 0xFF80;
  asm volatile("fldcw %0" : : "m"(spoiled_x87));
  asm volatile("ldmxcsr %0" : : "m"(spoiled_sse));
}

void ExpectControlRegisters() {
  EXPECT_EQ(X87ControlWord() & 0x0F3F, 0x033F);  // precision 64-bit, to nearest, all masked
  EXPECT_EQ(SseControlWord() & 0xFFC0, 0x1F80);  // to nearest, all masked, no FTZ or DAZ
}

#else

std::uint64_t Fpcr() {
  std::uint64_t word = 0;
  asm volatile("mrs %0, fpcr" : "=r"(word));
  return word;
}

void SpoilEnvironment() {
  // Rounding toward zero, flush-to-zero, default NaN.
  const std::uint64_t spoiled = 0x03C0'0000;
  asm volatile("msr fpcr, %0" : : "r"(spoiled));
}

void ExpectControlRegisters() {
  // To nearest, no FZ, DN, AHP or FZ16, no trap enabled.
  EXPECT_EQ(Fpcr() & 0x07C8'9F00, 0u);
}

#endif

TEST(FpEnvironmentTest, RestoresNearestRoundingAndGradualUnderflow) {
  SpoilEnvironment();

  EstablishFloatingPointEnvironment();

  ExpectControlRegisters();
  // Gradual underflow: the smallest normal double halved is a subnormal, not zero.
  volatile double smallest_normal = 2.2250738585072014e-308;
  EXPECT_EQ(smallest_normal / 2, 1.1125369292536007e-308);
  // Rounding to nearest, ties to even: both sums lie halfway between two doubles, and
  // rounding toward zero would give 1 and 1 + 2^-52.
  volatile double one = 1;
  EXPECT_EQ(one + 0x1p-53, 1.0);
  EXPECT_EQ(one + 0x3p-53, 1 + 0x1p-51);
}

}  // namespace
}  // namespace model
