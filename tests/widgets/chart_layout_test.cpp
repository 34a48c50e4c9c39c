#include "widgets/chart_layout.h"

#include <cmath>
#include <vector>

#include <QString>
#include <gtest/gtest.h>

#include "widgets/number_pattern.h"

namespace widgets {
namespace {

// A label font of whole measures, so that the expected pixels can be worked out by hand:
// lines 10 pixels high, every character 5 pixels wide.
constexpr int kLineHeight = 10;
constexpr int kCharacterWidth = 5;

// An empty chart of the given size with the label texts of a chart.
ChartLayoutInput Input(QSize size) {
  ChartLayoutInput input;
  input.size = size;
  input.lineHeight = kLineHeight;
  input.textWidth = [](const QString& text) {
    return kCharacterWidth * static_cast<int>(text.size());
  };
  input.labelText = [](double value) { return FormatGroupedDecimal(value, u'.', u','); };
  input.sameLabelText = [](double a, double b) {
    return QString::number(a, 'g', 15) == QString::number(b, 'g', 15);
  };
  return input;
}

ChartLayoutInput WithFixedLeftAxis(ChartLayoutInput input, AxisRange range) {
  input.left = {false, range};
  return input;
}

// Ten positions 0 to 9 whose values run from -1 to 1.
ChartLayoutInput WithTenPoints(ChartLayoutInput input) {
  input.pointCount = 10;
  input.xExtent = {0, 9};
  input.yExtent = {-1, 1};
  return input;
}

std::vector<double> ValuesOf(const std::vector<AxisLabel>& labels) {
  std::vector<double> values;
  values.reserve(labels.size());
  for (const AxisLabel& label : labels) values.push_back(label.value);
  return values;
}

// The frame lies the margins (3 % of the width, 4 % of the height, rounded with ties to
// even) in from the edges, and besides that leaves room at the left for the widest left
// label and at the bottom for a line of labels, each with a gap of 2, ticks of 4 and the
// axis line of 2 pixels. An empty chart is labelled "0", 5 pixels wide.
TEST(ChartLayoutTest, PlacesTheFrameInsideTheMarginsLabelsAndTicks) {
  struct Row {
    const char* name;
    ChartLayoutInput input;
    QRect frame;
  };
  // clang-format off
  const Row rows[] = {
      // Margins 12 and 10: left 12 + 5 + 2 + 4 + 2 - 1, bottom 260 - 10 - 10 - 2 - 4 - 2.
      {"400 x 260", Input({400, 260}), QRect(QPoint(24, 10), QPoint(387, 232))},
      {"300 x 200", Input({300, 200}), QRect(QPoint(21, 8), QPoint(290, 174))},
      // A margin of 4.5 pixels is a tie, going to the even 4.
      {"150 x 100", Input({150, 100}), QRect(QPoint(16, 4), QPoint(145, 78))},
      // "1,000,000" is 45 pixels wide.
      {"labels up to a million", WithFixedLeftAxis(Input({400, 260}), {0, 1e6}),
       QRect(QPoint(64, 10), QPoint(387, 232))},
      // Labels of 400 characters are cut to half the width, 200 pixels.
      {"labels up to 1e300", WithFixedLeftAxis(Input({400, 260}), {0, 1e300}),
       QRect(QPoint(219, 10), QPoint(387, 232))},
      // The smallest plot areas: the frame lines 4 pixels apart.
      {"19 x 100", Input({19, 100}), QRect(QPoint(13, 4), QPoint(17, 78))},
      {"100 x 24", Input({100, 24}), QRect(QPoint(15, 1), QPoint(96, 5))},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const ChartLayout layout = ComputeChartLayout(row.input);
    EXPECT_EQ(layout.frame, row.frame);
    EXPECT_EQ(layout.plot.clip, row.frame.adjusted(1, 1, -1, -1));
    // The axes run over the pixels inside the frame, the left one from the bottom up.
    EXPECT_EQ(layout.plot.x.Start(), row.frame.left() + 1);
    EXPECT_EQ(layout.plot.x.End(), row.frame.right() - 1);
    EXPECT_EQ(layout.plot.y.Start(), row.frame.bottom() - 1);
    EXPECT_EQ(layout.plot.y.End(), row.frame.top() + 1);
    // The labels keep the gap, the ticks and the axis line from the frame.
    EXPECT_EQ(layout.leftLabelsRight, row.frame.left() - 7);
    EXPECT_EQ(layout.bottomLabelsTop, row.frame.bottom() + 8);
  }
}

TEST(ChartLayoutTest, LaysOutNothingWithoutRoomForThePlotArea) {
  struct Row {
    const char* name;
    QSize size;
  };
  const Row rows[] = {
      {"18 x 100: the frame lines 3 pixels apart across", {18, 100}},
      {"100 x 23: the frame lines 3 pixels apart down", {100, 23}},
      {"1 x 1", {1, 1}},
      {"0 x 0", {0, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const ChartLayout layout = ComputeChartLayout(WithTenPoints(Input(row.size)));
    EXPECT_TRUE(layout.frame.isNull());
    EXPECT_TRUE(layout.plot.clip.isNull());
    EXPECT_EQ(layout.plot.x.Range(), AxisRange{});
    EXPECT_EQ(layout.plot.y.Range(), AxisRange{});
    EXPECT_TRUE(layout.bottomLabels.empty());
    EXPECT_TRUE(layout.leftLabels.empty());
    EXPECT_TRUE(layout.bottomMinorTicks.empty());
    EXPECT_TRUE(layout.leftMinorTicks.empty());
  }
}

// Markers of size s reach s pixels from their points: an automatic axis maps the points'
// extent onto its length less that reach at both ends, one pixel more on the bottom axis.
TEST(ChartLayoutTest, AutomaticAxesLeaveRoomForTheMarkers) {
  struct Row {
    const char* name;
    bool markersVisible;
    int markerSize;
    int bottomMargin;
    int leftMargin;
  };
  const Row rows[] = {
      {"hidden markers", false, 3, 0, 0},
      {"markers of size 3", true, 3, 4, 3},
      {"markers of size 2", true, 2, 3, 2},
      // The outline alone is still one pixel away from the bottom axis's ends.
      {"markers of size 0", true, 0, 1, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ChartLayoutInput input = WithTenPoints(Input({400, 260}));
    input.markersVisible = row.markersVisible;
    input.markerSize = row.markerSize;
    const ChartLayout layout = ComputeChartLayout(input);
    const AxisMapping& x = layout.plot.x;
    const AxisMapping& y = layout.plot.y;
    EXPECT_NEAR(x.Position(0), x.Start() + row.bottomMargin, 1e-9);
    EXPECT_NEAR(x.Position(9), x.End() - row.bottomMargin, 1e-9);
    EXPECT_NEAR(y.Position(-1), y.Start() - row.leftMargin, 1e-9);
    EXPECT_NEAR(y.Position(1), y.End() + row.leftMargin, 1e-9);
  }
}

TEST(ChartLayoutTest, FixedAxesKeepTheirRangesWhateverThePoints) {
  ChartLayoutInput input = WithTenPoints(Input({400, 260}));
  input.markersVisible = true;
  input.markerSize = 3;
  input.bottom = {false, {2.5, 4}};
  input.left = {false, {-30, 70}};
  const ChartLayout layout = ComputeChartLayout(input);
  EXPECT_EQ(layout.plot.x.Range(), (AxisRange{2.5, 4}));
  EXPECT_EQ(layout.plot.y.Range(), (AxisRange{-30, 70}));
}

TEST(ChartLayoutTest, EmptyChartHasTheRangeZeroToZero) {
  ChartLayoutInput input = Input({400, 260});
  // Without points the extents do not count.
  input.xExtent = {5, 6};
  input.yExtent = {5, 6};
  input.markersVisible = true;
  input.markerSize = 3;
  const ChartLayout layout = ComputeChartLayout(input);
  EXPECT_EQ(layout.plot.x.Range(), AxisRange{});
  EXPECT_EQ(layout.plot.y.Range(), AxisRange{});
  ASSERT_EQ(layout.leftLabels.size(), 1u);
  EXPECT_EQ(layout.leftLabels[0].text, QStringLiteral("0"));
  ASSERT_EQ(layout.bottomLabels.size(), 1u);
  EXPECT_EQ(layout.bottomLabels[0].text, QStringLiteral("0"));
}

// At 130 pixels the left axis runs from row 106 up to row 6, with room for 9 labels of
// 10 + 1 pixels: a range of 40 is labelled every 5, 2.5 pixels a value.
TEST(ChartLayoutTest, LabelsTheLeftAxisFromTheTopDownAtTheirRows) {
  const ChartLayout layout = ComputeChartLayout(WithFixedLeftAxis(Input({400, 130}), {0, 40}));
  struct Row {
    double value;
    int pixel;
    const char* text;
  };
  // Rows ending in .5 are ties, going to the even row.
  const Row rows[] = {{40, 6, "40"},  {35, 18, "35"}, {30, 31, "30"},
                      {25, 44, "25"}, {20, 56, "20"}, {15, 68, "15"},
                      {10, 81, "10"}, {5, 94, "5"},   {0, 106, "0"}};
  ASSERT_EQ(layout.leftLabels.size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(rows[i].value);
    EXPECT_EQ(layout.leftLabels[i], (AxisLabel{rows[i].value, rows[i].pixel, rows[i].text}));
  }
  // The widest label, "40", ends at the left margin of 12 pixels plus its 10.
  EXPECT_EQ(layout.leftLabelsRight, 22);
}

// Positions are never labelled in fractions while there are fewer points than labels fit.
TEST(ChartLayoutTest, LabelsTheBottomAxisAtTheColumnsOfThePositions) {
  const ChartLayout layout = ComputeChartLayout(WithTenPoints(Input({400, 130})));
  const AxisMapping& x = layout.plot.x;
  ASSERT_EQ(ValuesOf(layout.bottomLabels), (std::vector<double>{9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
  for (const AxisLabel& label : layout.bottomLabels) {
    SCOPED_TRACE(label.value);
    EXPECT_EQ(label.text, QString::number(label.value));
    EXPECT_EQ(label.pixel, std::lround(x.Start() + label.value * (x.End() - x.Start()) / 9));
  }
}

// Large values with a small spread put the lowest label value, within the tolerance of the
// lower bound, below the axis minimum and whole pixels beside the axis: that label is left out.
TEST(ChartLayoutTest, KeepsOnlyLabelsOnTheAxis) {
  ChartLayoutInput input = Input({512, 176});
  input.pointCount = 3;
  input.xExtent = {1e15, 1e15 + 1000};
  input.yExtent = {1e15, 1e15 + 1000};
  input.markersVisible = true;
  input.markerSize = 3;
  const ChartLayout layout = ComputeChartLayout(input);
  ASSERT_FALSE(layout.leftLabels.empty());
  ASSERT_FALSE(layout.bottomLabels.empty());
  EXPECT_EQ(layout.bottomLabels.back().text, QStringLiteral("1,000,000,000,000,000"));
  for (const AxisLabel& label : layout.leftLabels) {
    SCOPED_TRACE(label.value);
    EXPECT_GE(label.value, layout.plot.y.Range().minimum);
    EXPECT_LE(label.pixel, layout.plot.y.Start());
    EXPECT_GE(label.pixel, layout.plot.y.End());
  }
  for (const AxisLabel& label : layout.bottomLabels) {
    SCOPED_TRACE(label.value);
    EXPECT_GE(label.pixel, layout.plot.x.Start());
    EXPECT_LE(label.pixel, layout.plot.x.End());
  }
}

// Three minor ticks between neighbouring labels, and as many beyond the outer labels as
// fit before the ends of the axis.
TEST(ChartLayoutTest, PutsMinorTicksBetweenAndBeyondTheLabels) {
  struct Row {
    const char* name;
    AxisRange range;
    std::size_t labels;
    std::size_t minorTicks;
  };
  const Row rows[] = {
      {"labels at both ends", {0, 40}, 9, std::size_t{8} * 3},
      // Labels 35 down to 5, and three ticks beyond each of them.
      {"labels inside the ends", {1, 39}, 7, 3 + 6 * 3 + 3},
      // Only 1.25 beyond the outer labels: one tick above 35 and one below 5.
      {"ends a tick beyond the labels", {3.75, 36.25}, 7, 1 + 6 * 3 + 1},
      {"a single label", {7, 7}, 1, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const ChartLayout layout = ComputeChartLayout(WithFixedLeftAxis(Input({400, 130}), row.range));
    EXPECT_EQ(layout.leftLabels.size(), row.labels);
    EXPECT_EQ(layout.leftMinorTicks.size(), row.minorTicks);
    for (const int tick : layout.leftMinorTicks) {
      EXPECT_LE(tick, layout.plot.y.Start());
      EXPECT_GE(tick, layout.plot.y.End());
    }
  }
  // Between 40 and 35, 2.5 pixels a value: rows 9.125, 12.25 and 15.375.
  const ChartLayout layout = ComputeChartLayout(WithFixedLeftAxis(Input({400, 130}), {0, 40}));
  ASSERT_GE(layout.leftMinorTicks.size(), 3u);
  EXPECT_EQ(std::vector<int>(layout.leftMinorTicks.begin(), layout.leftMinorTicks.begin() + 3),
            (std::vector<int>{9, 12, 15}));
}

}  // namespace
}  // namespace widgets
