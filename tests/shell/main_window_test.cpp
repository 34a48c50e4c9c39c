#include "shell/main_window.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLocale>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <gtest/gtest.h>

#include "model/value_marks.h"
#include "shell/button.h"
#include "shell/edit_box.h"
#include "tests/shell/qt_printers.h"
#include "tests/shell/window_fixture.h"
#include "widgets/chart.h"
#include "widgets/line_series.h"
#include "widgets/splitter.h"
#include "widgets/status_bar.h"

namespace shell {
namespace {

using test_support::Shown;
using test_support::WindowTest;

TEST_F(WindowTest, WindowHasItsCaptionSizeLookAndPlace) {
  EXPECT_EQ(form_->windowTitle(),
            QStringLiteral("Loading Process Generation (by Orlavin)(20151026)"));
  EXPECT_EQ(form_->size(), QSize(688, 400));
  EXPECT_EQ(form_->backgroundRole(), QPalette::Button);
  EXPECT_TRUE(form_->autoFillBackground());
  EXPECT_TRUE(form_->isWindow());
  EXPECT_FALSE(form_->isMaximized());
  // A window of its own, with a task-bar entry: not a tool window or a dialog.
  EXPECT_EQ(form_->windowType(), Qt::Window);

  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QSize outer = form_->frameGeometry().size();
  EXPECT_EQ(form_->frameGeometry().topLeft(),
            QPoint(screen.left() + (screen.width() - outer.width()) / 2,
                   screen.top() + (screen.height() - outer.height()) / 2));

  const QFontInfo font(form_->font());
  EXPECT_EQ(font.family(), QStringLiteral("Tahoma"));
  EXPECT_EQ(font.pixelSize(), 11);
  EXPECT_FALSE(font.bold());
}

TEST_F(WindowTest, EveryControlSitsAtItsPlaceWithItsCaption) {
  const struct {
    const char* name;
    QRect place;
    const char* caption;
  } rows[] = {
      {"btn1", {8, 8, 153, 25}, "Import Peak Step Value"},
      {"lbl1", {8, 45, 114, 13}, "Division Spacing of Step"},
      {"edt1", {8, 70, 153, 21}, "1"},
      {"btn2", {8, 103, 153, 25}, "Generate Loading Process"},
      {"btn3", {8, 140, 153, 25}, "Export Loading Process"},
      {"rzspltr1", {167, 8, 512, 357}, ""},
      {"rzstsbr1", {0, 373, 688, 27}, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto* control = form_->findChild<QWidget*>(QString::fromLatin1(row.name));
    ASSERT_NE(control, nullptr);
    if (control == Find<QLabel>("lbl1")) {
      // The label takes the size of its text, which depends on the face.
      EXPECT_EQ(control->pos(), row.place.topLeft());
      EXPECT_EQ(control->size(), control->sizeHint());
      EXPECT_NEAR(control->width(), row.place.width(), 4);
      EXPECT_NEAR(control->height(), row.place.height(), 2);
    } else {
      EXPECT_EQ(control->geometry(), row.place);
    }
    EXPECT_EQ(control->font().family(), form_->font().family());
    EXPECT_EQ(control->font().pixelSize(), 11);
    const QString caption = QString::fromLatin1(row.caption);
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
      EXPECT_EQ(button->text(), caption);
      EXPECT_FALSE(button->isDefault());
      EXPECT_FALSE(button->autoDefault());
    } else if (const auto* label = qobject_cast<const QLabel*>(control)) {
      EXPECT_EQ(label->text(), caption);
    } else if (const auto* edit = qobject_cast<const QLineEdit*>(control)) {
      EXPECT_EQ(edit->text(), caption);
    }
  }
  for (const char* name : {"cht1", "cht2"}) {
    SCOPED_TRACE(name);
    const auto* chart = form_->findChild<QWidget*>(QString::fromLatin1(name));
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->parentWidget(), static_cast<QWidget*>(Splitter()));
  }
  EXPECT_LT(Chart("cht1")->y(), Chart("cht2")->y());
}

TEST_F(WindowTest, CaptionsFitTheirControlsUnclipped) {
  for (const TButton* button : {Button("btn1"), Button("btn2"), Button("btn3")}) {
    SCOPED_TRACE(button->text().toStdString());
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QRect room =
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    const QFontMetrics metrics(button->font());
    EXPECT_LE(metrics.horizontalAdvance(button->text()), room.width());
    EXPECT_LE(metrics.height(), room.height());
  }
  const QFontMetrics metrics(Find<QLabel>("lbl1")->font());
  const QRect room = Find<QLabel>("lbl1")->contentsRect();
  EXPECT_LE(metrics.horizontalAdvance(Find<QLabel>("lbl1")->text()), room.width());
  EXPECT_LE(metrics.height(), room.height());
  const QRect typing = SpacingBox()->rect();
  EXPECT_LE(QFontMetrics(SpacingBox()->font()).height(), typing.height());
}

TEST_F(WindowTest, StartsEmptyWithBothFileDialogsInTheProgramFolder) {
  EXPECT_TRUE(form_->ImportedPeaks().empty());
  EXPECT_TRUE(form_->GeneratedProcess().empty());
  EXPECT_EQ(Chart("cht1")->Series().Count(), 0u);
  EXPECT_EQ(Chart("cht2")->Series().Count(), 0u);

  script_.Cancel();
  Button("btn1")->click();
  script_.Cancel();
  Button("btn3")->click();
  const std::vector<Shown> shown = script_.TakeShown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].kind, Shown::Kind::OpenDialog);
  EXPECT_EQ(shown[1].kind, Shown::Kind::SaveDialog);
  for (const Shown& dialog : shown) {
    EXPECT_EQ(dialog.folder, QCoreApplication::applicationDirPath());
  }
  // Nothing has been imported yet, so there is no file to offer.
  EXPECT_EQ(shown[0].text, QString());
}

TEST_F(WindowTest, ResizingMovesOnlyTheSplitterAndTheStatusBar) {
  form_->resize(888, 500);
  EXPECT_EQ(Splitter()->geometry(), QRect(167, 8, 712, 457));
  EXPECT_EQ(StatusBar()->geometry(), QRect(0, 473, 888, 27));
  EXPECT_EQ(Button("btn1")->geometry(), QRect(8, 8, 153, 25));
  EXPECT_EQ(Button("btn3")->geometry(), QRect(8, 140, 153, 25));
  // Far too small a window leaves the splitter no room rather than a negative size.
  form_->resize(100, 30);
  EXPECT_EQ(Splitter()->size(), QSize(0, 0));
  EXPECT_EQ(StatusBar()->geometry(), QRect(0, 3, 100, 27));
}

TEST_F(WindowTest, TabVisitsGenerateBeforeTheSpacingBox) {
  Button("btn1")->setFocus();
  const QWidget* expected[] = {Button("btn2"), SpacingBox(), Button("btn3"), Button("btn1")};
  for (const QWidget* next : expected) {
    SCOPED_TRACE(next->objectName().toStdString());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next);
  }
}

TEST_F(WindowTest, SpacingBoxSelectsItsTextWhenEnteredButNotWhenClicked) {
  SpacingBox()->setText(QStringLiteral("0.25"));
  Button("btn2")->setFocus();
  QTest::keyClick(Button("btn2"), Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), SpacingBox());
  EXPECT_EQ(SpacingBox()->selectedText(), QStringLiteral("0.25"));

  Button("btn3")->setFocus();
  QTest::mouseClick(SpacingBox(), Qt::LeftButton, {}, QPoint(4, 10));
  ASSERT_EQ(QApplication::focusWidget(), SpacingBox());
  EXPECT_EQ(SpacingBox()->selectedText(), QString());
}

TEST_F(WindowTest, EscStartsTheImportFromAnyControlButNotWithAModifier) {
  for (QWidget* focus :
       {static_cast<QWidget*>(Button("btn3")), static_cast<QWidget*>(SpacingBox())}) {
    SCOPED_TRACE(focus->objectName().toStdString());
    focus->setFocus();
    script_.Cancel();
    QTest::keyClick(focus, Qt::Key_Escape);
    const std::vector<Shown> shown = script_.TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, Shown::Kind::OpenDialog);
  }
  for (Qt::KeyboardModifier modifier : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
    SCOPED_TRACE(modifier);
    QTest::keyClick(Button("btn3"), Qt::Key_Escape, modifier);
    EXPECT_TRUE(script_.TakeShown().empty());
  }
}

TEST_F(WindowTest, EnterClicksOnlyTheFocusedButton) {
  SpacingBox()->setFocus();
  QTest::keyClick(SpacingBox(), Qt::Key_Return);
  EXPECT_TRUE(script_.TakeShown().empty());

  Button("btn3")->setFocus();
  script_.Cancel();
  QTest::keyClick(Button("btn3"), Qt::Key_Return);
  script_.Cancel();
  QTest::keyClick(Button("btn3"), Qt::Key_Enter, Qt::KeypadModifier);
  const std::vector<Shown> shown = script_.TakeShown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].kind, Shown::Kind::SaveDialog);
  EXPECT_EQ(shown[1].kind, Shown::Kind::SaveDialog);

  QTest::keyClick(Button("btn3"), Qt::Key_Return, Qt::ControlModifier);
  EXPECT_TRUE(script_.TakeShown().empty());
}

TEST(WindowMarksTest, TakesTheRegionalMarksWhenBuiltAndAgainOnALocaleChange) {
  // The machine's own symbols as Qt reports them: one character each on every machine the
  // tests run on, so that they are the marks themselves, with no stand-in.
  const QLocale system = QLocale::system();
  ASSERT_EQ(system.decimalPoint().size(), 1);
  ASSERT_EQ(system.groupSeparator().size(), 1);
  const model::ValueMarks regional{system.decimalPoint().at(0).unicode(),
                                   system.groupSeparator().at(0).unicode()};
  EXPECT_EQ(TForm1().Marks(), regional);

  const model::ValueMarks given{u'#', u'#'};
  TForm1 form(given);
  EXPECT_EQ(form.Marks(), given);
  QEvent change(QEvent::LocaleChange);
  QCoreApplication::sendEvent(&form, &change);
  EXPECT_EQ(form.Marks(), regional);
}

}  // namespace
}  // namespace shell
