#include "widgets/chart.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QWheelEvent>
#include <qdrawutil.h>

#include "widgets/number_pattern.h"
#include "widgets/series_painter.h"

namespace widgets {
namespace {

constexpr int kBevelWidth = 1;
const QColor kTickAndGridColor(0x80, 0x80, 0x80);
const char* const kLabelFontFamily = "Arial";
constexpr int kLabelFontPointSize = 8;

constexpr int kZoomOutlineWidth = 3;
// A zoom rectangle must be larger than this both ways to count.
constexpr int kZoomThreshold = 16;
constexpr double kMinimumZoomExtent = 1e-10;
constexpr double kWheelShiftFraction = 0.03;
constexpr int kWheelNotchAngle = 120;

constexpr double kLargest = std::numeric_limits<double>::max();

// The rectangle with corners a and b, whichever way round they lie.
QRect Spanning(QPoint a, QPoint b) {
  return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
               QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

QString FifteenDigits(double value) { return QString::number(value, 'g', 15); }

}  // namespace

TChart::TChart(QWidget* parent)
    : QWidget(parent),
      series_(*this),
      labelText_([](double value) { return FormatGroupedDecimal(value, u'.', u','); }),
      sameLabelText_([](double a, double b) { return FifteenDigits(a) == FifteenDigits(b); }) {
  setFont(QFont(QString::fromLatin1(kLabelFontFamily), kLabelFontPointSize));
  setFocusPolicy(Qt::ClickFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TChart::SetLabelText(LabelText labelText) {
  labelText_ = std::move(labelText);
  layout_.reset();
  update();
}

void TChart::SetSameLabelText(SameLabelText sameLabelText) {
  sameLabelText_ = std::move(sameLabelText);
  layout_.reset();
  update();
}

AxisRange TChart::BottomAxisRange() const { return Layout().plot.x.Range(); }

AxisRange TChart::LeftAxisRange() const { return Layout().plot.y.Range(); }

QRect TChart::PlotRect() const { return Layout().frame; }

void TChart::SeriesChanged() {
  layout_.reset();
  if (repaintRequested_) return;
  repaintRequested_ = true;
  update();
}

const ChartLayout& TChart::Layout() const {
  if (layout_ && layoutSize_ == size()) return *layout_;
  const QFontMetrics metrics = fontMetrics();
  const bool empty = series_.Count() == 0;
  const ChartLayoutInput input{
      .size = size(),
      .lineHeight = metrics.height(),
      .textWidth = [&metrics](const QString& text) { return metrics.horizontalAdvance(text); },
      .labelText = labelText_,
      .sameLabelText = sameLabelText_,
      .pointCount = series_.Count(),
      .xExtent =
          empty ? AxisRange{} : AxisRange{series_.Points().front().x, series_.Points().back().x},
      .yExtent = empty ? AxisRange{} : series_.YRange(),
      .markersVisible = series_.PointerVisible(),
      .markerSize = series_.PointerSize(),
      .bottom = scaling_.bottom,
      .left = scaling_.left,
  };
  layout_ = ComputeChartLayout(input);
  layoutSize_ = size();
  return *layout_;
}

void TChart::paintEvent(QPaintEvent*) {
  repaintRequested_ = false;
  QPainter painter(this);
  if (drag_ == Drag::Zoom) {
    painter.drawPixmap(0, 0, zoomBackground_);
    PaintZoomRectangle(painter);
    return;
  }
  PaintChart(painter);
}

void TChart::PaintChart(QPainter& painter) {
  painter.fillRect(rect(), palette().color(QPalette::Button));
  qDrawShadePanel(&painter, rect(), palette(), true, kBevelWidth);
  // The label texts may follow settings that changed without telling the chart.
  layout_.reset();
  const ChartLayout& layout = Layout();
  if (layout.frame.isEmpty()) return;

  const QRect& inside = layout.plot.clip;
  for (const AxisLabel& label : layout.bottomLabels)
    painter.fillRect(QRect(label.pixel, inside.top(), 1, inside.height()), kTickAndGridColor);
  for (const AxisLabel& label : layout.leftLabels)
    painter.fillRect(QRect(inside.left(), label.pixel, inside.width(), 1), kTickAndGridColor);

  const detail::SeriesLook look{series_.Color(), series_.PointerVisible(),
                                series_.PointerStyle() == TLineSeries::PointerStyle::Circle,
                                series_.PointerSize()};
  detail::PaintSeries(painter, series_.Points(), look, layout.plot);

  PaintAxes(painter, layout);
  PaintLabels(painter, layout);
}

void TChart::PaintAxes(QPainter& painter, const ChartLayout& layout) const {
  constexpr int kAxisLineWidth = ChartLayout::kAxisLineWidth;
  constexpr int kMajorTickLength = ChartLayout::kMajorTickLength;
  constexpr int kMinorTickLength = ChartLayout::kMinorTickLength;
  const QRect& frame = layout.frame;
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRect(frame.topLeft(), frame.size() - QSize(1, 1)));
  const int axisOutside = frame.left() - (kAxisLineWidth - 1);
  painter.fillRect(
      QRect(axisOutside, frame.top(), kAxisLineWidth, frame.height() + kAxisLineWidth - 1),
      Qt::black);
  painter.fillRect(
      QRect(axisOutside, frame.bottom(), frame.right() - axisOutside + 1, kAxisLineWidth),
      Qt::black);

  // Ticks point outward from the axis lines.
  const int leftTickEnd = axisOutside - 1;
  const int bottomTickStart = frame.bottom() + kAxisLineWidth;
  for (const AxisLabel& label : layout.leftLabels)
    painter.fillRect(QRect(leftTickEnd - kMajorTickLength + 1, label.pixel, kMajorTickLength, 1),
                     kTickAndGridColor);
  for (const int pixel : layout.leftMinorTicks)
    painter.fillRect(QRect(leftTickEnd - kMinorTickLength + 1, pixel, kMinorTickLength, 1),
                     kTickAndGridColor);
  for (const AxisLabel& label : layout.bottomLabels)
    painter.fillRect(QRect(label.pixel, bottomTickStart, 1, kMajorTickLength), kTickAndGridColor);
  for (const int pixel : layout.bottomMinorTicks)
    painter.fillRect(QRect(pixel, bottomTickStart, 1, kMinorTickLength), kTickAndGridColor);
}

void TChart::PaintLabels(QPainter& painter, const ChartLayout& layout) const {
  // Labels centre on their ticks but stay inside the bevel, so that the labels of the axis
  // ends are never cut.
  const QFontMetrics metrics = fontMetrics();
  const QRect labelArea = rect().adjusted(kBevelWidth, kBevelWidth, -kBevelWidth, -kBevelWidth);
  painter.setPen(Qt::black);
  const auto drawText = [&](const QRect& place, const QString& text) {
    painter.drawText(place.left(), place.top() + metrics.ascent(), text);
  };

  // The left step already keeps the labels a line apart: every one of them is drawn.
  for (const AxisLabel& label : layout.leftLabels) {
    const int textWidth = metrics.horizontalAdvance(label.text);
    const int top = std::clamp(label.pixel - metrics.height() / 2, labelArea.top(),
                               labelArea.bottom() + 1 - metrics.height());
    drawText(QRect(layout.leftLabelsRight - textWidth, top, textWidth, metrics.height()),
             label.text);
  }

  // The bottom step judges the label width by a few values only, and a wider label in
  // between can run into its neighbour. Placed from the lowest value up, which is always
  // shown, a label that would come closer to the one drawn before it than a space, where
  // the two would read as one number, is left out; its tick and grid line stay.
  const int space = metrics.horizontalAdvance(QLatin1Char(' '));
  QRect previous;
  for (auto label = layout.bottomLabels.rbegin(); label != layout.bottomLabels.rend(); ++label) {
    const int textWidth = metrics.horizontalAdvance(label->text);
    const int left = std::clamp(label->pixel - textWidth / 2, labelArea.left(),
                                std::max(labelArea.left(), labelArea.right() + 1 - textWidth));
    const QRect place(left, layout.bottomLabelsTop, textWidth, metrics.height());
    if (!previous.isNull() && place.adjusted(-space, 0, 0, 0).intersects(previous)) continue;
    drawText(place, label->text);
    previous = place;
  }
}

void TChart::PaintZoomRectangle(QPainter& painter) const {
  // Inverting the pixels draws the outline visibly on any colour, and drawing it again
  // would erase it.
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.setPen(QPen(Qt::white, kZoomOutlineWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(Spanning(dragStart_, dragPosition_));
}

void TChart::changeEvent(QEvent* event) {
  // The label font measures the layout, and label texts commonly follow the locale.
  if (event->type() == QEvent::FontChange || event->type() == QEvent::LocaleChange) layout_.reset();
  QWidget::changeEvent(event);
}

bool TChart::event(QEvent* event) {
  // A modal dialog or box takes the mouse: the release of a drag never reaches the chart.
  if (event->type() == QEvent::WindowBlocked) EndDrag();
  return QWidget::event(event);
}

void TChart::focusOutEvent(QFocusEvent* event) {
  EndDrag();
  QWidget::focusOutEvent(event);
}

void TChart::hideEvent(QHideEvent* event) {
  EndDrag();
  QWidget::hideEvent(event);
}

void TChart::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  // A drag whose button is pressed anew, or is no longer held, has missed its release.
  if (drag_ != Drag::None &&
      (event->button() == DragButton() || !(event->buttons() & DragButton())))
    EndDrag();
  if (drag_ != Drag::None) return;
  const QPoint position = event->position().toPoint();
  if (!PlotRect().contains(position)) return;
  if (event->button() == Qt::LeftButton) {
    zoomBackground_ = grab();
    drag_ = Drag::Zoom;
    dragStart_ = position;
    dragPosition_ = position;
    update();
  } else if (event->button() == Qt::RightButton) {
    drag_ = Drag::Scroll;
    dragPosition_ = position;
  }
}

void TChart::mouseMoveEvent(QMouseEvent* event) {
  if (drag_ != Drag::None && !(event->buttons() & DragButton())) {
    EndDrag();
    return;
  }
  const QPoint position = event->position().toPoint();
  if (drag_ == Drag::Zoom) {
    dragPosition_ = position;
    update();
  } else if (drag_ == Drag::Scroll) {
    const QPoint movement = position - dragPosition_;
    dragPosition_ = position;
    ScrollBy(movement);
  }
}

void TChart::mouseReleaseEvent(QMouseEvent* event) {
  if (drag_ == Drag::None || event->button() != DragButton()) return;
  const bool zoom = drag_ == Drag::Zoom;
  EndDrag();
  const QPoint position = event->position().toPoint();
  if (zoom && std::abs(position.x() - dragStart_.x()) > kZoomThreshold &&
      std::abs(position.y() - dragStart_.y()) > kZoomThreshold) {
    if (position.x() > dragStart_.x())
      ZoomTo(Spanning(dragStart_, position));
    else
      Undo();
  }
}

void TChart::wheelEvent(QWheelEvent* event) {
  // The wheel turns the chart that has the keyboard focus; Qt hands the event to the
  // widget under the pointer.
  auto* focused = qobject_cast<TChart*>(QApplication::focusWidget());
  if (focused == nullptr) {
    event->ignore();
    return;
  }
  event->accept();
  focused->TurnWheel(event->angleDelta().y());
}

Qt::MouseButton TChart::DragButton() const noexcept {
  switch (drag_) {
    case Drag::Zoom:
      return Qt::LeftButton;
    case Drag::Scroll:
      return Qt::RightButton;
    case Drag::None:
      break;
  }
  return Qt::NoButton;
}

void TChart::EndDrag() {
  if (drag_ == Drag::None) return;
  drag_ = Drag::None;
  zoomBackground_ = QPixmap();
  update();
}

void TChart::TurnWheel(int angle) {
  wheelAngle_ += angle;
  const int notches = wheelAngle_ / kWheelNotchAngle;
  wheelAngle_ -= notches * kWheelNotchAngle;
  for (int notch = 0; notch < std::abs(notches); ++notch)
    ShiftLeftAxisByNotch(notches > 0 ? 1 : -1);
}

void TChart::SaveScalingOnce() {
  if (!savedScaling_) savedScaling_ = scaling_;
}

void TChart::SetScaling(const Scaling& scaling) {
  scaling_ = scaling;
  layout_.reset();
  update();
}

void TChart::ZoomTo(const QRect& rectangle) {
  if (PlotRect().isEmpty()) return;
  const detail::PlotArea plot = Layout().plot;
  SaveScalingOnce();
  const auto fixedRange = [](double minimum, double maximum) {
    minimum = ClampFinite(minimum);
    maximum = std::max(ClampFinite(maximum), minimum + kMinimumZoomExtent);
    // Where the doubles are coarser than the minimum extent, the neighbouring double: the
    // next one above, or at the largest double the one below.
    if (!(maximum > minimum)) {
      if (minimum == kLargest) minimum = std::nextafter(kLargest, 0.0);
      maximum = std::nextafter(minimum, kLargest);
    }
    return AxisScaling{false, {minimum, maximum}};
  };
  SetScaling({fixedRange(plot.x.Value(rectangle.left()), plot.x.Value(rectangle.right())),
              fixedRange(plot.y.Value(rectangle.bottom()), plot.y.Value(rectangle.top()))});
}

void TChart::ScrollBy(QPoint movement) {
  if (PlotRect().isEmpty() || movement.isNull()) return;
  const detail::PlotArea plot = Layout().plot;
  SaveScalingOnce();
  // The axes move against the mouse by the values the movement spans, so that the drawing
  // follows the mouse.
  const auto shifted = [](const AxisMapping& mapping, int pixels) {
    const double shift = mapping.Value(mapping.Start()) - mapping.Value(mapping.Start() + pixels);
    return AxisScaling{false, ShiftedRange(mapping.Range(), shift)};
  };
  SetScaling({shifted(plot.x, movement.x()), shifted(plot.y, movement.y())});
}

void TChart::ShiftLeftAxisByNotch(int direction) {
  if (PlotRect().isEmpty()) return;
  const AxisRange leftRange = LeftAxisRange();
  SaveScalingOnce();
  // An automatic axis shifts by a share of the values' own range, without the room it
  // leaves for the markers.
  AxisRange valueRange = leftRange;
  if (scaling_.left.automatic) valueRange = series_.Count() == 0 ? AxisRange{} : series_.YRange();
  const double shift =
      direction * kWheelShiftFraction * ClampFinite(valueRange.maximum - valueRange.minimum);
  SetScaling({scaling_.bottom, {false, ShiftedRange(leftRange, shift)}});
}

void TChart::Undo() {
  const Scaling restored = savedScaling_.value_or(scaling_);
  savedScaling_.reset();
  SetScaling(restored);
}

}  // namespace widgets
