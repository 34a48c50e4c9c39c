// The edge cases of Extended's arithmetic with the x87's results written out, so that the
// software type is held to them where there is no x87 to compare with. On x86 the same
// rows check the x87 type itself, which keeps the expectations honest.

#include "model/extended.h"

#include <bit>
#include <cmath>
#include <compare>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/extended_bits.h"
#include "tests/model/bits_test_support.h"

namespace model {
namespace {

constexpr std::uint64_t kOne = std::uint64_t{1} << 63;  // a significand of 1.0

// Named numbers, as bit patterns.
constexpr ExtendedBits kPlusZero{0x0000, 0};
constexpr ExtendedBits kMinusZero{0x8000, 0};
constexpr ExtendedBits kOneBits{0x3FFF, kOne};
constexpr ExtendedBits kTwo{0x4000, kOne};
constexpr ExtendedBits kThree{0x4000, 0xC000'0000'0000'0000};
constexpr ExtendedBits kOnePlusUlp{0x3FFF, kOne | 1};        // 1 + 2^-63
constexpr ExtendedBits kHalfUlpOfOne{0x3FFF - 64, kOne};     // 2^-64
constexpr ExtendedBits kLargest{0x7FFE, ~std::uint64_t{0}};  // about 1.19e4932
constexpr ExtendedBits kSmallestNormal{0x0001, kOne};        // 2^-16382
constexpr ExtendedBits kLargestSubnormal{0x0000, kOne - 1};
constexpr ExtendedBits kSmallestSubnormal{0x0000, 1};  // 2^-16445
constexpr ExtendedBits kThreeSmallestSubnormals{0x0000, 3};
constexpr ExtendedBits kInfinity{0x7FFF, kOne};
constexpr ExtendedBits kMinusInfinity{0xFFFF, kOne};
constexpr ExtendedBits kDefaultNaN{0xFFFF, 0xC000'0000'0000'0000};
constexpr ExtendedBits kQuietNaN5{0x7FFF, 0xC000'0000'0000'0005};
constexpr ExtendedBits kMinusQuietNaN5{0xFFFF, 0xC000'0000'0000'0005};
constexpr ExtendedBits kMinusQuietNaN9{0xFFFF, 0xC000'0000'0000'0009};
constexpr ExtendedBits kSignallingNaN7{0x7FFF, 0x8000'0000'0000'0007};
constexpr ExtendedBits kQuietNaN7{0x7FFF, 0xC000'0000'0000'0007};

Extended X(ExtendedBits bits) { return Extended::FromBits(bits); }

struct BinaryRow {
  const char* name;
  ExtendedBits a;
  char operation;
  ExtendedBits b;
  ExtendedBits expected;
};

ExtendedBits Apply(char operation, Extended a, Extended b) {
  switch (operation) {
    case '+':
      return (a + b).Bits();
    case '-':
      return (a - b).Bits();
    case '*':
      return (a * b).Bits();
    default:
      return (a / b).Bits();
  }
}

TEST(ExtendedTest, ArithmeticRoundsAndHandlesSpecialValuesAsTheX87) {
  const BinaryRow rows[] = {
      {"ties go to the even neighbour", kOneBits, '+', kHalfUlpOfOne, kOneBits},
      {"and up when that is even", kOnePlusUlp, '+', kHalfUlpOfOne, {0x3FFF, kOne | 2}},
      {"just above the tie goes up", kOneBits, '+', {0x3FFF - 64, kOne | 1}, kOnePlusUlp},
      {"cancellation is exact", kOnePlusUlp, '-', kOneBits, {0x3FFF - 63, kOne}},
      {"x - x is +0", kThree, '-', kThree, kPlusZero},
      {"-0 + -0 is -0", kMinusZero, '+', kMinusZero, kMinusZero},
      {"-0 - +0 is -0", kMinusZero, '-', kPlusZero, kMinusZero},
      {"+0 - +0 is +0", kPlusZero, '-', kPlusZero, kPlusZero},
      {"a sign flows into a zero product", kMinusZero, '*', kThree, kMinusZero},
      // (2^32 + 1)^2 = 2^64 + 2^33 + 1 needs 65 bits and is a tie.
      {"a product at a tie",
       {0x401F, 0x8000'0000'8000'0000},
       '*',
       {0x401F, 0x8000'0000'8000'0000},
       {0x403F, 0x8000'0001'0000'0000}},
      {"1 / 3", kOneBits, '/', kThree, {0x3FFD, 0xAAAA'AAAA'AAAA'AAAB}},
      {"2 / 3", kTwo, '/', kThree, {0x3FFE, 0xAAAA'AAAA'AAAA'AAAB}},
      {"gradual underflow", kSmallestNormal, '/', kTwo, {0x0000, 0x4000'0000'0000'0000}},
      {"a subnormal tie goes to even zero", kSmallestSubnormal, '/', kTwo, kPlusZero},
      {"and to even two", kThreeSmallestSubnormals, '/', kTwo, {0x0000, 2}},
      // 2^-16382 - 2^-16446: halfway between the largest subnormal and the smallest normal.
      {"a subnormal tie rounds up to a normal",
       kSmallestNormal,
       '*',
       {0x3FFE, ~std::uint64_t{0}},
       kSmallestNormal},
      {"subnormals add up to a normal", kLargestSubnormal, '+', kSmallestSubnormal,
       kSmallestNormal},
      {"a subnormal operand computes normally",
       kSmallestSubnormal,
       '*',
       {0x3FFF + 63, kOne},
       {0x3FFF - 16382, kOne}},
      {"a product below every subnormal", kSmallestNormal, '*', kSmallestNormal, kPlusZero},
      {"overflow gives infinity", kLargest, '*', kTwo, kInfinity},
      {"a sum just past the largest", kLargest, '+', {0x7FFE - 64, kOne}, kInfinity},
      {"a sum just short of it", kLargest, '+', {0x7FFE - 65, kOne}, kLargest},
      {"division by zero gives infinity", {0x8000 | 0x3FFF, kOne}, '/', kPlusZero, kMinusInfinity},
      {"infinity minus infinity", kInfinity, '-', kInfinity, kDefaultNaN},
      {"zero times infinity", kPlusZero, '*', kMinusInfinity, kDefaultNaN},
      {"zero by zero", kMinusZero, '/', kPlusZero, kDefaultNaN},
      {"infinity by infinity", kInfinity, '/', kMinusInfinity, kDefaultNaN},
      {"a finite number by infinity", kThree, '/', kMinusInfinity, kMinusZero},
      {"infinity plus a finite number", kMinusInfinity, '+', kLargest, kMinusInfinity},
      {"a NaN passes through", kThree, '-', kMinusQuietNaN5, kMinusQuietNaN5},
      {"the larger payload wins", kMinusQuietNaN9, '*', kQuietNaN5, kMinusQuietNaN9},
      {"between equal payloads the positive", kMinusQuietNaN5, '+', kQuietNaN5, kQuietNaN5},
      {"a quiet NaN before a signalling one", kSignallingNaN7, '/', kMinusQuietNaN5,
       kMinusQuietNaN5},
      {"a signalling NaN becomes quiet", kSignallingNaN7, '+', kOneBits, kQuietNaN7},
  };
  for (const BinaryRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Hex(Apply(row.operation, X(row.a), X(row.b))), Hex(row.expected));
  }
}

struct ToDoubleRow {
  const char* name;
  ExtendedBits value;
  std::uint64_t expected;
};

TEST(ExtendedTest, RoundsToDoublesToNearestWithTiesToEven) {
  const ToDoubleRow rows[] = {
      {"exact", kThree, Bits(3)},
      {"a tie goes to even", {0x3FFF, kOne | 0x400}, Bits(1)},
      {"a tie goes up to even", {0x3FFF, kOne | 0xC00}, Bits(1) + 2},
      {"above the tie", {0x3FFF, kOne | 0x401}, Bits(1) + 1},
      {"a carry into the exponent", {0x3FFF, ~std::uint64_t{0}}, Bits(2)},
      {"the largest double", {0x3FFF + 1023, ~std::uint64_t{0x7FF}}, 0x7FEF'FFFF'FFFF'FFFF},
      {"half a last place above it is infinity",
       {0x3FFF + 1023, ~std::uint64_t{0x3FF}},
       0x7FF0'0000'0000'0000},
      {"beyond the double range", {0x8000 | 0x5000, kOne}, 0xFFF0'0000'0000'0000},
      {"a subnormal double", {0x3FFF - 1074, kOne}, 1},
      {"half the smallest subnormal is zero", {0x3FFF - 1075, kOne}, 0},
      {"just above half of it is not", {0x3FFF - 1075, kOne | 1}, 1},
      // 3.5 times the smallest subnormal.
      {"a subnormal tie goes to even", {0x3FFF - 1073, 0xE000'0000'0000'0000}, 4},
      {"up into the smallest normal", {0x3FFF - 1023, ~std::uint64_t{0}}, 0x0010'0000'0000'0000},
      {"a subnormal extended is zero", {0x8000, 1}, 0x8000'0000'0000'0000},
      {"a NaN keeps sign and leading payload",
       {0xFFFF, 0xC000'0000'0000'0FFF},
       0xFFF8'0000'0000'0001},
  };
  for (const ToDoubleRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Bits(X(row.value).ToDouble()), row.expected);
  }
}

TEST(ExtendedTest, WidensDoublesAndIntegersExactly) {
  EXPECT_EQ(Hex(Extended(std::bit_cast<double>(std::uint64_t{1})).Bits()),
            Hex({0x3FFF - 1074, kOne}));
  EXPECT_EQ(Hex(Extended(std::bit_cast<double>(0x000F'FFFF'FFFF'FFFFull)).Bits()),
            Hex({0x3FFF - 1023, 0xFFFF'FFFF'FFFF'F000}));
  EXPECT_EQ(Hex(Extended(-0.0).Bits()), Hex(kMinusZero));
  EXPECT_EQ(Hex(Extended(std::bit_cast<double>(0x7FF0'0000'0000'0123ull)).Bits()),
            Hex({0x7FFF, 0xC000'0000'0009'1800}));
  EXPECT_EQ(Hex(Extended::FromInteger(~std::uint64_t{0}).Bits()),
            Hex({0x3FFF + 63, ~std::uint64_t{0}}));
  EXPECT_EQ(Hex(Extended::FromInteger(0).Bits()), Hex(kPlusZero));
}

struct WholeRow {
  const char* name;
  Extended value;
  std::uint64_t truncated;
  std::optional<std::uint64_t> nearest;  // none where the value is beyond RoundToUInt64
};

TEST(ExtendedTest, TruncatesAndRoundsToWholeNumbers) {
  const Extended two = Extended::FromInteger(2);
  const WholeRow rows[] = {
      {"2.5", Extended(2.5), 2, 2},
      {"3.5", Extended(3.5), 3, 4},
      {"0.5", Extended(0.5), 0, 0},
      {"0.75", Extended(0.75), 0, 1},
      {"0.25", Extended(0.25), 0, 0},
      {"just below ten", Extended(9.999999999999998), 9, 10},
      {"the quotient 1 / 0.1", Extended::FromInteger(1) / Extended(0.1), 9, 10},
      // Beyond the double significand, where only the extended one holds the half.
      {"2^61 + 0.5", Extended::FromInteger((std::uint64_t{1} << 62) + 1) / two,
       std::uint64_t{1} << 61, std::uint64_t{1} << 61},
      {"2^61 + 1.5", Extended::FromInteger((std::uint64_t{1} << 62) + 3) / two,
       (std::uint64_t{1} << 61) + 1, (std::uint64_t{1} << 61) + 2},
      {"the largest whole number", Extended::FromInteger(~std::uint64_t{0}), ~std::uint64_t{0},
       std::nullopt},
  };
  for (const WholeRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.value.Truncate().ToUInt64(), row.truncated);
    if (row.nearest) {
      EXPECT_EQ(row.value.RoundToUInt64(), *row.nearest);
    }
  }
  EXPECT_EQ(Bits(Extended(-2.5).Truncate().ToDouble()), Bits(-2));
  EXPECT_EQ(Hex(Extended(-0.5).Truncate().Bits()), Hex(kMinusZero));
  EXPECT_EQ(Hex(X(kInfinity).Truncate().Bits()), Hex(kInfinity));
  EXPECT_EQ(Hex(X(kSignallingNaN7).Truncate().Bits()), Hex(kQuietNaN7));
}

struct StepValuesRow {
  const char* name;
  double start;
  double step;
  std::vector<double> expected;
};

TEST(ExtendedTest, StepValuesAreExactSumsRoundedTwice) {
  const double infinity = std::numeric_limits<double>::infinity();
  const StepValuesRow rows[] = {
      {"exact products rounded once", 0, 0.1, {0.1, 0.2, 0x1.3333333333334p-2}},
      // 1 + 2^-53 + 2^-66 rounds to 1 + 2^-53 in double-extended, a tie that then goes to
      // the even 1; a single rounding would give 1 + 2^-52.
      {"first to 64 bits, then a tie at 53", 1, 0x1.0008p-53, {1}},
      {"through zero", -1.5, 1, {-0.5, 0.5, 1.5}},
      {"a start far from zero against the step",
       1000.3,
       -0.0028,
       {0x1.f4260aa64c2f8p+9, 0x1.f425aee631f8ap+9, 0x1.f425532617c1bp+9}},
      // 1 - 2^-66, a quarter of a last place below 1.
      {"a rounding up to the next power of two", 0x1.fffffffffffffp-1, 0x1.fff8p-54, {1, 1}},
      {"a step below the last place of the start", 1e20, 3e-30, {1e20, 1e20}},
      {"beyond the largest double", -0x1.ffffffffffffp+1023, -0x1.0000000000001p+1010, {-infinity}},
  };
  for (const StepValuesRow& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<double> values(row.expected.size());
    Extended::StepValues(row.start, row.step, values.size(), values.data());
    for (std::size_t j = 0; j < values.size(); ++j) {
      EXPECT_EQ(Bits(values[j]), Bits(row.expected[j])) << "value " << j + 1;
    }
  }
}

TEST(ExtendedTest, ComparesAsIeeeNumbers) {
  EXPECT_TRUE(X(kPlusZero) == X(kMinusZero));
  EXPECT_TRUE(X(kSmallestSubnormal) > X(kMinusZero));
  EXPECT_TRUE(X(kLargestSubnormal) < X(kSmallestNormal));
  EXPECT_TRUE(Extended(-3.0) < Extended(-2.0));
  EXPECT_TRUE(X(kMinusInfinity) < X({0xFFFE, ~std::uint64_t{0}}));
  EXPECT_FALSE(X(kQuietNaN5) == X(kQuietNaN5));
  EXPECT_EQ(X(kQuietNaN5) <=> X(kOneBits), std::partial_ordering::unordered);
  EXPECT_TRUE(X(kQuietNaN5).IsNaN() && !X(kQuietNaN5).IsFinite());
  EXPECT_TRUE(X(kMinusInfinity).IsInfinite() && !X(kMinusInfinity).IsNaN());
  EXPECT_TRUE(X(kMinusZero).IsZero() && X(kMinusZero).IsFinite());
  EXPECT_FALSE(X(kSmallestSubnormal).IsZero());
  EXPECT_EQ(Hex((-X(kQuietNaN5)).Bits()), Hex(kMinusQuietNaN5));
  EXPECT_EQ(Hex(X(kMinusQuietNaN5).Abs().Bits()), Hex(kQuietNaN5));
  EXPECT_EQ(Hex(Extended::Infinity().Bits()), Hex(kInfinity));
}

}  // namespace
}  // namespace model
