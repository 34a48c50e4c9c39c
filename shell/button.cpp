#include "shell/button.h"

#include <QKeyEvent>

namespace shell {

TButton::TButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
  setAutoDefault(false);
  setDefault(false);
}

void TButton::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  // The keypad's Enter carries the keypad modifier; it is no modifier the user holds.
  const bool unmodified = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (enter && unmodified) {
    click();
    return;
  }
  QPushButton::keyPressEvent(event);
}

}  // namespace shell
