#include "widgets/series_painter.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include <QImage>
#include <QPen>

namespace widgets::detail {
namespace {

// How far beyond the clip segments may reach before they are cut.
constexpr double kSegmentBoxMargin = 64;
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
  // The pixels of the column at offset dx, indexed by dy.
  const QRgb* Column(int dx) const noexcept { return pixels_.data() + Index(dx, 0); }

 private:
  // Column by column, so that a column of the marker is contiguous.
  std::size_t Index(int dx, int dy) const noexcept {
    return static_cast<std::size_t>((dx + half_) * (2 * half_ + 1) + dy + half_);
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
        image_(ReusedPixels(clip.size()), clip.width(), clip.height(),
               static_cast<qsizetype>(sizeof(QRgb)) * clip.width(),
               QImage::Format_ARGB32_Premultiplied),
        firstRow_(clip.top() - stamp.Reach()),
        lastRow_(clip.bottom() + stamp.Reach()),
        padding_(2 * stamp.Reach() + 1),
        windowMaxima_(stamp.Intervals().size(),
                      std::vector<Key>(static_cast<std::size_t>(clip.height()))) {
    const auto slotCount = static_cast<std::size_t>(lastRow_ - firstRow_ + 1 + 2 * padding_);
    int longest = 1;
    for (const RowInterval& run : stamp.Intervals())
      longest = std::max(longest, run.high - run.low + 1);
    for (int span = 1; span <= longest; span *= 2) spanMaxima_.emplace_back(slotCount, kNoKey);
    image_.fill(Qt::transparent);
    bits_ = reinterpret_cast<QRgb*>(image_.bits());
    stride_ = clip.width();
  }

  // The rows whose markers can reach into the clip.
  double FirstRow() const noexcept { return firstRow_; }
  double LastRow() const noexcept { return lastRow_; }

  // Notes that the point at index (counted within its column) lies at row, a whole number
  // from FirstRow to LastRow.
  void Mark(std::ptrdiff_t index, double row) noexcept {
    const std::size_t slot = Slot(static_cast<int>(row));
    spanMaxima_[0][slot] = (static_cast<Key>(index) << kSlotBits) | static_cast<Key>(slot);
  }

  // Paints the pixels of column from row lowest to row highest in colour where no marker
  // is yet: the line lies below every marker.
  void PaintLineSpan(int column, double lowest, double highest, QColor colour) {
    if (column < clip_.left() || column > clip_.right() ||
        !(highest >= clip_.top() && lowest <= clip_.bottom()))
      return;
    const int top = static_cast<int>(std::max(lowest, static_cast<double>(clip_.top())));
    const int bottom = static_cast<int>(std::min(highest, static_cast<double>(clip_.bottom())));
    const QRgb line = colour.rgb();
    QRgb* pixel = bits_ + (top - clip_.top()) * stride_ + (column - clip_.left());
    for (int y = top; y <= bottom; ++y, pixel += stride_)
      if (*pixel == 0) *pixel = line;
  }

  // Paints the markers of the column's points, centred at the given column and marked
  // between the rows lowest and highest (unclipped), over what is there, and forgets them.
  void EndColumn(int column, double lowest, double highest) {
    if (!(highest >= firstRow_ && lowest <= lastRow_)) return;
    const int touchedLow = static_cast<int>(std::max(lowest, static_cast<double>(firstRow_)));
    const int touchedHigh = static_cast<int>(std::min(highest, static_cast<double>(lastRow_)));
    const int reach = stamp_.Reach();
    const int top = std::max(clip_.top(), touchedLow - reach);
    const int bottom = std::min(clip_.bottom(), touchedHigh + reach);
    if (top <= bottom) {
      ComputeSpanMaxima(top - reach, bottom + reach);
      for (std::size_t i = 0; i < stamp_.Intervals().size(); ++i)
        ComputeWindowMaxima(i, top, bottom);
      for (int dx = -reach; dx <= reach; ++dx) PaintColumn(column + dx, dx, top, bottom);
    }
    std::vector<Key>& marks = spanMaxima_[0];
    std::fill(marks.begin() + static_cast<std::ptrdiff_t>(Slot(touchedLow)),
              marks.begin() + static_cast<std::ptrdiff_t>(Slot(touchedHigh)) + 1, kNoKey);
  }

  const QImage& Image() const noexcept { return image_; }

 private:
  // A mark: the point's index within its column above the slot of its row, so that the
  // largest key of a window is its last point and tells that point's row.
  using Key = std::int64_t;

  // The pixels of the image, kept from paint to paint on this thread: fresh pages for every
  // paint would cost more than composing the markers.
  static uchar* ReusedPixels(QSize size) {
    static thread_local std::vector<QRgb> pixels;
    pixels.resize(static_cast<std::size_t>(size.width()) * static_cast<std::size_t>(size.height()));
    return reinterpret_cast<uchar*>(pixels.data());
  }
  static constexpr int kSlotBits = 24;
  static constexpr Key kSlotMask = (Key{1} << kSlotBits) - 1;
  static constexpr Key kNoKey = -1;

  std::size_t Slot(int row) const noexcept {
    return static_cast<std::size_t>(row - firstRow_ + padding_);
  }
  int RowOf(Key key) const noexcept {
    return static_cast<int>(key & kSlotMask) + firstRow_ - padding_;
  }

  // spanMaxima_[j][slot] is the largest key of the 2^j slots from slot on, for the rows
  // from firstRow to lastRow.
  void ComputeSpanMaxima(int firstRow, int lastRow) {
    for (std::size_t level = 1; level < spanMaxima_.size(); ++level) {
      const std::vector<Key>& shorter = spanMaxima_[level - 1];
      std::vector<Key>& longer = spanMaxima_[level];
      const std::size_t half = std::size_t{1} << (level - 1);
      for (std::size_t slot = Slot(firstRow); slot + 2 * half - 1 <= Slot(lastRow); ++slot)
        longer[slot] = std::max(shorter[slot], shorter[slot + half]);
    }
  }

  // For every row y from top to bottom, the largest key of the rows y - high ... y - low:
  // the last point whose marker covers y through the run `low ... high` of offsets.
  void ComputeWindowMaxima(std::size_t interval, int top, int bottom) {
    const RowInterval run = stamp_.Intervals()[interval];
    const int length = run.high - run.low + 1;
    std::size_t level = 0;
    while ((std::size_t{2} << level) <= static_cast<std::size_t>(length)) ++level;
    const std::vector<Key>& spans = spanMaxima_[level];
    const std::size_t lastSpanOffset = static_cast<std::size_t>(length) - (std::size_t{1} << level);
    Key* maxima = windowMaxima_[interval].data() - clip_.top();
    for (int y = top; y <= bottom; ++y) {
      const std::size_t first = Slot(y - run.high);
      maxima[y] = std::max(spans[first], spans[first + lastSpanOffset]);
    }
  }

  // Paints the pixels of column x from top to bottom that markers at offset dx cover.
  void PaintColumn(int x, int dx, int top, int bottom) {
    if (x < clip_.left() || x > clip_.right()) return;
    const std::vector<int>& runs = stamp_.IntervalsOf(dx);
    if (runs.empty()) return;
    const QRgb* stampColumn = stamp_.Column(dx);
    QRgb* pixel = bits_ + (top - clip_.top()) * stride_ + (x - clip_.left());
    for (int y = top; y <= bottom; ++y, pixel += stride_) {
      const auto slot = static_cast<std::size_t>(y - clip_.top());
      Key winner = windowMaxima_[static_cast<std::size_t>(runs.front())][slot];
      for (std::size_t i = 1; i < runs.size(); ++i)
        winner = std::max(winner, windowMaxima_[static_cast<std::size_t>(runs[i])][slot]);
      if (winner != kNoKey) *pixel = stampColumn[y - RowOf(winner)];
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
  // The marks of the column, then the maxima over 2, 4, ... slots.
  std::vector<std::vector<Key>> spanMaxima_;
  std::vector<std::vector<Key>> windowMaxima_;
};

// The segments that draw the same pixels as the segments between all points. Within a
// pixel column those segments are vertical and together cover exactly the span from the
// lowest to the highest point, which the segments from the entry to the lowest, the
// highest and the exit point cover too (in any order); between columns a segment joins
// the exit of one to the entry of the next.
class LineSegments {
 public:
  // A segment from the previous point, if any, to point.
  void JoinTo(QPointF point) {
    // Exact comparison: QPointF's own equality is fuzzy.
    if (last_ && (last_->x() != point.x() || last_->y() != point.y()))
      lines_.emplace_back(*last_, point);
    last_ = point;
  }
  // The next segment starts from point; what lies between is drawn elsewhere.
  void MoveTo(QPointF point) { last_ = point; }

  // Draws the segments cut to box. When the points drawn (drawnPointCount of them) all lie
  // on one pixel, that is a dot: a segment of length zero.
  void Draw(QPainter& painter, QColor color, std::ptrdiff_t drawnPointCount, const QRectF& box) {
    if (lines_.empty() && last_ && drawnPointCount >= 2) lines_.emplace_back(*last_, *last_);
    std::erase_if(lines_, [&](QLineF& line) { return !ClipSegment(line, box); });
    painter.setPen(QPen(color, 1));
    painter.drawLines(lines_.data(), static_cast<int>(lines_.size()));
  }

 private:
  std::optional<QPointF> last_;
  std::vector<QLineF> lines_;
};

// A number held as the unevaluated sum of two doubles, the smaller below the last place
// of the larger: twice the precision of a double.
struct DoubleDouble {
  double high;
  double low;
};

// a + b exactly (Knuth).
DoubleDouble Sum(double a, double b) noexcept {
  const double sum = a + b;
  const double bPart = sum - a;
  return {sum, (a - (sum - bPart)) + (b - bPart)};
}

// a * b exactly, barring underflow.
DoubleDouble Product(double a, double b) noexcept {
  const double product = a * b;
  return {product, std::fma(a, b, -product)};
}

DoubleDouble Product(DoubleDouble a, DoubleDouble b) noexcept {
  const DoubleDouble highs = Product(a.high, b.high);
  return {highs.high, highs.low + (a.high * b.low + a.low * b.high)};
}

DoubleDouble Quotient(DoubleDouble a, DoubleDouble b) noexcept {
  const double first = a.high / b.high;
  const DoubleDouble back = Product(first, b.high);
  const double remainder = (((a.high - back.high) - back.low) + a.low) - first * b.low;
  return {first, remainder / b.high};
}

// The coordinate b where the line through (a1, b1) and (a2, b2) reaches the coordinate a,
// which lies from a1 to a2 (a1 != a2). A deep zoom puts the ends of a segment 1e20 pixels
// and more beyond the box, where a double cannot hold the distance to a pixel; worked out
// from the nearer end in twice a double's precision, the cut still falls where the line
// crosses. Halves keep the differences of the widest coordinates finite.
double CoordinateAt(double a, double a1, double b1, double a2, double b2) noexcept {
  if (std::fabs(a - a1) > std::fabs(a - a2)) {
    std::swap(a1, a2);
    std::swap(b1, b2);
  }
  const DoubleDouble fraction = Quotient(Sum(a * 0.5, -a1 * 0.5), Sum(a2 * 0.5, -a1 * 0.5));
  const DoubleDouble halfOffset = Product(fraction, Sum(b2 * 0.5, -b1 * 0.5));
  // The half offset added twice: the whole one need not be a double.
  const DoubleDouble halfway = Sum(b1, halfOffset.high);
  const DoubleDouble there = Sum(halfway.high, halfOffset.high);
  return there.high + ((halfway.low + there.low) + 2 * halfOffset.low);
}

}  // namespace

void SetMarkerPenAndBrush(QPainter& painter, const SeriesLook& look) {
  painter.setPen(QPen(Qt::black, kMarkerOutlineWidth));
  painter.setBrush(look.color);
}

void DrawMarker(QPainter& painter, QPointF centre, const SeriesLook& look) {
  const double size = look.markerSize;
  if (look.circleMarkers) {
    painter.drawEllipse(QRectF(centre.x() - size, centre.y() - size, 2 * size, 2 * size));
    return;
  }
  // A square is filled with the pixels that drawRect gives it rather than stroked: QPainter
  // strokes a rectangle that reaches past the device's left edge without its bottom right
  // corner, which would make the marker depend on where the image ends. Like drawRect, a
  // square of no size draws nothing.
  if (look.markerSize <= 0) return;
  const QPoint point = centre.toPoint();
  const QRect square(point - QPoint(look.markerSize, look.markerSize),
                     point + QPoint(look.markerSize, look.markerSize));
  constexpr int kWidth = kMarkerOutlineWidth;
  const QRect inside = square.adjusted(kWidth, kWidth, -kWidth, -kWidth);
  painter.fillRect(inside, painter.brush());
  const QColor ink = painter.pen().color();
  painter.fillRect(QRect(square.left(), square.top(), square.width(), kWidth), ink);
  painter.fillRect(QRect(square.left(), inside.bottom() + 1, square.width(), kWidth), ink);
  painter.fillRect(QRect(square.left(), inside.top(), kWidth, inside.height()), ink);
  painter.fillRect(QRect(inside.right() + 1, inside.top(), kWidth, inside.height()), ink);
}

QRectF SegmentBox(const QRect& clip) noexcept {
  return QRectF(clip).adjusted(-kSegmentBoxMargin, -kSegmentBoxMargin, kSegmentBoxMargin,
                               kSegmentBoxMargin);
}

bool ClipSegment(QLineF& line, const QRectF& box) noexcept {
  const double left = box.left();
  const double right = box.right();
  const double top = box.top();
  const double bottom = box.bottom();
  const double x1 = line.x1();
  const double y1 = line.y1();
  const double x2 = line.x2();
  const double y2 = line.y2();
  // Comparisons, unlike QRectF::contains, fail for coordinates that are not numbers.
  if (x1 >= left && x1 <= right && x2 >= left && x2 <= right && y1 >= top && y1 <= bottom &&
      y2 >= top && y2 <= bottom)
    return true;
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
    return false;
  // First across the left and right edges, then across the top and bottom. Every cut point
  // is worked out from the ends themselves, and kept in the box against rounding.
  if (std::max(x1, x2) < left || std::min(x1, x2) > right) return false;
  const double acrossX1 = std::clamp(x1, left, right);
  const double acrossX2 = std::clamp(x2, left, right);
  const double acrossY1 = acrossX1 == x1 ? y1 : CoordinateAt(acrossX1, x1, y1, x2, y2);
  const double acrossY2 = acrossX2 == x2 ? y2 : CoordinateAt(acrossX2, x1, y1, x2, y2);
  if (std::max(acrossY1, acrossY2) < top || std::min(acrossY1, acrossY2) > bottom) return false;
  const double cutY1 = std::clamp(acrossY1, top, bottom);
  const double cutY2 = std::clamp(acrossY2, top, bottom);
  const double cutX1 =
      cutY1 == acrossY1 ? acrossX1 : std::clamp(CoordinateAt(cutY1, y1, x1, y2, x2), left, right);
  const double cutX2 =
      cutY2 == acrossY2 ? acrossX2 : std::clamp(CoordinateAt(cutY2, y1, x1, y2, x2), left, right);
  line = QLineF(cutX1, cutY1, cutX2, cutY2);
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

  const auto columnOf = [&](const SeriesPoint& point) { return PixelOf(plot.x.Position(point.x)); };
  const auto rowOf = [&](double y) { return PixelOf(plot.y.Position(y)); };
  const double firstColumn = plot.clip.left() - reach;
  const double lastColumn = plot.clip.right() + reach;
  const auto first = std::partition_point(points.begin(), points.end(), [&](const SeriesPoint& p) {
    return columnOf(p) < firstColumn;
  });
  const auto last = std::partition_point(
      first, points.end(), [&](const SeriesPoint& p) { return columnOf(p) <= lastColumn; });

  const std::ptrdiff_t drawnPointCount =
      (last - first) + (first != points.begin() ? 1 : 0) + (last != points.end() ? 1 : 0);
  const bool linesDrawn = drawnPointCount >= 2;
  LineSegments lines;
  if (first != points.begin()) lines.JoinTo(PixelOf(plot, *(first - 1)));
  for (auto columnStart = first; columnStart != last;) {
    const double column = columnOf(*columnStart);
    const auto columnEnd = std::partition_point(
        columnStart + 1, last, [&](const SeriesPoint& p) { return columnOf(p) <= column; });
    const std::ptrdiff_t count = columnEnd - columnStart;
    // Rows that are not numbers take no part.
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -lowest;
    const double entry = rowOf(columnStart->y);
    const double exit = rowOf(columnEnd[-1].y);
    lines.JoinTo(QPointF(column, entry));
    if (canvas) {
      const double firstRow = canvas->FirstRow();
      const double lastRow = canvas->LastRow();
      for (std::ptrdiff_t index = 0; index < count; ++index) {
        const double row = rowOf(columnStart[index].y);
        lowest = std::min(lowest, row);
        highest = std::max(highest, row);
        if (row >= firstRow && row <= lastRow) canvas->Mark(index, row);
      }
      // The canvas draws the column's vertical span itself: far cheaper than a segment.
      if (linesDrawn) canvas->PaintLineSpan(static_cast<int>(column), lowest, highest, look.color);
      canvas->EndColumn(static_cast<int>(column), lowest, highest);
      lines.MoveTo(QPointF(column, exit));
    } else {
      for (std::ptrdiff_t index = 0; index < count; ++index) {
        const double row = rowOf(columnStart[index].y);
        lowest = std::min(lowest, row);
        highest = std::max(highest, row);
      }
      for (const double row : {lowest, highest, exit}) lines.JoinTo(QPointF(column, row));
    }
    columnStart = columnEnd;
  }
  if (last != points.end()) lines.JoinTo(PixelOf(plot, *last));

  lines.Draw(painter, look.color, drawnPointCount, SegmentBox(plot.clip));
  if (canvas) painter.drawImage(plot.clip.topLeft(), canvas->Image());
  painter.restore();
}

}  // namespace widgets::detail
