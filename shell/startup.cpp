#include "shell/startup.h"

#include <cstdio>
#include <optional>

#include <QFile>
#include <QFontDatabase>
#include <QStringList>
#include <QTimer>

#include "model/errors.h"
#include "model/fp_environment.h"
#include "model/unicode.h"
#include "shell/application.h"
#include "shell/command_line.h"
#include "shell/exception_handling.h"
#include "shell/headless_run.h"
#include "shell/main_window.h"
#include "shell/message_boxes.h"
#include "shell/program_identity.h"
#include "shell/qt_messages.h"

namespace shell {
namespace {

// Debian's free stand-in for the window's desktop font. The Wine fonts hold an "MS Sans
// Serif" too, but only as bitmaps without a bold face, so the status bar's bold panes fall
// back to Tahoma, the face that took its place on the desktop.
const char* const kDesktopFontFiles[] = {
    "/usr/share/wine/fonts/tahoma.ttf",
    "/usr/share/wine/fonts/tahomabd.ttf",
};

}  // namespace

int RunProgram(int& argc, char** argv) noexcept {
  try {
    PrepareProcess();
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine commandLine = ParseCommandLine(arguments);
    switch (commandLine.action) {
      case CommandLine::Action::Print:
        std::fputs(commandLine.text.toLocal8Bit().constData(), stdout);
        return 0;
      case CommandLine::Action::UsageError:
        std::fputs(commandLine.text.toLocal8Bit().constData(), stderr);
        return kUsageErrorExitCode;
      case CommandLine::Action::Generate:
        return RunHeadless(commandLine.peakFile, commandLine.generation);
      case CommandLine::Action::WriteProtocol:
        return RunProtocol(commandLine.protocol);
      case CommandLine::Action::OpenWindow:
        break;
    }
    QuietQtMessages();
    TApplication application(argc, argv);
    detail::RunShowingErrors([&commandLine] {
      PrepareApplication();
      TForm1 form;
      form.show();
      if (!commandLine.peakFile.isEmpty()) {
        // Once the window is up, so that a warning about the file is shown over it.
        QTimer::singleShot(0, &form, Guarded([&form, &commandLine] {
                             form.ImportChosenFile(commandLine.peakFile);
                           }));
      }
      TApplication::exec();
    });
  } catch (...) {
    // Without an application object there is no box to show the error in.
    try {
      std::fprintf(stderr, "%s\n",
                   model::ToUtf8(ErrorOf(std::current_exception()).Message()).c_str());
    } catch (...) {
    }
  }
  return 0;
}

void PrepareProcess() { model::EstablishFloatingPointEnvironment(); }

void PrepareApplication() {
  ApplyProgramIdentity();
  for (const char* file : kDesktopFontFiles) {
    const QString path = QString::fromLatin1(file);
    if (QFile::exists(path)) QFontDatabase::addApplicationFont(path);
  }
}

namespace detail {

void RunShowingErrors(const std::function<void()>& steps) noexcept {
  try {
    steps();
  } catch (...) {
    try {
      ShowException(ErrorOf(std::current_exception()));
    } catch (...) {
      // Not even the box could be shown; the program ends all the same.
    }
  }
}

}  // namespace detail
}  // namespace shell
