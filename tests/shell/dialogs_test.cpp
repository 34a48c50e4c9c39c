#include <functional>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "model/errors.h"
#include "shell/file_dialog.h"
#include "shell/message_box.h"
#include "shell/message_boxes.h"
#include "shell/modal.h"
#include "tests/shell/modal_script.h"
#include "tests/shell/qt_printers.h"

namespace shell {
namespace {

using test_support::ModalScript;
using test_support::Shown;

TEST(ApplicationTitleTest, CutsAtTheFirstFullStopAndLowersAllButTheFirstCharacter) {
  const struct {
    const char* path;
    const char* title;
  } rows[] = {
      {"Loading.Tool.exe", "Loading"},
      {"LOADGEN.EXE", "Loadgen"},
      // The first character keeps its case, whichever it is.
      {"/usr/bin/loadgen", "loadgen"},
      {"/opt/LoadGen", "Loadgen"},
      // A full stop in a folder's name is not the file name's.
      {"/opt/tool.v2/LOADGEN", "Loadgen"},
      {"X", "X"},
      {".loadgen", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(detail::ApplicationTitle(QString::fromUtf8(row.path)), QString::fromUtf8(row.title));
  }
}

TEST(ClosingFullStopTest, IsAddedAfterEveryCharacterAboveTheFullStop) {
  const struct {
    const char16_t* message;
    const char16_t* shown;
  } rows[] = {
      {u"Floating point division by zero", u"Floating point division by zero."},
      {u"Line 12", u"Line 12."},
      {u"Cannot open file \"/tmp/a\". No such file or directory",
       u"Cannot open file \"/tmp/a\". No such file or directory."},
      {u"Ends in a colon:", u"Ends in a colon:."},
      {u"Ends in a slash/", u"Ends in a slash/."},
      {u"Is it?", u"Is it?."},
      {u"\u00DCber", u"\u00DCber."},
      {u"Already a sentence.", u"Already a sentence."},
      {u"Exclaimed!", u"Exclaimed!"},
      {u"(bracketed)", u"(bracketed)"},
      {u"'quoted'", u"'quoted'"},
      {u"Ends in a blank ", u"Ends in a blank "},
      {u"Ends in a line break\r\n", u"Ends in a line break\r\n"},
      // "-" (U+002D) lies just below the full stop, "/" (U+002F) just above it.
      {u"Dash-", u"Dash-"},
      {u"", u""},
  };
  for (const auto& row : rows) {
    const QString message = QString::fromUtf16(row.message);
    SCOPED_TRACE(message.toStdString());
    EXPECT_EQ(detail::WithClosingFullStop(message), QString::fromUtf16(row.shown));
  }
}

// The boxes as they are built, checked at the seam before they would be shown.
class BoxTest : public testing::Test {
 protected:
  ModalOverride inspector_{[this](QDialog& dialog) {
    auto* box = qobject_cast<TMessageBox*>(&dialog);
    EXPECT_NE(box, nullptr);
    if (box == nullptr) return int{QDialog::Rejected};
    caption_ = box->windowTitle();
    text_ = box->Text();
    icon_ = box->Icon();
    buttons_ = box->findChildren<QPushButton*>().size();
    okIsDefaultWithFocus_ = box->OkButton()->text().remove(u'&') == QStringLiteral("OK") &&
                            box->OkButton()->isDefault() && box->focusWidget() == box->OkButton();
    return int{QDialog::Accepted};
  }};
  QString caption_;
  QString text_;
  QMessageBox::Icon icon_ = QMessageBox::NoIcon;
  qsizetype buttons_ = 0;
  bool okIsDefaultWithFocus_ = false;
};

TEST_F(BoxTest, WarningShowsItsTextAsItStandsWithOneOkButton) {
  const QString text = QStringLiteral("First line\nsecond line <b>not markup</b>");
  ShowWarning(text);
  EXPECT_EQ(caption_, QStringLiteral("Warning"));
  EXPECT_EQ(icon_, QMessageBox::Warning);
  EXPECT_EQ(text_, text);
  EXPECT_EQ(buttons_, 1);
  EXPECT_TRUE(okIsDefaultWithFocus_);
}

TEST_F(BoxTest, BothBoxesShowTheWholeTextHoweverLong) {
  // An unreadable line of a file, quoted whole, can run to millions of characters.
  const QString line(5'000'000, u'x');
  ShowWarning(line);
  EXPECT_EQ(text_, line);
  std::u16string message = u"'";
  message += line.toStdU16String();
  message += u"' is not a valid floating point value";
  ShowException(model::EConvertError(message));
  EXPECT_EQ(text_, QString::fromStdU16String(message) + u'.');
}

TEST_F(BoxTest, ErrorBoxCarriesTheApplicationTitleAndAClosingFullStop) {
  ShowException(model::EZeroDivide());
  EXPECT_EQ(caption_, detail::ApplicationTitle(QCoreApplication::applicationFilePath()));
  EXPECT_EQ(caption_, QStringLiteral("shell_tests"));
  EXPECT_EQ(icon_, QMessageBox::Critical);
  EXPECT_EQ(text_, QStringLiteral("Floating point division by zero."));
  EXPECT_EQ(buttons_, 1);
  EXPECT_TRUE(okIsDefaultWithFocus_);
}

// Presses a key in the next modal window as soon as it is up.
void PressInNextModal(Qt::Key key) {
  auto* poll = new QTimer(qApp);
  QObject::connect(poll, &QTimer::timeout, [poll, key] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    poll->deleteLater();
    poll->stop();
    QWidget* target = modal->focusWidget() != nullptr ? modal->focusWidget() : modal;
    QTest::keyClick(target, key);
  });
  poll->start(10);
}

// The boxes shown for real, without the seam's stand-in.
class RealBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&window_);
    first_ = new QLineEdit(QStringLiteral("first"), &window_);
    second_ = new QLineEdit(QStringLiteral("second"), &window_);
    layout->addWidget(first_);
    layout->addWidget(second_);
    window_.show();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    second_->setFocus();
    second_->setSelection(1, 2);
  }

  QWidget window_;
  QLineEdit* first_ = nullptr;
  QLineEdit* second_ = nullptr;
};

TEST_F(RealBoxTest, EnterAndEscCloseTheWarningBoxAndTheFocusComesBack) {
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    SCOPED_TRACE(key);
    PressInNextModal(key);
    ShowWarning(QStringLiteral("Closed by a key"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::focusWidget() == second_; }));
    // Coming back is not entering anew: the selection is as it was.
    EXPECT_EQ(second_->selectedText(), QStringLiteral("ec"));
  }
}

TEST_F(RealBoxTest, EnterAndEscCloseTheErrorBoxAndTheWindowGoesOn) {
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    SCOPED_TRACE(key);
    PressInNextModal(key);
    ShowException(model::EInvalidOp());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::focusWidget() == second_; }));
  }
  QTest::keyClick(second_, Qt::Key_End);
  QTest::keyClicks(second_, QStringLiteral("!"));
  EXPECT_EQ(second_->text(), QStringLiteral("second!"));
}

// A fresh pair of folders per test: the program's own and somewhere else.
class FileDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root_.isValid());
    ASSERT_TRUE(QDir(root_.path()).mkpath(QStringLiteral("program")));
    ASSERT_TRUE(QDir(root_.path()).mkpath(QStringLiteral("elsewhere")));
    open_.SetInitialDir(ProgramFolder());
    save_.SetInitialDir(ProgramFolder());
  }

  QString ProgramFolder() const { return root_.filePath(QStringLiteral("program")); }
  QString Elsewhere() const { return root_.filePath(QStringLiteral("elsewhere")); }

  QTemporaryDir root_;
  QWidget owner_;
  TFileDialog open_{TFileDialog::Kind::Open, &owner_};
  TFileDialog save_{TFileDialog::Kind::Save, &owner_};
};

TEST_F(FileDialogTest, BothDialogsListEveryFileAndAcceptMissingNames) {
  for (TFileDialog* tested : {&open_, &save_}) {
    const bool opening = tested == &open_;
    SCOPED_TRACE(opening ? "open" : "save");
    bool inspected = false;
    const ModalOverride inspector([&](QDialog& dialog) {
      auto* files = qobject_cast<QFileDialog*>(&dialog);
      EXPECT_NE(files, nullptr);
      if (files == nullptr) return int{QDialog::Rejected};
      inspected = true;
      EXPECT_EQ(files->parentWidget(), &owner_);
      EXPECT_EQ(files->acceptMode(), opening ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
      EXPECT_EQ(files->fileMode(), QFileDialog::AnyFile);
      EXPECT_TRUE(files->testOption(QFileDialog::DontUseNativeDialog));
      EXPECT_TRUE(files->defaultSuffix().isEmpty());
      EXPECT_TRUE(files->nameFilters().isEmpty() ||
                  files->nameFilters() == QStringList{QStringLiteral("All Files (*)")})
          << files->nameFilters().join(u';').toStdString();
      EXPECT_TRUE(files->isSizeGripEnabled());
      const auto* typeList = files->findChild<QWidget*>(QStringLiteral("fileTypeCombo"));
      EXPECT_TRUE(typeList != nullptr && typeList->isHidden()) << "a list of file types shows";
      if (!opening) {
        EXPECT_TRUE(files->testOption(QFileDialog::DontConfirmOverwrite));
      }
      EXPECT_EQ(files->directory().absolutePath(), ProgramFolder());
      return int{QDialog::Rejected};
    });
    EXPECT_FALSE(tested->Execute());
    EXPECT_TRUE(inspected);
  }
}

TEST_F(FileDialogTest, OpenReturnsATypedMissingNameAndOffersItAgainFromTheProgramFolder) {
  ModalScript script;
  const QString missing = QDir(Elsewhere()).filePath(QStringLiteral("missing.txt"));
  script.Choose(missing);
  ASSERT_TRUE(open_.Execute());
  EXPECT_EQ(open_.FileName(), missing);

  // Cancelling keeps the name; every showing starts in the program's folder with the whole
  // previous path in its name box.
  script.Cancel();
  EXPECT_FALSE(open_.Execute());
  EXPECT_EQ(open_.FileName(), missing);
  script.Choose(QStringLiteral("peaks.txt"));
  ASSERT_TRUE(open_.Execute());
  EXPECT_EQ(open_.FileName(), QDir(ProgramFolder()).filePath(QStringLiteral("peaks.txt")));

  const std::vector<Shown> shown = script.TakeShown();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].text, QString());
  for (std::size_t i : {1u, 2u}) {
    SCOPED_TRACE(i);
    EXPECT_EQ(shown[i].kind, Shown::Kind::OpenDialog);
    EXPECT_EQ(shown[i].folder, ProgramFolder());
    EXPECT_EQ(shown[i].text, missing);
  }
}

TEST_F(FileDialogTest, SaveKeepsANameWithoutExtensionAndReplacesWithoutAQuestion) {
  ModalScript script;
  save_.SetFileName(QStringLiteral("LoadingProcess.txt"));
  script.Choose(QStringLiteral("results"));
  ASSERT_TRUE(save_.Execute());
  EXPECT_EQ(save_.FileName(), QDir(ProgramFolder()).filePath(QStringLiteral("results")));

  const QString existing = QDir(Elsewhere()).filePath(QStringLiteral("old.txt"));
  QFile file(existing);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  save_.SetFileName(QStringLiteral("LoadingProcess.txt"));
  script.Choose(existing);
  ASSERT_TRUE(save_.Execute());
  EXPECT_EQ(save_.FileName(), existing);

  // A folder that does not exist is no reason to refuse: creating the file fails later.
  const QString inMissingFolder = QDir(Elsewhere()).filePath(QStringLiteral("no/such/x.txt"));
  script.Choose(inMissingFolder);
  ASSERT_TRUE(save_.Execute());
  EXPECT_EQ(save_.FileName(), inMissingFolder);

  const std::vector<Shown> shown = script.TakeShown();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].kind, Shown::Kind::SaveDialog);
  EXPECT_EQ(shown[0].text, QStringLiteral("LoadingProcess.txt"));
  EXPECT_EQ(shown[1].folder, ProgramFolder());
}

TEST_F(FileDialogTest, RealOpenDialogTakesATypedNameAndEscCancels) {
  owner_.show();
  const QString typed = QStringLiteral("typed.txt");
  auto* poll = new QTimer(qApp);
  QObject::connect(poll, &QTimer::timeout, [poll, typed] {
    auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (files == nullptr || !files->isVisible()) return;
    poll->deleteLater();
    poll->stop();
    auto* nameBox = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(nameBox, nullptr);
    nameBox->setFocus();
    QTest::keyClicks(nameBox, typed);
    QTest::keyClick(nameBox, Qt::Key_Return);
  });
  poll->start(10);
  ASSERT_TRUE(open_.Execute());
  EXPECT_EQ(open_.FileName(), QDir(ProgramFolder()).filePath(typed));

  PressInNextModal(Qt::Key_Escape);
  EXPECT_FALSE(open_.Execute());
  EXPECT_EQ(open_.FileName(), QDir(ProgramFolder()).filePath(typed));
}

}  // namespace
}  // namespace shell
