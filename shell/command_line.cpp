#include "shell/command_line.h"

#include <cstddef>
#include <iterator>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include <QCommandLineParser>
#include <QRegularExpression>

namespace shell {
namespace {

const QString kProgramName = QStringLiteral("loadgen");
const QString kVersion = QStringLiteral(LOADGEN_VERSION);
const QString kProtocolCommand = QStringLiteral("protocol");
const QString kDescription = QStringLiteral(
    "Turns a file of load peaks, one value per line, into a loading process: evenly\n"
    "spaced values between neighbouring peaks. Without --spacing it opens the window;\n"
    "with it, it generates without a window and exits with 0 when everything is\n"
    "written, 1 on an error, 2 on a usage error and 3 when a segment needs more than\n"
    "500 steps. 'loadgen protocol' writes the peak file of a loading protocol.");
const QString kUsage = QStringLiteral(
    "Usage: loadgen [options] [PEAKFILE]\n"
    "       loadgen protocol cycles|aisc341|fema461 [options]");
const QString kProtocolsHelp = QStringLiteral(
    "\n"
    "Protocols: 'loadgen protocol NAME' writes the peak file of a published loading\n"
    "protocol to --output or standard output, as the export writes values: 0, then\n"
    "each cycle as +A and -A, then 0.\n"
    "  cycles   N full cycles of amplitude A for each pair AxN of --table, in order.\n"
    "           Example: loadgen protocol cycles --table 0.5x3,1x2 --output peaks.txt\n"
    "  aisc341  AISC 341 qualifying cycles for beam-to-column moment connections, as\n"
    "           storey drift angles in radians, times --scale: 0.00375x6, 0.005x6,\n"
    "           0.0075x6, 0.01x4, 0.015x2, 0.02x2, 0.03x2, 0.04x2.\n"
    "           Example: loadgen protocol aisc341 | loadgen --spacing 0.0005 -\n"
    "  fema461  FEMA 461 interim protocol I: --steps geometric steps, each --ratio\n"
    "           times the one before, up to --largest, with --cycles cycles each.\n"
    "           Example: loadgen protocol fema461 --largest 40 --output peaks.txt\n");

// The names of the protocols on the command line, in the order of Protocol.
const char* const kProtocolNames[] = {"cycles", "aisc341", "fema461"};

QString ProtocolName(Protocol protocol) {
  return QString::fromLatin1(kProtocolNames[static_cast<std::size_t>(protocol)]);
}

std::optional<Protocol> ProtocolNamed(const QString& name) {
  for (std::size_t i = 0; i < std::size(kProtocolNames); ++i) {
    if (name == QLatin1String(kProtocolNames[i])) return static_cast<Protocol>(i);
  }
  return std::nullopt;
}

// Every option but --version, which the parser makes itself.
struct Options {
  Options() = default;
  // The lists below point into the object itself.
  Options(const Options&) = delete;
  Options& operator=(const Options&) = delete;

  // Not addHelpOption(): its --help-all would offer Qt's own options, which the program does
  // not take, since it reads its arguments before Qt starts.
  QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                          QStringLiteral("Displays this help.")};
  QCommandLineOption spacing{
      QStringLiteral("spacing"),
      QStringLiteral("Generates without a window, with the division spacing S, read as the "
                     "window reads the text of its spacing box."),
      QStringLiteral("S")};
  QCommandLineOption output{
      QStringLiteral("output"),
      QStringLiteral("Exports the loading process, or writes the protocol's peak file, to the "
                     "file OUT, replacing it; to standard output when OUT is - or not given."),
      QStringLiteral("OUT")};
  QCommandLineOption plot{
      QStringLiteral("plot"),
      QStringLiteral("Also draws both charts, as the window shows them, into the image IMAGE: "
                     "SVG when its name ends in .svg, else PNG."),
      QStringLiteral("IMAGE")};
  QCommandLineOption plotSize{
      QStringLiteral("plot-size"),
      QStringLiteral("The size of the image in pixels, each side from 1 to 16384 (default "
                     "688x400)."),
      QStringLiteral("WxH")};
  QCommandLineOption decimalMark{
      QStringLiteral("decimal-mark"),
      QStringLiteral("Reads and writes numbers with the decimal mark C instead of the "
                     "locale's."),
      QStringLiteral("C")};
  QCommandLineOption groupingMark{
      QStringLiteral("grouping-mark"),
      QStringLiteral("Groups the digits of the plot's axis labels with C instead of the "
                     "locale's mark."),
      QStringLiteral("C")};
  QCommandLineOption table{
      QStringLiteral("table"),
      QStringLiteral("protocol cycles: N full cycles of amplitude A for each pair AxN, in "
                     "order; N from 1 to 1000."),
      QStringLiteral("AxN,...")};
  QCommandLineOption scale{QStringLiteral("scale"),
                           QStringLiteral("protocol aisc341: multiplies every amplitude by K."),
                           QStringLiteral("K")};
  QCommandLineOption largest{QStringLiteral("largest"),
                             QStringLiteral("protocol fema461: the largest amplitude, above 0."),
                             QStringLiteral("A")};
  QCommandLineOption ratio{
      QStringLiteral("ratio"),
      QStringLiteral("protocol fema461: each amplitude is R times the one before, R above 1 "
                     "(default 1.4)."),
      QStringLiteral("R")};
  QCommandLineOption steps{
      QStringLiteral("steps"),
      QStringLiteral("protocol fema461: the number of amplitudes, 1 to 1000 (default 10)."),
      QStringLiteral("N")};
  QCommandLineOption cycles{
      QStringLiteral("cycles"),
      QStringLiteral("protocol fema461: the cycles of each amplitude, 1 to 1000 (default 2)."),
      QStringLiteral("C")};

  // The options of a generation, in the order the help lists them.
  const QCommandLineOption* const generation[6] = {&spacing,  &output,      &plot,
                                                   &plotSize, &decimalMark, &groupingMark};
  // The options of a protocol, each with the one protocol it belongs to.
  const struct {
    const QCommandLineOption* option;
    Protocol protocol;
  } protocolOptions[6] = {
      {&table, Protocol::Cycles},  {&scale, Protocol::Aisc341}, {&largest, Protocol::Fema461},
      {&ratio, Protocol::Fema461}, {&steps, Protocol::Fema461}, {&cycles, Protocol::Fema461},
  };
};

CommandLine UsageError(const QString& fault) {
  return {CommandLine::Action::UsageError, {}, UsageErrorText(fault), {}, {}};
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

// The fault of the first option given more than once, whose second value would silently
// win over the first, or an empty text.
QString RepeatedOptionFault(const QCommandLineParser& parser,
                            std::span<const QCommandLineOption* const> options) {
  for (const QCommandLineOption* option : options) {
    if (parser.values(*option).size() > 1) {
      return OptionName(*option) + QStringLiteral(" given more than once");
    }
  }
  return {};
}

// Takes the marks the options name; returns the fault of one that cannot be a mark, or an
// empty text.
QString ReadMarks(const QCommandLineParser& parser, const Options& options,
                  std::optional<char16_t>& decimalMark, std::optional<char16_t>& groupingMark) {
  if (parser.isSet(options.decimalMark)) {
    const QString mark = parser.value(options.decimalMark);
    if (mark.size() != 1 || !IsUsableDecimalMark(mark.front().unicode())) {
      return QStringLiteral(
                 "--decimal-mark takes one character other than a digit, a sign, E, e or a "
                 "blank, not '%1'")
          .arg(mark);
    }
    decimalMark = mark.front().unicode();
  }
  if (parser.isSet(options.groupingMark)) {
    const QString mark = parser.value(options.groupingMark);
    if (mark.size() != 1) {
      return QStringLiteral("--grouping-mark takes one character, not '%1'").arg(mark);
    }
    groupingMark = mark.front().unicode();
  }
  return {};
}

// The arguments after "protocol".
CommandLine ParseProtocol(const QCommandLineParser& parser, const Options& options) {
  const QStringList names = parser.positionalArguments().mid(1);
  if (names.isEmpty()) {
    return UsageError(QStringLiteral("protocol needs a name: cycles, aisc341 or fema461"));
  }
  const std::optional<Protocol> protocol = ProtocolNamed(names.front());
  if (!protocol) {
    return UsageError(
        QStringLiteral("unknown protocol '%1'; the protocols are cycles, aisc341 and fema461")
            .arg(names.front()));
  }
  const QString command = kProtocolCommand + u' ' + names.front();
  if (names.size() > 1) {
    return UsageError(command + QStringLiteral(" takes no argument '%1'").arg(names[1]));
  }
  std::vector<const QCommandLineOption*> own = {&options.output, &options.decimalMark,
                                                &options.groupingMark};
  for (const QCommandLineOption* option : {&options.spacing, &options.plot, &options.plotSize}) {
    if (parser.isSet(*option)) {
      return UsageError(command + QStringLiteral(" takes no ") + OptionName(*option));
    }
  }
  for (const auto& entry : options.protocolOptions) {
    if (entry.protocol == *protocol) {
      own.push_back(entry.option);
    } else if (parser.isSet(*entry.option)) {
      return UsageError(command + QStringLiteral(" takes no ") + OptionName(*entry.option));
    }
  }
  const QString repeated = RepeatedOptionFault(parser, own);
  if (!repeated.isEmpty()) return UsageError(repeated);

  ProtocolRequest request;
  request.protocol = *protocol;
  const auto optional = [&parser](const QCommandLineOption& option) -> std::optional<QString> {
    if (!parser.isSet(option)) return std::nullopt;
    return parser.value(option);
  };
  switch (*protocol) {
    case Protocol::Cycles:
      if (!parser.isSet(options.table)) {
        return UsageError(command + QStringLiteral(" needs ") + OptionName(options.table));
      }
      request.table = parser.value(options.table);
      break;
    case Protocol::Aisc341:
      request.scale = optional(options.scale);
      break;
    case Protocol::Fema461:
      if (!parser.isSet(options.largest)) {
        return UsageError(command + QStringLiteral(" needs ") + OptionName(options.largest));
      }
      request.largest = parser.value(options.largest);
      request.ratio = optional(options.ratio);
      request.steps = optional(options.steps);
      request.cycles = optional(options.cycles);
      break;
  }
  if (parser.isSet(options.output)) request.output = parser.value(options.output);
  const QString markFault = ReadMarks(parser, options, request.decimalMark, request.groupingMark);
  if (!markFault.isEmpty()) return UsageError(markFault);
  return {CommandLine::Action::WriteProtocol, {}, {}, {}, std::move(request)};
}

}  // namespace

QString UsageErrorText(const QString& fault) {
  return kProgramName + QStringLiteral(": ") + fault + QStringLiteral("\nTry '") + kProgramName +
         QStringLiteral(" --help' for more information.\n");
}

CommandLine ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(kDescription);
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const Options options;
  parser.addOption(options.help);
  const QCommandLineOption version = parser.addVersionOption();
  for (const QCommandLineOption* option : options.generation) parser.addOption(*option);
  for (const auto& entry : options.protocolOptions) parser.addOption(*entry.option);
  parser.addPositionalArgument(
      QStringLiteral("PEAKFILE"),
      QStringLiteral("The peak file: imported when the window opens, or with --spacing the file "
                     "to generate from (- for standard input)."),
      QStringLiteral("[PEAKFILE]"));

  if (!parser.parse(arguments)) return UsageError(parser.errorText());
  if (parser.isSet(options.help)) {
    // The usage lines name the program as it is installed, however it was started.
    QString text = parser.helpText();
    text.replace(0, text.indexOf(u'\n'), kUsage);
    return {CommandLine::Action::Print, {}, text + kProtocolsHelp, {}, {}};
  }
  if (parser.isSet(version)) {
    return {CommandLine::Action::Print, {}, kProgramName + u' ' + kVersion + u'\n', {}, {}};
  }
  if (arguments.size() > 1 && arguments[1] == kProtocolCommand) {
    return ParseProtocol(parser, options);
  }
  for (const auto& entry : options.protocolOptions) {
    if (parser.isSet(*entry.option)) {
      return UsageError(OptionName(*entry.option) + QStringLiteral(" needs protocol ") +
                        ProtocolName(entry.protocol));
    }
  }
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) return UsageError(QStringLiteral("more than one peak file given"));
  if (!parser.isSet(options.spacing)) {
    for (const QCommandLineOption* option : options.generation) {
      if (parser.isSet(*option)) {
        return UsageError(OptionName(*option) + QStringLiteral(" needs --spacing"));
      }
    }
    return {CommandLine::Action::OpenWindow, files.value(0), {}, {}, {}};
  }

  const QString repeated = RepeatedOptionFault(parser, options.generation);
  if (!repeated.isEmpty()) return UsageError(repeated);
  if (files.isEmpty()) return UsageError(QStringLiteral("no peak file given"));
  GenerationRequest request;
  request.spacing = parser.value(options.spacing);
  if (parser.isSet(options.output)) request.output = parser.value(options.output);
  if (parser.isSet(options.plot)) request.plot = parser.value(options.plot);
  if (parser.isSet(options.plotSize)) {
    if (!request.plot) return UsageError(QStringLiteral("--plot-size needs --plot"));
    const std::optional<QSize> size = PlotSizeOf(parser.value(options.plotSize));
    if (!size) {
      return UsageError(
          QStringLiteral("--plot-size takes WIDTHxHEIGHT, each from 1 to %1, not '%2'")
              .arg(kLargestPlotSide)
              .arg(parser.value(options.plotSize)));
    }
    request.plotSize = *size;
  }
  const QString markFault = ReadMarks(parser, options, request.decimalMark, request.groupingMark);
  if (!markFault.isEmpty()) return UsageError(markFault);
  return {CommandLine::Action::Generate, files.front(), {}, std::move(request), {}};
}

}  // namespace shell
