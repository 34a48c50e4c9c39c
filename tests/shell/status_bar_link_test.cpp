#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include <QDesktopServices>
#include <QFontInfo>
#include <QImage>
#include <QObject>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include "shell/main_window.h"
#include "tests/shell/window_fixture.h"
#include "widgets/field_status.h"
#include "widgets/status_bar.h"

namespace shell {
namespace {

using test_support::WindowTest;
using widgets::TRzFieldStatus;

// Takes the desktop's place for web addresses while it lives, recording each request.
class WebAddressRecorder : public QObject {
  Q_OBJECT

 public:
  WebAddressRecorder() {
    for (const char* scheme : {"http", "https"}) {
      QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
    }
  }
  ~WebAddressRecorder() override {
    for (const char* scheme : {"http", "https"}) {
      QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
  }

  std::vector<QUrl> requests;

 public slots:
  void Open(const QUrl& url) { requests.push_back(url); }
};

// Whether a pixel belongs to text of this colour: the bar's light gradient does not, nor do
// the half-covered edge pixels of smoothed text.
bool IsInk(QColor pixel, QColor ink) {
  constexpr int kTolerance = 64;
  return std::abs(pixel.red() - ink.red()) <= kTolerance &&
         std::abs(pixel.green() - ink.green()) <= kTolerance &&
         std::abs(pixel.blue() - ink.blue()) <= kTolerance;
}

// The lengths of the runs of ink along the rows of an image: where a glyph's stroke crosses a
// row, its width.
std::vector<int> StrokeWidthsAlongRows(const QImage& image, QColor ink) {
  std::vector<int> widths;
  for (int y = 0; y < image.height(); ++y) {
    int run = 0;
    for (int x = 0; x <= image.width(); ++x) {
      if (x < image.width() && IsInk(image.pixelColor(x, y), ink)) {
        ++run;
      } else if (run > 0) {
        widths.push_back(run);
        run = 0;
      }
    }
  }
  return widths;
}

// The widths of the runs of columns without ink between the first and the last column with
// ink: the spaces between the letters.
std::vector<int> GapsBetweenLetters(const QImage& image, QColor ink) {
  std::vector<int> gaps;
  int blank = -1;
  for (int x = 0; x < image.width(); ++x) {
    bool inked = false;
    for (int y = 0; y < image.height() && !inked; ++y) inked = IsInk(image.pixelColor(x, y), ink);
    if (inked) {
      if (blank > 0) gaps.push_back(blank);
      blank = 0;
    } else if (blank >= 0) {
      ++blank;
    }
  }
  return gaps;
}

class StatusBarLinkTest : public WindowTest {
 protected:
  // A point on the link pane right of its text, where only the bar's gradient shows.
  QPoint EmptyPartOfLink() const { return {Pane("rzfldsts2")->width() - 4, 13}; }

  WebAddressRecorder recorder_;
};

TEST_F(StatusBarLinkTest, PanesSitLeftToRightWithTheirTextsAndFonts) {
  // clang-format off
  const struct {
    const char* name;
    const TRzFieldStatus* pane;
    QRect place;
    QString caption;
    QString family;
    int borderWidth;
  } rows[] = {
      {"author", Pane("rzfldsts3"), {0, 0, 58, 27}, QStringLiteral("  Orlavin  "),
       QStringLiteral("Tahoma"), 1},
      {"greeting", Pane("rzfldsts1"), {58, 0, 175, 27}, QStringLiteral("  Welcome to my Website :"),
       QStringLiteral("MS Sans Serif"), 1},
      {"link", Pane("rzfldsts2"), {233, 0, 142, 27},
       QLatin1Char(' ') + QLatin1String(kWebsiteAddress), QStringLiteral("MS Sans Serif"), 3},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.pane->parentWidget(), static_cast<QWidget*>(StatusBar()));
    EXPECT_EQ(row.pane->geometry(), row.place);
    EXPECT_EQ(row.pane->Caption(), row.caption);
    EXPECT_EQ(row.pane->BorderWidth(), row.borderWidth);
    EXPECT_EQ(row.pane->font().families().first(), row.family);
    EXPECT_EQ(row.pane->font().pixelSize(), 11);
    // Drawn in a real bold face: where the desktop lacks the face asked for, its stand-in.
    const QFontInfo font(row.pane->font());
    EXPECT_EQ(font.pixelSize(), 11);
    EXPECT_EQ(font.styleName(), QStringLiteral("Bold"));
  }
  EXPECT_EQ(Pane("rzfldsts3")->TextColor(), form_->palette().color(QPalette::WindowText));
  EXPECT_EQ(Pane("rzfldsts1")->TextColor(), form_->palette().color(QPalette::WindowText));
  EXPECT_EQ(StatusBar()->geometry(), QRect(0, 373, 688, 27));
}

class StatusBarTextTest : public StatusBarLinkTest {
 protected:
  // The pane's text area as the bar shows it, right of the pane's separator.
  QImage TextOf(const TRzFieldStatus* pane) const {
    const int inset = pane->BorderWidth() + 1;
    return StatusBar()->grab().toImage().copy(
        pane->geometry().adjusted(inset, inset, -inset, -inset));
  }
};

// What the panes' bold face looks like on the screen, whatever the font database reports:
// strokes two pixels wide, where the regular face at this size has strokes of one.
TEST_F(StatusBarTextTest, PanesDrawTheirTextWithBoldStrokes) {
  const struct {
    const char* name;
    const TRzFieldStatus* pane;
    bool hovered;
  } rows[] = {
      {"author", Pane("rzfldsts3"), false},
      {"greeting", Pane("rzfldsts1"), false},
      {"link", Pane("rzfldsts2"), false},
      {"hovered link", Pane("rzfldsts2"), true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.hovered) QTest::mouseMove(Pane("rzfldsts2"), QPoint(20, 13));
    const std::vector<int> widths = StrokeWidthsAlongRows(TextOf(row.pane), row.pane->TextColor());
    EXPECT_GE(widths.size(), 20u) << "too little text to judge";
    const auto thin = std::count(widths.begin(), widths.end(), 1);
    EXPECT_LE(double(thin) / double(widths.size()), 0.1)
        << thin << " of " << widths.size() << " strokes are one pixel wide";
  }
}

// The bold letters are spaced as the face's small sizes are drawn, one blank column apart
// (two either side of a full stop), neither touching nor drifting apart.
TEST_F(StatusBarTextTest, LettersOfAWordStandOneColumnApart) {
  const struct {
    const char* name;
    const TRzFieldStatus* pane;
    std::vector<int> gaps;
  } rows[] = {
      {"author", Pane("rzfldsts3"), {1, 1, 1, 1, 1, 1}},
      {"link", Pane("rzfldsts2"), {1, 1, 1, 1, 1, 1, 2, 2, 1, 1, 1, 1, 1, 1}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(GapsBetweenLetters(TextOf(row.pane), row.pane->TextColor()), row.gaps);
  }
}

TEST_F(StatusBarLinkTest, LinkTurnsBlueAndUnderlinedUnderTheMouseAndBackWhenItLeaves) {
  const auto look = [this] {
    return std::pair(Pane("rzfldsts2")->TextColor(), Pane("rzfldsts2")->TextStyle());
  };
  const auto normal =
      std::pair(QColor(Qt::black), TRzFieldStatus::TextStyles(TRzFieldStatus::Bold));
  const auto hovered =
      std::pair(QColor(0x00, 0x00, 0xFF), TRzFieldStatus::Bold | TRzFieldStatus::Underline);
  EXPECT_EQ(look(), normal);

  QTest::mouseMove(Pane("rzfldsts2"), QPoint(20, 13));
  EXPECT_EQ(look(), hovered);
  QTest::mouseMove(Pane("rzfldsts2"), QPoint(30, 13));
  EXPECT_EQ(look(), hovered);

  QTest::mouseMove(Pane("rzfldsts1"), QPoint(20, 13));
  EXPECT_EQ(look(), normal);
  // The pointer over the link stays the ordinary arrow.
  EXPECT_EQ(Pane("rzfldsts2")->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(StatusBarLinkTest, EveryLeftClickOnTheLinkPaneOpensTheWebsiteAndNothingElseDoes) {
  const QUrl website(QStringLiteral("http://") + QLatin1String(kWebsiteAddress));

  QTest::mouseClick(Pane("rzfldsts2"), Qt::LeftButton, {}, EmptyPartOfLink());
  EXPECT_EQ(recorder_.requests, std::vector<QUrl>{website});

  QTest::mouseClick(Pane("rzfldsts2"), Qt::LeftButton, {}, QPoint(20, 13));
  EXPECT_EQ(recorder_.requests, (std::vector<QUrl>{website, website}));

  recorder_.requests.clear();
  QTest::mouseClick(Pane("rzfldsts2"), Qt::RightButton, {}, QPoint(20, 13));
  QTest::mouseClick(Pane("rzfldsts1"), Qt::LeftButton, {}, QPoint(20, 13));
  QTest::mouseClick(Pane("rzfldsts3"), Qt::LeftButton, {}, QPoint(20, 13));
  QTest::mouseClick(StatusBar(), Qt::LeftButton, {}, QPoint(500, 13));
  EXPECT_TRUE(recorder_.requests.empty());
  EXPECT_TRUE(script_.TakeShown().empty());
}

}  // namespace
}  // namespace shell

#include "status_bar_link_test.moc"
