#include "model/generation.h"

#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/errors.h"

namespace model {
namespace {

using Values = std::vector<double>;

// The values as 15 significant digits, the precision in which the worked examples are given.
std::vector<std::string> FifteenDigits(const Values& values) {
  std::vector<std::string> texts;
  for (double value : values) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    texts.emplace_back(buffer);
  }
  return texts;
}

Values Ramp(double from, double to, double step) {
  Values values;
  const int count = static_cast<int>((to - from) / step);
  for (int j = 0; j < count; ++j) values.push_back(from + j * step);
  return values;
}

Values Concat(std::initializer_list<Values> parts) {
  Values all;
  for (const Values& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

struct GenerationRow {
  const char* name;
  Values peaks;
  double spacing;
  std::vector<std::string> expected;
  GenerationOutcome outcome;
};

TEST(GenerationTest, WorkedExamples) {
  const GenerationOutcome completed{GenerationStatus::Completed, 0};
  // clang-format off
  const std::vector<std::string> seven_tenths = {
      "0", "1", "2", "1.2", "0.4", "-0.4", "-1.2", "-2",
      "-1.25", "-0.5", "0.25", "1", "1.75", "2.5", "3.25", "4"};
  const GenerationRow rows[] = {
      {"unit spacing", {0, 2, -2, 4}, 1,
       {"0", "1", "2", "1", "0", "-1", "-2", "-1", "0", "1", "2", "3", "4"}, completed},
      {"spacing 0.7", {0, 2, -2, 4}, 0.7, seven_tenths, completed},
      {"negative spacing acts as its absolute value", {0, 2, -2, 4}, -0.7, seven_tenths, completed},
      // 1 / 0.1 is 9.99999999999999944... in extended precision and truncates to 9, not 10.
      {"spacing 0.1 gives nine steps", {0, 1, 0}, 0.1,
       {"0", "0.111111111111111", "0.222222222222222", "0.333333333333333", "0.444444444444444",
        "0.555555555555556", "0.666666666666667", "0.777777777777778", "0.888888888888889", "1",
        "0.888888888888889", "0.777777777777778", "0.666666666666667", "0.555555555555556",
        "0.444444444444444", "0.333333333333333", "0.222222222222222", "0.111111111111111", "0"},
       completed},
      {"spacing 0.2", {0, 1, 0}, 0.2, {"0", "0.25", "0.5", "0.75", "1", "0.75", "0.5", "0.25", "0"},
       completed},
      {"equal peaks", {1, 1, 1}, 1, {"1", "1", "1"}, completed},
      {"segments shorter than twice the spacing", {0, 1.5, 0}, 1, {"0", "1.5", "0"}, completed},
      {"501 steps are the limit", {0, 250.5, 0}, 0.5, {"0", "0"},
       {GenerationStatus::LimitExceeded, 0}},
      // A quotient near 7e631 is beyond every integer type and still a limit failure.
      {"quotient beyond every integer", {-1.7976931348623157e308, 1.7976931348623157e308, 0},
       4.9406564584124654e-324, {"-1.79769313486232e+308", "0"},
       {GenerationStatus::LimitExceeded, 0}},
  };
  // clang-format on
  for (const GenerationRow& row : rows) {
    SCOPED_TRACE(row.name);
    Values process = {42, 43};  // a previous result, which the generation replaces
    const GenerationOutcome outcome = GenerateLoadingProcess(row.peaks, row.spacing, process);
    EXPECT_EQ(outcome, row.outcome);
    EXPECT_EQ(FifteenDigits(process), row.expected);
  }
}

// The worked examples agree to 15 digits whatever the arithmetic; these values pin the
// bits. 0.9 / 0.1 truncates to 8, the step is rounded to a double before it is used, and
// each value is rounded once, from a + j x d in double-extended: so the falling run is not
// the mirror of the rising one (it starts ...666p-1 where the rising one ends ...667p-1).
TEST(GenerationTest, RoundsOnlyTheStepAndEachStoredValueToDoubles) {
  Values process;
  EXPECT_EQ(GenerateLoadingProcess({0.1, 1, 0.1}, 0.1, process).status,
            GenerationStatus::Completed);
  // clang-format off
  const Values expected = {
      0x1.999999999999ap-4, 0x1.b333333333334p-3, 0x1.4cccccccccccdp-2, 0x1.cp-2,
      0x1.199999999999ap-1, 0x1.5333333333333p-1, 0x1.8cccccccccccdp-1, 0x1.c666666666667p-1,
      0x1p+0,               0x1.c666666666666p-1, 0x1.8cccccccccccdp-1, 0x1.5333333333333p-1,
      0x1.199999999999ap-1, 0x1.cp-2,             0x1.4ccccccccccccp-2, 0x1.b333333333332p-3,
      0x1.999999999999ap-4};
  // clang-format on
  EXPECT_EQ(process, expected);
}

TEST(GenerationTest, FiveHundredStepsAreAllowed) {
  Values process;
  EXPECT_EQ(GenerateLoadingProcess({0, 250, 0}, 0.5, process).status, GenerationStatus::Completed);
  EXPECT_EQ(process, Concat({Ramp(0, 250, 0.5), Ramp(250, 0, -0.5), {0}}));
  EXPECT_EQ(process.size(), 1001u);
}

TEST(GenerationTest, LimitInALaterSegmentKeepsTheEarlierRunsAndTheLastPeak) {
  Values process;
  const GenerationOutcome outcome = GenerateLoadingProcess({0, 100, -200, 300}, 0.5, process);
  EXPECT_EQ(outcome, (GenerationOutcome{GenerationStatus::LimitExceeded, 1}));
  EXPECT_EQ(process, Concat({Ramp(0, 100, 0.5), {100, 300}}));
  EXPECT_EQ(process.size(), 202u);
}

TEST(GenerationTest, SubnormalStepsAreNoFault) {
  Values process;
  EXPECT_EQ(GenerateLoadingProcess({0, 1e-310, 0}, 1e-311, process).status,
            GenerationStatus::Completed);
  ASSERT_EQ(process.size(), 21u);
  const double step = process[1];
  EXPECT_GT(step, 0);
  for (std::size_t j = 0; j < 10; ++j) EXPECT_EQ(process[j], static_cast<double>(j) * step);
  EXPECT_EQ(process[10], 1e-310);
  EXPECT_EQ(process[20], 0);
}

struct ZeroSpacingRow {
  const char* name;
  Values peaks;
  double spacing;
  bool invalid_operation;
};

TEST(GenerationTest, ZeroSpacingFaultsAfterTheFirstPeak) {
  const ZeroSpacingRow rows[] = {
      {"different first peaks", {1, 2, 3}, 0.0, false},
      {"negative zero", {1, 2, 3}, -0.0, false},
      {"equal first peaks", {1, 1, 3}, 0.0, true},
  };
  for (const ZeroSpacingRow& row : rows) {
    SCOPED_TRACE(row.name);
    Values process = {42};
    if (row.invalid_operation) {
      EXPECT_THROW(static_cast<void>(GenerateLoadingProcess(row.peaks, row.spacing, process)),
                   EInvalidOp);
    } else {
      EXPECT_THROW(static_cast<void>(GenerateLoadingProcess(row.peaks, row.spacing, process)),
                   EZeroDivide);
    }
    EXPECT_EQ(process, Values{row.peaks[0]});
  }
}

TEST(GenerationTest, AFaultDoesNotDisturbTheNextGeneration) {
  Values before;
  const GenerationOutcome outcome = GenerateLoadingProcess({0, 1, 0}, 0.1, before);
  Values process;
  EXPECT_THROW(static_cast<void>(GenerateLoadingProcess({0, 1, 0}, 0, process)), EZeroDivide);
  EXPECT_EQ(GenerateLoadingProcess({0, 1, 0}, 0.1, process), outcome);
  EXPECT_EQ(process, before);
}

struct StorageRow {
  const char* name;
  Values peaks;
  double spacing;
  Values expected;
  // The outcome, or nothing for a fault.
  std::optional<GenerationOutcome> outcome;
};

// The generation counts its values before it stores any: storage that is too small ends
// up exactly as long as the result, however the generation ends.
TEST(GenerationTest, StorageThatMustGrowHoldsExactlyTheResult) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // clang-format off
  const StorageRow rows[] = {
      {"completed", {0, 250, 0}, 0.5, Concat({Ramp(0, 250, 0.5), Ramp(250, 0, -0.5), {0}}),
       GenerationOutcome{GenerationStatus::Completed, 0}},
      {"limit in a later segment", {0, 100, -200, 300}, 0.5,
       Concat({Ramp(0, 100, 0.5), {100, 300}}),
       GenerationOutcome{GenerationStatus::LimitExceeded, 1}},
      {"zero spacing", {1, 2, 3}, 0, {1}, std::nullopt},
      // A peak that is not a number stops the walk in a later segment, after the earlier runs.
      {"fault in a later segment", {0, 2, nan, 3}, 1, {0, 1, 2}, std::nullopt},
  };
  // clang-format on
  for (const StorageRow& row : rows) {
    SCOPED_TRACE(row.name);
    for (const Values& previous : {Values{}, Values{42}}) {
      Values process = previous;
      process.shrink_to_fit();
      std::optional<GenerationOutcome> outcome;
      try {
        outcome = GenerateLoadingProcess(row.peaks, row.spacing, process);
      } catch (const EMathError&) {
      }
      EXPECT_EQ(outcome, row.outcome);
      EXPECT_EQ(process, row.expected);
      EXPECT_EQ(process.capacity(), process.size());
    }
  }
}

// A repeated generation writes into the storage of the one before and touches no fresh
// memory.
TEST(GenerationTest, KeepsStorageThatCanHoldTheResult) {
  Values process;
  ASSERT_EQ(GenerateLoadingProcess({0, 250, 0}, 0.5, process).status, GenerationStatus::Completed);
  const double* storage = process.data();
  EXPECT_EQ(GenerateLoadingProcess({0, 1, 0}, 0.2, process).status, GenerationStatus::Completed);
  EXPECT_EQ(process.data(), storage);
  EXPECT_EQ(process.capacity(), 1001u);
  EXPECT_EQ(FifteenDigits(process), (std::vector<std::string>{"0", "0.25", "0.5", "0.75", "1",
                                                              "0.75", "0.5", "0.25", "0"}));
}

}  // namespace
}  // namespace model
