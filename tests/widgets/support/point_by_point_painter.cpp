#include "tests/widgets/support/point_by_point_painter.h"

#include <cmath>

#include <QPen>

namespace widgets::detail {

void PaintSeriesPointByPoint(QPainter& painter, std::span<const SeriesPoint> points,
                             const SeriesLook& look, const PlotArea& plot) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setClipRect(plot.clip, Qt::IntersectClip);
  painter.setPen(QPen(look.color, 1));
  const QRectF box = SegmentBox(plot.clip);
  for (std::size_t i = 1; i < points.size(); ++i) {
    QLineF line(PixelOf(plot, points[i - 1]), PixelOf(plot, points[i]));
    if (ClipSegment(line, box)) painter.drawLine(line);
  }
  if (look.markersVisible) {
    SetMarkerPenAndBrush(painter, look);
    // Markers further from the clip than their size cannot reach into it.
    const double reach = look.markerSize + kMarkerOutlineWidth;
    const QRectF reachable = QRectF(plot.clip).adjusted(-reach, -reach, reach, reach);
    for (const SeriesPoint& point : points) {
      const QPointF centre = PixelOf(plot, point);
      if (reachable.contains(centre)) DrawMarker(painter, centre, look);
    }
  }
  painter.restore();
}

}  // namespace widgets::detail
