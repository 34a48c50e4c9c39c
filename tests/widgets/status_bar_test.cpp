#include "widgets/status_bar.h"

#include <string>
#include <vector>

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include "tests/widgets/color_text.h"
#include "widgets/field_status.h"

namespace widgets {
namespace {

constexpr QRgb kButtonFace = 0xF0F0F0;
constexpr QRgb kWindowColor = 0xFFFFFF;
constexpr QRgb kGradientTop = 0xDBDBDB;  // the button face darkened by 20
constexpr QRgb kShade = 0xC6C6C6;        // the button face darkened by 40
constexpr int kBarHeight = 27;
// A column right of the panes and left of the grip, where nothing but the gradient shows.
constexpr int kEmptyColumn = 500;

QFont PaneFont() {
  QFont font;
  font.setPixelSize(11);
  font.setBold(true);
  return font;
}

bool IsInk(QRgb pixel) { return qGray(pixel) < 160; }

// The smallest rectangle within area of image that holds every pixel dark enough to be text.
QRect InkBounds(const QImage& image, const QRect& area) {
  QRect bounds;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (IsInk(image.pixel(x, y))) bounds |= QRect(x, y, 1, 1);
    }
  }
  return bounds;
}

// Where the pixels of image within area differ from `expected`, as "(x, y) actual expected".
template <typename Expected>
std::vector<std::string> Mismatches(const QImage& image, const QRect& area, Expected expected) {
  std::vector<std::string> found;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor want(expected(x, y));
      const QColor got(image.pixel(x, y));
      if (got != want) {
        found.push_back(QStringLiteral("(%1, %2) %3 %4")
                            .arg(x)
                            .arg(y)
                            .arg(got.name(), want.name())
                            .toStdString());
      }
    }
  }
  return found;
}

std::string FirstOf(const std::vector<std::string>& mismatches) {
  return mismatches.empty() ? "" : mismatches.front();
}

// The grip's corner of the bar, from 14 columns left of the bar's right end and 13 rows above
// its bottom row: 'w' the window colour, 'd' the shade, '.' the gradient.
const char* const kGripPicture[] = {
    "........dd....",  //
    "........ddw...",  //
    ".........ww...",  //
    "..............",  //
    "....dd..dd....",  //
    "....ddw.ddw...",  //
    ".....ww..ww...",  //
    "..............",  //
    "dd..dd..dd....",  //
    "ddw.ddw.ddw...",  //
    ".ww..ww..ww...",  //
    "..............",  //
    "..............",  //
    "..............",  //
};
constexpr int kGripPictureSize = 14;

// Mismatches of the grip's corner of bar, against the picture or against the bare gradient.
std::vector<std::string> GripMismatches(const QImage& bar, bool gripShown) {
  const QPoint origin(bar.width() - kGripPictureSize, bar.height() - kGripPictureSize);
  const QRect corner(origin, QSize(kGripPictureSize, kGripPictureSize));
  return Mismatches(bar, corner, [&](int x, int y) {
    const char mark = gripShown ? kGripPicture[y - origin.y()][x - origin.x()] : '.';
    if (mark == 'w') return kWindowColor;
    if (mark == 'd') return kShade;
    return bar.pixel(kEmptyColumn, y);
  });
}

class StatusBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QPalette palette = window_.palette();
    palette.setColor(QPalette::Button, QColor(kButtonFace));
    palette.setColor(QPalette::Base, QColor(kWindowColor));
    palette.setColor(QPalette::WindowText, Qt::black);
    window_.setPalette(palette);
    window_.resize(688, 400);
    bar_ = new TRzStatusBar(&window_);
    author_ = AddPane(58, 1);
    welcome_ = AddPane(175, 1);
    link_ = AddPane(142, 3);
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  }

  TRzFieldStatus* AddPane(int width, int borderWidth) {
    TRzFieldStatus* pane = bar_->AddPane(width);
    pane->setFont(PaneFont());
    pane->SetBorderWidth(borderWidth);
    return pane;
  }

  QImage BarImage() const { return bar_->grab().toImage(); }

  QPoint GripPoint() const { return bar_->mapTo(&window_, QPoint(bar_->width() - 3, 20)); }

  QWidget window_;
  TRzStatusBar* bar_ = nullptr;
  TRzFieldStatus* author_ = nullptr;
  TRzFieldStatus* welcome_ = nullptr;
  TRzFieldStatus* link_ = nullptr;
};

TEST_F(StatusBarTest, GradientRunsFromDarkenedButtonFaceToWindowColour) {
  const QImage bar = BarImage();
  ASSERT_EQ(bar.height(), kBarHeight);
  EXPECT_EQ(Hex(bar.pixel(kEmptyColumn, 0)), Hex(kGradientTop));
  EXPECT_EQ(Hex(bar.pixel(kEmptyColumn, 13)), "#ededed");  // 219 + (255 - 219) x 13 / 26
  EXPECT_EQ(Hex(bar.pixel(kEmptyColumn, kBarHeight - 1)), Hex(kWindowColor));
  for (int row = 1; row < kBarHeight; ++row) {
    SCOPED_TRACE(row);
    EXPECT_GE(qGray(bar.pixel(kEmptyColumn, row)), qGray(bar.pixel(kEmptyColumn, row - 1)));
  }
}

TEST_F(StatusBarTest, PanesAddOnlySeparatorsToTheGradient) {
  author_->SetCaption("");
  // Panes after the first draw a line at their border width, as high as their text area.
  struct Separator {
    int column;
    int firstRow;
    int lastRow;
  };
  const Separator separators[] = {{58 + 1, 2, 24}, {233 + 3, 4, 22}};
  const QImage bar = BarImage();
  const QRect leftOfGrip(0, 0, bar.width() - kGripPictureSize, kBarHeight);
  const auto mismatches = Mismatches(bar, leftOfGrip, [&](int x, int y) {
    for (const Separator& separator : separators) {
      if (x == separator.column && y >= separator.firstRow && y <= separator.lastRow) return kShade;
    }
    return bar.pixel(kEmptyColumn, y);
  });
  EXPECT_TRUE(mismatches.empty()) << mismatches.size() << " pixels, first " << FirstOf(mismatches);
}

TEST_F(StatusBarTest, GripDrawsSixDotsAtTheBottomRightCorner) {
  const auto mismatches = GripMismatches(BarImage(), true);
  EXPECT_TRUE(mismatches.empty()) << mismatches.size() << " pixels, first " << FirstOf(mismatches);
}

TEST_F(StatusBarTest, GripHidesWhileTheWindowIsMaximised) {
  window_.showMaximized();
  ASSERT_TRUE(QTest::qWaitFor([&] { return bar_->width() != 688; }));
  auto mismatches = GripMismatches(BarImage(), false);
  EXPECT_TRUE(mismatches.empty()) << "maximised: " << FirstOf(mismatches);

  window_.showNormal();
  ASSERT_TRUE(QTest::qWaitFor([&] { return bar_->width() == 688; }));
  mismatches = GripMismatches(BarImage(), true);
  EXPECT_TRUE(mismatches.empty()) << "restored: " << FirstOf(mismatches);
}

TEST(StatusBarWindowTest, FixedSizeWindowHasNoGrip) {
  QWidget window;
  window.setFixedSize(688, 400);
  auto* bar = new TRzStatusBar(&window);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const auto mismatches = GripMismatches(bar->grab().toImage(), false);
  EXPECT_TRUE(mismatches.empty()) << FirstOf(mismatches);
}

TEST_F(StatusBarTest, PointerIsDiagonalOverTheGripStripOnly) {
  QWindow* handle = window_.windowHandle();
  const int right = bar_->width();
  struct Row {
    const char* name;
    QPoint point;
    Qt::CursorShape expected;
  };
  const Row rows[] = {
      {"grip strip, left column", {right - 13, 2}, Qt::SizeFDiagCursor},
      {"grip strip, corner", {right - 1, kBarHeight - 1}, Qt::SizeFDiagCursor},
      {"left of the strip", {right - 14, 20}, Qt::ArrowCursor},
      {"link pane", {300, 13}, Qt::ArrowCursor},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QTest::mouseMove(bar_, row.point);
    EXPECT_EQ(handle->cursor().shape(), row.expected);
  }

  window_.showMaximized();
  ASSERT_TRUE(QTest::qWaitFor([&] { return bar_->width() != right; }));
  QTest::mouseMove(bar_, QPoint(bar_->width() - 2, 20));
  EXPECT_EQ(handle->cursor().shape(), Qt::ArrowCursor) << "maximised";
}

TEST_F(StatusBarTest, LeftPressOnTheGripResizesTheWindowFromItsCorner) {
  QWindow* handle = window_.windowHandle();
  // Shrinking keeps the mouse inside the window throughout.
  const QPoint travel(-40, -30);
  struct Row {
    const char* name;
    Qt::MouseButton button;
    int columnsFromRight;
    bool resizes;
  };
  const Row rows[] = {
      {"left button on the strip", Qt::LeftButton, 3, true},
      {"left button on the strip's left column", Qt::LeftButton, 13, true},
      {"right button on the strip", Qt::RightButton, 3, false},
      {"left button left of the strip", Qt::LeftButton, 14, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const QSize before = window_.size();
    const QPoint start = bar_->mapTo(&window_, QPoint(bar_->width() - row.columnsFromRight, 20));
    QTest::mousePress(handle, row.button, {}, start);
    QTest::mouseMove(handle, start + travel);
    QTest::mouseRelease(handle, row.button, {}, start + travel);
    const QSize expected = row.resizes ? before + QSize(travel.x(), travel.y()) : before;
    EXPECT_TRUE(QTest::qWaitFor([&] { return window_.size() == expected; }, 1000))
        << window_.width() << " x " << window_.height();
    EXPECT_EQ(bar_->geometry(),
              QRect(0, expected.height() - kBarHeight, expected.width(), kBarHeight));
  }
}

TEST_F(StatusBarTest, DocksAlongTheBottomOfItsParent) {
  EXPECT_EQ(bar_->geometry(), QRect(0, 373, 688, kBarHeight));
  window_.resize(900, 500);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window_.size() == QSize(900, 500); }));
  EXPECT_EQ(bar_->geometry(), QRect(0, 473, 900, kBarHeight));
  // The panes keep their places; only the empty part and the grip move.
  EXPECT_EQ(author_->geometry(), QRect(0, 0, 58, kBarHeight));
  EXPECT_EQ(welcome_->geometry(), QRect(58, 0, 175, kBarHeight));
  EXPECT_EQ(link_->geometry(), QRect(233, 0, 142, kBarHeight));
  const auto mismatches = GripMismatches(BarImage(), true);
  EXPECT_TRUE(mismatches.empty()) << FirstOf(mismatches);
}

TEST_F(StatusBarTest, TextStartsInsideTheBorderAndCentresOnPp) {
  const QString caption = "Hg";
  const QFontMetrics metrics(PaneFont());
  // Where the ink of the caption lies relative to the top-left corner of its text cell.
  QImage reference(100, 40, QImage::Format_ARGB32_Premultiplied);
  reference.fill(Qt::white);
  {
    QPainter painter(&reference);
    painter.setFont(PaneFont());
    painter.setPen(Qt::black);
    painter.drawText(0, metrics.ascent(), caption);
  }
  const QRect cellInk = InkBounds(reference, reference.rect());
  ASSERT_FALSE(cellInk.isNull());
  const int ppHeight = metrics.size(Qt::TextSingleLine, "Pp").height();

  struct Row {
    const char* name;
    TRzFieldStatus* pane;
    int borderWidth;
    int indent;
  };
  const Row rows[] = {{"border width 1", welcome_, 1, 5}, {"border width 3", link_, 3, 7}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.pane->SetCaption(caption);
    const int inset = row.borderWidth + 1;
    const int cellTop = inset + (kBarHeight - 2 * inset - ppHeight) / 2;
    const QRect pane = row.pane->geometry();
    const QRect ink = InkBounds(BarImage(), pane);
    EXPECT_EQ(ink, cellInk.translated(pane.left() + row.indent, cellTop));
  }
}

TEST_F(StatusBarTest, TextIsCutOffAtTheInnerEdgeOfTheBorder) {
  // An underline puts ink in every column the text reaches.
  link_->SetTextStyle(TRzFieldStatus::Bold | TRzFieldStatus::Underline);
  link_->SetCaption(QString(40, 'W'));
  const QImage bar = BarImage();
  const QRect pane = link_->geometry();
  const QRect textArea = pane.adjusted(4, 4, -4, -4);
  const QRect ink = InkBounds(bar, QRect(pane.left(), 0, kEmptyColumn - pane.left(), kBarHeight));
  EXPECT_EQ(ink.right(), textArea.right());
  EXPECT_TRUE(textArea.contains(ink));
}

// The link look of the pane's text: blue ink, and a row of ink as wide as the caption.
struct Look {
  bool blue = false;
  bool underlined = false;
};

Look LookOf(TRzFieldStatus& pane) {
  const QImage image = pane.grab().toImage();
  const int captionWidth = QFontMetrics(pane.font()).horizontalAdvance(pane.Caption());
  Look look;
  for (int y = 0; y < image.height(); ++y) {
    int inkInRow = 0;
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      if (!IsInk(pixel)) continue;
      ++inkInRow;
      if (qBlue(pixel) > 200 && qRed(pixel) < 60 && qGreen(pixel) < 60) look.blue = true;
    }
    if (inkInRow * 10 >= captionWidth * 8) look.underlined = true;
  }
  return look;
}

// The window gives a pane its hover look from these signals.
TEST_F(StatusBarTest, PaneReportsEveryMoveOverItAndItsLeaving) {
  QSignalSpy moves(link_, &TRzFieldStatus::MouseMoved);
  QSignalSpy leaves(link_, &TRzFieldStatus::MouseLeft);
  QTest::mouseMove(link_, QPoint(10, 13));
  QTest::mouseMove(link_, QPoint(120, 13));
  ASSERT_EQ(moves.count(), 2);
  EXPECT_EQ(moves.at(0).at(0).toPoint(), QPoint(10, 13));
  EXPECT_EQ(moves.at(1).at(0).toPoint(), QPoint(120, 13));
  EXPECT_EQ(leaves.count(), 0);

  QTest::mouseMove(bar_, QPoint(kEmptyColumn, 13));
  EXPECT_EQ(moves.count(), 2);
  EXPECT_EQ(leaves.count(), 1);
}

TEST_F(StatusBarTest, PaneDrawsItsTextInItsColourAndStyle) {
  link_->SetCaption("Link");
  link_->SetTextColor(Qt::blue);
  link_->SetTextStyle(TRzFieldStatus::Bold | TRzFieldStatus::Underline);
  Look look = LookOf(*link_);
  EXPECT_TRUE(look.blue);
  EXPECT_TRUE(look.underlined);

  link_->SetTextColor(Qt::black);
  link_->SetTextStyle(TRzFieldStatus::Bold);
  look = LookOf(*link_);
  EXPECT_FALSE(look.blue);
  EXPECT_FALSE(look.underlined);
  EXPECT_TRUE(link_->font().bold());
  // The other properties of the font stay as they were.
  EXPECT_EQ(link_->font().pixelSize(), PaneFont().pixelSize());
}

TEST_F(StatusBarTest, ClickAnywhereOnAPaneReportsItsButton) {
  link_->SetCaption("x");
  QSignalSpy clicks(link_, &TRzFieldStatus::Clicked);
  struct Row {
    const char* name;
    Qt::MouseButton button;
    QPoint point;
  };
  const Row rows[] = {
      {"left button on the text", Qt::LeftButton, {8, 13}},
      {"left button right of the text", Qt::LeftButton, {138, 13}},
      {"left button on the border", Qt::LeftButton, {0, 0}},
      {"right button", Qt::RightButton, {60, 13}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    clicks.clear();
    QTest::mouseClick(link_, row.button, {}, row.point);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).value<Qt::MouseButton>(), row.button);
  }
}

TEST_F(StatusBarTest, OnlyAPressAndReleaseOnThePaneMakeAClick) {
  QSignalSpy clicks(link_, &TRzFieldStatus::Clicked);
  QTest::mousePress(link_, Qt::LeftButton, {}, QPoint(10, 13));
  QTest::mouseRelease(link_, Qt::LeftButton, {}, QPoint(-20, 13));
  EXPECT_EQ(clicks.count(), 0) << "released beside the pane";

  QTest::mouseRelease(link_, Qt::LeftButton, {}, QPoint(10, 13));
  EXPECT_EQ(clicks.count(), 0) << "released without a press";

  // The second press of a double click arrives as a double-click event.
  QTest::mouseClick(link_, Qt::LeftButton, {}, QPoint(10, 13));
  QTest::mouseDClick(link_, Qt::LeftButton, {}, QPoint(10, 13));
  QTest::mouseRelease(link_, Qt::LeftButton, {}, QPoint(10, 13));
  EXPECT_EQ(clicks.count(), 2) << "double click";
}

TEST_F(StatusBarTest, ClicksLeaveTheKeyboardFocusWhereItWas) {
  auto* edit = new QLineEdit(&window_);
  edit->show();
  edit->setFocus();
  ASSERT_EQ(window_.focusWidget(), edit);
  QTest::mouseClick(link_, Qt::LeftButton, {}, QPoint(10, 13));
  QTest::mouseClick(bar_, Qt::LeftButton, {}, QPoint(kEmptyColumn, 13));
  QTest::mouseClick(window_.windowHandle(), Qt::LeftButton, {}, GripPoint());
  EXPECT_EQ(window_.focusWidget(), edit);
}

// Moved to another widget, the bar docks along its bottom and follows its resizes, no
// longer those of the old one.
TEST_F(StatusBarTest, DocksAlongTheBottomOfANewParent) {
  QWidget other;
  other.setPalette(window_.palette());
  other.resize(500, 300);
  other.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
  bar_->setParent(&other);
  bar_->show();
  EXPECT_EQ(bar_->geometry(), QRect(0, 273, 500, kBarHeight));

  other.resize(600, 350);
  ASSERT_TRUE(QTest::qWaitFor([&] { return other.size() == QSize(600, 350); }));
  EXPECT_EQ(bar_->geometry(), QRect(0, 323, 600, kBarHeight));
  window_.resize(900, 500);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window_.size() == QSize(900, 500); }));
  EXPECT_EQ(bar_->geometry(), QRect(0, 323, 600, kBarHeight));
  const auto mismatches = GripMismatches(BarImage(), true);
  EXPECT_TRUE(mismatches.empty()) << FirstOf(mismatches);
}

}  // namespace
}  // namespace widgets
