#pragma once

// Every dialog and message box of the program is shown through ExecModal, so that there
// is one place where a test can answer them in place of a person.

#include <functional>

class QDialog;

namespace shell {

// Shows the dialog modally and returns its result code (QDialog::exec()).
int ExecModal(QDialog& dialog);

// While an override lives, ExecModal hands each dialog to its function instead of showing
// it; the function answers the dialog (for instance by filling and accepting it) and
// returns the result code that exec() would have returned. Overrides nest; the innermost
// one is in force.
class ModalOverride {
 public:
  explicit ModalOverride(std::function<int(QDialog&)> answer);
  ~ModalOverride();

  ModalOverride(const ModalOverride&) = delete;
  ModalOverride& operator=(const ModalOverride&) = delete;

 private:
  std::function<int(QDialog&)> previous_;
};

}  // namespace shell
