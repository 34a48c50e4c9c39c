#include "shell/modal.h"

#include <utility>

#include <QDialog>

namespace shell {
namespace {

std::function<int(QDialog&)>& CurrentOverride() {
  static std::function<int(QDialog&)> answer;
  return answer;
}

}  // namespace

int ExecModal(QDialog& dialog) {
  // A copy, so that an answer may install an override of its own.
  if (const auto answer = CurrentOverride()) return answer(dialog);
  return dialog.exec();
}

ModalOverride::ModalOverride(std::function<int(QDialog&)> answer)
    : previous_(std::exchange(CurrentOverride(), std::move(answer))) {}

ModalOverride::~ModalOverride() { CurrentOverride() = std::move(previous_); }

}  // namespace shell
