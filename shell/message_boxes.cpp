#include "shell/message_boxes.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include "model/errors.h"
#include "shell/modal.h"

namespace shell {
namespace {

const QString kWarningCaption = QStringLiteral("Warning");

// A box shows at most this many characters of its text, then an ellipsis. A line of a
// wrong file is quoted whole in its error's message, and laying out millions of characters
// would keep the window frozen for minutes; the start of the text says what went wrong.
constexpr qsizetype kLongestShownText = 1000;

QString ShownText(const QString& text) {
  if (text.size() <= kLongestShownText) return text;
  qsizetype cut = kLongestShownText;
  if (text.at(cut - 1).isHighSurrogate()) --cut;
  return text.left(cut) + QChar(0x2026);
}

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
  QMessageBox box(icon, caption, ShownText(text), QMessageBox::Ok, keeper.Window());
  // The text is the message as it stands, never markup.
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Ok);
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
