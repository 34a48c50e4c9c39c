// Generates the loading process from arbitrary small lists of finite peaks and arbitrary
// finite spacings, as the generate command does. GenerateLoadingProcess may only return an
// outcome, or raise EZeroDivide or EInvalidOp for a zero spacing; anything else it throws
// escapes and aborts. The process and the outcome must be those of the generation's rule
// walked segment by segment, whose inner values lie between their segment's peaks, and the
// same in both double-extended implementations; where a segment exceeds the limit, the
// advised spacing must be the smallest of 15 digits that lets the generation complete.
//
// Input: the spacing (eight bytes), then the peaks (eight bytes each; at most kMostPeaks).

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/errors.h"
#include "model/extended.h"
#include "model/generation.h"
#include "model/generation_internal.h"
#include "model/spacing_advice.h"
#include "model/unicode.h"
#include "model/value_text.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/model/bits_test_support.h"

namespace model::fuzz {
namespace {

// At most 500 values for each segment: the process stays far below the fuzzer's memory
// limit, and a run checks thousands of inputs a second.
constexpr std::size_t kMostPeaks = 40;

// How a generation ended, and the bits of the process it left.
struct Generation {
  enum class End { Completed, LimitExceeded, ZeroDivide, InvalidOp } end;
  std::size_t segment = 0;
  std::vector<std::uint64_t> process;

  friend bool operator==(const Generation&, const Generation&) = default;
};

template <class E>
Generation GenerateIn(const std::vector<double>& peaks, double spacing) {
  // A process left by an earlier generation, which this one must replace.
  std::vector<double> process(3, -1.0);
  Generation generation{Generation::End::Completed, 0, {}};
  try {
    const GenerationOutcome outcome = detail::GenerateLoadingProcessIn<E>(peaks, spacing, process);
    if (outcome.status == GenerationStatus::LimitExceeded) {
      generation.end = Generation::End::LimitExceeded;
      generation.segment = outcome.segment;
    }
  } catch (const EZeroDivide&) {
    generation.end = Generation::End::ZeroDivide;
  } catch (const EInvalidOp&) {
    generation.end = Generation::End::InvalidOp;
  }
  for (const double value : process) generation.process.push_back(Bits(value));
  return generation;
}

// The rule, segment by segment: n = |trunc((b - a) / |s|)| steps in double-extended, the
// n - 1 inner values a + j d with d = (b - a) / n rounded to a double, a stop at the first
// segment of more than kMaxSubdivisions steps, and the last peak at the end. Every inner
// value must lie between its segment's peaks, as the rule promises.
Generation Walk(const std::vector<double>& peaks, double spacing) {
  const Extended s = Extended(spacing).Abs();
  Generation walk{Generation::End::Completed, 0, {}};
  for (std::size_t k = 0; k + 1 < peaks.size(); ++k) {
    const double a = peaks[k];
    walk.process.push_back(Bits(a));
    const Extended difference = Extended(peaks[k + 1]) - Extended(a);
    if (s.IsZero()) {
      walk.end = difference.IsZero() ? Generation::End::InvalidOp : Generation::End::ZeroDivide;
      return walk;
    }
    const Extended quotient = (difference / s).Abs();
    if (quotient >= Extended::FromInteger(kMaxSubdivisions + 1)) {
      walk.end = Generation::End::LimitExceeded;
      walk.segment = k;
      break;
    }
    const std::uint64_t n = quotient.Truncate().ToUInt64();
    if (n < 2) continue;
    const double step = (difference / Extended::FromInteger(n)).ToDouble();
    const double b = peaks[k + 1];
    for (std::uint64_t j = 1; j < n; ++j) {
      const double value = (Extended(a) + Extended::FromInteger(j) * Extended(step)).ToDouble();
      Require(std::fmin(a, b) <= value && value <= std::fmax(a, b),
              "an inner value lies outside its segment " + std::to_string(k));
      walk.process.push_back(Bits(value));
    }
  }
  walk.process.push_back(Bits(peaks.back()));
  return walk;
}

// The 15-digit number one unit of the fifteenth digit below the positive number that text,
// written by FormatValue, spells: "0.5" gives "499999999999999E-15".
std::u16string NextTextBelow(const std::u16string& text) {
  constexpr std::uint64_t kFifteenDigits = 100'000'000'000'000;
  const std::string ascii = ToUtf8(text);
  const std::size_t mark = ascii.find('E');
  std::string digits = ascii.substr(0, mark);
  int exponent = mark == ascii.npos ? 0 : std::stoi(ascii.substr(mark + 1));
  if (const std::size_t point = digits.find('.'); point != digits.npos) {
    exponent -= static_cast<int>(digits.size() - point - 1);
    digits.erase(point, 1);
  }
  std::uint64_t significand = std::stoull(digits);
  for (; significand < kFifteenDigits; significand *= 10) --exponent;
  if (--significand < kFifteenDigits) {
    significand = 10 * significand + 9;
    --exponent;
  }
  const std::string below = std::to_string(significand) + "E" + std::to_string(exponent);
  return {below.begin(), below.end()};
}

void CheckGeneration(const std::vector<double>& peaks, double spacing) {
  const std::string context = " (" + std::to_string(peaks.size()) + " peaks, spacing bits " +
                              std::to_string(Bits(spacing)) + ")";
  const Generation generation = GenerateIn<Extended>(peaks, spacing);
  Require(generation == Walk(peaks, spacing),
          "the generation differs from the rule walked segment by segment" + context);
#ifdef LOADGEN_HAS_X87_EXTENDED
  Require(GenerateIn<SoftExtended>(peaks, spacing) == GenerateIn<X87Extended>(peaks, spacing),
          "the two double-extended implementations generate differently" + context);
#endif

  if (generation.end != Generation::End::LimitExceeded) return;
  const std::u16string advice = PassingSpacingText(peaks, ValueMarks{});
  const double advised = ReadValue(advice);
  Require(GenerateIn<Extended>(peaks, advised).end == Generation::End::Completed,
          "the advised spacing does not complete the generation" + context);
  // The smallest such spacing, from the smallest normal double up.
  if (advised < DBL_MIN) return;
  const double below = ReadValue(NextTextBelow(advice));
  Require(GenerateIn<Extended>(peaks, below).end == Generation::End::LimitExceeded,
          "a smaller spacing of 15 digits than the advised one completes the generation" + context);
}

}  // namespace
}  // namespace model::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace model::fuzz;
  FuzzInput input(data, size);
  const double spacing = input.TakeDouble();
  std::vector<double> peaks;
  while (input.Left() > 0 && peaks.size() < kMostPeaks) peaks.push_back(input.TakeDouble());
  // The command generates from three peaks up, and the model holds finite values only.
  if (peaks.size() < 3 || !std::isfinite(spacing)) return -1;
  for (const double peak : peaks) {
    if (!std::isfinite(peak)) return -1;
  }
  CheckGeneration(peaks, spacing);
  return 0;
}
