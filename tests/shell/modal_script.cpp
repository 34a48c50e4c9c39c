#include "tests/shell/modal_script.h"

#include <utility>

#include <QAbstractItemView>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <gtest/gtest.h>

#include "shell/message_box.h"

namespace shell::test_support {

ModalScript::ModalScript() : override_([this](QDialog& dialog) { return Answer(dialog); }) {}

std::vector<Shown> ModalScript::TakeShown() { return std::exchange(shown_, {}); }

int ModalScript::Answer(QDialog& dialog) {
  const bool underWaitPointer = QGuiApplication::overrideCursor() != nullptr &&
                                QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
  if (auto* box = qobject_cast<TMessageBox*>(&dialog)) {
    shown_.push_back(
        {Shown::Kind::Box, box->windowTitle(), box->Text(), box->Icon(), {}, underWaitPointer});
    return QDialog::Accepted;
  }
  auto* files = qobject_cast<QFileDialog*>(&dialog);
  if (files == nullptr) {
    ADD_FAILURE() << "an unexpected kind of dialog was shown";
    return QDialog::Rejected;
  }
  auto* nameBox = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  shown_.push_back({files->acceptMode() == QFileDialog::AcceptOpen ? Shown::Kind::OpenDialog
                                                                   : Shown::Kind::SaveDialog,
                    {},
                    nameBox != nullptr ? nameBox->text() : QString(),
                    QMessageBox::NoIcon,
                    files->directory().absolutePath(),
                    underWaitPointer});
  if (answers_.empty()) {
    ADD_FAILURE() << "a file dialog was shown that the test did not expect";
    return QDialog::Rejected;
  }
  const std::optional<QString> answer = answers_.front();
  answers_.pop_front();
  if (!answer) return QDialog::Rejected;
  // As a person would: the name typed over whatever the name box offered (typing there
  // drops the selection of the file list), then the dialog's own confirmation, which checks
  // the name.
  if (nameBox == nullptr) {
    ADD_FAILURE() << "the file dialog has no name box";
    return QDialog::Rejected;
  }
  if (auto* list = files->findChild<QAbstractItemView*>(QStringLiteral("listView"))) {
    list->clearSelection();
  }
  nameBox->setText(*answer);
  static_cast<QDialog*>(files)->accept();  // QFileDialog's own, protected there
  return files->result();
}

}  // namespace shell::test_support
