#pragma once

// The wait pointer over the program's windows while a command does long work (reading a
// large peak file, generating or exporting millions of values, drawing them), during which
// the window cannot answer.

#include <functional>

namespace shell {

// Shows the wait pointer over every window of the program from its construction to its
// destruction, however the scope is left, an error included. Put it up around the work
// alone, never around a dialog or box that waits for the user. Pointers nest: the one
// shown before comes back when the innermost goes.
class BusyPointer {
 public:
  BusyPointer();
  ~BusyPointer();

  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;
};

// While a watch lives, every BusyPointer calls its function as soon as the wait pointer
// shows, before the work begins: how a test looks at the program in the middle of its long
// work. Watches nest; the innermost one is in force.
class BusyPointerWatch {
 public:
  explicit BusyPointerWatch(std::function<void()> shown);
  ~BusyPointerWatch();

  BusyPointerWatch(const BusyPointerWatch&) = delete;
  BusyPointerWatch& operator=(const BusyPointerWatch&) = delete;

 private:
  std::function<void()> previous_;
};

}  // namespace shell
