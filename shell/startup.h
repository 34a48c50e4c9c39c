#pragma once

// The program from its start to its end.

#include <functional>

namespace shell {

// Establishes the floating-point environment and reads the command line. --version and
// --help print and return 0, a usage error prints and returns 2, a generation without a
// window returns the exit code of RunHeadless, and a protocol's peak file that of
// RunProtocol; otherwise creates the application object and the main window, which takes
// its marks from the user's regional settings, imports the peak file the command line
// names, and runs the event loop until the window closes. An error that escapes any of
// this is shown in the application error box. The window ends with exit code 0 on every
// path.
[[nodiscard]] int RunProgram(int& argc, char** argv) noexcept;

// What every process of the program does before its application object exists: the
// floating-point environment, before any number is read or written.
void PrepareProcess();

// What the program needs of its application object before a window is built: its icon and
// desktop entry name, and the free fonts that stand in for the desktop fonts the window asks
// for, where they are installed.
void PrepareApplication();

namespace detail {

// Runs steps of the start-up; an error escaping them is shown with ShowException (an error
// of a foreign kind as one with an empty message). Needs the application object.
void RunShowingErrors(const std::function<void()>& steps) noexcept;

}  // namespace detail
}  // namespace shell
