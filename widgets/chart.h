#pragma once

// A two-dimensional chart of one line series: a sunken panel in the button-face colour with
// a framed plot area, a left and a bottom axis that scale themselves to the points and
// label themselves, and zooming and scrolling with the mouse.
//
// Mouse: a left-button drag of more than 16 pixels both ways that ends to the right of its
// start zooms into the dragged rectangle, and one that ends at or left of its start undoes;
// a right-button drag scrolls both axes; each wheel notch shifts the vertical axis by 3 %
// of its range. Zooming, scrolling and the wheel fix the axes until the undo, which brings
// back the automatic scaling; changes of the series keep the axes as they are. The wheel
// turns the chart that has the keyboard focus, whichever chart is under the pointer, and
// nothing while no chart has the focus. A drag ends without zooming when the chart loses
// the mouse before the release: on losing the focus, behind a modal window, when hidden.

#include <optional>

#include <QPixmap>
#include <QSize>
#include <QWidget>

#include "widgets/axis_scale.h"
#include "widgets/chart_layout.h"
#include "widgets/line_series.h"

namespace widgets {

class TChart : public QWidget {
  Q_OBJECT

 public:
  explicit TChart(QWidget* parent = nullptr);

  TLineSeries& Series() noexcept { return series_; }
  const TLineSeries& Series() const noexcept { return series_; }

  // The text of an axis label for a value. Until set: "#,##0.###" with "." and ",". The
  // label functions may read settings that change without telling the chart, such as the
  // regional marks: every paint calls them anew, and so does the first query after a change
  // of locale.
  void SetLabelText(LabelText labelText);
  // Whether two values read the same, which decides where the labels start and when a
  // label stands alone. Until set: the same 15 significant digits.
  void SetSameLabelText(SameLabelText sameLabelText);

  // The values at the ends of each axis as the chart draws them at its present size.
  AxisRange BottomAxisRange() const;
  AxisRange LeftAxisRange() const;
  // Whether the axes follow the points: true at the start and after an undo.
  bool BottomAxisAutomatic() const noexcept { return scaling_.bottom.automatic; }
  bool LeftAxisAutomatic() const noexcept { return scaling_.left.automatic; }
  // The plot area, its frame included; empty when the chart is too small to draw one.
  QRect PlotRect() const;

 protected:
  void changeEvent(QEvent* event) override;
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  friend class TLineSeries;

  struct Scaling {
    AxisScaling bottom;
    AxisScaling left;
  };
  enum class Drag { None, Zoom, Scroll };

  // Called by the series on every change: asks for one repaint, however many changes come
  // before it.
  void SeriesChanged();

  // The layout at the present size, computed once after each change it depends on.
  const ChartLayout& Layout() const;
  void PaintChart(QPainter& painter);
  void PaintAxes(QPainter& painter, const ChartLayout& layout) const;
  void PaintLabels(QPainter& painter, const ChartLayout& layout) const;
  void PaintZoomRectangle(QPainter& painter) const;

  Qt::MouseButton DragButton() const noexcept;
  // Erases the zoom rectangle without zooming, or stops scrolling where the scroll got to.
  void EndDrag();
  void TurnWheel(int angle);

  void SaveScalingOnce();
  // Sets the axis scaling and repaints.
  void SetScaling(const Scaling& scaling);
  void ZoomTo(const QRect& rectangle);
  void ScrollBy(QPoint movement);
  void ShiftLeftAxisByNotch(int direction);
  void Undo();

  TLineSeries series_;
  LabelText labelText_;
  SameLabelText sameLabelText_;
  Scaling scaling_;
  // The scaling that an undo brings back, taken at the first change after the last undo.
  std::optional<Scaling> savedScaling_;
  bool repaintRequested_ = false;
  // Dropped on every change that moves anything, and kept for the size it was computed at.
  mutable std::optional<ChartLayout> layout_;
  mutable QSize layoutSize_;

  Drag drag_ = Drag::None;
  QPoint dragStart_;
  QPoint dragPosition_;
  // The chart as it was when the zoom rectangle appeared; the rectangle is drawn over it.
  QPixmap zoomBackground_;
  int wheelAngle_ = 0;
};

}  // namespace widgets
