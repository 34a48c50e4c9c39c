#include "widgets/chart.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QWheelEvent>
#include <qdrawutil.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "widgets/number_pattern.h"
#include "widgets/rounding.h"
#include "widgets/series_painter.h"

namespace widgets {
namespace {

constexpr int kBevelWidth = 1;
constexpr int kMarginPercentX = 3;
constexpr int kMarginPercentY = 4;
constexpr int kAxisLineWidth = 2;
constexpr int kMajorTickLength = 4;
constexpr int kMinorTickLength = 2;
constexpr int kMinorTicksBetweenLabels = 3;
constexpr int kLabelGap = 2;
// A plot area needs a few pixels inside its frame to show anything.
constexpr int kMinimumPlotExtent = 4;
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

int PercentOf(int length, int percent) { return RoundQuotientToEven(length * percent, 100); }

// The rectangle with corners a and b, whichever way round they lie.
QRect Spanning(QPoint a, QPoint b) {
  return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
               QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

QString FifteenDigits(double value) { return QString::number(value, 'g', 15); }

struct AxisLabel {
  double value;
  int pixel;
  QString text;
};

// The labels of an axis at step, from the top down, with their pixels and texts. The lowest
// label value may lie a little below the axis minimum, which for large values with a small
// spread is whole pixels beside the axis; only labels whose pixel lies on the axis are kept.
std::vector<AxisLabel> LabelsOnAxis(const AxisMapping& mapping, double step,
                                    const SameLabelText& sameText,
                                    const TChart::LabelText& labelText) {
  const int first = std::min(mapping.Start(), mapping.End());
  const int last = std::max(mapping.Start(), mapping.End());
  std::vector<AxisLabel> labels;
  for (const double value : LabelValues(mapping.Range(), step, sameText)) {
    const double pixel = detail::PixelOf(mapping.Position(value));
    if (pixel >= first && pixel <= last)
      labels.push_back({value, static_cast<int>(pixel), labelText(value)});
  }
  return labels;
}

// The minor ticks of an axis: three between neighbouring labels, and as many beyond the
// outer labels as the axis reaches. Labels run from the top down.
std::vector<double> MinorTickValues(const AxisMapping& mapping, double step,
                                    const std::vector<AxisLabel>& labels) {
  std::vector<double> minors;
  const AxisRange range = mapping.Range();
  if (labels.size() < 2 || !(range.maximum > range.minimum)) return minors;
  const double minorStep = step / (kMinorTicksBetweenLabels + 1);
  const auto addBeside = [&](double label, int direction) {
    for (int k = 1; k <= kMinorTicksBetweenLabels; ++k) {
      const double value = label + direction * k * minorStep;
      if (value >= range.minimum && value <= range.maximum) minors.push_back(value);
    }
  };
  addBeside(labels.front().value, +1);
  for (const AxisLabel& label : labels) addBeside(label.value, -1);
  return minors;
}

}  // namespace

struct TChart::Layout {
  // The frame of the plot area; the series is drawn inside it.
  QRect frame;
  detail::PlotArea plot;
  double bottomStep = 0;
  double leftStep = 0;
  std::vector<AxisLabel> bottomLabels;
  std::vector<AxisLabel> leftLabels;
  // Where the left labels end (exclusive) and the bottom labels begin.
  int leftLabelsRight = 0;
  int bottomLabelsTop = 0;
};

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
  update();
}

void TChart::SetSameLabelText(SameLabelText sameLabelText) {
  sameLabelText_ = std::move(sameLabelText);
  update();
}

AxisRange TChart::BottomAxisRange() const { return ComputeLayout().plot.x.Range(); }

AxisRange TChart::LeftAxisRange() const { return ComputeLayout().plot.y.Range(); }

QRect TChart::PlotRect() const { return ComputeLayout().frame; }

void TChart::SeriesChanged() {
  if (repaintRequested_) return;
  repaintRequested_ = true;
  update();
}

AxisRange TChart::AxisRangeFor(const AxisScaling& scaling, AxisRange dataRange, int axisLength,
                               int markerMargin) const {
  if (!scaling.automatic) return scaling.range;
  if (!series_.PointerVisible()) return dataRange;
  return WidenForMarkers(dataRange, axisLength, markerMargin);
}

TChart::Layout TChart::ComputeLayout() const {
  Layout layout;
  const QFontMetrics metrics = fontMetrics();
  const int labelHeight = metrics.height();
  const int marginX = PercentOf(width(), kMarginPercentX);
  const int marginY = PercentOf(height(), kMarginPercentY);
  const int top = marginY;
  const int bottom = height() - marginY - labelHeight - kLabelGap - kMajorTickLength - kAxisLineWidth;
  if (bottom - top < kMinimumPlotExtent) return layout;

  const bool empty = series_.Count() == 0;
  const int markerReach = series_.PointerSize() + detail::kMarkerOutlineWidth / 2;

  // The left axis first: its labels decide where the plot area begins.
  const int leftStart = bottom - 1;
  const int leftEnd = top + 1;
  const AxisRange leftRange = AxisRangeFor(scaling_.left, empty ? AxisRange{} : series_.YRange(),
                                           leftStart - leftEnd, markerReach);
  layout.plot.y = AxisMapping(leftRange, leftStart, leftEnd);
  layout.leftStep = LabelStep(leftRange.maximum - leftRange.minimum,
                              LabelsThatFit(leftStart - leftEnd, labelHeight), std::nullopt);
  layout.leftLabels = LabelsOnAxis(layout.plot.y, layout.leftStep, sameLabelText_, labelText_);
  int leftLabelWidth = 0;
  for (const AxisLabel& label : layout.leftLabels)
    leftLabelWidth = std::max(leftLabelWidth, metrics.horizontalAdvance(label.text));
  // Labels of huge values would leave no room for the plot; they are cut at the left instead.
  leftLabelWidth = std::min(leftLabelWidth, width() / 2);
  const int left = marginX + leftLabelWidth + kLabelGap + kMajorTickLength + kAxisLineWidth - 1;
  const int right = width() - 1 - marginX;
  if (right - left < kMinimumPlotExtent) return Layout{};

  const int bottomStart = left + 1;
  const int bottomEnd = right - 1;
  const AxisRange dataX =
      empty ? AxisRange{} : AxisRange{series_.Points().front().x, series_.Points().back().x};
  const AxisRange bottomRange =
      AxisRangeFor(scaling_.bottom, dataX, bottomEnd - bottomStart, markerReach + 1);
  int bottomLabelSize = 0;
  for (const double value :
       {bottomRange.minimum, bottomRange.maximum, MiddleLabelValue(bottomRange)})
    bottomLabelSize = std::max(bottomLabelSize, metrics.horizontalAdvance(labelText_(value)));
  layout.plot.x = AxisMapping(bottomRange, bottomStart, bottomEnd);
  layout.bottomStep =
      LabelStep(bottomRange.maximum - bottomRange.minimum,
                LabelsThatFit(bottomEnd - bottomStart, bottomLabelSize), series_.Count());
  layout.bottomLabels = LabelsOnAxis(layout.plot.x, layout.bottomStep, sameLabelText_, labelText_);

  layout.frame = QRect(QPoint(left, top), QPoint(right, bottom));
  layout.plot.clip = layout.frame.adjusted(1, 1, -1, -1);
  layout.leftLabelsRight = left - kAxisLineWidth - kMajorTickLength - kLabelGap + 1;
  layout.bottomLabelsTop = bottom + kAxisLineWidth + kMajorTickLength + kLabelGap;
  return layout;
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
  const Layout layout = ComputeLayout();
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

void TChart::PaintAxes(QPainter& painter, const Layout& layout) const {
  const QRect& frame = layout.frame;
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRect(frame.topLeft(), frame.size() - QSize(1, 1)));
  const int axisOutside = frame.left() - (kAxisLineWidth - 1);
  painter.fillRect(QRect(axisOutside, frame.top(), kAxisLineWidth, frame.height() + kAxisLineWidth - 1),
                   Qt::black);
  painter.fillRect(QRect(axisOutside, frame.bottom(), frame.right() - axisOutside + 1, kAxisLineWidth),
                   Qt::black);

  // Ticks point outward from the axis lines.
  const int leftTickEnd = axisOutside - 1;
  const int bottomTickStart = frame.bottom() + kAxisLineWidth;
  const auto pixelOf = [](const AxisMapping& mapping, double value) {
    return static_cast<int>(detail::PixelOf(mapping.Position(value)));
  };
  for (const AxisLabel& label : layout.leftLabels)
    painter.fillRect(QRect(leftTickEnd - kMajorTickLength + 1, label.pixel, kMajorTickLength, 1),
                     kTickAndGridColor);
  for (const double value : MinorTickValues(layout.plot.y, layout.leftStep, layout.leftLabels))
    painter.fillRect(QRect(leftTickEnd - kMinorTickLength + 1, pixelOf(layout.plot.y, value),
                           kMinorTickLength, 1),
                     kTickAndGridColor);
  for (const AxisLabel& label : layout.bottomLabels)
    painter.fillRect(QRect(label.pixel, bottomTickStart, 1, kMajorTickLength), kTickAndGridColor);
  for (const double value : MinorTickValues(layout.plot.x, layout.bottomStep, layout.bottomLabels))
    painter.fillRect(QRect(pixelOf(layout.plot.x, value), bottomTickStart, 1, kMinorTickLength),
                     kTickAndGridColor);
}

void TChart::PaintLabels(QPainter& painter, const Layout& layout) const {
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
  for (int notch = 0; notch < std::abs(notches); ++notch) ShiftLeftAxisByNotch(notches > 0 ? 1 : -1);
}

void TChart::SaveScalingOnce() {
  if (!savedScaling_) savedScaling_ = scaling_;
}

void TChart::ZoomTo(const QRect& rectangle) {
  const Layout layout = ComputeLayout();
  if (layout.frame.isEmpty()) return;
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
  scaling_.bottom = fixedRange(layout.plot.x.Value(rectangle.left()),
                               layout.plot.x.Value(rectangle.right()));
  scaling_.left = fixedRange(layout.plot.y.Value(rectangle.bottom()),
                             layout.plot.y.Value(rectangle.top()));
  update();
}

void TChart::ScrollBy(QPoint movement) {
  const Layout layout = ComputeLayout();
  if (layout.frame.isEmpty() || movement.isNull()) return;
  SaveScalingOnce();
  // The axes move against the mouse by the values the movement spans, so that the drawing
  // follows the mouse.
  const auto shifted = [](const AxisMapping& mapping, int pixels) {
    const double shift = mapping.Value(mapping.Start()) - mapping.Value(mapping.Start() + pixels);
    return AxisScaling{false, ShiftedRange(mapping.Range(), shift)};
  };
  scaling_.bottom = shifted(layout.plot.x, movement.x());
  scaling_.left = shifted(layout.plot.y, movement.y());
  update();
}

void TChart::ShiftLeftAxisByNotch(int direction) {
  const Layout layout = ComputeLayout();
  if (layout.frame.isEmpty()) return;
  SaveScalingOnce();
  // An automatic axis shifts by a share of the values' own range, without the room it
  // leaves for the markers.
  AxisRange valueRange = layout.plot.y.Range();
  if (scaling_.left.automatic) valueRange = series_.Count() == 0 ? AxisRange{} : series_.YRange();
  const double shift =
      direction * kWheelShiftFraction * ClampFinite(valueRange.maximum - valueRange.minimum);
  scaling_.left = {false, ShiftedRange(layout.plot.y.Range(), shift)};
  update();
}

void TChart::Undo() {
  if (savedScaling_) scaling_ = *savedScaling_;
  savedScaling_.reset();
  update();
}

}  // namespace widgets
