#include "shell/message_boxes.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QWidget>

#include "model/errors.h"
#include "shell/message_box.h"
#include "shell/modal.h"

namespace shell {
namespace {

const QString kWarningCaption = QStringLiteral("Warning");

// Remembers the active window and its focused control while a box is up, and gives both
// back when the box has closed, whatever the window system does on its own.
class FocusKeeper {
 public:
  FocusKeeper() : window_(QApplication::activeWindow()), focus_(QApplication::focusWidget()) {}
  ~FocusKeeper() {
    if (window_) window_->activateWindow();
    // Returning to a control is not entering it anew: an edit box keeps its selection.
    if (focus_) focus_->setFocus(Qt::ActiveWindowFocusReason);
  }

  FocusKeeper(const FocusKeeper&) = delete;
  FocusKeeper& operator=(const FocusKeeper&) = delete;

  QWidget* Window() const { return window_; }

 private:
  QPointer<QWidget> window_;
  QPointer<QWidget> focus_;
};

void ShowBox(QMessageBox::Icon icon, const QString& caption, const QString& text) {
  const FocusKeeper keeper;
  TMessageBox box(icon, caption, text, keeper.Window());
  ExecModal(box);
}

}  // namespace

void ShowWarning(const QString& text) { ShowBox(QMessageBox::Warning, kWarningCaption, text); }

void ShowException(const model::Exception& error) {
  static const QString title = detail::ApplicationTitle(QCoreApplication::applicationFilePath());
  ShowBox(QMessageBox::Critical, title,
          detail::WithClosingFullStop(QString::fromStdU16String(error.Message())));
}

namespace detail {

QString ApplicationTitle(const QString& executablePath) {
  QString name = QFileInfo(executablePath).fileName();
  const qsizetype firstFullStop = name.indexOf(u'.');
  if (firstFullStop >= 0) name.truncate(firstFullStop);
  return name.left(1) + name.mid(1).toLower();
}

QString WithClosingFullStop(QString message) {
  if (!message.isEmpty() && message.back() > u'.') message += u'.';
  return message;
}

}  // namespace detail
}  // namespace shell
