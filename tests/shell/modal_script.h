#pragma once

// Answers the program's dialogs and boxes in place of a person, through the one seam the
// program shows them through, and records what was shown.

#include <deque>
#include <optional>
#include <vector>

#include <QMessageBox>
#include <QString>

#include "shell/modal.h"
#include "tests/shell/qt_printers.h"

namespace shell::test_support {

struct Shown {
  enum class Kind { OpenDialog, SaveDialog, Box };
  Kind kind;
  // A box: its caption, text and icon. A file dialog: the folder it starts in and the text
  // of its name box.
  QString caption;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString folder;
  // Whether the wait pointer showed while the dialog or box waited for the person.
  bool underWaitPointer = false;
};

class ModalScript {
 public:
  ModalScript();

  // The next file dialog gets this name typed into its name box and is confirmed.
  void Choose(const QString& typedName) { answers_.push_back(typedName); }
  // The next file dialog is cancelled.
  void Cancel() { answers_.push_back(std::nullopt); }

  // Everything shown since the last call, in order; the record starts anew.
  [[nodiscard]] std::vector<Shown> TakeShown();

 private:
  int Answer(QDialog& dialog);

  std::deque<std::optional<QString>> answers_;
  std::vector<Shown> shown_;
  ModalOverride override_;
};

}  // namespace shell::test_support
