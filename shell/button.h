#pragma once

// A push button as the window's buttons behave: never a default button, but Enter or
// Return, without Shift, Ctrl or Alt, clicks the button that has the focus, as Space does.

#include <QPushButton>

namespace shell {

class TButton : public QPushButton {
  Q_OBJECT

 public:
  TButton(const QString& caption, QWidget* parent);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace shell
