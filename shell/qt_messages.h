#pragma once

// What becomes of Qt's own diagnostics ("Unable to detect a web browser ...", notes about
// fonts, paths and the window system): they are for the people who build the program, and
// the program itself logs nothing. The window program quiets them for good; a run without a
// window sends them, while it plots, to a handler of its own (headless_run.cpp).

#include <QtGlobal>

class QMessageLogContext;
class QString;

namespace shell {

// Sends Qt's messages to a handler for as long as it lives, and then back to the handler
// that took them before.
class QtMessageScope {
 public:
  explicit QtMessageScope(QtMessageHandler handler);
  ~QtMessageScope();
  QtMessageScope(const QtMessageScope&) = delete;
  QtMessageScope& operator=(const QtMessageScope&) = delete;

 private:
  QtMessageHandler previous_;
};

// For the rest of the process, since Qt may speak until its very last object is gone: in a
// release build, keeps Qt's messages off standard error, all but a fatal one, which
// says why the program cannot go on and is printed as Qt prints it. A debug build keeps
// Qt's own handling. The program's own start-up errors are not Qt messages and are printed
// either way.
void QuietQtMessages();

namespace detail {

// The handler a release build installs.
void DropNonFatalMessage(QtMsgType type, const QMessageLogContext& context, const QString& message);

}  // namespace detail
}  // namespace shell
