#include "shell/qt_messages.h"

#include <cstdio>

#include <QString>

namespace shell {

QtMessageScope::QtMessageScope(QtMessageHandler handler)
    : previous_(qInstallMessageHandler(handler)) {}

QtMessageScope::~QtMessageScope() { qInstallMessageHandler(previous_); }

void QuietQtMessages() {
#ifdef NDEBUG
  qInstallMessageHandler(detail::DropNonFatalMessage);
#endif
}

namespace detail {

void DropNonFatalMessage(QtMsgType type, const QMessageLogContext& context,
                         const QString& message) {
  if (type != QtFatalMsg) return;
  std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, message).toLocal8Bit().constData());
  std::fflush(stderr);
}

}  // namespace detail
}  // namespace shell
