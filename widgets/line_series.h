#pragma once

// The one line series of a TChart: points joined in order of x by straight lines, with
// optional point markers. Every change only asks the chart for a repaint, once until the
// chart paints, so a refill of a million points paints once and costs little more than
// storing them.

#include <cstddef>
#include <span>
#include <vector>

#include <QColor>
#include <QString>

#include "widgets/axis_scale.h"
#include "widgets/series_point.h"

namespace widgets {

class TChart;

class TLineSeries {
 public:
  // The marker shapes, numbered as layouts number them.
  enum class PointerStyle { Rectangle = 0, Circle = 1 };

  TLineSeries(const TLineSeries&) = delete;
  TLineSeries& operator=(const TLineSeries&) = delete;

  const QString& Title() const noexcept { return title_; }
  void SetTitle(const QString& title);

  // The colour of the lines and of the markers' fill, always drawn opaque.
  QColor Color() const noexcept { return color_; }
  void SetColor(QColor color);

  // Markers are drawn at every point when visible, as a shape reaching PointerSize pixels
  // from the point in every direction, filled with Color and outlined in black 1 pixel
  // wide. While they are visible, an automatic axis leaves room for them at its ends.
  bool PointerVisible() const noexcept { return pointerVisible_; }
  void SetPointerVisible(bool visible);
  enum PointerStyle PointerStyle() const noexcept { return pointerStyle_; }
  void SetPointerStyle(enum PointerStyle style);
  int PointerSize() const noexcept { return pointerSize_; }
  // Negative sizes count as 0.
  void SetPointerSize(int size);

  // The points, in ascending x; XValue and YValue take an index below Count.
  std::size_t Count() const noexcept { return points_.size(); }
  double XValue(std::size_t index) const noexcept { return points_[index].x; }
  double YValue(std::size_t index) const noexcept { return points_[index].y; }
  std::span<const SeriesPoint> Points() const noexcept { return points_; }
  // The smallest and largest y of all points; meaningful only while Count > 0.
  AxisRange YRange() const noexcept { return yRange_; }

  // Removes every point, keeping the storage for the refill that usually follows. The
  // chart's zoom stays as it is.
  void Clear();
  // Inserts a point after every point whose x is not above x, so the points stay in
  // ascending x; in ascending calls every insertion is an append.
  void AddXY(double x, double y);
  // Replaces every point by one per value: x is the value's zero-based position, y the
  // value; the same points as Clear and an AddXY for each value in turn. Storage that can
  // hold them is kept, other storage is released before storage of exactly their number is
  // taken, so that a refill never holds two copies nor touches memory it drops.
  void SetValues(std::span<const double> values);

 private:
  friend class TChart;
  explicit TLineSeries(TChart& chart);

  void Changed();

  TChart& chart_;
  QString title_;
  QColor color_ = Qt::red;
  bool pointerVisible_ = false;
  enum PointerStyle pointerStyle_ = PointerStyle::Rectangle;
  int pointerSize_ = 4;
  std::vector<SeriesPoint> points_;
  AxisRange yRange_;
};

}  // namespace widgets
