#include "shell/file_dialog.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QWidget>

#include "shell/modal.h"

namespace shell {

TFileDialog::TFileDialog(Kind kind, QWidget* owner) : QObject(owner), owner_(owner), kind_(kind) {}

bool TFileDialog::Execute() {
  QFileDialog dialog(owner_);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (kind_ == Kind::Open) {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  }
  dialog.setDirectory(initialDir_);
  // Every file is listed, and there is no list of file types to choose from.
  for (const char* typeList : {"fileTypeCombo", "fileTypeLabel"}) {
    if (auto* widget = dialog.findChild<QWidget*>(QLatin1String(typeList))) widget->hide();
  }
  // The name box gets FileName as it stands, an absolute path too: selectFile() would move
  // the dialog to that path's folder, and every showing is to start in InitialDir.
  if (auto* nameBox = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
    nameBox->setText(fileName_);
  }
  if (ExecModal(dialog) != QDialog::Accepted) return false;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return false;
  fileName_ = chosen.first();
  return true;
}

}  // namespace shell
