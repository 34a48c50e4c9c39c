// The program's start-up, closed again as soon as its window has been painted for the
// first time. It writes that moment to standard output, in nanoseconds of the monotonic
// clock, and ends with the program's own exit code. With the argument --empty-widget it
// shows an empty QWidget in place of the program, the same way: the baseline of a start.

#include <cstdio>
#include <cstring>
#include <ctime>

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include "shell/startup.h"

namespace {

class FirstPaintWatcher : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow()) {
      seen_ = true;
      auto* window = static_cast<QWidget*>(watched);
      // Queued, so that it runs once this paint and the paints of the window's children
      // are done and shown.
      QMetaObject::invokeMethod(
          window,
          [window] {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
            std::fflush(stdout);
            window->close();
          },
          Qt::QueuedConnection);
    }
    return false;
  }

 private:
  bool seen_ = false;
};

void WatchFirstPaint() { qApp->installEventFilter(new FirstPaintWatcher(qApp)); }

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(WatchFirstPaint)

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--empty-widget") == 0) {
    QApplication application(argc, argv);
    QWidget empty;
    empty.show();
    return QApplication::exec();
  }
  return shell::RunProgram(argc, argv);
}
