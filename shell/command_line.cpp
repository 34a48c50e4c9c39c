#include "shell/command_line.h"

#include <QCommandLineParser>

namespace shell {
namespace {

const QString kProgramName = QStringLiteral("loadgen");
const QString kVersion = QStringLiteral(LOADGEN_VERSION);
const QString kDescription = QStringLiteral(
    "Turns a file of load peaks, one value per line, into a loading process: evenly spaced "
    "values between neighbouring peaks.");

CommandLine UsageError(const QString& fault) {
  return {CommandLine::Action::UsageError, {},
          kProgramName + QStringLiteral(": ") + fault + QStringLiteral("\nTry '") + kProgramName +
              QStringLiteral(" --help' for more information.\n")};
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(kDescription);
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  // Not addHelpOption(): its --help-all would offer Qt's own options, which the program does
  // not take, since it reads its arguments before Qt starts.
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Displays this help."));
  parser.addOption(help);
  const QCommandLineOption version = parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("PEAKFILE"),
                               QStringLiteral("A peak file to import when the window opens."),
                               QStringLiteral("[PEAKFILE]"));

  if (!parser.parse(arguments)) return UsageError(parser.errorText());
  if (parser.isSet(help)) {
    // The usage line names the program as it is installed, however it was started.
    QString text = parser.helpText();
    const qsizetype usageEnd = text.indexOf(u'\n');
    text.replace(0, usageEnd, QStringLiteral("Usage: ") + kProgramName +
                                  QStringLiteral(" [options] [PEAKFILE]"));
    return {CommandLine::Action::Print, {}, text};
  }
  if (parser.isSet(version)) {
    return {CommandLine::Action::Print, {}, kProgramName + u' ' + kVersion + u'\n'};
  }
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) return UsageError(QStringLiteral("more than one peak file given"));
  return {CommandLine::Action::OpenWindow, files.value(0), {}};
}

}  // namespace shell
