#include "widgets/chart_layout.h"

#include <algorithm>
#include <optional>

#include "widgets/rounding.h"

namespace widgets {
namespace {

constexpr int kMarginPercentX = 3;
constexpr int kMarginPercentY = 4;
constexpr int kLabelGap = 2;
constexpr int kMinorTicksBetweenLabels = 3;
// A plot area needs a few pixels inside its frame to show anything.
constexpr int kMinimumPlotExtent = 4;

int PercentOf(int length, int percent) { return RoundQuotientToEven(length * percent, 100); }

int PixelOn(const AxisMapping& mapping, double value) {
  return static_cast<int>(detail::PixelOf(mapping.Position(value)));
}

AxisRange AxisRangeFor(const AxisScaling& scaling, AxisRange extent, bool markersVisible,
                       int axisLength, int markerMargin) {
  if (!scaling.automatic) return scaling.range;
  if (!markersVisible) return extent;
  return WidenForMarkers(extent, axisLength, markerMargin);
}

// The lowest label value may lie a little below the axis minimum, which for large values
// with a small spread is whole pixels beside the axis; only labels whose pixel lies on the
// axis are kept.
std::vector<AxisLabel> LabelsOnAxis(const AxisMapping& mapping, double step,
                                    const ChartLayoutInput& input) {
  const int first = std::min(mapping.Start(), mapping.End());
  const int last = std::max(mapping.Start(), mapping.End());
  std::vector<AxisLabel> labels;
  for (const double value : LabelValues(mapping.Range(), step, input.sameLabelText)) {
    const double pixel = detail::PixelOf(mapping.Position(value));
    if (pixel >= first && pixel <= last)
      labels.push_back({value, static_cast<int>(pixel), input.labelText(value)});
  }
  return labels;
}

std::vector<int> MinorTicks(const AxisMapping& mapping, double step,
                            const std::vector<AxisLabel>& labels) {
  std::vector<int> ticks;
  const AxisRange range = mapping.Range();
  if (labels.size() < 2 || !(range.maximum > range.minimum)) return ticks;
  const double minorStep = step / (kMinorTicksBetweenLabels + 1);
  const auto addBeside = [&](double label, int direction) {
    for (int k = 1; k <= kMinorTicksBetweenLabels; ++k) {
      const double value = label + direction * k * minorStep;
      if (value >= range.minimum && value <= range.maximum)
        ticks.push_back(PixelOn(mapping, value));
    }
  };
  addBeside(labels.front().value, +1);
  for (const AxisLabel& label : labels) addBeside(label.value, -1);
  return ticks;
}

}  // namespace

ChartLayout ComputeChartLayout(const ChartLayoutInput& input) {
  const int width = input.size.width();
  const int height = input.size.height();
  const int marginX = PercentOf(width, kMarginPercentX);
  const int marginY = PercentOf(height, kMarginPercentY);
  const int top = marginY;
  const int bottom = height - marginY - input.lineHeight - kLabelGap -
                     ChartLayout::kMajorTickLength - ChartLayout::kAxisLineWidth;
  if (bottom - top < kMinimumPlotExtent) return {};

  const bool empty = input.pointCount == 0;
  const int markerReach = input.markerSize + detail::kMarkerOutlineWidth / 2;
  ChartLayout layout;

  // The left axis first: its labels decide where the plot area begins.
  const int leftStart = bottom - 1;
  const int leftEnd = top + 1;
  const AxisRange leftRange = AxisRangeFor(input.left, empty ? AxisRange{} : input.yExtent,
                                           input.markersVisible, leftStart - leftEnd, markerReach);
  layout.plot.y = AxisMapping(leftRange, leftStart, leftEnd);
  const double leftStep =
      LabelStep(leftRange.maximum - leftRange.minimum,
                LabelsThatFit(leftStart - leftEnd, input.lineHeight), std::nullopt);
  layout.leftLabels = LabelsOnAxis(layout.plot.y, leftStep, input);
  int leftLabelWidth = 0;
  for (const AxisLabel& label : layout.leftLabels)
    leftLabelWidth = std::max(leftLabelWidth, input.textWidth(label.text));
  // Labels of huge values would leave no room for the plot; they are cut at the left instead.
  leftLabelWidth = std::min(leftLabelWidth, width / 2);
  const int left = marginX + leftLabelWidth + kLabelGap + ChartLayout::kMajorTickLength +
                   ChartLayout::kAxisLineWidth - 1;
  const int right = width - 1 - marginX;
  if (right - left < kMinimumPlotExtent) return {};

  const int bottomStart = left + 1;
  const int bottomEnd = right - 1;
  const AxisRange bottomRange =
      AxisRangeFor(input.bottom, empty ? AxisRange{} : input.xExtent, input.markersVisible,
                   bottomEnd - bottomStart, markerReach + 1);
  int bottomLabelSize = 0;
  for (const double value :
       {bottomRange.minimum, bottomRange.maximum, MiddleLabelValue(bottomRange)})
    bottomLabelSize = std::max(bottomLabelSize, input.textWidth(input.labelText(value)));
  layout.plot.x = AxisMapping(bottomRange, bottomStart, bottomEnd);
  const double bottomStep =
      LabelStep(bottomRange.maximum - bottomRange.minimum,
                LabelsThatFit(bottomEnd - bottomStart, bottomLabelSize), input.pointCount);
  layout.bottomLabels = LabelsOnAxis(layout.plot.x, bottomStep, input);

  layout.frame = QRect(QPoint(left, top), QPoint(right, bottom));
  layout.plot.clip = layout.frame.adjusted(1, 1, -1, -1);
  layout.leftMinorTicks = MinorTicks(layout.plot.y, leftStep, layout.leftLabels);
  layout.bottomMinorTicks = MinorTicks(layout.plot.x, bottomStep, layout.bottomLabels);
  layout.leftLabelsRight =
      left - ChartLayout::kAxisLineWidth - ChartLayout::kMajorTickLength - kLabelGap + 1;
  layout.bottomLabelsTop =
      bottom + ChartLayout::kAxisLineWidth + ChartLayout::kMajorTickLength + kLabelGap;
  return layout;
}

}  // namespace widgets
