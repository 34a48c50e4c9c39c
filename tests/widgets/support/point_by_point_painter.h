#pragma once

// A series drawn the plain way: each segment between neighbouring points with its own line,
// then each marker with its own shape, in the order of the points. The picture that
// PaintSeries must give exactly, and the cost it must beat; used by tests and benchmarks.

#include <span>

#include <QPainter>

#include "widgets/series_painter.h"

namespace widgets::detail {

void PaintSeriesPointByPoint(QPainter& painter, std::span<const SeriesPoint> points,
                             const SeriesLook& look, const PlotArea& plot);

}  // namespace widgets::detail
