#include "tests/shell/loadgen_process.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace shell::test_support {

Finished RunLoadgen(const LoadgenRun& run) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LC_NUMERIC", "LANG"}) {
    environment.remove(QString::fromLatin1(name));
  }
  environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
  for (const QString& setting : run.environment) {
    const qsizetype equals = setting.indexOf(u'=');
    environment.insert(setting.left(equals), setting.mid(equals + 1));
  }
  QProcess program;
  program.setProcessEnvironment(environment);
  if (!run.outputFile.isEmpty()) program.setStandardOutputFile(run.outputFile);
  program.start(QStringLiteral(LOADGEN_EXECUTABLE), run.arguments);
  EXPECT_TRUE(program.waitForStarted(60000)) << program.errorString().toStdString();
  program.write(run.input);
  program.closeWriteChannel();
  EXPECT_TRUE(program.waitForFinished(60000)) << program.errorString().toStdString();
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  return {program.exitCode(), program.readAllStandardOutput(),
          QString::fromUtf8(program.readAllStandardError())};
}

Finished RunLoadgen(const QStringList& arguments) {
  return RunLoadgen(LoadgenRun{arguments, {}, {}, {}});
}

}  // namespace shell::test_support
