#pragma once

// What becomes of Qt's own diagnostics ("Unable to detect a web browser ...", notes about
// fonts, paths and the window system): they are for the people who build the program, and
// the program itself logs nothing.

#include <QtGlobal>

class QMessageLogContext;
class QString;

namespace shell {

// In a release build, keeps Qt's messages off standard error, all but a fatal one, which
// says why the program cannot go on and is printed as Qt prints it. A debug build keeps
// Qt's own handling. The program's own start-up errors are not Qt messages and are printed
// either way.
void QuietQtMessages();

namespace detail {

// The handler a release build installs.
void DropNonFatalMessage(QtMsgType type, const QMessageLogContext& context, const QString& message);

}  // namespace detail
}  // namespace shell
