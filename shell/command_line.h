#pragma once

// The program's command line: what it was asked to do, decided before anything of Qt's
// start-up touches a display.

#include <QString>
#include <QStringList>

namespace shell {

struct CommandLine {
  enum class Action {
    // The window; with peakFile set, that file is imported once the window is up.
    OpenWindow,
    // Print text on standard output and end with exit code 0.
    Print,
    // Print text on standard error and end with exit code 2.
    UsageError,
  };

  Action action = Action::OpenWindow;
  QString peakFile;
  QString text;
};

// The exit code of a command line that cannot be carried out as written.
inline constexpr int kUsageErrorExitCode = 2;

// Reads the arguments, the program's own name first. --version and --help print; an
// option the program does not know, a missing option value and more than one file are
// usage errors, whose text names the fault and points to --help.
CommandLine ParseCommandLine(const QStringList& arguments);

}  // namespace shell
