#include "widgets/field_status.h"

#include <QFont>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include "widgets/color_darkening.h"

namespace widgets {
namespace {

constexpr int kSeparatorDarkening = 40;
// The text is centred on the height of this sample, which spans ascenders and descenders.
const char* const kHeightSample = "Pp";

}  // namespace

TRzFieldStatus::TRzFieldStatus(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setMouseTracking(true);
}

void TRzFieldStatus::SetCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void TRzFieldStatus::SetBorderWidth(int width) {
  borderWidth_ = width;
  update();
}

QColor TRzFieldStatus::TextColor() const { return palette().color(QPalette::WindowText); }

void TRzFieldStatus::SetTextColor(const QColor& color) {
  QPalette textPalette = palette();
  textPalette.setColor(QPalette::WindowText, color);
  setPalette(textPalette);
  update();
}

TRzFieldStatus::TextStyles TRzFieldStatus::TextStyle() const {
  const QFont& current = font();
  TextStyles style;
  style.setFlag(Bold, current.bold());
  style.setFlag(Italic, current.italic());
  style.setFlag(Underline, current.underline());
  style.setFlag(StrikeOut, current.strikeOut());
  return style;
}

void TRzFieldStatus::SetTextStyle(TextStyles style) {
  QFont styled = font();
  styled.setBold(style.testFlag(Bold));
  styled.setItalic(style.testFlag(Italic));
  styled.setUnderline(style.testFlag(Underline));
  styled.setStrikeOut(style.testFlag(StrikeOut));
  setFont(styled);
  update();
}

void TRzFieldStatus::leaveEvent(QEvent* /*event*/) { emit MouseLeft(); }

void TRzFieldStatus::mouseMoveEvent(QMouseEvent* event) {
  emit MouseMoved(event->position().toPoint());
}

void TRzFieldStatus::mousePressEvent(QMouseEvent* event) {
  pressedButtons_.setFlag(event->button());
}

void TRzFieldStatus::mouseReleaseEvent(QMouseEvent* event) {
  const Qt::MouseButton button = event->button();
  const bool pressedHere = pressedButtons_.testFlag(button);
  pressedButtons_.setFlag(button, false);
  if (pressedHere && rect().contains(event->position().toPoint())) emit Clicked(button);
}

void TRzFieldStatus::paintEvent(QPaintEvent* /*event*/) {
  const int inset = borderWidth_ + 1;
  const QRect textArea = rect().adjusted(inset, inset, -inset, -inset);
  if (textArea.isEmpty()) return;

  QPainter painter(this);
  if (x() > 0) {
    const QColor separator = DarkenColor(palette().color(QPalette::Button), kSeparatorDarkening);
    painter.fillRect(borderWidth_, textArea.top(), 1, textArea.height(), separator);
  }
  if (caption_.isEmpty()) return;

  const QFontMetrics metrics(font());
  const int textHeight =
      metrics.size(Qt::TextSingleLine, QString::fromLatin1(kHeightSample)).height();
  const int textTop = textArea.top() + (textArea.height() - textHeight) / 2;
  painter.setClipRect(textArea);
  painter.setPen(TextColor());
  painter.drawText(textArea.left() + kCaptionOffset + 1, textTop + metrics.ascent(), caption_);
}

}  // namespace widgets
