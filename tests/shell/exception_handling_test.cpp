#include "shell/exception_handling.h"

#include <new>
#include <stdexcept>

#include <QCoreApplication>
#include <QEvent>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "model/errors.h"
#include "tests/shell/modal_script.h"
#include "tests/shell/qt_printers.h"

namespace shell {
namespace {

using test_support::ModalScript;
using test_support::Shown;

TEST(ErrorOfTest, KeepsTheProgramsErrorsAndBlanksForeignOnes) {
  const struct {
    const char* name;
    std::exception_ptr error;
    std::u16string message;
  } rows[] = {
      {"an error of the program", std::make_exception_ptr(model::EZeroDivide()),
       u"Floating point division by zero"},
      {"a file error", std::make_exception_ptr(model::EFCreateError(u"Cannot create file \"/x\"")),
       u"Cannot create file \"/x\""},
      {"memory ran out", std::make_exception_ptr(std::bad_alloc()), u"Out of memory"},
      {"a foreign standard error", std::make_exception_ptr(std::runtime_error("internal")), u""},
      {"not an exception class at all", std::make_exception_ptr(42), u""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ErrorOf(row.error).Message(), row.message);
  }
}

TEST(GuardedTest, AnErrorLeavingAHandlerReachesTheErrorBoxAndReleasesTheMouse) {
  ModalScript script;
  QPushButton button(QStringLiteral("Fail"));
  button.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
  int runs = 0;
  QObject::connect(&button, &QPushButton::clicked, Guarded([&button, &runs] {
    ++runs;
    button.grabMouse();
    EXPECT_EQ(QWidget::mouseGrabber(), &button);
    throw model::EInvalidOp();
  }));

  for (int click = 1; click <= 2; ++click) {
    SCOPED_TRACE(click);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(runs, click);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    const std::vector<Shown> shown = script.TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
    EXPECT_EQ(shown[0].text, QStringLiteral("Invalid floating point operation."));
  }
}

TEST(GuardedTest, PassesTheSignalsArgumentsTheHandlerTakes) {
  QPushButton button;
  button.setCheckable(true);
  bool checked = false;
  QObject::connect(&button, &QPushButton::toggled,
                   Guarded([&checked](bool state) { checked = state; }));
  button.toggle();
  EXPECT_TRUE(checked);
}

// An object whose own event handler throws, as a control's override might.
class ThrowingObject : public QObject {
 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User) throw model::EOverflow();
    return QObject::event(event);
  }
};

TEST(ApplicationTest, CatchesWhatEscapesAnEventAndGoesOn) {
  ModalScript script;
  ThrowingObject object;
  QEvent event(QEvent::User);
  EXPECT_FALSE(QCoreApplication::sendEvent(&object, &event));
  const std::vector<Shown> shown = script.TakeShown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, QStringLiteral("Floating point overflow."));
}

}  // namespace
}  // namespace shell
