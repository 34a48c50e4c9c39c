#include "shell/busy_pointer.h"

#include <functional>
#include <vector>

#include <QCursor>
#include <QGuiApplication>
#include <gtest/gtest.h>

#include "shell/button.h"
#include "shell/edit_box.h"
#include "shell/main_window.h"
#include "tests/shell/window_fixture.h"

namespace shell {
namespace {

using test_support::Shown;
using test_support::WindowTest;

// The window with a watch on its long work: the pointer shape each time a wait pointer went
// up, as the program shows it at that moment.
class BusyPointerTest : public WindowTest {
 protected:
  static Qt::CursorShape PointerNow() {
    const QCursor* pointer = QGuiApplication::overrideCursor();
    return pointer != nullptr ? pointer->shape() : Qt::ArrowCursor;
  }

  void ImportPeaks(const QByteArray& file) {
    script_.Choose(WriteFile(QStringLiteral("peaks.txt"), file));
    Button("btn1")->click();
  }

  void GenerateWith(const QString& spacing) {
    SpacingBox()->setText(spacing);
    Button("btn2")->click();
  }

  void Export(const QString& path) {
    script_.Choose(path);
    Button("btn3")->click();
  }

  std::vector<Qt::CursorShape> seen_;
  BusyPointerWatch watch_{[this] { seen_.push_back(PointerNow()); }};
};

TEST_F(BusyPointerTest, EachCommandWorksUnderTheWaitPointerAndTakesItAwayAfter) {
  const struct {
    const char* name;
    std::function<void()> command;
  } rows[] = {
      {"import", [this] { ImportPeaks("0\n2\n-2\n4\n"); }},
      {"generate", [this] { GenerateWith(QStringLiteral("1")); }},
      {"export", [this] { Export(PathIn(QStringLiteral("process.txt"))); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    seen_.clear();
    row.command();
    EXPECT_FALSE(seen_.empty()) << "the work went on under the ordinary pointer";
    for (Qt::CursorShape shape : seen_) EXPECT_EQ(shape, Qt::WaitCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    for (const Shown& shown : script_.TakeShown()) EXPECT_FALSE(shown.underWaitPointer);
  }
  EXPECT_EQ(form_->GeneratedProcess().size(), 13u);
}

// A failure, caught by the command or not, takes the wait pointer away before any box asks
// the person to read it.
TEST_F(BusyPointerTest, NoBoxWaitsUnderTheWaitPointerAndErrorsTakeItAway) {
  const struct {
    const char* name;
    std::function<void()> command;
    QMessageBox::Icon box;
  } rows[] = {
      {"unreadable line", [this] { ImportPeaks("0\nx\n"); }, QMessageBox::Warning},
      {"subdivision limit",
       [this] {
         ImportPeaks("0\n1000\n0\n");
         GenerateWith(QStringLiteral("1"));
       },
       QMessageBox::Warning},
      {"zero spacing",
       [this] {
         ImportPeaks("0\n2\n-2\n");
         GenerateWith(QStringLiteral("0"));
       },
       QMessageBox::Critical},
      {"uncreatable export file",
       [this] { Export(PathIn(QStringLiteral("no such folder/out.txt"))); }, QMessageBox::Critical},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    seen_.clear();
    row.command();
    EXPECT_FALSE(seen_.empty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    std::vector<Shown> boxes;
    for (const Shown& shown : script_.TakeShown()) {
      EXPECT_FALSE(shown.underWaitPointer);
      if (shown.kind == Shown::Kind::Box) boxes.push_back(shown);
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, row.box);
  }
}

}  // namespace
}  // namespace shell
