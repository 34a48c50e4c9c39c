#pragma once

// The window of the program's message boxes.

#include <QDialog>
#include <QMessageBox>
#include <QString>

class QPushButton;

namespace shell {

class TMessageText;

// A modal message box: the caption, the platform's icon of its kind, the text exactly as
// given, and one OK button, which is the default and has the keyboard focus, so that Enter
// dismisses the box; Esc and the close box dismiss it as well.
//
// The box appears centred on the screen of its parent (the primary screen without one),
// over the parent. It takes the size its text needs, up to half the width and height of
// that screen (narrower still for a short text, as a standard message box wraps it), and
// never changes it. A text that needs more room scrolls, and shows its end when the box
// comes up: a message ends in what went wrong, after whatever it quotes. However long the
// text, the box lays out only the lines in sight (see TMessageText).
class TMessageBox : public QDialog {
  Q_OBJECT

 public:
  TMessageBox(QMessageBox::Icon icon, const QString& caption, const QString& text,
              QWidget* parent = nullptr);

  QMessageBox::Icon Icon() const { return icon_; }
  const QString& Text() const;
  QPushButton* OkButton() const { return ok_; }
  TMessageText* TextView() const { return text_; }

 private:
  QMessageBox::Icon icon_;
  TMessageText* text_;
  QPushButton* ok_;
};

}  // namespace shell
