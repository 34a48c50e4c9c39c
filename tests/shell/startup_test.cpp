#include "shell/startup.h"

#include <stdexcept>

#include <QLocale>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

#include "model/errors.h"
#include "model/value_marks.h"
#include "shell/regional_settings.h"
#include "tests/shell/modal_script.h"
#include "tests/shell/qt_printers.h"

namespace shell {
namespace {

using test_support::ModalScript;
using test_support::Shown;

TEST(StartupTest, AnErrorEscapingTheStartIsShownInTheErrorBox) {
  const struct {
    const char* name;
    std::function<void()> steps;
    const char* shown;
  } rows[] = {
      {"an error of the program",
       [] { throw model::EConvertError(u"'x' is not a valid floating point value"); },
       "'x' is not a valid floating point value."},
      {"an error of a foreign kind", [] { throw std::logic_error("internal"); }, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ModalScript script;
    detail::RunShowingErrors(row.steps);
    const std::vector<Shown> shown = script.TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
    EXPECT_EQ(shown[0].text, QString::fromLatin1(row.shown));
  }
}

TEST(StartupTest, TheProgramShowsItsWindowAndEndsWithExitCodeZeroWhenItIsClosed) {
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(SHELL_STARTUP_PROBE), {});
  ASSERT_TRUE(program.waitForFinished(60000)) << program.errorString().toStdString();
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);
  bool painted = false;
  QString::fromLatin1(program.readAllStandardOutput()).trimmed().toLongLong(&painted);
  EXPECT_TRUE(painted) << "the window was never painted";
}

TEST(RegionalMarksTest, OneCharacterSymbolsAreTakenAndOthersFallBack) {
  const struct {
    const char16_t* symbol;
    char16_t mark;
  } rows[] = {
      {u",", u','},
      {u"\u00A0", u'\u00A0'},
      {u"", u'.'},
      {u"::", u'.'},
  };
  for (const auto& row : rows) {
    const QString symbol = QString::fromUtf16(row.symbol);
    SCOPED_TRACE(symbol.toStdString());
    EXPECT_EQ(detail::MarkOrFallback(symbol, u'.'), row.mark);
  }

  EXPECT_EQ(RegionalMarks(QLocale(QLocale::German, QLocale::Germany)),
            (model::ValueMarks{u',', u'.'}));
  EXPECT_EQ(RegionalMarks(QLocale(QLocale::English, QLocale::UnitedStates)),
            (model::ValueMarks{u'.', u','}));
}

}  // namespace
}  // namespace shell
