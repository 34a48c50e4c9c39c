#include "widgets/splitter.h"

#include <string>

#include <QImage>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include "tests/widgets/color_text.h"

namespace widgets {
namespace {

constexpr QRgb kButtonFace = 0xF0F0F0;
constexpr QRgb kUpperColor = 0x336699;
constexpr QRgb kLowerColor = 0x993366;
constexpr int kWidth = 512;
constexpr int kDesignHeight = 357;
// Room above and below the splitter lets drags run past its edges inside the window.
constexpr int kSplitterTop = 200;
// A column of the splitter at which the tests press and move the mouse.
constexpr int kMouseColumn = 100;

QRgb Inverted(QRgb rgb) { return rgb ^ 0xFFFFFF; }

QWidget* SolidWidget(QRgb color) {
  auto* widget = new QWidget;
  widget->setAutoFillBackground(true);
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, QColor(color));
  widget->setPalette(palette);
  return widget;
}

class SplitterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.resize(600, 600);
    splitter_ = new TRzSplitter(&window_);
    QPalette palette = splitter_->palette();
    palette.setColor(QPalette::Button, QColor(kButtonFace));
    splitter_->setPalette(palette);
    splitter_->SetUpperWidget(SolidWidget(kUpperColor));
    splitter_->SetLowerWidget(SolidWidget(kLowerColor));
    splitter_->setGeometry(0, kSplitterTop, kWidth, kDesignHeight);
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  }

  void TearDown() override {
    // A failed test may leave a button down; later tests start from a released mouse.
    QTest::mouseRelease(window_.windowHandle(), Qt::LeftButton, {}, InWindow(0));
  }

  QPoint InWindow(int y) const { return splitter_->mapTo(&window_, QPoint(kMouseColumn, y)); }
  void Press(int y, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mousePress(window_.windowHandle(), button, {}, InWindow(y));
  }
  void MoveTo(int y) { QTest::mouseMove(window_.windowHandle(), InWindow(y)); }
  void Release(int y, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseRelease(window_.windowHandle(), button, {}, InWindow(y));
  }
  void Drag(int fromY, int toY) {
    Press(fromY);
    MoveTo(toY);
    Release(toY);
  }

  // The panes as the splitter has laid them out: the upper one's height, then the lower one's
  // top and height.
  void ExpectPanes(int position) const {
    EXPECT_EQ(splitter_->Position(), position);
    EXPECT_EQ(splitter_->UpperWidget()->geometry(), QRect(0, 0, kWidth, position));
    const int lowerTop = position + TRzSplitter::kBarThickness;
    EXPECT_EQ(splitter_->LowerWidget()->geometry(),
              QRect(0, lowerTop, kWidth, splitter_->height() - lowerTop));
  }

  QWidget window_;
  TRzSplitter* splitter_ = nullptr;
};

TEST(SplitterDivisionTest, DividesByHalfTheHeightLessHalfTheBar) {
  struct Row {
    int height;
    int position;
    int percent;
  };
  const Row rows[] = {
      {357, 178, 50},              // 177.5 is a tie, going to the even 178; 178 / 355 is 50.14 %
      {457, 228, 50},              // 227.5 likewise
      {100, 49, 50},  {7, 2, 40},  // 2.5 is a tie, going to the even 2
      {5, 1, 33},                  // 1.5 goes to 2, beyond the limit height - 4 = 1
      {4, 0, 0},                   // 1 is beyond the limit height - 4 = 0
      {2, 0, 0},                   // nothing left to divide
      {0, 0, 0},
  };
  QWidget window;
  window.resize(600, 600);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.height);
    auto* splitter = new TRzSplitter(&window);
    splitter->setGeometry(0, 0, kWidth, row.height);
    splitter->show();
    EXPECT_EQ(splitter->Position(), row.position);
    EXPECT_EQ(splitter->Percent(), row.percent);
  }
}

TEST_F(SplitterTest, KeepsThePercentageAcrossResizes) {
  ExpectPanes(178);
  EXPECT_EQ(splitter_->Percent(), 50);

  splitter_->resize(kWidth, kDesignHeight + 100);
  ExpectPanes(228);  // upper pane 228, lower pane 225

  splitter_->resize(kWidth, kDesignHeight);
  ExpectPanes(178);
}

TEST_F(SplitterTest, DragsTheBarWithTheLeftButton) {
  struct Row {
    const char* name;
    int pressY;
    Qt::MouseButton button;
    int releaseY;
    int position;
    int percent;
  };
  const Row rows[] = {
      {"down", 179, Qt::LeftButton, 201, 200, 56},
      {"up, pressed on the bar's top row", 178, Qt::LeftButton, 100, 100, 28},
      {"to the very top", 181, Qt::LeftButton, -150, 0, 0},
      {"to the very bottom", 179, Qt::LeftButton, 390, 353, 99},
      {"right button", 179, Qt::RightButton, 250, 178, 50},
      {"pressed just above the bar", 177, Qt::LeftButton, 250, 178, 50},
      {"pressed just below the bar", 182, Qt::LeftButton, 250, 178, 50},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    splitter_->SetPosition(178);
    Press(row.pressY, row.button);
    MoveTo(row.releaseY);
    Release(row.releaseY, row.button);
    ExpectPanes(row.position);
    EXPECT_EQ(splitter_->Percent(), row.percent);
  }
}

TEST_F(SplitterTest, BarDraggedToTheTopCanBeDraggedBack) {
  Drag(179, 0);
  ExpectPanes(0);
  Drag(1, 150);
  ExpectPanes(149);
  EXPECT_EQ(splitter_->Percent(), 42);
}

TEST_F(SplitterTest, OutlineFollowsTheMouseAndPanesChangeOnRelease) {
  // Every other pixel of the outline's rows is inverted, in a checkerboard.
  const auto expectOutline = [this](int top, QRgb under) {
    const QImage image = splitter_->grab().toImage();
    const bool cornerInverted = (image.pixel(0, top) & 0xFFFFFF) == Inverted(under);
    int wrong = 0;
    for (int y = top; y < top + TRzSplitter::kBarThickness; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const bool inverted = (x + y - top) % 2 == 0 ? cornerInverted : !cornerInverted;
        if ((image.pixel(x, y) & 0xFFFFFF) != (inverted ? Inverted(under) : under)) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0) << "outline at " << top;
  };
  const auto expectRows = [this](int top, QRgb color) {
    const QImage image = splitter_->grab().toImage();
    for (int y = top; y < top + TRzSplitter::kBarThickness; ++y) {
      EXPECT_EQ(Hex(image.pixel(0, y)), Hex(color)) << "row " << y;
      EXPECT_EQ(Hex(image.pixel(1, y)), Hex(color)) << "row " << y;
    }
  };

  Press(179);
  expectOutline(178, kButtonFace);

  MoveTo(250);
  ExpectPanes(178);
  expectOutline(249, kLowerColor);
  expectRows(178, kButtonFace);

  MoveTo(300);
  ExpectPanes(178);
  expectOutline(299, kLowerColor);
  expectRows(249, kLowerColor);

  Release(300);
  ExpectPanes(299);
  expectRows(299, kButtonFace);
}

TEST_F(SplitterTest, HoldsFocusAndMouseDuringADrag) {
  auto* edit = new QLineEdit(&window_);
  edit->setGeometry(0, 10, 200, 30);
  edit->show();
  edit->setFocus();
  ASSERT_EQ(window_.focusWidget(), edit);

  Press(179);
  EXPECT_EQ(window_.focusWidget(), splitter_);
  // Moves and the release outside the splitter, over another widget, still reach it.
  MoveTo(-180);
  Release(-180);
  ExpectPanes(0);
  QTest::mouseClick(window_.windowHandle(), Qt::LeftButton, {}, InWindow(-180));
  EXPECT_EQ(splitter_->Position(), 0) << "the drag ended on release";
}

TEST_F(SplitterTest, ADragThatLosesTheFocusEndsWithoutMovingTheBar) {
  auto* edit = new QLineEdit(&window_);
  edit->setGeometry(0, 10, 200, 30);
  edit->show();

  Press(179);
  MoveTo(250);
  // A dialog coming up takes the focus, and the release with it.
  edit->setFocus();
  ExpectPanes(178);
  const QImage image = splitter_->grab().toImage();
  EXPECT_EQ(Hex(image.pixel(0, 249)), Hex(kLowerColor)) << "the outline is gone";

  Release(250);
  ExpectPanes(178);
  Drag(179, 300);
  ExpectPanes(299);
}

TEST_F(SplitterTest, PointerIsTheSplitPointerOverTheBarOnly) {
  QWindow* handle = window_.windowHandle();
  struct Row {
    int y;
    Qt::CursorShape expected;
  };
  const Row rows[] = {
      {177, Qt::ArrowCursor}, {178, Qt::SplitVCursor}, {181, Qt::SplitVCursor},
      {182, Qt::ArrowCursor}, {50, Qt::ArrowCursor},   {300, Qt::ArrowCursor},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.y);
    QTest::mouseMove(splitter_, QPoint(kMouseColumn, row.y));
    EXPECT_EQ(handle->cursor().shape(), row.expected);
  }
}

TEST_F(SplitterTest, ReplacingAPaneWidgetDeletesTheOldOne) {
  QPointer<QWidget> old = splitter_->UpperWidget();
  QWidget* replacement = SolidWidget(kLowerColor);
  splitter_->SetUpperWidget(replacement);
  EXPECT_TRUE(old.isNull());
  EXPECT_EQ(replacement->parentWidget(), splitter_);
  EXPECT_TRUE(replacement->isVisible());
  ExpectPanes(178);
}

TEST_F(SplitterTest, NullEmptiesAPaneAndDeletesItsWidget) {
  struct Row {
    const char* name;
    void (TRzSplitter::*set)(QWidget*);
    QWidget* (TRzSplitter::*get)() const;
    QWidget* (TRzSplitter::*other)() const;
    int emptiedRow;
    int otherRow;
  };
  const Row rows[] = {
      {"upper", &TRzSplitter::SetUpperWidget, &TRzSplitter::UpperWidget, &TRzSplitter::LowerWidget,
       100, 250},
      {"lower", &TRzSplitter::SetLowerWidget, &TRzSplitter::LowerWidget, &TRzSplitter::UpperWidget,
       250, 100},
  };
  // A local, not the member: on `splitter_->*row.set`, GCC 12's UndefinedBehaviorSanitizer
  // checks the fixture's `this` in a register that only a virtual member pointer's call loads,
  // and reports whatever the register holds as a misaligned fixture.
  TRzSplitter& splitter = *splitter_;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    splitter.SetUpperWidget(SolidWidget(kUpperColor));
    splitter.SetLowerWidget(SolidWidget(kLowerColor));
    splitter.SetPosition(178);
    const QRgb otherColor = splitter.grab().toImage().pixel(kMouseColumn, row.otherRow);
    QPointer<QWidget> old = (splitter.*row.get)();

    (splitter.*row.set)(nullptr);
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ((splitter.*row.get)(), nullptr);
    QImage image = splitter.grab().toImage();
    EXPECT_EQ(Hex(image.pixel(kMouseColumn, row.emptiedRow)), Hex(kButtonFace)) << "the pane";
    EXPECT_EQ(Hex(image.pixel(kMouseColumn, row.otherRow)), Hex(otherColor)) << "the other pane";

    // The bar still moves the other pane, and null again changes nothing.
    Drag(179, 200);
    (splitter.*row.set)(nullptr);
    EXPECT_EQ(splitter.Position(), 199);
    const int lowerTop = 199 + TRzSplitter::kBarThickness;
    const QRect otherPane = row.emptiedRow < row.otherRow
                                ? QRect(0, lowerTop, kWidth, splitter.height() - lowerTop)
                                : QRect(0, 0, kWidth, 199);
    EXPECT_EQ((splitter.*row.other)()->geometry(), otherPane);
  }
}

}  // namespace
}  // namespace widgets
