// SoftExtended against the x87, operation by operation and through the whole pipeline of
// reading, generation and formatting. Only where the x87 type exists to compare with.

#include "model/extended.h"

#ifdef LOADGEN_HAS_X87_EXTENDED

#include <algorithm>
#include <bit>
#include <cmath>
#include <compare>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "model/errors.h"
#include "model/extended_bits.h"
#include "model/generation.h"
#include "model/generation_internal.h"
#include "model/unicode.h"
#include "model/value_format.h"
#include "model/value_format_internal.h"
#include "model/value_text_internal.h"
#include "tests/model/bits_test_support.h"

namespace model {
namespace {

constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;
constexpr std::uint16_t kSignBit = 0x8000;
constexpr int kBias = 0x3FFF;

ExtendedBits Make(bool negative, int exponent, std::uint64_t significand) {
  return {static_cast<std::uint16_t>((negative ? kSignBit : 0) | exponent), significand};
}

// What each implementation makes of one operand: every unary operation the model uses.
struct UnaryResults {
  ExtendedBits negated;
  ExtendedBits absolute;
  ExtendedBits truncated;
  std::uint64_t toDouble;
  std::uint64_t rounded;  // RoundToUInt64, where its precondition holds
  std::uint64_t whole;    // ToUInt64 of the truncated magnitude, where it is below 2^64
  bool zero, finite, infinite, nan;

  friend bool operator==(const UnaryResults&, const UnaryResults&) = default;
};

template <class E>
UnaryResults Unary(ExtendedBits bits) {
  const E x = E::FromBits(bits);
  const E magnitude = x.Abs();
  UnaryResults results{(-x).Bits(),
                       magnitude.Bits(),
                       x.Truncate().Bits(),
                       std::bit_cast<std::uint64_t>(x.ToDouble()),
                       0,
                       0,
                       x.IsZero(),
                       x.IsFinite(),
                       x.IsInfinite(),
                       x.IsNaN()};
  if (magnitude <= E::FromInteger(kIntegerBit - 1)) results.rounded = magnitude.RoundToUInt64();
  const E whole = magnitude.Truncate();
  if (whole < E::FromInteger(kIntegerBit) * E::FromInteger(2)) results.whole = whole.ToUInt64();
  return results;
}

struct BinaryResults {
  ExtendedBits sum, difference, product, quotient;
  std::partial_ordering order;
  bool equal;

  friend bool operator==(const BinaryResults&, const BinaryResults&) = default;
};

template <class E>
BinaryResults Binary(ExtendedBits aBits, ExtendedBits bBits) {
  const E a = E::FromBits(aBits);
  const E b = E::FromBits(bBits);
  return {(a + b).Bits(), (a - b).Bits(), (a * b).Bits(), (a / b).Bits(), a <=> b, a == b};
}

std::string Describe(const BinaryResults& r) {
  const char* order = r.order == std::partial_ordering::less         ? "<"
                      : r.order == std::partial_ordering::greater    ? ">"
                      : r.order == std::partial_ordering::equivalent ? "=="
                                                                     : "unordered";
  return "+ " + Hex(r.sum) + "  - " + Hex(r.difference) + "  * " + Hex(r.product) + "  / " +
         Hex(r.quotient) + "  " + order + (r.equal ? " equal" : "");
}

std::string Describe(const UnaryResults& r) {
  char text[160];
  std::snprintf(text, sizeof text, "double %016llX round %llu whole %llu flags %d%d%d%d",
                static_cast<unsigned long long>(r.toDouble),
                static_cast<unsigned long long>(r.rounded),
                static_cast<unsigned long long>(r.whole), r.zero, r.finite, r.infinite, r.nan);
  return "neg " + Hex(r.negated) + "  abs " + Hex(r.absolute) + "  trunc " + Hex(r.truncated) +
         "  " + text;
}

// Runs operand pairs through both implementations and keeps the first few differences.
class Comparison {
 public:
  void Pair(ExtendedBits a, ExtendedBits b) {
    ++pairs_;
    const BinaryResults hardware = Binary<X87Extended>(a, b);
    const BinaryResults software = Binary<SoftExtended>(a, b);
    if (!(hardware == software)) {
      Report("a " + Hex(a) + "  b " + Hex(b) + "\n  x87  " + Describe(hardware) + "\n  soft " +
             Describe(software));
    }
    Single(a);
    Single(b);
  }

  void Single(ExtendedBits x) {
    const UnaryResults hardware = Unary<X87Extended>(x);
    const UnaryResults software = Unary<SoftExtended>(x);
    if (!(hardware == software)) {
      Report("x " + Hex(x) + "\n  x87  " + Describe(hardware) + "\n  soft " + Describe(software));
    }
  }

  void Report(const std::string& difference) {
    if (differences_++ < 10) ADD_FAILURE() << difference;
  }

  long pairs() const { return pairs_; }
  long differences() const { return differences_; }

 private:
  long pairs_ = 0;
  long differences_ = 0;
};

// Operands of every kind the arithmetic distinguishes, weighted towards the edges.
class Operands {
 public:
  explicit Operands(std::uint64_t seed) : random_(seed) {}

  std::uint64_t Bits() { return random_(); }
  int Below(int bound) { return static_cast<int>(random_() % static_cast<std::uint64_t>(bound)); }
  bool Coin() { return (random_() & 1) != 0; }

  // A significand with its integer bit, often with only a few bits set so that exact
  // results and ties are common.
  std::uint64_t Significand() {
    std::uint64_t bits = random_() | kIntegerBit;
    if (Coin()) bits &= ~((std::uint64_t{1} << Below(64)) - 1);
    return bits | kIntegerBit;
  }

  ExtendedBits Any() {
    const bool negative = Coin();
    switch (Below(12)) {
      case 0:
        return Make(negative, 0, 0);
      case 1:
        return Make(negative, 0x7FFF, kIntegerBit);
      case 2:  // NaN, quiet or signalling, with a small or a random payload
        return Make(negative, 0x7FFF,
                    kIntegerBit | (Coin() ? std::uint64_t{1} << 62 : 0) |
                        (Coin() ? 1 + random_() % 4 : (random_() >> 2 | 1)));
      case 3:  // subnormal
        return Make(negative, 0, Significand() >> (1 + Below(63)));
      case 4:  // near the smallest normal numbers
        return Make(negative, 1 + Below(70), Significand());
      case 5:  // near the largest finite numbers
        return Make(negative, 0x7FFE - Below(70), Significand());
      case 6:  // around one, the range of the model's values and quotients
      case 7:
        return Make(negative, kBias - 70 + Below(140), Significand());
      default:
        return Make(negative, 1 + Below(0x7FFE), Significand());
    }
  }

  // An operand close to x: a few last bits changed, the exponent moved by at most one, the
  // sign maybe flipped; for sums that cancel and for comparisons of neighbours.
  ExtendedBits Near(ExtendedBits x) {
    int exponent = x.signAndExponent & 0x7FFF;
    if (exponent == 0 || exponent == 0x7FFF) return Any();
    exponent = std::clamp(exponent + Below(3) - 1, 1, 0x7FFE);
    const std::uint64_t significand = (x.significand ^ (random_() % 256)) | kIntegerBit;
    return Make(Coin(), exponent, significand);
  }

  // Addends of exactly half a last place of x, or just above or below it.
  ExtendedBits HalfPlace(ExtendedBits x) {
    const int exponent = x.signAndExponent & 0x7FFF;
    if (exponent < 70 || exponent == 0x7FFF) return Any();
    switch (Below(3)) {
      case 0:
        return Make(Coin(), exponent - 64, kIntegerBit);
      case 1:
        return Make(Coin(), exponent - 64, kIntegerBit | 1);
      default:
        return Make(Coin(), exponent - 65, ~std::uint64_t{0});
    }
  }

  // Odd whole numbers whose product has 65 or 66 bits, scaled: the product is an exact tie
  // or lies a quarter place from one.
  std::pair<ExtendedBits, ExtendedBits> TieFactors() {
    const int bitsOfA = 20 + Below(26);
    const std::uint64_t a = (random_() >> (64 - bitsOfA)) | (std::uint64_t{1} << (bitsOfA - 1)) | 1;
    const int bitsOfB = 66 - bitsOfA - Below(2);
    const std::uint64_t b = (random_() >> (64 - bitsOfB)) | (std::uint64_t{1} << (bitsOfB - 1)) | 1;
    const int shiftA = kBias + Below(400) - 200;
    const int shiftB = kBias + Below(400) - 200;
    return {Scaled(a, shiftA, Coin()), Scaled(b, shiftB, Coin())};
  }

  // A factor and a power of two that carry it into the subnormal range, where the result is
  // denormalized and rounded, often at a tie; or a number just above the smallest normal
  // and a factor just below one, whose product may round up out of the subnormal range.
  std::pair<ExtendedBits, ExtendedBits> Underflowing() {
    if (Coin()) {
      return {Make(Coin(), 1, kIntegerBit | random_() % 4),
              Make(Coin(), kBias - 1, ~(random_() % 4096))};
    }
    return {Make(Coin(), 1 + Below(80), Significand()),
            Make(Coin(), kBias - Below(70), kIntegerBit)};
  }

  // Factors whose product lies around the largest finite number.
  std::pair<ExtendedBits, ExtendedBits> Overflowing() {
    const int a = 0x4000 + Below(0x3FFE);
    return {Make(Coin(), a, Significand()),
            Make(Coin(), std::clamp(0x7FFE - a + kBias + Below(3) - 1, 1, 0x7FFE), Significand())};
  }

  // The generation's quotient (b - a) / s for a spacing that cuts the segment into about n
  // steps, with the product n s rounded to doubles: quotients just below, at and above whole
  // numbers.
  std::pair<ExtendedBits, ExtendedBits> NearWholeQuotient() {
    const double spacing =
        std::ldexp(1.0 + static_cast<double>(random_() >> 12) * 0x1p-52, Below(40) - 20);
    const double n = static_cast<double>(1 + Below(600));
    double length = n * spacing;
    const int nudge = Below(5) - 2;
    for (int i = 0; i < std::abs(nudge); ++i) {
      length = std::nextafter(length, nudge < 0 ? 0.0 : INFINITY);
    }
    const double a = std::ldexp(static_cast<double>(random_() >> 11), Below(20) - 60);
    const double b = a + length;
    const SoftExtended difference = SoftExtended(b) - SoftExtended(a);
    return {difference.Bits(), SoftExtended(spacing).Bits()};
  }

 private:
  ExtendedBits Scaled(std::uint64_t whole, int exponent, bool negative) {
    const int leadingZeros = std::countl_zero(whole);
    return Make(negative, exponent, whole << leadingZeros);
  }

  std::mt19937_64 random_;
};

std::vector<ExtendedBits> PowerOfTenEntries() {
  std::vector<ExtendedBits> entries(detail::kPowersOfTenBits.begin(),
                                    detail::kPowersOfTenBits.end());
  entries.insert(entries.end(), detail::kPowersOfTenBy32Bits.begin(),
                 detail::kPowersOfTenBy32Bits.end());
  entries.insert(entries.end(), detail::kPowersOfTenBy512Bits.begin(),
                 detail::kPowersOfTenBy512Bits.end());
  return entries;
}

TEST(ExtendedDifferentialTest, EveryOperationMatchesTheX87BitForBit) {
  Comparison comparison;
  Operands operands(0x5EED'0011);
  for (int round = 0; round < 200'000; ++round) {
    const ExtendedBits a = operands.Any();
    comparison.Pair(a, operands.Any());
    comparison.Pair(a, operands.Near(a));
    comparison.Pair(a, operands.HalfPlace(a));
    const auto [tieA, tieB] = operands.TieFactors();
    comparison.Pair(tieA, tieB);
    const auto [small, power] = operands.Underflowing();
    comparison.Pair(small, power);
    const auto [large, factor] = operands.Overflowing();
    comparison.Pair(large, factor);
    const auto [difference, spacing] = operands.NearWholeQuotient();
    comparison.Pair(difference, spacing);
    // The quotient's truncation and rounding, just below a whole number or at it.
    comparison.Single(
        (SoftExtended::FromBits(difference) / SoftExtended::FromBits(spacing)).Bits());
  }
  const std::vector<ExtendedBits> entries = PowerOfTenEntries();
  for (const ExtendedBits entry : entries) {
    for (int round = 0; round < 2000; ++round) {
      comparison.Pair(operands.Any(), entry);
      comparison.Pair(
          Make(operands.Coin(), kBias - 64 + operands.Below(128), operands.Significand()), entry);
    }
  }
  EXPECT_GE(comparison.pairs(), 1'000'000);
  EXPECT_EQ(comparison.differences(), 0);
}

TEST(ExtendedDifferentialTest, WideningAndScalingMatchTheX87BitForBit) {
  Comparison comparison;
  Operands operands(0x5EED'0012);
  for (int round = 0; round < 200'000; ++round) {
    const auto value = std::bit_cast<double>(operands.Bits());
    if (X87Extended(value).Bits() != SoftExtended(value).Bits()) {
      comparison.Report("double " + std::to_string(value));
    }
    const std::uint64_t whole = operands.Bits() >> operands.Below(64);
    if (X87Extended::FromInteger(whole).Bits() != SoftExtended::FromInteger(whole).Bits()) {
      comparison.Report("integer " + std::to_string(whole));
    }
    const ExtendedBits x = operands.Any();
    const int n = operands.Below(10'400) - 5200;
    const ExtendedBits hardware = detail::ScaleByPowerOfTen(X87Extended::FromBits(x), n).Bits();
    const ExtendedBits software = detail::ScaleByPowerOfTen(SoftExtended::FromBits(x), n).Bits();
    if (hardware != software) {
      comparison.Report("scale " + Hex(x) + " by 1e" + std::to_string(n) + ": x87 " +
                        Hex(hardware) + ", soft " + Hex(software));
    }
  }
  EXPECT_EQ(comparison.differences(), 0);
}

// A double of any sign and binary exponent from the given range, with a full significand,
// or with only a few leading bits set so that start and step share a coarse power of two.
double RandomDouble(Operands& random, int lowestExponent, int exponents) {
  std::uint64_t significand = random.Bits() >> 11 | std::uint64_t{1} << 52;
  if (random.Coin()) significand &= ~((std::uint64_t{1} << random.Below(53)) - 1);
  const double magnitude =
      std::ldexp(static_cast<double>(significand), lowestExponent + random.Below(exponents) - 52);
  return random.Coin() ? -magnitude : magnitude;
}

// The values of a segment, where the software type takes a shortcut whenever start and step
// are multiples of one power of two that keeps every sum within 63 bits.
TEST(ExtendedDifferentialTest, StepValuesMatchTheX87BitForBit) {
  Comparison comparison;
  Operands random(0x5EED'0014);
  std::vector<double> hardware(2100);
  std::vector<double> software(2100);
  const auto compare = [&](double start, double step, std::size_t count) {
    X87Extended::StepValues(start, step, count, hardware.data());
    SoftExtended::StepValues(start, step, count, software.data());
    for (std::size_t j = 0; j < count; ++j) {
      if (std::bit_cast<std::uint64_t>(hardware[j]) != std::bit_cast<std::uint64_t>(software[j])) {
        char text[160];
        std::snprintf(text, sizeof text, "start %a step %a value %zu: x87 %a, soft %a", start, step,
                      j + 1, hardware[j], software[j]);
        comparison.Report(text);
        return;
      }
    }
  };
  // 1 - 2^-53 + (2^-53 - 2^-66) lies a quarter of a last place below 1, and its rounding
  // to double-extended carries into the next power of two.
  compare(0x1.fffffffffffffp-1, 0x1.fff8p-54, 3);
  // Sums beyond the largest double become infinities, as whole numbers of 54 bits and of
  // 67 bits.
  compare(0x1.fffffffffffffp+1023, 0x1.8p+1020, 4);
  compare(-0x1.ffffffffffffp+1023, -0x1.0000000000001p+1010, 40);
  for (int round = 0; round < 4000; ++round) {
    double start = RandomDouble(random, -40, 80);
    double step = RandomDouble(random, -60, 80);
    switch (random.Below(8)) {
      case 0:  // values at the edges of the double range
        start = RandomDouble(random, random.Coin() ? 1000 : -1050, 23);
        step = RandomDouble(random, start == 0 ? 0 : std::ilogb(start) - 30, 30);
        break;
      case 1:
        start = random.Coin() ? 0.0 : -0.0;
        break;
      case 2:  // a step that crosses zero
        step = -start / (1 + random.Below(499)) * (random.Coin() ? 2 : 1.5);
        break;
      case 3:
        step = random.Coin() ? 0.0 : std::ldexp(1.0, -1074 + random.Below(60));
        break;
      default:
        break;
    }
    const auto count = static_cast<std::size_t>(random.Below(20) == 0 ? 2040 + random.Below(20)
                                                                      : 1 + random.Below(499));
    compare(start, step, count);
  }
  EXPECT_EQ(comparison.differences(), 0);
}

// The outcome of one step of the pipeline in one implementation: a value or the class of
// the error it raised.
template <class Step>
std::string Outcome(Step step) {
  try {
    return step();
  } catch (const EConvertError&) {
    return "EConvertError";
  } catch (const EOverflow&) {
    return "EOverflow";
  } catch (const EZeroDivide&) {
    return "EZeroDivide";
  } catch (const EInvalidOp&) {
    return "EInvalidOp";
  }
}

template <class E>
std::string Read(const std::u16string& text) {
  return Outcome([&text] {
    return std::to_string(std::bit_cast<std::uint64_t>(detail::ReadValueIn<E>(text, ValueMarks{})));
  });
}

template <class E>
std::string Format(double value) {
  char16_t buffer[kMaxFormattedValueLength];
  return ToUtf8(std::u16string_view(buffer, detail::FormatValueIn<E>(value, ValueMarks{}, buffer)));
}

// The generated values, each with its formatted text, and the outcome.
template <class E>
std::string Generate(const std::vector<double>& peaks, double spacing) {
  return Outcome([&] {
    std::vector<double> process;
    const GenerationOutcome outcome = detail::GenerateLoadingProcessIn<E>(peaks, spacing, process);
    std::string all = outcome.status == GenerationStatus::Completed
                          ? "completed"
                          : "limit at " + std::to_string(outcome.segment);
    for (double value : process) {
      all += ' ' + std::to_string(std::bit_cast<std::uint64_t>(value)) + '=' + Format<E>(value);
    }
    return all;
  });
}

// Number texts as users type them, and the ones at the edges of the grammar and the range.
std::u16string RandomNumberText(Operands& random) {
  std::string text;
  if (random.Below(4) == 0) text += random.Coin() ? '-' : '+';
  const int digits = random.Below(8) == 0 ? 20 + random.Below(60) : 1 + random.Below(19);
  const int point = random.Below(3) == 0 ? -1 : random.Below(digits + 1);
  for (int d = 0; d < digits; ++d) {
    if (d == point) text += '.';
    text += static_cast<char>('0' + random.Below(10));
  }
  if (point == digits) text += '.';
  switch (random.Below(6)) {
    case 0:
      text += "e" + std::to_string(random.Below(700) - 350);
      break;
    case 1:  // around the double and double-extended limits
      text += "E" + std::to_string((random.Coin() ? 4930 : 300) + random.Below(30));
      if (random.Coin()) text.insert(text.find('E') + 1, "-");
      break;
    case 2:
      text += "e" + std::to_string(random.Below(30) - 15);
      break;
    default:
      break;
  }
  if (random.Below(50) == 0) text += random.Coin() ? "x" : " 1";
  return std::u16string(text.begin(), text.end());
}

// Mostly multiples of a seventh of the scale, some read from a random text.
double RandomPeak(Operands& random, double scale) {
  if (random.Below(4) == 0) {
    try {
      return detail::ReadValueIn<X87Extended>(RandomNumberText(random), ValueMarks{});
    } catch (const Exception&) {
    }
  }
  return scale * (random.Below(2001) - 1000) / 7.0;
}

TEST(ExtendedDifferentialTest, ReadingGenerationAndFormattingMatchTheX87) {
  Comparison comparison;
  Operands random(0x5EED'0013);
  for (int round = 0; round < 20'000; ++round) {
    const std::u16string text = RandomNumberText(random);
    const std::string hardware = Read<X87Extended>(text);
    const std::string software = Read<SoftExtended>(text);
    if (hardware != software) {
      comparison.Report("read " + ToUtf8(text) + ": x87 " + hardware + ", soft " + software);
    }
    const auto value = std::bit_cast<double>(random.Bits());
    if (Format<X87Extended>(value) != Format<SoftExtended>(value)) {
      comparison.Report("format " + Format<X87Extended>(value) + " as " +
                        Format<SoftExtended>(value));
    }
  }
  for (int round = 0; round < 300; ++round) {
    // A spacing that cuts the longest segment into up to 600 steps, often exactly a whole
    // number of them; sometimes zero or negative.
    std::vector<double> peaks;
    const int count = 3 + random.Below(6);
    const double scale = std::ldexp(1.0, random.Below(60) - 30);
    while (static_cast<int>(peaks.size()) < count) peaks.push_back(RandomPeak(random, scale));
    double length = 0;
    for (std::size_t k = 0; k + 1 < peaks.size(); ++k) {
      length = std::max(length, std::fabs(peaks[k + 1] - peaks[k]));
    }
    double spacing = length / (1 + random.Below(600));
    if (random.Below(4) == 0) spacing = std::nextafter(spacing, INFINITY);
    if (random.Below(20) == 0) spacing = random.Coin() ? 0.0 : -spacing;
    const std::string hardware = Generate<X87Extended>(peaks, spacing);
    const std::string software = Generate<SoftExtended>(peaks, spacing);
    if (hardware != software) {
      comparison.Report("generation with spacing " + std::to_string(spacing) + " differs");
    }
  }
  EXPECT_EQ(comparison.differences(), 0);
}

}  // namespace
}  // namespace model

#endif
