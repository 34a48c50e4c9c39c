#include <initializer_list>
#include <vector>

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "shell/command_line.h"
#include "shell/protocol_peaks.h"
#include "tests/shell/folder_fixture.h"
#include "tests/shell/loadgen_process.h"
#include "tests/shell/qt_printers.h"
#include "tests/shell/window_fixture.h"

namespace shell {
namespace {

using Action = CommandLine::Action;
using test_support::Finished;
using test_support::LoadgenRun;
using test_support::RunLoadgen;

CommandLine Parse(const QStringList& arguments) {
  return ParseCommandLine(QStringList{QStringLiteral("/usr/bin/loadgen")} + arguments);
}

// Amplitudes as the export writes them, each held for a number of cycles.
struct Cycles {
  const char* amplitude;
  int count;
};

// The peak file of the cycles: 0, then +A and -A for each cycle, then 0; CR LF after
// every line.
QByteArray PeakFile(std::initializer_list<Cycles> steps) {
  QByteArray file = "0\r\n";
  for (const Cycles& step : steps) {
    for (int cycle = 0; cycle < step.count; ++cycle) {
      file += QByteArray(step.amplitude) + "\r\n-" + step.amplitude + "\r\n";
    }
  }
  return file + "0\r\n";
}

const QByteArray kAisc341File = PeakFile({{"0.00375", 6},
                                          {"0.005", 6},
                                          {"0.0075", 6},
                                          {"0.01", 4},
                                          {"0.015", 2},
                                          {"0.02", 2},
                                          {"0.03", 2},
                                          {"0.04", 2}});

// 100 divided by 1.4 from one to nine times in succession, written as the export writes it.
const QByteArray kFema461File = PeakFile({{"4.84002582470509", 2},
                                          {"6.77603615458712", 2},
                                          {"9.48645061642197", 2},
                                          {"13.2810308629908", 2},
                                          {"18.5934432081871", 2},
                                          {"26.0308204914619", 2},
                                          {"36.4431486880466", 2},
                                          {"51.0204081632653", 2},
                                          {"71.4285714285714", 2},
                                          {"100", 2}});

TEST(ProtocolCommandLineTest, TakesTheProtocolAndItsOptionsAsWritten) {
  const CommandLine cycles = Parse({"protocol", "cycles", "--table", "0,5x6", "--output",
                                    "peaks.txt", "--decimal-mark", ",", "--grouping-mark", "."});
  ASSERT_EQ(cycles.action, Action::WriteProtocol) << cycles.text.toStdString();
  EXPECT_EQ(cycles.protocol.protocol, Protocol::Cycles);
  EXPECT_EQ(cycles.protocol.table, QStringLiteral("0,5x6"));
  EXPECT_EQ(cycles.protocol.output, QStringLiteral("peaks.txt"));
  EXPECT_EQ(cycles.protocol.decimalMark, u',');
  EXPECT_EQ(cycles.protocol.groupingMark, u'.');

  const CommandLine aisc = Parse({"protocol", "aisc341"});
  ASSERT_EQ(aisc.action, Action::WriteProtocol) << aisc.text.toStdString();
  EXPECT_EQ(aisc.protocol.protocol, Protocol::Aisc341);
  EXPECT_FALSE(aisc.protocol.scale);
  EXPECT_EQ(aisc.protocol.output, QStringLiteral("-"));
  EXPECT_FALSE(aisc.protocol.decimalMark);
  EXPECT_EQ(Parse({"protocol", "aisc341", "--scale", "-2750"}).protocol.scale,
            QStringLiteral("-2750"));

  const CommandLine fema = Parse({"protocol", "fema461", "--largest", "40", "--ratio", "1.5",
                                  "--steps", "12", "--cycles", "3"});
  ASSERT_EQ(fema.action, Action::WriteProtocol) << fema.text.toStdString();
  EXPECT_EQ(fema.protocol.protocol, Protocol::Fema461);
  EXPECT_EQ(fema.protocol.largest, QStringLiteral("40"));
  EXPECT_EQ(fema.protocol.ratio, QStringLiteral("1.5"));
  EXPECT_EQ(fema.protocol.steps, QStringLiteral("12"));
  EXPECT_EQ(fema.protocol.cycles, QStringLiteral("3"));
  const CommandLine femaDefaults = Parse({"protocol", "fema461", "--largest", "40"});
  EXPECT_FALSE(femaDefaults.protocol.ratio);
  EXPECT_FALSE(femaDefaults.protocol.steps);
  EXPECT_FALSE(femaDefaults.protocol.cycles);
}

TEST(ProtocolCommandLineTest, UsageErrorsNameTheirFault) {
  const struct {
    QStringList arguments;
    const char* fault;
  } rows[] = {
      {{"protocol"}, "protocol needs a name: cycles, aisc341 or fema461"},
      {{"protocol", "fema"},
       "unknown protocol 'fema'; the protocols are cycles, aisc341 and "
       "fema461"},
      // The name is the one word after "protocol", in any case as written.
      {{"protocol", "AISC341"},
       "unknown protocol 'AISC341'; the protocols are cycles, aisc341 "
       "and fema461"},
      {{"protocol", "aisc341", "peaks.txt"}, "protocol aisc341 takes no argument 'peaks.txt'"},
      {{"protocol", "cycles"}, "protocol cycles needs --table"},
      {{"protocol", "fema461"}, "protocol fema461 needs --largest"},
      {{"protocol", "aisc341", "--table", "1x2"}, "protocol aisc341 takes no --table"},
      {{"protocol", "cycles", "--table", "1x2", "--scale", "2"},
       "protocol cycles takes no --scale"},
      {{"protocol", "aisc341", "--largest", "2"}, "protocol aisc341 takes no --largest"},
      {{"protocol", "fema461", "--largest", "2", "--scale", "2"},
       "protocol fema461 takes no --scale"},
      {{"protocol", "aisc341", "--spacing", "1"}, "protocol aisc341 takes no --spacing"},
      {{"protocol", "aisc341", "--plot", "p.png"}, "protocol aisc341 takes no --plot"},
      {{"protocol", "cycles", "--table", "1x2", "--table", "2x1"}, "--table given more than once"},
      {{"protocol", "aisc341", "--output", "a", "--output", "b"}, "--output given more than once"},
      {{"protocol", "fema461", "--largest", "2", "--steps", "3", "--steps", "4"},
       "--steps given more than once"},
      {{"protocol", "aisc341", "--decimal-mark", "E"},
       "--decimal-mark takes one character other than a digit, a sign, E, e or a blank, not 'E'"},
      {{"protocol", "aisc341", "--grouping-mark", ""},
       "--grouping-mark takes one character, not ''"},
      // The options of a protocol mean nothing to the window or the generation.
      {{"--table", "1x2"}, "--table needs protocol cycles"},
      {{"--spacing", "1", "--largest", "2", "peaks.txt"}, "--largest needs protocol fema461"},
      {{"--scale", "2", "peaks.txt"}, "--scale needs protocol aisc341"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments.join(u' ').toStdString());
    const CommandLine commandLine = Parse(row.arguments);
    EXPECT_EQ(commandLine.action, Action::UsageError);
    EXPECT_EQ(commandLine.text, UsageErrorText(QString::fromUtf8(row.fault)));
  }
}

TEST(ProtocolCommandLineTest, HelpListsTheProtocolsWithTheirSourcesAndExamples) {
  const QString help = Parse({"--help"}).text;
  for (const char* text :
       {"loadgen protocol cycles|aisc341|fema461 [options]", "--table <AxN,...>", "--scale <K>",
        "--largest <A>", "--ratio <R>", "--steps <N>", "--cycles <C>",
        "AISC 341 qualifying cycles for beam-to-column moment connections",
        "FEMA 461 interim protocol I", "loadgen protocol cycles --table 0.5x3,1x2",
        "loadgen protocol aisc341 | loadgen --spacing 0.0005 -",
        "loadgen protocol fema461 --largest 40"}) {
    EXPECT_TRUE(help.contains(QString::fromLatin1(text))) << text;
  }
}

// The request of the arguments after "loadgen protocol".
ProtocolRequest Request(const QStringList& arguments) {
  const CommandLine commandLine = Parse(QStringList{QStringLiteral("protocol")} + arguments);
  EXPECT_EQ(commandLine.action, Action::WriteProtocol) << commandLine.text.toStdString();
  return commandLine.protocol;
}

TEST(ProtocolPeaksTest, ReadsTheNumbersUnderTheMarksGiven) {
  const model::ValueMarks comma{u',', u'.'};
  EXPECT_EQ(ReadProtocolPeaks(Request({"cycles", "--table", "1,5x1,2x2"}), comma).peakValues,
            (std::vector<double>{0, 1.5, -1.5, 2, -2, 2, -2, 0}));
  EXPECT_EQ(ReadProtocolPeaks(Request({"fema461", "--largest", "8", "--ratio", "2,0", "--steps",
                                       "3", "--cycles", "1"}),
                              comma)
                .peakValues,
            (std::vector<double>{0, 2, -2, 4, -4, 8, -8, 0}));
  const ProtocolPeaks scaled = ReadProtocolPeaks(Request({"aisc341", "--scale", "1e3"}), {});
  ASSERT_EQ(scaled.peakValues.size(), 62u);
  EXPECT_EQ(scaled.peakValues[1], 3.75);
  EXPECT_EQ(scaled.peakValues[60], -40);
}

TEST(ProtocolPeaksTest, ANumberThatDoesNotReadNamesItsOption) {
  const struct {
    QStringList arguments;
    const char* fault;
  } rows[] = {
      {{"cycles", "--table", "0.5x6,1x0"},
       "--table: '1x0': the count is not a whole number from 1 to 1000"},
      {{"cycles", "--table", "0.5"}, "--table: '0.5' is not a pair AMPLITUDExCOUNT"},
      {{"cycles", "--table", ""}, "--table: no pairs AMPLITUDExCOUNT"},
      {{"cycles", "--table", "0.5 mmx6"},
       "--table: '0.5 mmx6': '0.5 mm' is not a valid floating point value"},
      {{"aisc341", "--scale", "2,75"}, "--scale: '2,75' is not a valid floating point value"},
      {{"aisc341", "--scale", "1e999"}, "--scale: Floating point overflow"},
      {{"fema461", "--largest", "abc"}, "--largest: 'abc' is not a valid floating point value"},
      {{"fema461", "--largest", "0"}, "--largest must be above 0, not '0'"},
      {{"fema461", "--largest", "-0"}, "--largest must be above 0, not '-0'"},
      {{"fema461", "--largest", "-40"}, "--largest must be above 0, not '-40'"},
      // Written as the export writes it, the largest double is above the largest double.
      {{"fema461", "--largest", "1.7976931348623157e308"},
       "--largest: the amplitude 1.79769313486232E308 does not read back: Floating point "
       "overflow"},
      {{"fema461", "--largest", "40", "--ratio", "1"}, "--ratio must be above 1, not '1'"},
      {{"fema461", "--largest", "40", "--ratio", "0.7"}, "--ratio must be above 1, not '0.7'"},
      {{"fema461", "--largest", "40", "--ratio", ""},
       "--ratio: '' is not a valid floating point value"},
      {{"fema461", "--largest", "40", "--steps", "0"},
       "--steps takes a whole number from 1 to 1000, not '0'"},
      {{"fema461", "--largest", "40", "--steps", "10.0"},
       "--steps takes a whole number from 1 to 1000, not '10.0'"},
      {{"fema461", "--largest", "40", "--cycles", "1001"},
       "--cycles takes a whole number from 1 to 1000, not '1001'"},
      {{"fema461", "--largest", "40", "--cycles", "-2"},
       "--cycles takes a whole number from 1 to 1000, not '-2'"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments.join(u' ').toStdString());
    const ProtocolPeaks peaks = ReadProtocolPeaks(Request(row.arguments), {});
    EXPECT_EQ(peaks.fault, QString::fromUtf8(row.fault));
    EXPECT_TRUE(peaks.peakValues.empty());
  }
}

// The built program writing protocols into a folder of the test's own.
class ProtocolRunTest : public test_support::FolderTest {
 protected:
  // The peak file that the arguments write to standard output.
  static QByteArray Written(const QStringList& arguments, const QStringList& environment = {}) {
    const Finished finished = RunLoadgen(LoadgenRun{arguments, {}, environment, {}});
    EXPECT_EQ(finished.exitCode, 0);
    EXPECT_EQ(finished.errors, QString());
    return finished.output;
  }
};

TEST_F(ProtocolRunTest, Aisc341IsItsCyclesTableLineByLine) {
  const QByteArray aisc = Written({"protocol", "aisc341"});
  EXPECT_EQ(aisc.count("\r\n"), 62);
  const QList<QByteArray> lines = aisc.split('\n');
  const QList<QByteArray> expected = kAisc341File.split('\n');
  ASSERT_EQ(lines.size(), expected.size());
  for (qsizetype i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(lines[i], expected[i]);
  }
  EXPECT_EQ(Written({"protocol", "cycles", "--table",
                     "0.00375x6,0.005x6,0.0075x6,0.01x4,0.015x2,0.02x2,0.03x2,0.04x2"}),
            aisc);
  // Under a decimal comma the table is typed, and the file written, with commas.
  const QByteArray commaFile = QByteArray(kAisc341File).replace('.', ',');
  EXPECT_EQ(Written({"protocol", "aisc341"}, {"LC_ALL=de_DE.UTF-8"}), commaFile);
  EXPECT_EQ(Written({"protocol", "cycles", "--table",
                     "0,00375x6,0,005x6,0,0075x6,0,01x4,0,015x2,0,02x2,0,03x2,0,04x2"},
                    {"LC_ALL=de_DE.UTF-8"}),
            commaFile);
}

TEST_F(ProtocolRunTest, Aisc341ScalesEveryAmplitude) {
  EXPECT_EQ(Written({"protocol", "aisc341", "--scale", "2750"}), PeakFile({{"10.3125", 6},
                                                                           {"13.75", 6},
                                                                           {"20.625", 6},
                                                                           {"27.5", 4},
                                                                           {"41.25", 2},
                                                                           {"55", 2},
                                                                           {"82.5", 2},
                                                                           {"110", 2}}));
  EXPECT_EQ(Written({"protocol", "aisc341", "--scale", "1"}), kAisc341File);
}

TEST_F(ProtocolRunTest, Fema461DividesTheLargestAmplitudeInSuccession) {
  const QString out = WriteFile(QStringLiteral("peaks.txt"), "an older file, replaced");
  const Finished finished = RunLoadgen({"protocol", "fema461", "--largest", "100", "--ratio", "1.4",
                                        "--steps", "10", "--cycles", "2", "--output", out});
  EXPECT_EQ(finished.exitCode, 0);
  EXPECT_EQ(finished.errors, QString());
  EXPECT_TRUE(finished.output.isEmpty());
  const QByteArray file = ReadFile(out);
  EXPECT_EQ(file.count("\r\n"), 42);
  EXPECT_EQ(file, kFema461File);
  EXPECT_EQ(Written({"protocol", "fema461", "--largest", "100"}), kFema461File);
  EXPECT_EQ(Written({"protocol", "fema461", "--largest", "100", "--decimal-mark", "/"}),
            QByteArray(kFema461File).replace('.', '/'));
}

TEST_F(ProtocolRunTest, BadInputIsAUsageErrorAndWritesNothing) {
  const QString old = WriteFile(QStringLiteral("old.txt"), "old\r\n");
  const QString fresh = PathIn(QStringLiteral("fresh.txt"));
  const struct {
    QStringList arguments;
    const char* fault;
  } rows[] = {
      {{"protocol", "fema"},
       "unknown protocol 'fema'; the protocols are cycles, aisc341 and "
       "fema461"},
      {{"protocol", "cycles", "--table", "0.5x6;1x2"},
       "--table: '0.5x6;1x2': '0.5x6;1' is not a valid floating point value"},
      {{"protocol", "cycles", "--table", "0.5x6,1x1001"},
       "--table: '1x1001': the count is not a whole number from 1 to 1000"},
      {{"protocol", "aisc341", "--scale", "3 m"},
       "--scale: '3 m' is not a valid floating point value"},
      {{"protocol", "fema461", "--largest", "0"}, "--largest must be above 0, not '0'"},
      {{"protocol", "fema461", "--largest", "40", "--ratio", "1"},
       "--ratio must be above 1, not '1'"},
      {{"protocol", "fema461", "--largest", "40", "--steps", "0"},
       "--steps takes a whole number from 1 to 1000, not '0'"},
      {{"protocol", "fema461", "--largest", "40", "--cycles", "1.5"},
       "--cycles takes a whole number from 1 to 1000, not '1.5'"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fault);
    for (const QString& output : {old, fresh, QStringLiteral("-")}) {
      SCOPED_TRACE(output.toStdString());
      const Finished finished = RunLoadgen(row.arguments + QStringList{"--output", output});
      EXPECT_EQ(finished.exitCode, kUsageErrorExitCode);
      EXPECT_EQ(finished.errors, UsageErrorText(QString::fromUtf8(row.fault)));
      EXPECT_TRUE(finished.output.isEmpty());
    }
    EXPECT_EQ(ReadFile(old), QByteArray("old\r\n"));
    EXPECT_FALSE(QFileInfo::exists(fresh));
  }
  EXPECT_EQ(QDir(folder_.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(ProtocolRunTest, AnOutputThatCannotBeWrittenIsAnError) {
  const QString inMissingFolder = PathIn(QStringLiteral("no such folder/peaks.txt"));
  const Finished missing = RunLoadgen({"protocol", "aisc341", "--output", inMissingFolder});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.errors,
            QStringLiteral("loadgen: Cannot create file \"%1\". No such file or directory.\n")
                .arg(inMissingFolder));
  const Finished full = RunLoadgen({"protocol", "aisc341", "--output", "/dev/full"});
  EXPECT_EQ(full.exitCode, 1);
  EXPECT_EQ(full.errors, QStringLiteral("loadgen: Stream write error.\n"));
}

// The window, importing what the protocol command wrote.
class ProtocolWindowTest : public test_support::WindowTest {};

TEST_F(ProtocolWindowTest, APipedProtocolGeneratesAsTheWindowDoesFromItsFile) {
  const struct {
    QStringList protocol;
    const char* spacing;
  } rows[] = {
      {{"protocol", "aisc341"}, "0.0005"},
      {{"protocol", "fema461", "--largest", "100"}, "0.5"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.protocol.join(u' ').toStdString());
    const QString spacing = QString::fromLatin1(row.spacing);
    const Finished protocol = RunLoadgen(row.protocol);
    ASSERT_EQ(protocol.exitCode, 0) << protocol.errors.toStdString();
    const Finished piped =
        RunLoadgen(LoadgenRun{{"--spacing", spacing, "-"}, protocol.output, {}, {}});
    ASSERT_EQ(piped.exitCode, 0) << piped.errors.toStdString();

    const QString peaks = WriteFile(QStringLiteral("peaks.txt"), protocol.output);
    EXPECT_TRUE(Import(peaks).empty());
    EXPECT_TRUE(Generate(spacing).empty());
    const QByteArray window = Export(PathIn(QStringLiteral("LoadingProcess.txt")));
    EXPECT_GT(window.size(), protocol.output.size());
    EXPECT_EQ(piped.output, window);
  }
}

}  // namespace
}  // namespace shell
