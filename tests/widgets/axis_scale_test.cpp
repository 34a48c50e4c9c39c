#include "widgets/axis_scale.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace widgets {
namespace {

constexpr double kLargest = std::numeric_limits<double>::max();

bool SameFifteenDigits(double a, double b) {
  char first[32];
  char second[32];
  std::snprintf(first, sizeof first, "%.15g", a);
  std::snprintf(second, sizeof second, "%.15g", b);
  return std::string_view(first) == std::string_view(second);
}

TEST(AxisMappingTest, MapsTheEndsAndInvertsOnVerticalAxes) {
  const AxisMapping horizontal({-5, 5}, 10, 110);
  EXPECT_EQ(horizontal.Position(-5), 10);
  EXPECT_EQ(horizontal.Position(0), 60);
  EXPECT_EQ(horizontal.Position(5), 110);
  EXPECT_EQ(horizontal.Value(85), 2.5);

  const AxisMapping vertical({0, 40}, 200, 0);
  EXPECT_EQ(vertical.Position(0), 200);
  EXPECT_EQ(vertical.Position(40), 0);
  EXPECT_EQ(vertical.Value(150), 10);
}

TEST(AxisMappingTest, PutsEveryValueOfAZeroWidthRangeAtTheMiddle) {
  const AxisMapping mapping({3, 3}, 10, 111);
  EXPECT_EQ(mapping.Position(3), 60.5);
  EXPECT_EQ(mapping.Position(-1e9), 60.5);
}

TEST(AxisMappingTest, CopesWithARangeWiderThanTheLargestDouble) {
  const AxisMapping mapping({-kLargest, kLargest}, 0, 100);
  EXPECT_DOUBLE_EQ(mapping.Position(-kLargest), 0);
  EXPECT_DOUBLE_EQ(mapping.Position(0), 50);
  EXPECT_DOUBLE_EQ(mapping.Position(kLargest), 100);
  EXPECT_EQ(mapping.Value(0), -kLargest);
  EXPECT_DOUBLE_EQ(mapping.Value(75), kLargest / 2);
  EXPECT_EQ(mapping.Value(100), kLargest);
}

TEST(WidenForMarkersTest, MapsTheDataOntoTheShrunkAxis) {
  // 9 values over 100 - 2 * 4 pixels: 4 pixels are 9 * 4 / 92 values.
  const AxisRange widened = WidenForMarkers({0, 9}, 100, 4);
  EXPECT_DOUBLE_EQ(widened.minimum, -9.0 * 4 / 92);
  EXPECT_DOUBLE_EQ(widened.maximum, 9 + 9.0 * 4 / 92);
  const AxisMapping mapping(widened, 0, 100);
  EXPECT_NEAR(mapping.Position(0), 4, 1e-9);
  EXPECT_NEAR(mapping.Position(9), 96, 1e-9);
}

TEST(WidenForMarkersTest, KeepsRangesThatCannotBeWidened) {
  EXPECT_EQ(WidenForMarkers({2, 2}, 100, 4), (AxisRange{2, 2}));
  EXPECT_EQ(WidenForMarkers({0, 9}, 8, 4), (AxisRange{0, 9}));
  EXPECT_EQ(WidenForMarkers({0, 9}, 100, 0), (AxisRange{0, 9}));
  EXPECT_EQ(WidenForMarkers({-kLargest, kLargest}, 100, 4), (AxisRange{-kLargest, kLargest}));
}

TEST(LabelsThatFitTest, DividesTheLengthByLabelAndSeparation) {
  struct Row {
    int axisLength;
    int labelSize;
    int expected;
  };
  // clang-format off
  const Row rows[] = {
      {252, 13, 18},  // 252 / (13 + 1)
      {100, 20, 5},   // 100 / (20 + 2) = 4.55
      {99, 20, 4},    // 99 / 22 = 4.5, the tie goes to the even number
      {121, 20, 6},   // 121 / 22 = 5.5, the tie goes to the even number
      {10, 20, 0},
      {0, 20, 1},
      {100, 0, 1},
      {-5, 10, 1},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.axisLength << " / " << row.labelSize);
    EXPECT_EQ(LabelsThatFit(row.axisLength, row.labelSize), row.expected);
  }
}

TEST(LabelStepTest, FollowsTheExamples) {
  // Ten positions 0 ... 9 widened by the marker margins, room for 18 labels: 0.48 is
  // raised to 1, so positions are never labelled in fractions.
  const AxisRange tenPoints = WidenForMarkers({0, 9}, 400, 4);
  EXPECT_NEAR((tenPoints.maximum - tenPoints.minimum) / 19, 0.48, 0.01);
  EXPECT_EQ(LabelStep(tenPoints.maximum - tenPoints.minimum, 18, 10), 1);
  // 40 / 10 = 4 gives 10 labels, too many for 9; 5 gives 8.
  EXPECT_EQ(LabelStep(40, 9, std::nullopt), 5);
  // 0.37 / 6 = 0.0617 moves up to 0.1.
  EXPECT_EQ(LabelStep(0.37, 5, std::nullopt), 0.1);
}

TEST(LabelStepTest, CoversTheEdges) {
  struct Row {
    const char* name;
    double rangeWidth;
    int labelsThatFit;
    std::optional<std::size_t> points;
    double expected;
  };
  const Row rows[] = {
      {"a range of width zero starts at 1", 0, 5, std::nullopt, 1},
      {"no room for a label", 100, 0, std::nullopt, kMinimumLabelStep},
      {"fractions allowed without a point count", 9, 18, std::nullopt, 0.5},
      {"more points than labels", 9, 18, 19, 0.5},
      {"a narrow range keeps its fractions", 1, 18, 2, 0.1},
      // 5 / 2 = 2.5 labels round to 2, which fits.
      {"a tie in the label count goes to the even number", 5, 2, std::nullopt, 2},
      {"a tiny range stays above the floor", 1e-15, 5, std::nullopt, kMinimumLabelStep},
      {"a subnormal range", 5e-324, 5, std::nullopt, kMinimumLabelStep},
      {"large ranges climb by decades", 123456, 6, std::nullopt, 20000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_DOUBLE_EQ(LabelStep(row.rangeWidth, row.labelsThatFit, row.points), row.expected);
  }
}

TEST(LabelStepTest, ReplacesAnInfiniteStepByTheRangeWidth) {
  EXPECT_EQ(LabelStep(kLargest, 1, std::nullopt), kLargest);
  EXPECT_EQ(LabelStep(std::numeric_limits<double>::infinity(), 3, std::nullopt),
            std::numeric_limits<double>::infinity());
}

TEST(NextLabelStepTest, RunsThroughOneTwoFive) {
  const double steps[] = {0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5,
                          1,     2,     5,     10,   20,   50,   100, 200, 500};
  for (std::size_t i = 0; i + 1 < std::size(steps); ++i) {
    SCOPED_TRACE(steps[i]);
    EXPECT_DOUBLE_EQ(NextLabelStep(steps[i]), steps[i + 1]);
  }
  EXPECT_EQ(NextLabelStep(0.0617), 0.1);
  EXPECT_EQ(NextLabelStep(4), 5);
  EXPECT_EQ(NextLabelStep(7.5), 10);
  EXPECT_EQ(NextLabelStep(31), 50);
}

TEST(MiddleLabelValueTest, HalvesWholeNumbersUntilTheyHaveDecimals) {
  EXPECT_EQ(MiddleLabelValue({0, 9}), 4.5);
  EXPECT_EQ(MiddleLabelValue({0, 16}), 0.5);
  EXPECT_EQ(MiddleLabelValue({-3, 3}), 0);
  EXPECT_EQ(MiddleLabelValue({0, 3000}), 187.5);
  // The largest double is whole; halving ends once it has fraction digits.
  const double middle = MiddleLabelValue({kLargest, kLargest});
  EXPECT_GT(middle, 0);
  EXPECT_NE(middle, std::trunc(middle));
}

TEST(LabelValuesTest, StepsDownFromTheLargestMultipleBelowTheMaximum) {
  struct Row {
    const char* name;
    AxisRange range;
    double step;
    std::vector<double> expected;
  };
  // clang-format off
  const Row rows[] = {
      {"labels from the top down", {-3, 27}, 5, {25, 20, 15, 10, 5, 0}},
      {"a negative minimum is itself the bound", {-10, 10}, 5, {10, 5, 0, -5, -10}},
      {"a minimum of 0 keeps its label", {0, 1}, 0.25, {1, 0.75, 0.5, 0.25, 0}},
      // The ends read the same: the single label is the maximum itself.
      {"a range of width zero", {0, 0}, 1, {0}},
      {"one peak", {5.3, 5.3}, 1, {5.3}},
      {"ends equal within a double's resolution", {1, 1 + 2.220446049250313e-16}, 1e-12,
       {1 + 2.220446049250313e-16}},
      // Neighbouring labels would read the same.
      {"a step below the fifteenth digit", {1e20, 1e20 + 65536}, 8192, {1e20 + 65536}},
      {"10,000 labels or more", {0, 10000}, 1, {}},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(LabelValues(row.range, row.step, SameFifteenDigits), row.expected);
  }
}

// A minimum of zero or more lets the labels reach a hair below it, so that a label at 0 is
// not lost to rounding in the widened range.
TEST(LabelValuesTest, ReachesATinyBitBelowANonNegativeMinimum) {
  EXPECT_EQ(LabelValues({1e-13, 1}, 0.5, SameFifteenDigits), (std::vector<double>{1, 0.5, 0}));
  EXPECT_EQ(LabelValues({1e-11, 1}, 0.5, SameFifteenDigits), (std::vector<double>{1, 0.5}));
}

}  // namespace
}  // namespace widgets
