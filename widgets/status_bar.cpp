#include "widgets/status_bar.h"

#include <initializer_list>

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QWindow>

#include "widgets/color_darkening.h"
#include "widgets/field_status.h"
#include "widgets/rounding.h"

namespace widgets {
namespace {

constexpr int kGradientDarkening = 20;
constexpr int kGripDarkening = 40;
constexpr int kDotSize = 2;
// The window-coloured square of each grip dot: its left column counted back from the bar's
// right end, its top row counted up from the bar's bottom row. Column i (from the right)
// holds the rows i and below, which makes the triangle.
constexpr int kDotColumnsFromRight[] = {5, 9, 13};
constexpr int kDotRowsFromBottom[] = {12, 8, 4};
constexpr int kDotCount = 3;

// The colour a step of the way from `from` to `to`, which the last step reaches.
QColor Blend(const QColor& from, const QColor& to, int step, int lastStep) {
  if (lastStep == 0) return from;
  const auto channel = [step, lastStep](int start, int end) {
    return RoundQuotientToEven(start * (lastStep - step) + end * step, lastStep);
  };
  return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
                channel(from.blue(), to.blue()));
}

}  // namespace

TRzStatusBar::TRzStatusBar(QWidget* parent) : QWidget(parent), grip_(new QWidget(this)) {
  setFocusPolicy(Qt::NoFocus);
  setFixedHeight(kHeight);
  grip_->setCursor(Qt::SizeFDiagCursor);
  grip_->installEventFilter(this);
  WatchParentAndWindow();
  DockToParent();
  UpdateGrip();
}

TRzFieldStatus* TRzStatusBar::AddPane(int width) {
  auto* pane = new TRzFieldStatus(this);
  pane->setGeometry(panesRight_, 0, width, kHeight);
  pane->show();
  panesRight_ += width;
  // Where a narrow bar lets the panes reach the grip, the grip stays on top.
  grip_->raise();
  return pane;
}

bool TRzStatusBar::event(QEvent* event) {
  if (event->type() == QEvent::ParentChange) {
    WatchParentAndWindow();
    DockToParent();
    UpdateGrip();
  }
  return QWidget::event(event);
}

bool TRzStatusBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == grip_) {
    if (HandleGripMouse(event)) return true;
  } else {
    if (watched == dockedTo_ && event->type() == QEvent::Resize) DockToParent();
    if (watched == topLevel_ && event->type() == QEvent::WindowStateChange) UpdateGrip();
  }
  return QWidget::eventFilter(watched, event);
}

void TRzStatusBar::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QColor buttonFace = palette().color(QPalette::Button);
  const QColor windowColor = palette().color(QPalette::Base);
  const QColor gradientTop = DarkenColor(buttonFace, kGradientDarkening);
  const int lastRow = height() - 1;
  for (int row = 0; row <= lastRow; ++row) {
    painter.fillRect(0, row, width(), 1, Blend(gradientTop, windowColor, row, lastRow));
  }
  if (grip_->isHidden()) return;

  const QColor shade = DarkenColor(buttonFace, kGripDarkening);
  for (int column = 0; column < kDotCount; ++column) {
    for (int row = column; row < kDotCount; ++row) {
      const int left = width() - kDotColumnsFromRight[column];
      const int top = lastRow - kDotRowsFromBottom[row];
      painter.fillRect(left, top, kDotSize, kDotSize, windowColor);
      painter.fillRect(left - 1, top - 1, kDotSize, kDotSize, shade);
    }
  }
}

void TRzStatusBar::resizeEvent(QResizeEvent* /*event*/) {
  grip_->setGeometry(width() - kGripWidth, 0, kGripWidth, height());
}

void TRzStatusBar::showEvent(QShowEvent* /*event*/) {
  // An ancestor may have been moved into another window since the bar was created.
  WatchParentAndWindow();
  UpdateGrip();
}

void TRzStatusBar::WatchParentAndWindow() {
  for (QWidget* watched : {dockedTo_.data(), topLevel_.data()}) {
    if (watched != nullptr) watched->removeEventFilter(this);
  }
  dockedTo_ = parentWidget();
  topLevel_ = window();
  for (QWidget* watched : {dockedTo_.data(), topLevel_.data()}) {
    if (watched != nullptr && watched != this) watched->installEventFilter(this);
  }
}

void TRzStatusBar::DockToParent() {
  if (dockedTo_ == nullptr) return;
  setGeometry(0, dockedTo_->height() - kHeight, dockedTo_->width(), kHeight);
}

void TRzStatusBar::UpdateGrip() {
  grip_->setVisible(GripAllowed());
  update();
}

bool TRzStatusBar::GripAllowed() const {
  const QWidget* top = window();
  const bool resizable = top->minimumSize() != top->maximumSize();
  return resizable && !(top->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
}

bool TRzStatusBar::HandleGripMouse(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) return true;
      QWindow* handle = window()->windowHandle();
      if (handle != nullptr && handle->startSystemResize(Qt::BottomEdge | Qt::RightEdge))
        return true;
      resizingByHand_ = true;
      resizeOrigin_ = mouse->globalPosition().toPoint();
      resizeStartSize_ = window()->size();
      return true;
    }
    case QEvent::MouseMove: {
      if (!resizingByHand_) return false;
      const QPoint travel =
          static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - resizeOrigin_;
      window()->resize(resizeStartSize_ + QSize(travel.x(), travel.y()));
      return true;
    }
    case QEvent::MouseButtonRelease:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) resizingByHand_ = false;
      return true;
    default:
      return false;
  }
}

}  // namespace widgets
