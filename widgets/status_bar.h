#pragma once

// The status bar along the bottom edge of a window: a gradient, text panes and a size grip.

#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QWidget>

namespace widgets {

class TRzFieldStatus;

// A bar of fixed height that docks itself along the bottom edge of its parent widget.
//
// Created as a child of a window's client widget, the bar spans that widget's full width at
// its bottom edge and follows every resize of it; it needs no layout. Its background is a
// vertical gradient from the button-face colour (QPalette::Button) darkened by 20 at the top
// row to the window colour (QPalette::Base) at the bottom row, with no border.
//
// Panes are added left to right with AddPane and keep their places and widths when the bar
// is resized; the bar to the right of the last pane stays empty. Typical use:
//
//   auto* bar = new TRzStatusBar(window);
//   TRzFieldStatus* author = bar->AddPane(58);
//   author->SetCaption(...); author->setFont(...);
//
// The size grip occupies the rightmost kGripWidth pixels: six dots, each a 2 x 2 square in the
// window colour under a 2 x 2 square in the button-face colour darkened by 40 one pixel up
// and left; the diagonal resize pointer; and a left press there resizes the top-level window
// from its bottom-right corner (by the window system where it offers that, by hand
// otherwise). The grip is shown only while the top-level window can be resized (its minimum
// and maximum sizes differ when the bar is shown) and is neither maximised nor full screen;
// it follows the window's state changes.
//
// Neither the bar nor its panes take the keyboard focus.
class TRzStatusBar : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kHeight = 27;
  static constexpr int kGripWidth = 13;

  explicit TRzStatusBar(QWidget* parent = nullptr);

  // A new pane right of those added before, width pixels wide and as high as the bar. The
  // bar owns it.
  TRzFieldStatus* AddPane(int width);

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void WatchParentAndWindow();
  void DockToParent();
  void UpdateGrip();
  bool GripAllowed() const;
  bool HandleGripMouse(QEvent* event);

  // A child over the grip's strip: it carries the pointer shape and takes the presses.
  QWidget* grip_;
  QPointer<QWidget> dockedTo_;
  QPointer<QWidget> topLevel_;
  int panesRight_ = 0;

  // A resize by hand, on platforms that cannot resize the window from its border for us.
  bool resizingByHand_ = false;
  QPoint resizeOrigin_;
  QSize resizeStartSize_;
};

}  // namespace widgets
