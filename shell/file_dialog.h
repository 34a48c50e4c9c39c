#pragma once

// The window's open and save dialogs. Each showing builds a fresh dialog of Qt's own kind
// (the same on every desktop, and the one that works without a display server), starting
// in InitialDir with FileName in its name box. There is no file-type filter, no default
// extension and no question before an existing file is replaced, and a name of a file
// that does not exist is accepted: the failure surfaces when the file is opened or
// created.

#include <QObject>
#include <QString>

class QWidget;

namespace shell {

class TFileDialog : public QObject {
  Q_OBJECT

 public:
  enum class Kind { Open, Save };

  // The dialog is owned by, and shown over, owner.
  TFileDialog(Kind kind, QWidget* owner);

  Kind DialogKind() const { return kind_; }
  const QString& InitialDir() const { return initialDir_; }
  void SetInitialDir(const QString& folder) { initialDir_ = folder; }
  const QString& FileName() const { return fileName_; }
  void SetFileName(const QString& name) { fileName_ = name; }

  // Shows the dialog modally. Returns true when the user confirmed a file, whose absolute
  // path is then FileName; false when the user cancelled, leaving FileName as it was.
  [[nodiscard]] bool Execute();

 private:
  QWidget* owner_;
  Kind kind_;
  QString initialDir_;
  QString fileName_;
};

}  // namespace shell
