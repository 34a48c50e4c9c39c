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

// The published loading protocols whose peak file the program writes.
enum class Protocol {
  // Cycles of amplitudes given as a table.
  Cycles,
  // AISC 341's qualifying cycles for beam-to-column moment connections.
  Aisc341,
  // FEMA 461's interim protocol I, in geometric steps.
  Fema461,
};

// The peak file of a protocol, written without a window. Its numbers stay texts until the
// marks they are read with are known.
struct ProtocolRequest {
  Protocol protocol = Protocol::Cycles;
  // Cycles: pairs AMPLITUDExCOUNT separated by commas.
  QString table;
  // Aisc341: the factor of every amplitude, if one is given.
  std::optional<QString> scale;
  // Fema461: the largest amplitude, and the ratio, number of steps and cycles per step if
  // they are given.
  QString largest;
  std::optional<QString> ratio;
  std::optional<QString> steps;
  std::optional<QString> cycles;
  // The peak file; "-" for standard output.
  QString output = QStringLiteral("-");
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
    // The peak file of the protocol request, no window.
    WriteProtocol,
    // Print text on standard output and end with exit code 0.
    Print,
    // Print text on standard error and end with exit code 2.
    UsageError,
  };

  Action action = Action::OpenWindow;
  QString peakFile;
  QString text;
  GenerationRequest generation;
  ProtocolRequest protocol;
};

// The exit code of a command line that cannot be carried out as written.
inline constexpr int kUsageErrorExitCode = 2;

// The largest width and height of a plot, in pixels.
inline constexpr int kLargestPlotSide = 16384;

// The text of a usage error: the fault, and where to find help.
[[nodiscard]] QString UsageErrorText(const QString& fault);

// Reads the arguments, the program's own name first. --version and --help print; an
// option the program does not know, a missing option value, more than one file, an option
// given twice, an option of the generation without --spacing, --spacing without a file,
// --plot-size without --plot or other than WIDTHxHEIGHT within 1 .. kLargestPlotSide, and
// a mark that is not one character are usage errors, whose text names the fault and points
// to --help. A decimal mark that would make a written number read differently (a digit,
// "+", "-", "E", "e", or a blank or control character) is a usage error too.
//
// "protocol" as the first argument asks for the peak file of a protocol, named next:
// cycles with --table, aisc341 with --scale, fema461 with --largest, --ratio, --steps and
// --cycles, each with --output and the marks. An unknown or missing name, a name followed
// by anything else, an option of another protocol or of the generation, and a missing
// --table or --largest are usage errors; so are these options without "protocol". A peak
// file named "protocol" is still opened as "./protocol".
[[nodiscard]] CommandLine ParseCommandLine(const QStringList& arguments);

}  // namespace shell
