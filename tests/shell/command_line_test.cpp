#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include "tests/shell/qt_printers.h"

namespace shell {
namespace {

using Action = CommandLine::Action;

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
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments.join(u' ').toStdString());
    const CommandLine commandLine =
        ParseCommandLine(QStringList{QStringLiteral("/usr/bin/loadgen")} + row.arguments);
    EXPECT_EQ(commandLine.action, row.action);
    EXPECT_EQ(commandLine.peakFile, row.peakFile);
  }
}

TEST(CommandLineTest, HelpListsTheOptionsUnderTheProgramsName) {
  const CommandLine help = ParseCommandLine({QStringLiteral("./build/shell/loadgen"),
                                             QStringLiteral("--help")});
  EXPECT_TRUE(help.text.startsWith(QStringLiteral("Usage: loadgen [options] [PEAKFILE]\n")))
      << help.text.toStdString();
  EXPECT_TRUE(help.text.contains(QStringLiteral("--version")));
}

// The installed program, run as a script would run it: no display of any kind.
struct Finished {
  int exitCode;
  QString output;
  QString errors;
};

Finished RunLoadgen(const QStringList& arguments) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    environment.remove(QString::fromLatin1(name));
  }
  QProcess program;
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(LOADGEN_EXECUTABLE), arguments);
  EXPECT_TRUE(program.waitForFinished(60000)) << program.errorString().toStdString();
  return {program.exitCode(), QString::fromLocal8Bit(program.readAllStandardOutput()),
          QString::fromLocal8Bit(program.readAllStandardError())};
}

TEST(CommandLineTest, VersionAndUsageErrorsNeedNoDisplay) {
  const Finished version = RunLoadgen({QStringLiteral("--version")});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.output, QStringLiteral("loadgen " LOADGEN_VERSION "\n"));

  const Finished unknown = RunLoadgen({QStringLiteral("--no-such-option")});
  EXPECT_EQ(unknown.exitCode, kUsageErrorExitCode);
  EXPECT_TRUE(unknown.output.isEmpty());
  EXPECT_TRUE(unknown.errors.startsWith(QStringLiteral("loadgen: Unknown option 'no-such-option'.")))
      << unknown.errors.toStdString();
}

}  // namespace
}  // namespace shell
