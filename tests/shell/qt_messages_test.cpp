#include "shell/qt_messages.h"

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include <QLoggingCategory>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <gtest/gtest.h>

#include "tests/shell/qt_printers.h"

namespace shell {
namespace {

#ifdef NDEBUG
constexpr bool kReleaseBuild = true;
#else
constexpr bool kReleaseBuild = false;
#endif

Q_LOGGING_CATEGORY(lcProbe, "loadgen.probe")

// Standard error of this process, sent into a file while the capture lives.
class StandardErrorCapture {
 public:
  StandardErrorCapture() : file_(std::tmpfile()) {
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    dup2(fileno(file_), STDERR_FILENO);
  }
  ~StandardErrorCapture() {
    Restore();
    std::fclose(file_);
  }

  StandardErrorCapture(const StandardErrorCapture&) = delete;
  StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;

  // Everything written since the capture began; standard error is itself again.
  std::string Take() {
    Restore();
    std::string written;
    std::rewind(file_);
    for (int c; (c = std::fgetc(file_)) != EOF;) written.push_back(static_cast<char>(c));
    return written;
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    saved_ = -1;
  }

  std::FILE* file_;
  int saved_ = -1;
};

TEST(QtMessagesTest, OnlyAFatalMessageGetsThrough) {
  std::string dropped;
  {
    const QtMessageScope quiet(detail::DropNonFatalMessage);
    StandardErrorCapture capture;
    qDebug("a debug note");
    qInfo("an information");
    qWarning("Unable to detect a web browser to launch '%s'", "http://orlavin.example");
    qCritical("a critical message");
    qCWarning(lcProbe) << "a warning of a category";
    dropped = capture.Take();
  }
  EXPECT_EQ(dropped, "");

  // Qt ends the program once the handler is back from a fatal message, so the handler is
  // called here directly.
  StandardErrorCapture fatal;
  detail::DropNonFatalMessage(QtFatalMsg, QMessageLogContext(), QStringLiteral("cannot go on"));
  EXPECT_NE(fatal.Take().find("cannot go on"), std::string::npos);
}

std::vector<std::string> outerMessages;
std::vector<std::string> innerMessages;

void RecordOuter(QtMsgType, const QMessageLogContext&, const QString& message) {
  outerMessages.push_back(message.toStdString());
}

void RecordInner(QtMsgType, const QMessageLogContext&, const QString& message) {
  innerMessages.push_back(message.toStdString());
}

TEST(QtMessageScopeTest, SendsMessagesToItsHandlerAndThenBackToTheOneBefore) {
  outerMessages.clear();
  innerMessages.clear();
  {
    const QtMessageScope outer(RecordOuter);
    qWarning("before");
    {
      const QtMessageScope inner(RecordInner);
      qWarning("during");
    }
    qWarning("after");
  }
  EXPECT_EQ(outerMessages, (std::vector<std::string>{"before", "after"}));
  EXPECT_EQ(innerMessages, std::vector<std::string>{"during"});
}

// The program as it runs, where Qt has something to say about the session it finds.
TEST(QtMessagesTest, TheProgramWritesNothingButWhyItCannotStart) {
  if (!kReleaseBuild) GTEST_SKIP() << "a debug build keeps Qt's messages";
  const struct {
    const char* name;
    const char* platform;
    const char* dropped;
    const char* shown;
  } rows[] = {
      // Qt notes that the runtime folder is not set and goes on with one of its own.
      {"no runtime folder", "offscreen", "XDG_RUNTIME_DIR", nullptr},
      {"no window system", "none-such", "Could not find the Qt platform plugin",
       "no Qt platform plugin could be initialized"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromLatin1(row.platform));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(SHELL_STARTUP_PROBE), {});
    ASSERT_TRUE(program.waitForFinished(60000)) << program.errorString().toStdString();
    const QString written = QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_FALSE(written.contains(QString::fromLatin1(row.dropped))) << written.toStdString();
    if (row.shown == nullptr) {
      EXPECT_EQ(written, QString());
      EXPECT_EQ(program.exitCode(), 0);
    } else {
      EXPECT_TRUE(written.contains(QString::fromLatin1(row.shown))) << written.toStdString();
    }
  }
}

}  // namespace
}  // namespace shell
