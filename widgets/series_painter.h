#pragma once

// Drawing a line series into a plot area, fast enough for millions of points.
//
// Every point is first mapped to a whole device pixel. The picture is then exactly the
// one that drawing each segment between neighbouring points and then each marker, in the
// order of the points, would give; only the work is less: per pixel column the line is
// reduced to its entry, lowest, highest and exit point, and the markers are composed per
// column from the last point at each pixel.

#include <cmath>
#include <span>

#include <QColor>
#include <QLineF>
#include <QPainter>
#include <QRect>

#include "widgets/axis_scale.h"
#include "widgets/series_point.h"

namespace widgets::detail {

struct SeriesLook {
  QColor color;
  bool markersVisible = false;
  bool circleMarkers = true;
  int markerSize = 0;
};

// Where a series is drawn: nothing is drawn outside clip.
struct PlotArea {
  AxisMapping x;
  AxisMapping y;
  QRect clip;
};

// The whole device pixel of an unrounded position: the nearest, a tie going to the even
// one. Adding and subtracting 1.5 * 2^52 rounds without a library call in the default
// rounding mode; beyond 2^51 pixels a position is whole or far out of sight anyway.
inline double PixelOf(double position) noexcept {
  constexpr double kRoundingShift = 6755399441055744.0;
  constexpr double kWholeFrom = 2251799813685248.0;
  return std::fabs(position) < kWholeFrom ? (position + kRoundingShift) - kRoundingShift : position;
}
inline QPointF PixelOf(const PlotArea& plot, SeriesPoint point) noexcept {
  return {PixelOf(plot.x.Position(point.x)), PixelOf(plot.y.Position(point.y))};
}

// Markers are outlined in black this many pixels wide.
inline constexpr int kMarkerOutlineWidth = 1;

// A marker is drawn by setting the pen and brush once and then drawing each marker, centred
// at a whole pixel.
void SetMarkerPenAndBrush(QPainter& painter, const SeriesLook& look);
void DrawMarker(QPainter& painter, QPointF centre, const SeriesLook& look);

// Segments are cut to this box before they are drawn, so that the rasteriser never sees
// the far-away coordinates of a deep zoom; inside the clip the pixels stay the same.
QRectF SegmentBox(const QRect& clip) noexcept;
// Cuts line to box, however far beyond it the ends lie; false when nothing of it lies in
// the box (or a coordinate is not finite). A line wholly inside the box is left untouched.
bool ClipSegment(QLineF& line, const QRectF& box) noexcept;

// Draws the lines and then the markers of points (ascending in x) with antialiasing off.
void PaintSeries(QPainter& painter, std::span<const SeriesPoint> points, const SeriesLook& look,
                 const PlotArea& plot);

}  // namespace widgets::detail
