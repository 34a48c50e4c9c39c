#pragma once

// A single-line edit box that selects all its text whenever the focus enters it other than
// by a mouse click, so that the next typing replaces the text. Coming back to the box when
// its window is activated again is not entering it: the selection stays as it was.

#include <QLineEdit>

namespace shell {

class TEdit : public QLineEdit {
  Q_OBJECT

 public:
  TEdit(const QString& text, QWidget* parent);

 protected:
  void focusInEvent(QFocusEvent* event) override;
};

}  // namespace shell
