#include "shell/edit_box.h"

#include <QFocusEvent>

namespace shell {

TEdit::TEdit(const QString& text, QWidget* parent) : QLineEdit(text, parent) {}

void TEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  switch (event->reason()) {
    case Qt::MouseFocusReason:
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
      break;
    default:
      selectAll();
      break;
  }
}

}  // namespace shell
