#include "shell/command_line.h"

#include <utility>

#include <QCommandLineParser>
#include <QRegularExpression>

namespace shell {
namespace {

const QString kProgramName = QStringLiteral("loadgen");
const QString kVersion = QStringLiteral(LOADGEN_VERSION);
const QString kDescription = QStringLiteral(
    "Turns a file of load peaks, one value per line, into a loading process: evenly\n"
    "spaced values between neighbouring peaks. Without --spacing it opens the window;\n"
    "with it, it generates without a window and exits with 0 when everything is\n"
    "written, 1 on an error, 2 on a usage error and 3 when a segment needs more than\n"
    "500 steps.");

CommandLine UsageError(const QString& fault) {
  return {CommandLine::Action::UsageError,
          {},
          kProgramName + QStringLiteral(": ") + fault + QStringLiteral("\nTry '") + kProgramName +
              QStringLiteral(" --help' for more information.\n"),
          {}};
}

QString OptionName(const QCommandLineOption& option) {
  return QStringLiteral("--") + option.names().constLast();
}

// A written number must read back as itself: the decimal mark cannot be a character that
// the number grammar or the trimming of a line already gives a meaning.
bool IsUsableDecimalMark(char16_t mark) {
  return mark > u' ' && !(mark >= u'0' && mark <= u'9') && mark != u'+' && mark != u'-' &&
         mark != u'E' && mark != u'e';
}

std::optional<QSize> PlotSizeOf(const QString& text) {
  static const QRegularExpression kSize(QStringLiteral("^([0-9]{1,9})[xX]([0-9]{1,9})$"));
  const QRegularExpressionMatch match = kSize.match(text);
  if (!match.hasMatch()) return std::nullopt;
  const QSize size(match.captured(1).toInt(), match.captured(2).toInt());
  const auto fits = [](int side) { return side >= 1 && side <= kLargestPlotSide; };
  if (!fits(size.width()) || !fits(size.height())) return std::nullopt;
  return size;
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
  const QCommandLineOption spacing(
      QStringLiteral("spacing"),
      QStringLiteral("Generates without a window, with the division spacing S, read as the "
                     "window reads the text of its spacing box."),
      QStringLiteral("S"));
  const QCommandLineOption output(
      QStringLiteral("output"),
      QStringLiteral("Exports the loading process to the file OUT, replacing it; to standard "
                     "output when OUT is - or not given."),
      QStringLiteral("OUT"));
  const QCommandLineOption plot(
      QStringLiteral("plot"),
      QStringLiteral("Also draws both charts, as the window shows them, into the image IMAGE: "
                     "SVG when its name ends in .svg, else PNG."),
      QStringLiteral("IMAGE"));
  const QCommandLineOption plotSize(
      QStringLiteral("plot-size"),
      QStringLiteral("The size of the image in pixels, each side from 1 to 16384 (default "
                     "688x400)."),
      QStringLiteral("WxH"));
  const QCommandLineOption decimalMark(
      QStringLiteral("decimal-mark"),
      QStringLiteral("Reads and writes numbers with the decimal mark C instead of the "
                     "locale's."),
      QStringLiteral("C"));
  const QCommandLineOption groupingMark(
      QStringLiteral("grouping-mark"),
      QStringLiteral("Groups the digits of the plot's axis labels with C instead of the "
                     "locale's mark."),
      QStringLiteral("C"));
  const QCommandLineOption* const generationOptions[] = {&spacing,  &output,      &plot,
                                                         &plotSize, &decimalMark, &groupingMark};
  for (const QCommandLineOption* option : generationOptions) parser.addOption(*option);
  parser.addPositionalArgument(
      QStringLiteral("PEAKFILE"),
      QStringLiteral("The peak file: imported when the window opens, or with --spacing the file "
                     "to generate from (- for standard input)."),
      QStringLiteral("[PEAKFILE]"));

  if (!parser.parse(arguments)) return UsageError(parser.errorText());
  if (parser.isSet(help)) {
    // The usage line names the program as it is installed, however it was started.
    QString text = parser.helpText();
    const qsizetype usageEnd = text.indexOf(u'\n');
    text.replace(
        0, usageEnd,
        QStringLiteral("Usage: ") + kProgramName + QStringLiteral(" [options] [PEAKFILE]"));
    return {CommandLine::Action::Print, {}, text, {}};
  }
  if (parser.isSet(version)) {
    return {CommandLine::Action::Print, {}, kProgramName + u' ' + kVersion + u'\n', {}};
  }
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) return UsageError(QStringLiteral("more than one peak file given"));
  if (!parser.isSet(spacing)) {
    for (const QCommandLineOption* option : generationOptions) {
      if (parser.isSet(*option)) {
        return UsageError(OptionName(*option) + QStringLiteral(" needs --spacing"));
      }
    }
    return {CommandLine::Action::OpenWindow, files.value(0), {}, {}};
  }

  // A second value would silently win over the first.
  for (const QCommandLineOption* option : generationOptions) {
    if (parser.values(*option).size() > 1) {
      return UsageError(OptionName(*option) + QStringLiteral(" given more than once"));
    }
  }
  if (files.isEmpty()) return UsageError(QStringLiteral("no peak file given"));
  GenerationRequest request;
  request.spacing = parser.value(spacing);
  if (parser.isSet(output)) request.output = parser.value(output);
  if (parser.isSet(plot)) request.plot = parser.value(plot);
  if (parser.isSet(plotSize)) {
    if (!request.plot) return UsageError(QStringLiteral("--plot-size needs --plot"));
    const std::optional<QSize> size = PlotSizeOf(parser.value(plotSize));
    if (!size) {
      return UsageError(
          QStringLiteral("--plot-size takes WIDTHxHEIGHT, each from 1 to %1, not '%2'")
              .arg(kLargestPlotSide)
              .arg(parser.value(plotSize)));
    }
    request.plotSize = *size;
  }
  if (parser.isSet(decimalMark)) {
    const QString mark = parser.value(decimalMark);
    if (mark.size() != 1 || !IsUsableDecimalMark(mark.front().unicode())) {
      return UsageError(QStringLiteral("--decimal-mark takes one character other than a digit, "
                                       "a sign, E, e or a blank, not '%1'")
                            .arg(mark));
    }
    request.decimalMark = mark.front().unicode();
  }
  if (parser.isSet(groupingMark)) {
    const QString mark = parser.value(groupingMark);
    if (mark.size() != 1) {
      return UsageError(QStringLiteral("--grouping-mark takes one character, not '%1'").arg(mark));
    }
    request.groupingMark = mark.front().unicode();
  }
  return {CommandLine::Action::Generate, files.front(), {}, std::move(request)};
}

}  // namespace shell
