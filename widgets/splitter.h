#pragma once

// A two-pane splitter that keeps its division as a whole-number percentage.

#include <QPointer>
#include <QWidget>

namespace widgets {

// Two panes stacked vertically and divided by a horizontal bar the user can drag.
//
// Each pane holds one widget that fills it. The division is a whole-number percentage P,
// initially 50, of S = height() - 2 (the height less half the bar). Whenever the splitter's
// size changes the bar's top row becomes P x S / 100 rounded to the nearest whole number,
// a tie going to the even one, limited to 0 .. height() - kBarThickness; and each time the
// position is set, by a resize or a drag, P is re-derived from it as Position() / S x 100,
// rounded the same way (0 when S is 0). The upper pane holds rows 0 .. Position() - 1, the
// bar the next kBarThickness rows and the lower pane the rest; either pane may be 0 pixels
// high. At 357 pixels the bar starts at row 178, at 457 pixels at row 228.
//
// A left press on the bar starts a drag: the splitter takes the keyboard focus and shows an
// outline of the bar (every other pixel of the bar's rectangle inverted, in a checkerboard)
// that follows the mouse's vertical travel, limited like the position. The mouse stays
// captured until the button is released, by the grab Qt gives the pressed widget (every
// platform honours it, where some refuse an explicit grab). The panes change only on the
// release. A drag that loses the mouse before the release (a dialog comes up, the splitter
// loses the focus or is hidden) ends without moving the bar. Over the bar the pointer is
// Qt::SplitVCursor (two lines with an arrow up and one down). The bar is painted in the
// button-face colour (QPalette::Button), with neither frame nor grip marks. Typical use:
//
//   auto* splitter = new TRzSplitter(window);
//   splitter->SetUpperWidget(new Chart(splitter));
//   splitter->SetLowerWidget(new Chart(splitter));
class TRzSplitter : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kBarThickness = 4;
  static constexpr int kInitialPercent = 50;

  explicit TRzSplitter(QWidget* parent = nullptr);

  // Puts widget into the upper or the lower pane and makes the splitter its parent; like
  // QScrollArea::setWidget, a widget that held the pane before is deleted. Null empties the
  // pane.
  void SetUpperWidget(QWidget* widget);
  void SetLowerWidget(QWidget* widget);
  QWidget* UpperWidget() const { return upper_; }
  QWidget* LowerWidget() const { return lower_; }

  int Percent() const { return percent_; }
  // The bar's top row.
  int Position() const { return position_; }
  // Moves the bar to position, limited to 0 .. height() - kBarThickness, re-derives Percent()
  // and resizes the panes.
  void SetPosition(int position);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SetPaneWidget(QPointer<QWidget>& pane, QWidget* widget);
  int LimitPosition(int position) const;
  void LayOutPanes();
  void PaintOutline();
  bool HandleBarMouse(QEvent* event);
  void CancelDrag();

  QPointer<QWidget> upper_;
  QPointer<QWidget> lower_;
  // A child over the bar: it carries the pointer shape and takes the presses.
  QWidget* bar_;
  // A child over everything else that shows the bar's outline while it is dragged.
  QWidget* outline_;
  int percent_ = kInitialPercent;
  int position_ = 0;

  bool dragging_ = false;
  int dragStartPosition_ = 0;
  int dragStartY_ = 0;
  int outlinePosition_ = 0;
};

}  // namespace widgets
