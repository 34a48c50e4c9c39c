#pragma once

// A text pane of a TRzStatusBar.

#include <QColor>
#include <QFlags>
#include <QString>
#include <QWidget>

namespace widgets {

// A pane of fixed width that shows one line of text over the status bar's gradient.
//
// The pane has no background of its own. Its text is drawn in the widget's font (set it with
// QWidget::setFont) and in TextColor(); the text area is the pane inset on every side by
// BorderWidth() + 1, the text starts kCaptionOffset + 1 pixels into it (5 pixels from the
// pane's left edge for border width 1) and is centred vertically on the height of "Pp" in the
// font, and it is clipped to the text area. A pane that does not start at its parent's left
// edge draws a separator: a 1-pixel vertical line BorderWidth() pixels in from its left edge,
// as high as the text area, in the button-face colour (QPalette::Button) darkened by 40.
//
// Every setter repaints the pane, so a window can give it a hover look from the signals that
// report the mouse moving over it and leaving it; clicks on any part of the pane are reported
// with their button. The pane never takes the keyboard focus.
class TRzFieldStatus : public QWidget {
  Q_OBJECT

 public:
  // The extra indent of the text inside the text area.
  static constexpr int kCaptionOffset = 2;

  enum TextStyleFlag { Bold = 0x1, Italic = 0x2, Underline = 0x4, StrikeOut = 0x8 };
  Q_DECLARE_FLAGS(TextStyles, TextStyleFlag)

  explicit TRzFieldStatus(QWidget* parent = nullptr);

  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);

  // The width of the pane's border, which insets the text area and places the separator.
  // Initially 1.
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int width);

  // Initially the window-text colour of the palette (QPalette::WindowText).
  QColor TextColor() const;
  void SetTextColor(const QColor& color);

  // Which of bold, italic, underline and strike-out the font shows; the other properties of
  // the font stay as they are.
  TextStyles TextStyle() const;
  void SetTextStyle(TextStyles style);

 signals:
  // The mouse moved over the pane; sent for every movement.
  void MouseMoved(QPoint position);
  // The mouse left the pane.
  void MouseLeft();
  // A button was pressed and released on the pane, anywhere within it.
  void Clicked(Qt::MouseButton button);

 protected:
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
  int borderWidth_ = 1;
  // The buttons pressed on the pane and not yet released; a release completes a click only
  // for one of them.
  Qt::MouseButtons pressedButtons_;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TRzFieldStatus::TextStyles)

}  // namespace widgets
