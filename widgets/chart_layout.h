#pragma once

// Where a chart puts its plot area, its axes, their ticks and their labels: a pure rule on
// the chart's size, the measures of its label font, the extent of the points and the axis
// scaling. The chart draws what the layout gives and maps the mouse with it.

#include <cstddef>
#include <functional>
#include <vector>

#include <QRect>
#include <QSize>
#include <QString>

#include "widgets/axis_scale.h"
#include "widgets/series_painter.h"

namespace widgets {

// The text of an axis label for a value.
using LabelText = std::function<QString(double)>;
// The width in pixels of a text in the label font.
using TextWidth = std::function<int(const QString&)>;

// An axis follows the points, or keeps the range that a zoom, a scroll or the wheel gave it.
struct AxisScaling {
  bool automatic = true;
  // The range while not automatic.
  AxisRange range;

  friend bool operator==(const AxisScaling&, const AxisScaling&) = default;
};

// Everything the layout of a chart depends on.
struct ChartLayoutInput {
  QSize size;
  // The label font: the height of one line and the width of a text.
  int lineHeight = 0;
  TextWidth textWidth;
  LabelText labelText;
  SameLabelText sameLabelText;
  // The points: how many, the x of the first and of the last, the smallest and largest y.
  std::size_t pointCount = 0;
  AxisRange xExtent;
  AxisRange yExtent;
  // Visible markers reach markerSize pixels from their points, and automatic axes leave
  // room for them at their ends.
  bool markersVisible = false;
  int markerSize = 0;
  AxisScaling bottom;
  AxisScaling left;
};

struct AxisLabel {
  double value = 0;
  // The pixel column of a bottom label, the pixel row of a left label.
  int pixel = 0;
  QString text;

  friend bool operator==(const AxisLabel&, const AxisLabel&) = default;
};

struct ChartLayout {
  // The measures the layout leaves room for and the chart draws with.
  static constexpr int kAxisLineWidth = 2;
  static constexpr int kMajorTickLength = 4;
  static constexpr int kMinorTickLength = 2;

  // The frame of the plot area, 1 pixel wide; the series is drawn inside it. Empty, and
  // everything below with it, when the chart is too small to show a plot area.
  QRect frame;
  detail::PlotArea plot;
  // From the highest value down; only labels whose pixel lies on the axis.
  std::vector<AxisLabel> bottomLabels;
  std::vector<AxisLabel> leftLabels;
  // The pixels of the minor ticks: three between neighbouring labels, and as many beyond the
  // outer labels as the axis reaches.
  std::vector<int> bottomMinorTicks;
  std::vector<int> leftMinorTicks;
  // Where the left labels end (exclusive) and where the bottom labels begin.
  int leftLabelsRight = 0;
  int bottomLabelsTop = 0;
};

// The layout of a chart of input.size pixels. The outer margins are 3 % of the width left
// and right and 4 % of the height above and below; the left labels, as wide as the widest
// of them but at most half the chart, and the bottom labels, one line high, sit beside the
// axis lines with their ticks. An automatic axis maps the points' extent onto its length
// less the markers' reach at both ends (one pixel more on the bottom axis); a fixed axis
// keeps its range. The opposite lines of the frame lie at least 4 pixels apart.
[[nodiscard]] ChartLayout ComputeChartLayout(const ChartLayoutInput& input);

}  // namespace widgets
