#include "shell/command_line.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include "tests/shell/folder_fixture.h"
#include "tests/shell/loadgen_process.h"
#include "tests/shell/qt_printers.h"

namespace shell {
namespace {

using Action = CommandLine::Action;
using test_support::Finished;
using test_support::LoadgenRun;
using test_support::RunLoadgen;

CommandLine Parse(const QStringList& arguments) {
  return ParseCommandLine(QStringList{QStringLiteral("/usr/bin/loadgen")} + arguments);
}

TEST(CommandLineTest, ArgumentsChooseWhatTheProgramDoes) {
  const struct {
    QStringList arguments;
    Action action;
    QString peakFile;
  } rows[] = {
      {{}, Action::OpenWindow, {}},
      {{"peaks.txt"}, Action::OpenWindow, "peaks.txt"},
      // A file whose name starts with a dash is still a file after "--".
      {{"--", "-peaks.txt"}, Action::OpenWindow, "-peaks.txt"},
      {{"--version"}, Action::Print, {}},
      {{"--help"}, Action::Print, {}},
      {{"-h"}, Action::Print, {}},
      {{"--no-such-option"}, Action::UsageError, {}},
      {{"a.txt", "b.txt"}, Action::UsageError, {}},
      {{"--spacing", "0.7", "peaks.txt"}, Action::Generate, "peaks.txt"},
      {{"peaks.txt", "--spacing=0.7"}, Action::Generate, "peaks.txt"},
      {{"--spacing", "0.7", "-"}, Action::Generate, "-"},
      {{"protocol", "aisc341"}, Action::WriteProtocol, {}},
      // Only as the first argument is "protocol" the command; a file may have that name.
      {{"./protocol"}, Action::OpenWindow, "./protocol"},
      {{"--", "protocol"}, Action::OpenWindow, "protocol"},
      {{"--spacing", "0.7", "protocol"}, Action::Generate, "protocol"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments.join(u' ').toStdString());
    const CommandLine commandLine = Parse(row.arguments);
    EXPECT_EQ(commandLine.action, row.action);
    EXPECT_EQ(commandLine.peakFile, row.peakFile);
  }
}

TEST(CommandLineTest, AGenerationTakesItsOptionsAsWritten) {
  const CommandLine defaults = Parse({"--spacing", "-0.7", "peaks.txt"});
  ASSERT_EQ(defaults.action, Action::Generate);
  // A negative spacing is a value, not an option.
  EXPECT_EQ(defaults.generation.spacing, QStringLiteral("-0.7"));
  EXPECT_EQ(defaults.generation.output, QStringLiteral("-"));
  EXPECT_FALSE(defaults.generation.plot);
  EXPECT_EQ(defaults.generation.plotSize, QSize(688, 400));
  EXPECT_FALSE(defaults.generation.decimalMark);
  EXPECT_FALSE(defaults.generation.groupingMark);

  const CommandLine all =
      Parse({"--spacing", " 0,7 ", "--output", "out.txt", "--plot", "plot.svg", "--plot-size",
             "16384X1", "--decimal-mark", ",", "--grouping-mark", "\u00A0", "peaks.txt"});
  ASSERT_EQ(all.action, Action::Generate) << all.text.toStdString();
  // The spacing is read later, as the spacing box's text is: blanks and all.
  EXPECT_EQ(all.generation.spacing, QStringLiteral(" 0,7 "));
  EXPECT_EQ(all.generation.output, QStringLiteral("out.txt"));
  EXPECT_EQ(all.generation.plot, QStringLiteral("plot.svg"));
  EXPECT_EQ(all.generation.plotSize, QSize(16384, 1));
  EXPECT_EQ(all.generation.decimalMark, u',');
  EXPECT_EQ(all.generation.groupingMark, u'\u00A0');
}

TEST(CommandLineTest, UsageErrorsNameTheirFault) {
  const struct {
    QStringList arguments;
    const char* fault;
  } rows[] = {
      {{"--spacing"}, "Missing value after '--spacing'."},
      {{"--spacing", "1"}, "no peak file given"},
      {{"--spacing", "1", "a.txt", "b.txt"}, "more than one peak file given"},
      {{"--spacing", "1", "--spacing", "2", "a.txt"}, "--spacing given more than once"},
      {{"--spacing", "1", "--output", "a", "--output", "b", "a.txt"},
       "--output given more than once"},
      {{"--output", "out.txt", "a.txt"}, "--output needs --spacing"},
      {{"--plot", "plot.png", "a.txt"}, "--plot needs --spacing"},
      {{"--decimal-mark", ",", "a.txt"}, "--decimal-mark needs --spacing"},
      {{"--grouping-mark", ".", "a.txt"}, "--grouping-mark needs --spacing"},
      {{"--spacing", "1", "--plot-size", "10x10", "a.txt"}, "--plot-size needs --plot"},
      {{"--spacing", "1", "--plot", "p.png", "--plot-size", "0x10", "a.txt"},
       "--plot-size takes WIDTHxHEIGHT, each from 1 to 16384, not '0x10'"},
      {{"--spacing", "1", "--plot", "p.png", "--plot-size", "16385x10", "a.txt"},
       "--plot-size takes WIDTHxHEIGHT, each from 1 to 16384, not '16385x10'"},
      {{"--spacing", "1", "--plot", "p.png", "--plot-size", "10 x 10", "a.txt"},
       "--plot-size takes WIDTHxHEIGHT, each from 1 to 16384, not '10 x 10'"},
      // Digits, signs, exponent letters and blanks would make a written number read
      // differently, or not at all.
      {{"--spacing", "1", "--decimal-mark", "", "a.txt"},
       "--decimal-mark takes one character other than a digit, a sign, E, e or a blank, not ''"},
      {{"--spacing", "1", "--decimal-mark", "..", "a.txt"},
       "--decimal-mark takes one character other than a digit, a sign, E, e or a blank, not '..'"},
      {{"--spacing", "1", "--decimal-mark", "5", "a.txt"},
       "--decimal-mark takes one character other than a digit, a sign, E, e or a blank, not '5'"},
      {{"--spacing", "1", "--decimal-mark", "e", "a.txt"},
       "--decimal-mark takes one character other than a digit, a sign, E, e or a blank, not 'e'"},
      {{"--spacing", "1", "--decimal-mark", "-", "a.txt"},
       "--decimal-mark takes one character other than a digit, a sign, E, e or a blank, not '-'"},
      {{"--spacing", "1", "--decimal-mark", " ", "a.txt"},
       "--decimal-mark takes one character other than a digit, a sign, E, e or a blank, not ' '"},
      {{"--spacing", "1", "--grouping-mark", "", "a.txt"},
       "--grouping-mark takes one character, not ''"},
      {{"--spacing", "1", "--grouping-mark", "ab", "a.txt"},
       "--grouping-mark takes one character, not 'ab'"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments.join(u' ').toStdString());
    const CommandLine commandLine = Parse(row.arguments);
    EXPECT_EQ(commandLine.action, Action::UsageError);
    EXPECT_EQ(commandLine.text,
              QStringLiteral("loadgen: ") + QString::fromUtf8(row.fault) +
                  QStringLiteral("\nTry 'loadgen --help' for more information.\n"));
  }
}

TEST(CommandLineTest, HelpListsTheOptionsUnderTheProgramsName) {
  const CommandLine help =
      ParseCommandLine({QStringLiteral("./build/shell/loadgen"), QStringLiteral("--help")});
  EXPECT_TRUE(help.text.startsWith(QStringLiteral("Usage: loadgen [options] [PEAKFILE]\n")))
      << help.text.toStdString();
  for (const char* option : {"--version", "--spacing <S>", "--output <OUT>", "--plot <IMAGE>",
                             "--plot-size <WxH>", "--decimal-mark <C>", "--grouping-mark <C>"}) {
    EXPECT_TRUE(help.text.contains(QString::fromLatin1(option))) << option;
  }
}

TEST(CommandLineTest, VersionAndUsageErrorsNeedNoDisplay) {
  const Finished version = RunLoadgen({QStringLiteral("--version")});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.output, QByteArray("loadgen " LOADGEN_VERSION "\n"));

  const Finished unknown = RunLoadgen({QStringLiteral("--no-such-option")});
  EXPECT_EQ(unknown.exitCode, kUsageErrorExitCode);
  EXPECT_TRUE(unknown.output.isEmpty());
  EXPECT_TRUE(
      unknown.errors.startsWith(QStringLiteral("loadgen: Unknown option 'no-such-option'.")))
      << unknown.errors.toStdString();
}

// The program without a window, on files of a folder of the test's own.
class HeadlessTest : public test_support::FolderTest {
 protected:
  static void ExpectSuccess(const Finished& finished) {
    EXPECT_EQ(finished.exitCode, 0);
    EXPECT_EQ(finished.errors, QString());
  }

  // The peaks 0, 2, -2, 4 and the process that spacing 0.7 makes of them.
  const QByteArray kPeaks = "0\r\n2\r\n-2\r\n4\r\n";
  const QByteArray kProcess =
      "0\r\n1\r\n2\r\n1.2\r\n0.4\r\n-0.4\r\n-1.2\r\n-2\r\n-1.25\r\n-0.5\r\n0.25\r\n1\r\n1.75\r\n"
      "2.5\r\n3.25\r\n4\r\n";
};

TEST_F(HeadlessTest, WritesTheProcessToAFileOrToStandardOutput) {
  const QString peaks = WriteFile(QStringLiteral("peaks.txt"), kPeaks);
  const QString out = WriteFile(QStringLiteral("out.txt"), "an older file, replaced");
  const Finished toFile = RunLoadgen({"--spacing", "0.7", "--output", out, peaks});
  ExpectSuccess(toFile);
  EXPECT_TRUE(toFile.output.isEmpty());
  EXPECT_EQ(ReadFile(out), kProcess);

  for (const QStringList& arguments : {QStringList{"--spacing", "0.7", peaks},
                                       QStringList{"--spacing", "0.7", "--output", "-", peaks}}) {
    SCOPED_TRACE(arguments.join(u' ').toStdString());
    const Finished toOutput = RunLoadgen(arguments);
    ExpectSuccess(toOutput);
    EXPECT_EQ(toOutput.output, kProcess);
  }
  // A relative name is taken from the current folder; nothing else is left there.
  EXPECT_EQ(QDir(folder_.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST_F(HeadlessTest, ReadsThePeaksFromStandardInput) {
  const QByteArray rows[] = {
      kPeaks,
      // The encodings of a peak file hold for standard input too.
      QByteArray("\xFF\xFE"
                 "0\0\n\0"
                 "2\0\n\0-\0"
                 "2\0\n\0"
                 "4\0",
                 18),
      QByteArray("\xEF\xBB\xBF"
                 "0\n2\n-2\n4"),
  };
  for (const QByteArray& input : rows) {
    SCOPED_TRACE(input.toHex().toStdString());
    const Finished finished = RunLoadgen(LoadgenRun{{"--spacing", "0.7", "-"}, input, {}, {}});
    ExpectSuccess(finished);
    EXPECT_EQ(finished.output, kProcess);
  }
}

TEST_F(HeadlessTest, EveryFailureTellsTheWindowsTextAndWritesNothing) {
  const QString old = WriteFile(QStringLiteral("old.txt"), "old\r\n");
  const QString plot = PathIn(QStringLiteral("plot.png"));
  const QString missing = PathIn(QStringLiteral("missing.txt"));
  const QString inMissingFolder = PathIn(QStringLiteral("no such folder/out.txt"));
  const QString limitText = QStringLiteral(
      "Subdivision number is larger than 500! Input larger Division Spacing of Step! ");
  const struct {
    const char* name;
    QByteArray peaks;
    QString spacing;
    QString output;
    int exitCode;
    QString error;
  } rows[] = {
      {"a file that cannot be opened",
       {},
       "1",
       old,
       1,
       QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing)},
      {"a line that is not a value", "1\n2\nthree\n4\n", "1", old, 1,
       "'three' is not a valid floating point value"},
      {"a line too large for a double", "1\n1e999\n", "1", old, 1, "Floating point overflow"},
      // The window does nothing here, without a word.
      {"two peaks", "1\n2\n", "1", old, 1, "the peak file holds 2 values; at least 3 are needed"},
      {"one peak", "1\n", "1", old, 1, "the peak file holds 1 value; at least 3 are needed"},
      {"no peaks", "", "1", old, 1, "the peak file holds 0 values; at least 3 are needed"},
      {"a spacing that is not a value", kPeaks, "0.7 mm", old, 1,
       "'0.7 mm' is not a valid floating point value"},
      {"an empty spacing", kPeaks, "", old, 1, "'' is not a valid floating point value"},
      {"a spacing too large for a double", kPeaks, "1e999", old, 1, "Floating point overflow"},
      // The errors that the window's error box shows end in a full stop.
      {"a zero spacing", kPeaks, "0", old, 1, "Floating point division by zero."},
      {"a zero spacing after equal peaks", "3\n3\n1\n", "-0", old, 1,
       "Invalid floating point operation."},
      {"an output in a missing folder", kPeaks, "1", inMissingFolder, 1,
       QStringLiteral("Cannot create file \"%1\". No such file or directory.")
           .arg(inMissingFolder)},
      {"the limit in the first segment", "0\n250.5\n0\n", "0.5", old, 3,
       limitText + "The segment from peak 1 (0) to peak 2 (250.5) needs more than 500 steps; "
                   "every segment passes with a spacing of at least 0.500000000000001"},
      // The spacing named lets the wider last segment pass too.
      {"the limit in a later segment", "0\n100\n-200\n300\n1000\n", "0.5", old, 3,
       limitText + "The segment from peak 2 (100) to peak 3 (-200) needs more than 500 steps; "
                   "every segment passes with a spacing of at least 1.39720558882236"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const QString peaks =
        row.peaks.isNull() ? missing : WriteFile(QStringLiteral("peaks.txt"), row.peaks);
    const Finished finished =
        RunLoadgen({"--spacing", row.spacing, "--output", row.output, "--plot", plot, peaks});
    EXPECT_EQ(finished.exitCode, row.exitCode);
    EXPECT_EQ(finished.errors, QStringLiteral("loadgen: ") + row.error + u'\n');
    EXPECT_TRUE(finished.output.isEmpty());
    EXPECT_EQ(ReadFile(old), QByteArray("old\r\n"));
    EXPECT_FALSE(QFileInfo::exists(plot));
    EXPECT_FALSE(QFileInfo::exists(inMissingFolder));
  }
}

TEST_F(HeadlessTest, TheAdvisedSpacingPassesAndTheNextSmallerFails) {
  const QString peaks = WriteFile(QStringLiteral("peaks.txt"), "0\n100\n-200\n300\n1000\n");
  const Finished advised = RunLoadgen({"--spacing", "1.39720558882236", peaks});
  ExpectSuccess(advised);
  // 71, 214, 357 and 500 steps, and the last peak.
  EXPECT_EQ(advised.output.count("\r\n"), 1143);
  EXPECT_EQ(RunLoadgen({"--spacing", "1.39720558882235", peaks}).exitCode, 3);
}

TEST_F(HeadlessTest, AnOutputThatTakesNoBytesIsAnError) {
  const QString peaks = WriteFile(QStringLiteral("peaks.txt"), kPeaks);
  for (const char* output : {"-", "/dev/full"}) {
    SCOPED_TRACE(output);
    const Finished finished =
        RunLoadgen(LoadgenRun{{"--spacing", "0.7", "--output", QString::fromLatin1(output), peaks},
                              {},
                              {},
                              QStringLiteral("/dev/full")});
    EXPECT_EQ(finished.exitCode, 1);
    EXPECT_EQ(finished.errors, QStringLiteral("loadgen: Stream write error.\n"));
  }
}

TEST_F(HeadlessTest, NumbersFollowTheLocalesDecimalMarkUnlessTheCommandLineNamesOne) {
  const QByteArray commaProcess = QByteArray(kProcess).replace('.', ',');
  const struct {
    QStringList environment;
    QByteArray peaks;
    QStringList options;
    QByteArray process;
  } rows[] = {
      {{"LC_ALL=de_DE.UTF-8"}, kPeaks, {"--spacing", "0,7"}, commaProcess},
      {{"LC_ALL=", "LANG=de_DE.UTF-8"}, kPeaks, {"--spacing", "0,7"}, commaProcess},
      {{"LC_ALL=", "LANG=en_GB.UTF-8", "LC_NUMERIC=fr_FR.UTF-8"},
       kPeaks,
       {"--spacing", "0,7"},
       commaProcess},
      {{"LC_ALL=de_DE.UTF-8"}, kPeaks, {"--spacing", "0.7", "--decimal-mark", "."}, kProcess},
      {{}, "0\n2\n-2\n4\n", {"--spacing", "0,7", "--decimal-mark", ","}, commaProcess},
      // A mark of the user's choice, read and written alike.
      {{},
       "0\n2\n-2\n4\n",
       {"--spacing", "0/7", "--decimal-mark", "/"},
       QByteArray(kProcess).replace('.', '/')},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE((row.environment + row.options).join(u' ').toStdString());
    const QString peaks = WriteFile(QStringLiteral("peaks.txt"), row.peaks);
    const Finished finished =
        RunLoadgen(LoadgenRun{row.options + QStringList{peaks}, {}, row.environment, {}});
    ExpectSuccess(finished);
    EXPECT_EQ(finished.output, row.process);
  }
  // Under the locale's comma a full stop is no decimal mark.
  const QString peaks = WriteFile(QStringLiteral("peaks.txt"), kPeaks);
  const Finished stop =
      RunLoadgen(LoadgenRun{{"--spacing", "0.7", peaks}, {}, {"LC_ALL=de_DE.UTF-8"}, {}});
  EXPECT_EQ(stop.exitCode, 1);
  EXPECT_EQ(stop.errors, QStringLiteral("loadgen: '0.7' is not a valid floating point value\n"));
}

TEST_F(HeadlessTest, ControlCharactersOfAQuotedLineCannotReachTheTerminal) {
  const QString peaks = WriteFile(QStringLiteral("peaks.txt"), "1\n2\x1B]0;title\x07x\t3\n");
  const Finished finished = RunLoadgen({"--spacing", "1", peaks});
  EXPECT_EQ(finished.exitCode, 1);
  EXPECT_EQ(
      finished.errors,
      QStringLiteral("loadgen: '2\uFFFD]0;title\uFFFDx\t3' is not a valid floating point value\n"));
}

// The colours of the two series, as the plot draws them.
constexpr QRgb kPeakRed = 0xFFFF0000;
constexpr QRgb kProcessBlue = 0xFF0000FF;

int CountPixels(const QImage& image, QRgb colour, int firstRow, int endRow) {
  int count = 0;
  for (int y = firstRow; y < endRow; ++y) {
    for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == colour ? 1 : 0;
  }
  return count;
}

TEST_F(HeadlessTest, PlotsBothChartsAsAPngOfTheSizeAskedFor) {
  const QString peaks = WriteFile(QStringLiteral("peaks.txt"), kPeaks);
  const struct {
    QStringList sizeOption;
    QSize size;
  } rows[] = {
      {{}, QSize(688, 400)},
      {{"--plot-size", "300x500"}, QSize(300, 500)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.size.width());
    const QString plot = PathIn(QStringLiteral("plot.png"));
    // Even with a display named and another platform asked for, none is touched.
    const Finished finished =
        RunLoadgen(LoadgenRun{QStringList{"--spacing", "0.7", "--output",
                                          PathIn(QStringLiteral("out.txt")), "--plot", plot} +
                                  row.sizeOption + QStringList{peaks},
                              {},
                              {"DISPLAY=:4711", "QT_QPA_PLATFORM=xcb"},
                              {}});
    ExpectSuccess(finished);
    EXPECT_EQ(ReadFile(PathIn(QStringLiteral("out.txt"))), kProcess);
    QImage image;
    ASSERT_TRUE(image.loadFromData(ReadFile(plot), "PNG"));
    EXPECT_EQ(image.size(), row.size);
    const int middle = image.height() / 2;
    EXPECT_GT(CountPixels(image, kPeakRed, 0, middle), 0);
    EXPECT_EQ(CountPixels(image, kPeakRed, middle, image.height()), 0);
    EXPECT_EQ(CountPixels(image, kProcessBlue, 0, middle), 0);
    EXPECT_GT(CountPixels(image, kProcessBlue, middle, image.height()), 0);
  }
}

TEST_F(HeadlessTest, PlotsAnSvgWhoseLabelsFollowTheMarks) {
  // About 1,500 values between 0 and 0.5: the labels need both marks.
  const QString peaks = WriteFile(QStringLiteral("peaks.txt"), "0\n0/5\n0\n0/5\n0\n0/5\n0\n");
  const QString plot = PathIn(QStringLiteral("plot.SVG"));
  const Finished finished = RunLoadgen(
      {"--spacing", "0/002", "--decimal-mark", "/", "--grouping-mark", "'", "--output",
       PathIn(QStringLiteral("out.txt")), "--plot", plot, "--plot-size", "800x600", peaks});
  ExpectSuccess(finished);

  QXmlStreamReader svg(ReadFile(plot));
  ASSERT_TRUE(svg.readNextStartElement());
  EXPECT_EQ(svg.name(), QStringLiteral("svg"));
  EXPECT_EQ(svg.attributes().value(QStringLiteral("viewBox")), QStringLiteral("0 0 800 600"));
  QStringList labels;
  while (!svg.atEnd()) {
    if (svg.readNext() == QXmlStreamReader::StartElement && svg.name() == QStringLiteral("text")) {
      labels.append(svg.readElementText().trimmed());
    }
  }
  EXPECT_FALSE(svg.hasError()) << svg.errorString().toStdString();
  EXPECT_TRUE(labels.contains(QStringLiteral("0/5"))) << labels.join(u' ').toStdString();
  EXPECT_TRUE(labels.contains(QStringLiteral("1'000"))) << labels.join(u' ').toStdString();
}

TEST_F(HeadlessTest, APlotThatCannotBeWrittenIsAnErrorAfterTheProcessIsWritten) {
  const QString peaks = WriteFile(QStringLiteral("peaks.txt"), kPeaks);
  const QString plot = PathIn(QStringLiteral("no such folder/plot.png"));
  const QString out = PathIn(QStringLiteral("out.txt"));
  const Finished finished =
      RunLoadgen({"--spacing", "0.7", "--output", out, "--plot", plot, peaks});
  EXPECT_EQ(finished.exitCode, 1);
  EXPECT_EQ(
      finished.errors,
      QStringLiteral("loadgen: Cannot create file \"%1\". No such file or directory.\n").arg(plot));
  EXPECT_EQ(ReadFile(out), kProcess);
}

}  // namespace
}  // namespace shell
