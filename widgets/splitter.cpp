#include "widgets/splitter.h"

#include <algorithm>

#include <QBrush>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include "widgets/rounding.h"

namespace widgets {
namespace {

// Half the bar is left out of the height that the percentage divides.
constexpr int kHalfBar = TRzSplitter::kBarThickness / 2;
constexpr int kWholePercent = 100;

int GlobalY(const QEvent* event) {
  return static_cast<const QMouseEvent*>(event)->globalPosition().toPoint().y();
}

Qt::MouseButton Button(const QEvent* event) {
  return static_cast<const QMouseEvent*>(event)->button();
}

}  // namespace

TRzSplitter::TRzSplitter(QWidget* parent)
    : QWidget(parent), bar_(new QWidget(this)), outline_(new QWidget(this)) {
  bar_->setCursor(Qt::SplitVCursor);
  bar_->installEventFilter(this);
  outline_->setAttribute(Qt::WA_TransparentForMouseEvents);
  outline_->installEventFilter(this);
  outline_->hide();
  LayOutPanes();
}

void TRzSplitter::SetUpperWidget(QWidget* widget) { SetPaneWidget(upper_, widget); }

void TRzSplitter::SetLowerWidget(QWidget* widget) { SetPaneWidget(lower_, widget); }

void TRzSplitter::SetPosition(int position) {
  position_ = LimitPosition(position);
  const int span = height() - kHalfBar;
  percent_ = span == 0 ? 0 : RoundQuotientToEven(position_ * kWholePercent, span);
  LayOutPanes();
}

bool TRzSplitter::eventFilter(QObject* watched, QEvent* event) {
  if (watched == outline_ && event->type() == QEvent::Paint) {
    PaintOutline();
    return true;
  }
  if (watched == bar_ && HandleBarMouse(event)) return true;
  return QWidget::eventFilter(watched, event);
}

// A dialog that comes up during a drag takes the focus and the release with it.
void TRzSplitter::focusOutEvent(QFocusEvent* event) {
  CancelDrag();
  QWidget::focusOutEvent(event);
}

void TRzSplitter::hideEvent(QHideEvent* event) {
  CancelDrag();
  QWidget::hideEvent(event);
}

void TRzSplitter::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Button));
}

void TRzSplitter::resizeEvent(QResizeEvent* /*event*/) {
  SetPosition(RoundQuotientToEven(percent_ * (height() - kHalfBar), kWholePercent));
}

void TRzSplitter::SetPaneWidget(QPointer<QWidget>& pane, QWidget* widget) {
  if (pane == widget) return;
  delete pane.data();
  pane = widget;
  if (widget != nullptr) {
    widget->setParent(this);
    widget->show();
  }
  bar_->raise();
  outline_->raise();
  LayOutPanes();
}

int TRzSplitter::LimitPosition(int position) const {
  return std::max(0, std::min(position, height() - kBarThickness));
}

void TRzSplitter::LayOutPanes() {
  const int lowerTop = position_ + kBarThickness;
  if (upper_ != nullptr) upper_->setGeometry(0, 0, width(), position_);
  bar_->setGeometry(0, position_, width(), kBarThickness);
  if (lower_ != nullptr)
    lower_->setGeometry(0, lowerTop, width(), std::max(0, height() - lowerTop));
  update();
}

void TRzSplitter::PaintOutline() {
  QPainter painter(outline_);
  // Difference with white inverts each pixel the checkerboard sets and keeps the others, so
  // the outline is its own inverse; moving the child makes Qt repaint what it uncovers.
  painter.setCompositionMode(QPainter::CompositionMode_Difference);
  painter.fillRect(outline_->rect(), QBrush(Qt::white, Qt::Dense4Pattern));
}

bool TRzSplitter::HandleBarMouse(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      if (Button(event) != Qt::LeftButton || dragging_) return true;
      dragging_ = true;
      dragStartPosition_ = position_;
      dragStartY_ = GlobalY(event);
      outlinePosition_ = position_;
      setFocus(Qt::MouseFocusReason);
      outline_->setGeometry(0, outlinePosition_, width(), kBarThickness);
      outline_->show();
      return true;
    case QEvent::MouseMove: {
      if (!dragging_) return false;
      const int position = LimitPosition(dragStartPosition_ + GlobalY(event) - dragStartY_);
      if (position != outlinePosition_) {
        outlinePosition_ = position;
        outline_->move(0, outlinePosition_);
      }
      return true;
    }
    case QEvent::MouseButtonRelease:
      if (Button(event) != Qt::LeftButton || !dragging_) return true;
      dragging_ = false;
      outline_->hide();
      SetPosition(outlinePosition_);
      return true;
    default:
      return false;
  }
}

void TRzSplitter::CancelDrag() {
  if (!dragging_) return;
  dragging_ = false;
  outline_->hide();
}

}  // namespace widgets
