#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include "shell/button.h"
#include "shell/edit_box.h"
#include "shell/file_dialog.h"
#include "shell/main_window.h"
#include "tests/shell/loadgen_process.h"
#include "tests/shell/qt_printers.h"
#include "tests/shell/window_fixture.h"
#include "widgets/chart.h"
#include "widgets/line_series.h"

namespace shell {
namespace {

using test_support::Finished;
using test_support::RunLoadgen;
using test_support::Shown;
using test_support::WindowTest;
using Values = std::vector<double>;

// The window's whole state, as a person sees it and as the commands leave it.
struct State {
  Values peaks;
  Values process;
  Values upperChart;
  Values lowerChart;

  friend bool operator==(const State&, const State&) = default;
};

void PrintTo(const State& state, std::ostream* out) {
  const auto print = [out](const char* name, const Values& values) {
    *out << name << " {";
    for (double value : values) *out << ' ' << value;
    *out << " } ";
  };
  print("peaks", state.peaks);
  print("process", state.process);
  print("upper", state.upperChart);
  print("lower", state.lowerChart);
}

class CommandTest : public WindowTest {
 protected:
  State Now() const {
    return {form_->ImportedPeaks(), form_->GeneratedProcess(), Drawn(Chart("cht1")->Series()),
            Drawn(Chart("cht2")->Series())};
  }

  // Peaks 0, 2, -2, 4 imported and generated with spacing 1: a state that every command
  // below either keeps or visibly changes.
  State ImportAndGenerate() {
    EXPECT_TRUE(Import(WriteFile(QStringLiteral("peaks.txt"), "0\r\n2\r\n-2\r\n4\r\n")).empty());
    EXPECT_TRUE(Generate(QStringLiteral("1")).empty());
    State generated{{0, 2, -2, 4}, kUnitSpacingProcess, {0, 2, -2, 4}, kUnitSpacingProcess};
    EXPECT_EQ(Now(), generated);
    return generated;
  }

  static void ExpectOneBox(const std::vector<Shown>& shown, QMessageBox::Icon icon,
                           const QString& text) {
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, Shown::Kind::Box);
    EXPECT_EQ(shown[0].icon, icon);
    EXPECT_EQ(shown[0].caption, icon == QMessageBox::Warning ? QStringLiteral("Warning")
                                                             : QStringLiteral("shell_tests"));
    EXPECT_EQ(shown[0].text, text);
  }

  // After any failure the window is still usable: all three buttons work.
  void ExpectAllButtonsWork() {
    EXPECT_TRUE(Import(WriteFile(QStringLiteral("again.txt"), "1\n3\n1\n")).empty());
    EXPECT_TRUE(Generate(QStringLiteral("1")).empty());
    EXPECT_EQ(form_->GeneratedProcess(), (Values{1, 2, 3, 2, 1}));
    EXPECT_EQ(Export(PathIn(QStringLiteral("again-out.txt"))),
              QByteArray("1\r\n2\r\n3\r\n2\r\n1\r\n"));
  }

  const Values kUnitSpacingProcess = {0, 1, 2, 1, 0, -1, -2, -1, 0, 1, 2, 3, 4};
};

TEST_F(CommandTest, ImportReadsTheFileAndEmptiesTheProcess) {
  ImportAndGenerate();
  const std::vector<Shown> shown =
      Import(WriteFile(QStringLiteral("six.txt"), " 0\n10\t\n-10\n20\n-20\n0\n"));
  EXPECT_TRUE(shown.empty());
  const Values peaks = {0, 10, -10, 20, -20, 0};
  EXPECT_EQ(Now(), (State{peaks, {}, peaks, {}}));
}

TEST_F(CommandTest, CancelledImportChangesNothing) {
  const State before = ImportAndGenerate();
  script_.Cancel();
  Button("btn1")->click();
  ASSERT_EQ(script_.TakeShown().size(), 1u);
  EXPECT_EQ(Now(), before);
}

TEST_F(CommandTest, ImportThatCannotOpenItsFileWarnsAndLeavesEverythingEmpty) {
  ImportAndGenerate();
  const QString missing = PathIn(QStringLiteral("missing.txt"));
  ExpectOneBox(Import(missing), QMessageBox::Warning,
               QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing));
  EXPECT_EQ(Now(), State{});
}

TEST_F(CommandTest, FileNamedAtStartIsImportedAsIfChosenInTheDialog) {
  ImportAndGenerate();
  const QString missing = PathIn(QStringLiteral("missing.txt"));
  form_->ImportChosenFile(missing);
  ExpectOneBox(script_.TakeShown(), QMessageBox::Warning,
               QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing));
  EXPECT_EQ(Now(), State{});

  const QString peaks = WriteFile(QStringLiteral("peaks.txt"), "0\r\n2\r\n-2\r\n");
  form_->ImportChosenFile(peaks);
  EXPECT_TRUE(script_.TakeShown().empty());
  EXPECT_EQ(Now().peaks, (Values{0, 2, -2}));
  // The open dialog offers the file the next time.
  script_.Cancel();
  Button("btn1")->click();
  EXPECT_EQ(script_.TakeShown().at(0).text, peaks);
}

TEST_F(CommandTest, ImportStoppedByABadLineKeepsAndDrawsTheLinesBefore) {
  const struct {
    const char* name;
    QByteArray file;
    Values kept;
    const char* warning;
  } rows[] = {
      {"a word", "1\n2\nthree\n4\n", {1, 2}, "'three' is not a valid floating point value"},
      {"a blank line", "1\n \n3\n", {1}, "'' is not a valid floating point value"},
      {"too large for a double", "5\n1e999\n", {5}, "Floating point overflow"},
      // Failing at the first line still redraws: the upper chart is then empty too.
      {"the very first line", "x\n1\n2\n", {}, "'x' is not a valid floating point value"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ImportAndGenerate();
    ExpectOneBox(Import(WriteFile(QStringLiteral("bad.txt"), row.file)), QMessageBox::Warning,
                 QString::fromLatin1(row.warning));
    EXPECT_EQ(Now(), (State{row.kept, {}, row.kept, {}}));
  }
}

TEST_F(CommandTest, GenerateWithFewerThanThreePeaksDoesNothingAtAll) {
  for (const char* file : {"", "1\n", "1\n2\n"}) {
    SCOPED_TRACE(file);
    EXPECT_TRUE(Import(WriteFile(QStringLiteral("few.txt"), file)).empty());
    const State before = Now();
    Button("btn1")->setFocus();
    // Not even a spacing that is no number is looked at.
    EXPECT_TRUE(Generate(QStringLiteral("not a number")).empty());
    EXPECT_EQ(Now(), before);
    EXPECT_EQ(QApplication::focusWidget(), Button("btn1"));
  }
}

TEST_F(CommandTest, GenerateWithAnUnreadableSpacingWarnsAndChangesNothing) {
  const State before = ImportAndGenerate();
  const struct {
    const char* spacing;
    const char* warning;
  } rows[] = {
      {"", "'' is not a valid floating point value"},
      {"  abc\t", "'abc' is not a valid floating point value"},
      {"1,5", "'1,5' is not a valid floating point value"},
      {"1e400", "Floating point overflow"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.spacing);
    ExpectOneBox(Generate(QString::fromLatin1(row.spacing)), QMessageBox::Warning,
                 QString::fromLatin1(row.warning));
    EXPECT_EQ(Now(), before);
  }
}

TEST_F(CommandTest, GenerateDrawsTheWholeProcessAndReadsTheSpacingAnew) {
  const State generated = ImportAndGenerate();
  const Values seventh = {0,     1,    2,    1.2, 0.4,  -0.4, -1.2, -2,
                          -1.25, -0.5, 0.25, 1,   1.75, 2.5,  3.25, 4};
  // A negative spacing acts as its absolute value, without a word.
  for (const char* spacing : {" 0.7 ", "-0.7"}) {
    SCOPED_TRACE(spacing);
    EXPECT_TRUE(Generate(QString::fromLatin1(spacing)).empty());
    const State now = Now();
    EXPECT_EQ(now.peaks, generated.peaks);
    EXPECT_EQ(now.upperChart, generated.upperChart);
    ASSERT_EQ(now.process.size(), seventh.size());
    for (std::size_t i = 0; i < seventh.size(); ++i) EXPECT_NEAR(now.process[i], seventh[i], 1e-12);
    EXPECT_EQ(now.lowerChart, now.process);
  }
}

TEST_F(CommandTest, GenerateBeyondTheLimitWarnsDrawsTheShortenedProcessAndSelectsTheSpacing) {
  EXPECT_TRUE(Import(WriteFile(QStringLiteral("limit.txt"), "0\n100\n-200\n300\n")).empty());
  Button("btn2")->setFocus();
  SpacingBox()->setText(QStringLiteral("0.5"));
  Button("btn2")->click();
  ExpectOneBox(script_.TakeShown(), QMessageBox::Warning,
               QStringLiteral("Subdivision number is larger than 500! Input larger Division "
                              "Spacing of Step!"));
  Values shortened;
  for (int j = 0; j < 200; ++j) shortened.push_back(j * 0.5);
  shortened.push_back(100);
  shortened.push_back(300);
  EXPECT_EQ(Now(), (State{{0, 100, -200, 300}, shortened, {0, 100, -200, 300}, shortened}));
  EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::focusWidget() == SpacingBox(); }));
  EXPECT_EQ(SpacingBox()->selectedText(), QStringLiteral("0.5"));
  // The next typing replaces the spacing.
  QTest::keyClicks(SpacingBox(), QStringLiteral("2"));
  EXPECT_EQ(SpacingBox()->text(), QStringLiteral("2"));
}

TEST_F(CommandTest, ZeroSpacingReachesTheErrorBoxAndTheWindowGoesOn) {
  const struct {
    const char* name;
    QByteArray file;
    const char* error;
  } rows[] = {
      {"rising first segment", "0\n2\n-2\n4\n", "Floating point division by zero."},
      {"equal first peaks", "3\n3\n-2\n", "Invalid floating point operation."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(Import(WriteFile(QStringLiteral("zero.txt"), row.file)).empty());
    EXPECT_TRUE(Generate(QStringLiteral("1")).empty());
    const State before = Now();
    ExpectOneBox(Generate(QStringLiteral("0")), QMessageBox::Critical,
                 QString::fromLatin1(row.error));
    EXPECT_EQ(Now(), (State{before.peaks, {before.peaks.front()}, before.upperChart, {}}));

    // An export now writes the first peak alone, although the chart shows nothing.
    const QString exported = PathIn(QStringLiteral("first-peak.txt"));
    script_.Choose(exported);
    Button("btn3")->click();
    EXPECT_EQ(script_.TakeShown().size(), 1u);
    QFile file(exported);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), row.file.left(row.file.indexOf('\n')) + "\r\n");
  }
  ExpectAllButtonsWork();
}

TEST_F(CommandTest, ExportWritesTheProcessAndAlwaysProposesTheSameName) {
  const State before = ImportAndGenerate();
  const QString elsewhere = PathIn(QStringLiteral("chosen name"));
  {
    QFile existing(elsewhere);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("old content that is replaced without a question");
  }
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    script_.Choose(elsewhere);
    Button("btn3")->click();
    const std::vector<Shown> shown = script_.TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, Shown::Kind::SaveDialog);
    EXPECT_EQ(shown[0].text, QStringLiteral("LoadingProcess.txt"));
    EXPECT_EQ(shown[0].folder, QCoreApplication::applicationDirPath());
    QFile file(elsewhere);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(),
              QByteArray("0\r\n1\r\n2\r\n1\r\n0\r\n-1\r\n-2\r\n-1\r\n0\r\n1\r\n2\r\n3\r\n4\r\n"));
    EXPECT_EQ(Now(), before);
  }
}

TEST_F(CommandTest, CancelledExportChangesNothingAndKeepsTheProposedName) {
  const State before = ImportAndGenerate();
  script_.Cancel();
  Button("btn3")->click();
  ASSERT_EQ(script_.TakeShown().size(), 1u);
  EXPECT_EQ(Find<TFileDialog>("dlgSave1")->FileName(), QStringLiteral("LoadingProcess.txt"));
  EXPECT_EQ(Now(), before);
}

TEST_F(CommandTest, ExportBeforeAnyGenerationWritesAnEmptyFile) {
  const QString exported = PathIn(QStringLiteral("empty.txt"));
  script_.Choose(exported);
  Button("btn3")->click();
  EXPECT_EQ(script_.TakeShown().size(), 1u);
  EXPECT_EQ(QFileInfo(exported).size(), 0);
}

TEST_F(CommandTest, ExportThatCannotWriteItsFileReachesTheErrorBox) {
  const QString inMissingFolder = PathIn(QStringLiteral("no such folder/out.txt"));
  const struct {
    const char* name;
    QString path;
    QString error;
  } rows[] = {
      {"a missing folder", inMissingFolder,
       QStringLiteral("Cannot create file \"%1\". No such file or directory.")
           .arg(inMissingFolder)},
      {"a full disk", QStringLiteral("/dev/full"), QStringLiteral("Stream write error.")},
  };
  const State before = ImportAndGenerate();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    script_.Choose(row.path);
    Button("btn3")->click();
    const std::vector<Shown> shown = script_.TakeShown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].kind, Shown::Kind::SaveDialog);
    ExpectOneBox({shown[1]}, QMessageBox::Critical, row.error);
    EXPECT_EQ(Now(), before);
  }
  EXPECT_FALSE(QFileInfo::exists(inMissingFolder));
  ExpectAllButtonsWork();
}

TEST_F(CommandTest, TheProgramWithoutAWindowWritesTheBytesOfTheWindowsExport) {
  const struct {
    QByteArray peaks;
    const char* spacing;
  } rows[] = {
      {"0\r\n2\r\n-2\r\n4\r\n", "0.7"},
      {"0\n1\n0\n", "0.1"},
      // Values in the exponent form, and a spacing with blanks as a person may type it.
      {"1e-5\n3.3\n-7.25e20\n1\n", " 2e18 "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.spacing);
    const QString peaks = WriteFile(QStringLiteral("peaks.txt"), row.peaks);
    EXPECT_TRUE(Import(peaks).empty());
    EXPECT_TRUE(Generate(QString::fromLatin1(row.spacing)).empty());
    const QByteArray window = Export(PathIn(QStringLiteral("window.txt")));

    const QString written = PathIn(QStringLiteral("headless.txt"));
    const Finished finished =
        RunLoadgen({QStringLiteral("--spacing"), QString::fromLatin1(row.spacing),
                    QStringLiteral("--output"), written, peaks});
    EXPECT_EQ(finished.exitCode, 0) << finished.errors.toStdString();
    EXPECT_GT(window.size(), 0);
    EXPECT_EQ(ReadFile(written), window);
  }
}

// A window of a comma locale: every command reads and writes numbers with the window's marks.
class CommaCommandTest : public CommandTest {
 protected:
  CommaCommandTest() { marks_ = {u',', u'.'}; }
};

TEST_F(CommaCommandTest, ImportGenerateAndExportFollowTheWindowsMarks) {
  EXPECT_TRUE(Import(WriteFile(QStringLiteral("peaks.txt"), "0\n1,5\n0\n")).empty());
  ExpectOneBox(Generate(QStringLiteral("0.5")), QMessageBox::Warning,
               QStringLiteral("'0.5' is not a valid floating point value"));
  EXPECT_TRUE(Generate(QStringLiteral("0,5")).empty());
  const Values process = {0, 0.5, 1, 1.5, 1, 0.5, 0};
  EXPECT_EQ(Now(), (State{{0, 1.5, 0}, process, {0, 1.5, 0}, process}));
  EXPECT_EQ(Export(PathIn(QStringLiteral("out.txt"))),
            QByteArray("0\r\n0,5\r\n1\r\n1,5\r\n1\r\n0,5\r\n0\r\n"));
}

// What the window made of a drag that entered it, moved over it and was let go there.
struct Dropped {
  bool entryTaken;
  bool dropTaken;
  Qt::DropAction action;
};

class DropTest : public CommandTest {
 protected:
  // The window system's drag, by default over the upper chart, which passes it on to the
  // window. The import, if any, runs once the drop has ended.
  Dropped Drop(const QMimeData& data, Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction,
               Qt::DropAction proposed = Qt::CopyAction) {
    return DropOnto(Chart("cht1"), data, actions, proposed);
  }

  Dropped DropOnto(QWidget* target, const QMimeData& data, Qt::DropActions actions,
                   Qt::DropAction proposed) {
    const QPoint inside = target->rect().center();
    QDragEnterEvent enter(inside, actions, &data, Qt::LeftButton, Qt::NoModifier);
    enter.setDropAction(proposed);
    QCoreApplication::sendEvent(target, &enter);
    QDragMoveEvent move(inside, actions, &data, Qt::LeftButton, Qt::NoModifier);
    move.setDropAction(proposed);
    QCoreApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(inside), actions, &data, Qt::LeftButton, Qt::NoModifier);
    drop.setDropAction(proposed);
    QCoreApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents();
    return {enter.isAccepted() && move.isAccepted(), drop.isAccepted(), drop.dropAction()};
  }

  static std::unique_ptr<QMimeData> Urls(const QList<QUrl>& urls) {
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    return data;
  }
};

TEST_F(DropTest, OneDroppedFileIsImportedAsIfChosenInTheDialog) {
  ImportAndGenerate();
  const QString peaks = WriteFile(QStringLiteral("dropped.txt"), "1\n3\n1\n");
  // A file manager proposes a move when Shift is held; the window takes a copy, so that the
  // file stays where it was.
  for (const Qt::DropAction proposed : {Qt::CopyAction, Qt::MoveAction}) {
    SCOPED_TRACE(proposed);
    const Dropped dropped =
        Drop(*Urls({QUrl::fromLocalFile(peaks)}), Qt::CopyAction | Qt::MoveAction, proposed);
    EXPECT_TRUE(dropped.entryTaken);
    EXPECT_TRUE(dropped.dropTaken);
    EXPECT_EQ(dropped.action, Qt::CopyAction);
    EXPECT_TRUE(script_.TakeShown().empty());
    EXPECT_EQ(Now(), (State{{1, 3, 1}, {}, {1, 3, 1}, {}}));
  }
  // The open dialog offers the dropped file the next time.
  script_.Cancel();
  Button("btn1")->click();
  EXPECT_EQ(script_.TakeShown().at(0).text, peaks);
}

TEST_F(DropTest, AFileDroppedOntoTheSpacingBoxIsImportedNotTyped) {
  const QString peaks = WriteFile(QStringLiteral("dropped.txt"), "1\n3\n1\n");
  // File managers offer the file's name as text as well.
  auto data = Urls({QUrl::fromLocalFile(peaks)});
  data->setText(peaks);
  const Dropped dropped = DropOnto(SpacingBox(), *data, Qt::CopyAction, Qt::CopyAction);
  EXPECT_TRUE(dropped.dropTaken);
  EXPECT_EQ(SpacingBox()->text(), QStringLiteral("1"));
  EXPECT_EQ(Now(), (State{{1, 3, 1}, {}, {1, 3, 1}, {}}));
}

TEST_F(DropTest, ADroppedFileThatIsNoPeakFileIsWarnedAboutAsTheImportWarns) {
  ImportAndGenerate();
  const QString bad = WriteFile(QStringLiteral("bad.txt"), "1\n2\nthree\n");
  const Dropped dropped = Drop(*Urls({QUrl::fromLocalFile(bad)}));
  EXPECT_TRUE(dropped.dropTaken);
  ExpectOneBox(script_.TakeShown(), QMessageBox::Warning,
               QStringLiteral("'three' is not a valid floating point value"));
  EXPECT_EQ(Now(), (State{{1, 2}, {}, {1, 2}, {}}));
}

TEST_F(DropTest, AnythingButOneLocalFileIsRefusedAndChangesNothing) {
  const QString first = WriteFile(QStringLiteral("first.txt"), "1\n3\n1\n");
  const QString second = WriteFile(QStringLiteral("second.txt"), "2\n4\n2\n");
  auto text = std::make_unique<QMimeData>();
  text->setText(QStringLiteral("1\n3\n1\n"));
  const struct {
    const char* name;
    std::unique_ptr<QMimeData> data;
    Qt::DropAction action;
  } rows[] = {
      {"two files", Urls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)}),
       Qt::CopyAction},
      {"a folder", Urls({QUrl::fromLocalFile(PathIn(QString()))}), Qt::CopyAction},
      {"a file that is not there", Urls({QUrl::fromLocalFile(PathIn(QStringLiteral("gone.txt")))}),
       Qt::CopyAction},
      {"a web address", Urls({QUrl(QStringLiteral("https://orlavin.example/peaks.txt"))}),
       Qt::CopyAction},
      {"text", std::move(text), Qt::CopyAction},
      {"nothing", std::make_unique<QMimeData>(), Qt::CopyAction},
      // Taking it would let the source delete its file.
      {"a file that may only be moved", Urls({QUrl::fromLocalFile(first)}), Qt::MoveAction},
  };
  const State before = ImportAndGenerate();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Dropped dropped = Drop(*row.data, row.action, row.action);
    EXPECT_FALSE(dropped.entryTaken);
    EXPECT_FALSE(dropped.dropTaken);
    EXPECT_TRUE(script_.TakeShown().empty());
    EXPECT_EQ(Now(), before);
  }
}

}  // namespace
}  // namespace shell
