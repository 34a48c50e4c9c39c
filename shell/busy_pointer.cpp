#include "shell/busy_pointer.h"

#include <utility>

#include <QCursor>
#include <QGuiApplication>

namespace shell {
namespace {

std::function<void()>& CurrentWatch() {
  static std::function<void()> shown;
  return shown;
}

}  // namespace

BusyPointer::BusyPointer() {
  QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  // A copy, so that the watch may put up a pointer of its own.
  if (const auto shown = CurrentWatch()) {
    try {
      shown();
    } catch (...) {
      QGuiApplication::restoreOverrideCursor();
      throw;
    }
  }
}

BusyPointer::~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }

BusyPointerWatch::BusyPointerWatch(std::function<void()> shown)
    : previous_(std::exchange(CurrentWatch(), std::move(shown))) {}

BusyPointerWatch::~BusyPointerWatch() { CurrentWatch() = std::move(previous_); }

}  // namespace shell
