#include "widgets/series_painter.h"

#include <QImage>
#include <QPen>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <optional>
#include <vector>

namespace widgets::detail {
namespace {

// How far beyond the clip segments may reach before they are cut.
constexpr double kSegmentBoxMargin = 64;
constexpr int kMarkerOutlineWidth = 1;
// Room around a marker's rectangle for the pixels its outline may add.
constexpr int kStampPadding = 2;

// Offsets below and above a marker's centre, inclusive.
struct RowInterval {
  int low;
  int high;

  friend bool operator==(const RowInterval&, const RowInterval&) = default;
};

// The pixels of one marker, drawn once by QPainter exactly as every marker at a whole
// pixel is drawn, and described per column offset as runs of opaque pixels.
class MarkerStamp {
 public:
  explicit MarkerStamp(const SeriesLook& look) : half_(look.markerSize + kStampPadding) {
    const int side = 2 * half_ + 1;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing, false);
      SetMarkerPenAndBrush(painter, look);
      DrawMarker(painter, QPointF(half_, half_), look);
    }
    pixels_.resize(static_cast<std::size_t>(side) * static_cast<std::size_t>(side));
    for (int row = 0; row < side; ++row) {
      const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(row));
      for (int column = 0; column < side; ++column) {
        pixels_[Index(column - half_, row - half_)] = line[column];
        if (qAlpha(line[column]) != 0)
          reach_ = std::max({reach_, std::abs(column - half_), std::abs(row - half_)});
      }
    }
    for (int dx = -reach_; dx <= reach_; ++dx) {
      std::vector<int>& column = columnIntervals_.emplace_back();
      for (int dy = -reach_; dy <= reach_; ++dy) {
        if (!Opaque(dx, dy) || (dy > -reach_ && Opaque(dx, dy - 1))) continue;
        RowInterval run{dy, dy};
        while (run.high < reach_ && Opaque(dx, run.high + 1)) ++run.high;
        const auto known = std::find(intervals_.begin(), intervals_.end(), run);
        column.push_back(static_cast<int>(known - intervals_.begin()));
        if (known == intervals_.end()) intervals_.push_back(run);
      }
    }
  }

  // The largest offset of an opaque pixel from the centre; -1 for an invisible marker.
  int Reach() const noexcept { return reach_; }
  // The distinct runs of all column offsets.
  const std::vector<RowInterval>& Intervals() const noexcept { return intervals_; }
  // The runs of the column at offset dx, as indices into Intervals().
  const std::vector<int>& IntervalsOf(int dx) const noexcept {
    return columnIntervals_[static_cast<std::size_t>(dx + reach_)];
  }
  QRgb Pixel(int dx, int dy) const noexcept { return pixels_[Index(dx, dy)]; }

 private:
  std::size_t Index(int dx, int dy) const noexcept {
    return static_cast<std::size_t>((dy + half_) * (2 * half_ + 1) + dx + half_);
  }
  bool Opaque(int dx, int dy) const noexcept { return qAlpha(Pixel(dx, dy)) != 0; }

  int half_;
  int reach_ = -1;
  std::vector<QRgb> pixels_;
  std::vector<RowInterval> intervals_;
  std::vector<std::vector<int>> columnIntervals_;
};

// The markers of a series composed into one transparent image of the clip, a pixel column
// of points at a time. The points of a later column come later in the series, so a column
// paints over the ones before it; within a column each pixel takes the marker of the last
// point whose marker covers it, which is the marker that drawing every point would leave.
class MarkerCanvas {
 public:
  MarkerCanvas(const QRect& clip, const MarkerStamp& stamp)
      : clip_(clip),
        stamp_(stamp),
        image_(clip.size(), QImage::Format_ARGB32_Premultiplied),
        firstRow_(clip.top() - stamp.Reach()),
        lastRow_(clip.bottom() + stamp.Reach()),
        padding_(2 * stamp.Reach() + 1),
        lastIndex_(static_cast<std::size_t>(lastRow_ - firstRow_ + 1 + 2 * padding_), -1),
        windowMaxima_(stamp.Intervals().size(),
                      std::vector<std::ptrdiff_t>(static_cast<std::size_t>(clip.height()))) {
    image_.fill(Qt::transparent);
    bits_ = reinterpret_cast<QRgb*>(image_.bits());
    stride_ = image_.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
  }

  double FirstRow() const noexcept { return firstRow_; }
  double LastRow() const noexcept { return lastRow_; }

  // Starts a pixel column of count points.
  void BeginColumn(std::size_t count) {
    if (rowOfIndex_.size() < count) rowOfIndex_.resize(count);
  }

  // Notes that the point at index (within the column) lies at row, which is a whole
  // number between FirstRow and LastRow.
  void Mark(std::ptrdiff_t index, double row) noexcept {
    const int wholeRow = static_cast<int>(row);
    rowOfIndex_[static_cast<std::size_t>(index)] = wholeRow;
    lastIndex_[Slot(wholeRow)] = index;
    touchedLow_ = std::min(touchedLow_, wholeRow);
    touchedHigh_ = std::max(touchedHigh_, wholeRow);
  }

  // Paints the markers of the column's points, centred at the given column, over what is
  // there, and forgets the column.
  void EndColumn(int column) {
    if (touchedLow_ > touchedHigh_) return;
    const int reach = stamp_.Reach();
    const int top = std::max(clip_.top(), touchedLow_ - reach);
    const int bottom = std::min(clip_.bottom(), touchedHigh_ + reach);
    for (std::size_t i = 0; i < stamp_.Intervals().size(); ++i) ComputeWindowMaxima(i, top, bottom);
    for (int dx = -reach; dx <= reach; ++dx) {
      const int x = column + dx;
      if (x < clip_.left() || x > clip_.right()) continue;
      const std::vector<int>& runs = stamp_.IntervalsOf(dx);
      for (int y = top; y <= bottom; ++y) {
        const auto slot = static_cast<std::size_t>(y - clip_.top());
        std::ptrdiff_t winner = -1;
        for (const int run : runs)
          winner = std::max(winner, windowMaxima_[static_cast<std::size_t>(run)][slot]);
        if (winner < 0) continue;
        const int centreRow = rowOfIndex_[static_cast<std::size_t>(winner)];
        bits_[(y - clip_.top()) * stride_ + (x - clip_.left())] = stamp_.Pixel(dx, y - centreRow);
      }
    }
    for (int row = touchedLow_; row <= touchedHigh_; ++row) lastIndex_[Slot(row)] = -1;
    touchedLow_ = INT_MAX;
    touchedHigh_ = INT_MIN;
  }

  const QImage& Image() const noexcept { return image_; }

 private:
  std::size_t Slot(int row) const noexcept {
    return static_cast<std::size_t>(row - firstRow_ + padding_);
  }

  // For every row y from top to bottom, the last index among the marked rows y - high ...
  // y - low: the point whose marker covers y through the run `low ... high` of offsets.
  void ComputeWindowMaxima(std::size_t interval, int top, int bottom) {
    const RowInterval run = stamp_.Intervals()[interval];
    std::vector<std::ptrdiff_t>& maxima = windowMaxima_[interval];
    for (int y = top; y <= bottom; ++y) {
      std::ptrdiff_t best = -1;
      for (int row = y - run.high; row <= y - run.low; ++row)
        best = std::max(best, lastIndex_[Slot(row)]);
      maxima[static_cast<std::size_t>(y - clip_.top())] = best;
    }
  }

  QRect clip_;
  const MarkerStamp& stamp_;
  QImage image_;
  QRgb* bits_ = nullptr;
  qsizetype stride_ = 0;
  int firstRow_;
  int lastRow_;
  int padding_;
  std::vector<std::ptrdiff_t> lastIndex_;
  std::vector<int> rowOfIndex_;
  std::vector<std::vector<std::ptrdiff_t>> windowMaxima_;
  int touchedLow_ = INT_MAX;
  int touchedHigh_ = INT_MIN;
};

// The polyline that draws the same pixels as the segments between all points: within a
// pixel column the segments are vertical and together cover exactly the span from the
// lowest to the highest point, which entry, lowest, highest and exit in their order cover
// too.
class LineChain {
 public:
  void Add(QPointF point) {
    // Exact comparison: QPointF's own equality is fuzzy.
    if (points_.empty() || points_.back().x() != point.x() || points_.back().y() != point.y())
      points_.push_back(point);
  }

  struct Visit {
    std::ptrdiff_t index;
    double row;
  };
  void AddColumn(double column, Visit entry, Visit lowest, Visit highest, Visit exit) {
    const Visit earlier = lowest.index <= highest.index ? lowest : highest;
    const Visit later = lowest.index <= highest.index ? highest : lowest;
    for (const Visit& visit : {entry, earlier, later, exit}) Add(QPointF(column, visit.row));
  }

  // Draws the chain; drawnPointCount is the number of points it stands for, which decides
  // whether a chain of one pixel is a dot (a segment of length zero) or a lone point.
  void Draw(QPainter& painter, QColor color, std::ptrdiff_t drawnPointCount, const QRectF& box) {
    if (points_.size() == 1 && drawnPointCount >= 2) points_.push_back(points_.front());
    std::vector<QLineF> lines;
    lines.reserve(points_.size());
    for (std::size_t i = 1; i < points_.size(); ++i) {
      QLineF line(points_[i - 1], points_[i]);
      if (ClipSegment(line, box)) lines.push_back(line);
    }
    painter.setPen(QPen(color, 1));
    painter.drawLines(lines.data(), static_cast<int>(lines.size()));
  }

 private:
  std::vector<QPointF> points_;
};

}  // namespace

double PixelOf(double position) noexcept { return std::floor(position + 0.5); }

QPointF PixelOf(const PlotArea& plot, SeriesPoint point) noexcept {
  return {PixelOf(plot.x.Position(point.x)), PixelOf(plot.y.Position(point.y))};
}

void SetMarkerPenAndBrush(QPainter& painter, const SeriesLook& look) {
  painter.setPen(QPen(Qt::black, kMarkerOutlineWidth));
  painter.setBrush(look.color);
}

void DrawMarker(QPainter& painter, QPointF centre, const SeriesLook& look) {
  const double size = look.markerSize;
  const QRectF rect(centre.x() - size, centre.y() - size, 2 * size, 2 * size);
  if (look.circleMarkers)
    painter.drawEllipse(rect);
  else
    painter.drawRect(rect);
}

QRectF SegmentBox(const QRect& clip) noexcept {
  return QRectF(clip).adjusted(-kSegmentBoxMargin, -kSegmentBoxMargin, kSegmentBoxMargin,
                               kSegmentBoxMargin);
}

bool ClipSegment(QLineF& line, const QRectF& box) noexcept {
  if (box.contains(line.p1()) && box.contains(line.p2())) return true;
  const double dx = line.dx();
  const double dy = line.dy();
  if (!std::isfinite(line.x1()) || !std::isfinite(line.y1()) || !std::isfinite(dx) ||
      !std::isfinite(dy))
    return false;
  // Liang and Barsky: the part of p1 + t (p2 - p1), 0 <= t <= 1, inside each edge.
  double enter = 0;
  double leave = 1;
  const auto within = [&](double direction, double distance) {
    if (direction == 0) return distance >= 0;
    const double t = distance / direction;
    if (direction < 0) {
      if (t > leave) return false;
      enter = std::max(enter, t);
    } else {
      if (t < enter) return false;
      leave = std::min(leave, t);
    }
    return true;
  };
  if (!within(-dx, line.x1() - box.left()) || !within(dx, box.right() - line.x1()) ||
      !within(-dy, line.y1() - box.top()) || !within(dy, box.bottom() - line.y1()))
    return false;
  line = QLineF(line.x1() + enter * dx, line.y1() + enter * dy, line.x1() + leave * dx,
                line.y1() + leave * dy);
  return true;
}

void PaintSeries(QPainter& painter, std::span<const SeriesPoint> points, const SeriesLook& look,
                 const PlotArea& plot) {
  if (points.empty() || plot.clip.isEmpty()) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setClipRect(plot.clip, Qt::IntersectClip);

  std::optional<MarkerStamp> stamp;
  if (look.markersVisible) stamp.emplace(look);
  std::optional<MarkerCanvas> canvas;
  if (stamp && stamp->Reach() >= 0) canvas.emplace(plot.clip, *stamp);
  const int reach = canvas ? stamp->Reach() : 0;

  const auto columnOf = [&](const SeriesPoint& point) {
    return PixelOf(plot.x.Position(point.x));
  };
  const auto rowOf = [&](double y) { return PixelOf(plot.y.Position(y)); };
  const double firstColumn = plot.clip.left() - reach;
  const double lastColumn = plot.clip.right() + reach;
  const auto first = std::partition_point(
      points.begin(), points.end(), [&](const SeriesPoint& p) { return columnOf(p) < firstColumn; });
  const auto last = std::partition_point(
      first, points.end(), [&](const SeriesPoint& p) { return columnOf(p) <= lastColumn; });

  LineChain chain;
  if (first != points.begin()) chain.Add(PixelOf(plot, *(first - 1)));
  for (auto columnStart = first; columnStart != last;) {
    const double column = columnOf(*columnStart);
    const auto columnEnd = std::partition_point(
        columnStart + 1, last, [&](const SeriesPoint& p) { return columnOf(p) <= column; });
    const std::ptrdiff_t count = columnEnd - columnStart;
    if (canvas) canvas->BeginColumn(static_cast<std::size_t>(count));
    LineChain::Visit lowest{0, rowOf(columnStart->y)};
    LineChain::Visit highest = lowest;
    LineChain::Visit exit = lowest;
    for (std::ptrdiff_t index = 0; index < count; ++index) {
      const double row = rowOf(columnStart[index].y);
      if (row < lowest.row) lowest = {index, row};
      if (row > highest.row) highest = {index, row};
      if (canvas && row >= canvas->FirstRow() && row <= canvas->LastRow())
        canvas->Mark(index, row);
      exit = {index, row};
    }
    chain.AddColumn(column, {0, rowOf(columnStart->y)}, lowest, highest, exit);
    if (canvas) canvas->EndColumn(static_cast<int>(column));
    columnStart = columnEnd;
  }
  if (last != points.end()) chain.Add(PixelOf(plot, *last));

  const std::ptrdiff_t drawnPointCount =
      (last - first) + (first != points.begin() ? 1 : 0) + (last != points.end() ? 1 : 0);
  chain.Draw(painter, look.color, drawnPointCount, SegmentBox(plot.clip));
  if (canvas) painter.drawImage(plot.clip.topLeft(), canvas->Image());
  painter.restore();
}

}  // namespace widgets::detail
