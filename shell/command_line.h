#pragma once

// The program's command line: what it was asked to do, decided before anything of Qt's
// start-up touches a display.

#include <optional>

#include <QSize>
#include <QString>
#include <QStringList>

namespace shell {

// A generation without a window: the peak file, the spacing box's text and where the
// results go.
struct GenerationRequest {
  // The spacing as the user would type it into the window.
  QString spacing;
  // The file the process is exported to; "-" for standard output.
  QString output = QStringLiteral("-");
  // The image of both charts, if one is asked for: SVG when the name ends in ".svg".
  std::optional<QString> plot;
  QSize plotSize{688, 400};
  // Marks that take the place of the regional settings' ones.
  std::optional<char16_t> decimalMark;
  std::optional<char16_t> groupingMark;
};

struct CommandLine {
  enum class Action {
    // The window; with peakFile set, that file is imported once the window is up.
    OpenWindow,
    // The generation of the request from peakFile ("-" for standard input), no window.
    Generate,
    // Print text on standard output and end with exit code 0.
    Print,
    // Print text on standard error and end with exit code 2.
    UsageError,
  };

  Action action = Action::OpenWindow;
  QString peakFile;
  QString text;
  GenerationRequest generation;
};

// The exit code of a command line that cannot be carried out as written.
inline constexpr int kUsageErrorExitCode = 2;

// The largest width and height of a plot, in pixels.
inline constexpr int kLargestPlotSide = 16384;

// Reads the arguments, the program's own name first. --version and --help print; an
// option the program does not know, a missing option value, more than one file, an option
// given twice, an option of the generation without --spacing, --spacing without a file,
// --plot-size without --plot or other than WIDTHxHEIGHT within 1 .. kLargestPlotSide, and
// a mark that is not one character are usage errors, whose text names the fault and points
// to --help. A decimal mark that would make a written number read differently (a digit,
// "+", "-", "E", "e", or a blank or control character) is a usage error too.
[[nodiscard]] CommandLine ParseCommandLine(const QStringList& arguments);

}  // namespace shell
