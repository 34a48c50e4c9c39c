#include "widgets/chart.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "tests/widgets/chart_test_support.h"
#include "widgets/number_pattern.h"

namespace widgets {
namespace {

using chart_test::Background;
using chart_test::InkBounds;
using chart_test::InkGroups;
using chart_test::PixelsOf;
using chart_test::Render;
using chart_test::TextInk;

const QColor kGray(0x80, 0x80, 0x80);
const QColor kRed(0xFF, 0, 0);
const QColor kBlue(0, 0, 0xFF);
const QColor kBlack(0, 0, 0);

// Label glyphs of one label are never this far apart; labels always are.
constexpr int kGapBetweenLabels = 4;

// A chart as the window shows it: circle markers of the given size.
class ChartTest : public testing::Test {
 protected:
  void SetUp() override { chart_.resize(400, 260); }

  void ShowMarkers(int size) {
    chart_.Series().SetPointerVisible(true);
    chart_.Series().SetPointerStyle(TLineSeries::PointerStyle::Circle);
    chart_.Series().SetPointerSize(size);
  }

  // Where the left labels are drawn: left of the ticks, inside the bevel.
  QRect LeftLabelZone() const {
    const QRect frame = chart_.PlotRect();
    return QRect(QPoint(1, 1), QPoint(frame.left() - 7, chart_.height() - 2));
  }
  // Where the bottom labels are drawn: below the ticks, inside the bevel.
  QRect BottomLabelZone() const {
    const QRect frame = chart_.PlotRect();
    return QRect(QPoint(1, frame.bottom() + 7), QPoint(chart_.width() - 2, chart_.height() - 2));
  }
  std::vector<QImage> BottomLabels(const QImage& image) const {
    return InkGroups(image, BottomLabelZone(), Background(chart_), kGapBetweenLabels);
  }
  QImage Ink(const QString& text) const { return TextInk(text, chart_.font(), Background(chart_)); }

  TChart chart_;
};

TEST_F(ChartTest, StartsWithFrameAxesAndOneLabelZeroAtTheMiddleOfEachAxis) {
  const QImage image = Render(chart_);
  const QRect frame = chart_.PlotRect();
  ASSERT_FALSE(frame.isEmpty());
  const QRect inside = frame.adjusted(1, 1, -1, -1);

  for (int x = frame.left(); x <= frame.right(); ++x) {
    EXPECT_EQ(image.pixelColor(x, frame.top()), kBlack) << x;
    EXPECT_EQ(image.pixelColor(x, frame.bottom()), kBlack) << x;
    EXPECT_EQ(image.pixelColor(x, frame.bottom() + 1), kBlack) << x;
  }
  for (int y = frame.top(); y <= frame.bottom(); ++y) {
    EXPECT_EQ(image.pixelColor(frame.left() - 1, y), kBlack) << y;
    EXPECT_EQ(image.pixelColor(frame.left(), y), kBlack) << y;
    EXPECT_EQ(image.pixelColor(frame.right(), y), kBlack) << y;
  }

  // Inside the frame only the two grid lines of the labels, crossing at the middle.
  const std::vector<QPoint> grid = PixelsOf(image, inside, kGray);
  EXPECT_EQ(grid.size(), static_cast<std::size_t>(inside.width() + inside.height() - 1));
  const QRect ink = InkBounds(image, inside, Background(chart_));
  EXPECT_EQ(ink, inside);
  const double middleX = (inside.left() + inside.right()) / 2.0;
  const double middleY = (inside.top() + inside.bottom()) / 2.0;
  for (const QPoint& pixel : grid)
    EXPECT_TRUE(std::abs(pixel.x() - middleX) <= 0.5 || std::abs(pixel.y() - middleY) <= 0.5);

  const QImage zero = Ink(QStringLiteral("0"));
  const QRect leftLabel = InkBounds(image, LeftLabelZone(), Background(chart_));
  EXPECT_EQ(image.copy(leftLabel), zero);
  EXPECT_LE(std::abs(leftLabel.center().y() - middleY), 1.5);
  const std::vector<QImage> bottomLabels = BottomLabels(image);
  ASSERT_EQ(bottomLabels.size(), 1u);
  EXPECT_EQ(bottomLabels[0], zero);
  const QRect bottomLabel = InkBounds(image, BottomLabelZone(), Background(chart_));
  EXPECT_LE(std::abs(bottomLabel.center().x() - middleX), 1.5);

  EXPECT_TRUE(PixelsOf(image, image.rect(), kRed).empty());
}

TEST_F(ChartTest, DrawsOnePeakAsOneMarkerInTheMiddleWithoutALine) {
  ShowMarkers(3);
  chart_.Series().AddXY(0, 42.5);
  const QImage image = Render(chart_);
  const QRect inside = chart_.PlotRect().adjusted(1, 1, -1, -1);

  const std::vector<QPoint> red = PixelsOf(image, image.rect(), kRed);
  QRect fill;
  for (const QPoint& pixel : red) fill |= QRect(pixel, QSize(1, 1));
  EXPECT_EQ(red.size(), 21u);
  EXPECT_EQ(fill.size(), QSize(5, 5));
  EXPECT_LE(std::abs(fill.center().x() - (inside.left() + inside.right()) / 2.0), 0.5);
  EXPECT_LE(std::abs(fill.center().y() - (inside.top() + inside.bottom()) / 2.0), 0.5);

  const std::vector<QImage> bottomLabels = BottomLabels(image);
  ASSERT_EQ(bottomLabels.size(), 1u);
  EXPECT_EQ(bottomLabels[0], Ink(QStringLiteral("0")));
  EXPECT_EQ(image.copy(InkBounds(image, LeftLabelZone(), Background(chart_))),
            Ink(QStringLiteral("42.5")));
}

TEST_F(ChartTest, DrawsEqualValuesAsAHorizontalLineThroughTheMiddle) {
  for (int x = 0; x < 5; ++x) chart_.Series().AddXY(x, 2.5);
  const QImage image = Render(chart_);
  const QRect inside = chart_.PlotRect().adjusted(1, 1, -1, -1);

  const std::vector<QPoint> red = PixelsOf(image, image.rect(), kRed);
  ASSERT_FALSE(red.empty());
  for (const QPoint& pixel : red) EXPECT_EQ(pixel.y(), red.front().y());
  EXPECT_LE(std::abs(red.front().y() - (inside.top() + inside.bottom()) / 2.0), 0.5);
  // Without markers the axis has no margins: the line spans the plot area.
  EXPECT_EQ(red.front().x(), inside.left());
  EXPECT_EQ(red.back().x(), inside.right());
}

TEST_F(ChartTest, LabelsTenPositionsZeroToNine) {
  ShowMarkers(3);
  for (int x = 0; x < 10; ++x) chart_.Series().AddXY(x, std::sin(x));
  const QImage image = Render(chart_);

  const std::vector<QImage> labels = BottomLabels(image);
  ASSERT_EQ(labels.size(), 10u);
  for (int x = 0; x < 10; ++x) {
    SCOPED_TRACE(x);
    EXPECT_EQ(labels[static_cast<std::size_t>(x)], Ink(QString::number(x)));
  }
}

TEST_F(ChartTest, GroupsLabelsWithTheGivenMarks) {
  chart_.Series().AddXY(0, 0);
  chart_.Series().AddXY(3000, 1);
  const QStringList dotted = {"0", "500", "1,000", "1,500", "2,000", "2,500", "3,000"};
  std::vector<QImage> labels = BottomLabels(Render(chart_));
  ASSERT_EQ(labels.size(), static_cast<std::size_t>(dotted.size()));
  for (qsizetype i = 0; i < dotted.size(); ++i)
    EXPECT_EQ(labels[static_cast<std::size_t>(i)], Ink(dotted[i])) << dotted[i].toStdString();

  chart_.SetLabelText([](double value) { return FormatGroupedDecimal(value, u',', u'.'); });
  labels = BottomLabels(Render(chart_));
  ASSERT_EQ(labels.size(), static_cast<std::size_t>(dotted.size()));
  EXPECT_EQ(labels[3], Ink(QStringLiteral("1.500")));
}

// The label size is judged from the ends and the middle of the axis ("0", "1", "0.5");
// labels such as "0.35" are wider, and those that would run into their neighbours are left
// out rather than drawn over each other.
TEST_F(ChartTest, LeavesOutLabelsThatWouldRunIntoEachOther) {
  chart_.Series().AddXY(0, 0);
  chart_.Series().AddXY(1, 1);
  const std::vector<QImage> labels = BottomLabels(Render(chart_));
  ASSERT_GE(labels.size(), 6u);
  std::vector<QImage> texts;
  for (int hundredths = 0; hundredths <= 100; hundredths += 5)
    texts.push_back(Ink(QString::number(hundredths / 100.0)));
  for (const QImage& label : labels)
    EXPECT_NE(std::find(texts.begin(), texts.end(), label), texts.end());
  EXPECT_EQ(labels.front(), Ink(QStringLiteral("0")));
  EXPECT_EQ(labels.back(), Ink(QStringLiteral("1")));
}

// Grid lines run across the plot area and labels sit beside it. Large values with a small
// spread put label values just below the axis minimum within the tolerance of the lower
// bound; those must not be drawn over the bottom axis and its labels.
TEST_F(ChartTest, DrawsNoGridLineOrLeftLabelBelowThePlotArea) {
  chart_.resize(512, 176);
  ShowMarkers(3);
  for (const double value : {1e15, 1e15 + 1000, 1e15 + 500})
    chart_.Series().AddXY(static_cast<double>(chart_.Series().Count()), value);
  const QImage image = Render(chart_);
  const QRect frame = chart_.PlotRect();
  ASSERT_FALSE(frame.isEmpty());

  // Below the axis line only ticks (one pixel wide) and the bottom labels are gray or black.
  for (int y = frame.bottom() + 2; y <= chart_.height() - 2; ++y) {
    int run = 0;
    int longest = 0;
    for (int x = frame.left(); x <= frame.right(); ++x) {
      run = image.pixelColor(x, y) == kGray ? run + 1 : 0;
      longest = std::max(longest, run);
    }
    EXPECT_LT(longest, 10) << "a grid line at row " << y;
  }
  const QRect leftOfBottomLabels(QPoint(1, frame.bottom() + 3),
                                 QPoint(frame.left() - 8, chart_.height() - 2));
  EXPECT_TRUE(InkBounds(image, leftOfBottomLabels, Background(chart_)).isEmpty())
      << "a left label below the plot area";
}

// The same on the bottom axis, for positions far from 0: the labels begin with that of
// the lowest position, not with one beside the plot area.
TEST_F(ChartTest, DrawsNoBottomLabelLeftOfThePlotArea) {
  chart_.resize(512, 176);
  ShowMarkers(3);
  for (const double offset : {0, 500, 1000}) chart_.Series().AddXY(1e15 + offset, offset);
  const std::vector<QImage> labels = BottomLabels(Render(chart_));
  ASSERT_FALSE(labels.empty());
  EXPECT_EQ(labels.front(), Ink(QStringLiteral("1,000,000,000,000,000")));
}

// The markers of the extreme points sit inside the plot area by their margins: their size
// plus one pixel horizontally, their size vertically.
TEST_F(ChartTest, DrawsMarkersOfTheirColourSizeAndOutlineInsideTheMargins) {
  struct Row {
    int size;
    QColor colour;
    std::vector<std::string> look;  // '#' outline, 'F' fill, ' ' not the marker's
  };
  const Row rows[] = {
      {3, kRed, {"  ###  ", " #FFF# ", "#FFFFF#", "#FFFFF#", "#FFFFF#", " #FFF# ", "  ###  "}},
      {2, kBlue, {" ### ", "#FFF#", "#FFF#", "#FFF#", " ### "}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.size);
    TChart chart;
    chart.resize(300, 200);
    chart.Series().SetColor(row.colour);
    chart.Series().SetPointerVisible(true);
    chart.Series().SetPointerStyle(TLineSeries::PointerStyle::Circle);
    chart.Series().SetPointerSize(row.size);
    chart.Series().AddXY(0, -1);
    chart.Series().AddXY(1, 1);
    const QImage image = Render(chart);
    const QRect inside = chart.PlotRect().adjusted(1, 1, -1, -1);
    const QPoint centres[] = {{inside.left() + row.size + 1, inside.bottom() - row.size},
                              {inside.right() - row.size - 1, inside.top() + row.size}};
    for (const QPoint& centre : centres) {
      for (int dy = -row.size; dy <= row.size; ++dy) {
        for (int dx = -row.size; dx <= row.size; ++dx) {
          const char expected = row.look[static_cast<std::size_t>(dy + row.size)]
                                        [static_cast<std::size_t>(dx + row.size)];
          const QColor actual = image.pixelColor(centre + QPoint(dx, dy));
          SCOPED_TRACE(testing::Message() << "offset " << dx << ", " << dy);
          if (expected == '#') {
            EXPECT_EQ(actual, kBlack);
          } else if (expected == 'F') {
            EXPECT_EQ(actual, row.colour);
          }
        }
      }
    }
  }
}

TEST_F(ChartTest, KeepsPointsInAscendingXWithEqualXAfterTheOthers) {
  ShowMarkers(2);
  chart_.Series().AddXY(0, 1);
  chart_.Series().AddXY(2, 3);
  chart_.Series().AddXY(1, 2);
  chart_.Series().AddXY(1, 5);
  ASSERT_EQ(chart_.Series().Count(), 4u);
  const double xs[] = {0, 1, 1, 2};
  const double ys[] = {1, 2, 5, 3};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(chart_.Series().XValue(i), xs[i]);
    EXPECT_EQ(chart_.Series().YValue(i), ys[i]);
  }
  EXPECT_EQ(chart_.Series().YRange(), (AxisRange{1, 5}));
  chart_.Series().Clear();
  EXPECT_EQ(chart_.Series().Count(), 0u);
  EXPECT_EQ(chart_.BottomAxisRange(), (AxisRange{0, 0}));
}

// A label text may follow a setting that changes without telling the chart, as the
// regional marks do: every paint writes the labels anew.
TEST_F(ChartTest, WritesTheLabelsAnewAtEveryPaint) {
  static QChar grouping;
  grouping = u',';
  chart_.SetLabelText([](double value) { return FormatGroupedDecimal(value, u'.', grouping); });
  chart_.Series().AddXY(0, 0);
  chart_.Series().AddXY(3000, 1);
  ASSERT_EQ(BottomLabels(Render(chart_)).at(3), Ink(QStringLiteral("1,500")));
  grouping = u'\'';
  EXPECT_EQ(BottomLabels(Render(chart_)).at(3), Ink(QStringLiteral("1'500")));
}

// Lines and markers are drawn over each other pixel for pixel, which only an opaque colour
// allows: a colour with alpha is taken without it.
TEST_F(ChartTest, DrawsASeriesColourWithAlphaOpaque) {
  ShowMarkers(3);
  chart_.Series().SetColor(QColor(0xFF, 0, 0, 0x80));
  for (int x = 0; x < 5; ++x) chart_.Series().AddXY(x, x % 2);
  EXPECT_EQ(chart_.Series().Color(), kRed);
  const QImage image = Render(chart_);
  const QRect inside = chart_.PlotRect().adjusted(1, 1, -1, -1);
  const std::vector<QPoint> red = PixelsOf(image, inside, kRed);
  EXPECT_GE(red.size(), 5u * 21u) << "the markers' fill is not opaque red";
}

// A chart too small for a plot area draws its panel only, whatever its points, and the
// mouse finds nothing to zoom, scroll or turn; grown again, it lays itself out.
TEST(ChartTooSmallTest, DrawsOnlyItsPanelAndIgnoresTheMouse) {
  struct Row {
    const char* name;
    QSize size;
  };
  const Row rows[] = {
      {"too low for the labels below the plot area", {200, 20}},
      {"too narrow for the labels beside it", {15, 120}},
      {"a few pixels", {3, 3}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TChart chart;
    chart.resize(row.size);
    chart.Series().SetPointerVisible(true);
    chart.Series().SetPointerSize(3);
    for (int x = 0; x < 50; ++x) chart.Series().AddXY(x, 1000 * std::sin(x));
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    EXPECT_TRUE(chart.PlotRect().isEmpty());
    EXPECT_EQ(chart.BottomAxisRange(), AxisRange{});
    EXPECT_EQ(chart.LeftAxisRange(), AxisRange{});

    const QImage image = Render(chart);
    // Inside the bevel, 1 pixel wide, only the background.
    const QRect inside = chart.rect().adjusted(1, 1, -1, -1);
    EXPECT_TRUE(InkBounds(image, inside, Background(chart)).isEmpty());

    const QPoint middle = chart.rect().center();
    QTest::mousePress(&chart, Qt::LeftButton, Qt::NoModifier, middle);
    QTest::mouseRelease(&chart, Qt::LeftButton, Qt::NoModifier, middle + QPoint(40, 40));
    QTest::mousePress(&chart, Qt::RightButton, Qt::NoModifier, middle);
    QTest::mouseMove(&chart, middle + QPoint(30, 30));
    QTest::mouseRelease(&chart, Qt::RightButton, Qt::NoModifier, middle + QPoint(30, 30));
    chart.setFocus();
    QWheelEvent notch(QPointF(middle), chart.mapToGlobal(QPointF(middle)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&chart, &notch);
    EXPECT_TRUE(chart.BottomAxisAutomatic());
    EXPECT_TRUE(chart.LeftAxisAutomatic());
    EXPECT_EQ(Render(chart), image);

    chart.resize(300, 200);
    EXPECT_FALSE(chart.PlotRect().isEmpty());
    EXPECT_FALSE(PixelsOf(Render(chart), chart.PlotRect(), kRed).empty());
  }
}

// The chart keeps its layout from one change to the next: after each change that moves
// anything it must answer like a chart that was given the same state afresh.
TEST(ChartChangeTest, AnswersAfterEveryChangeLikeAChartMadeAfresh) {
  // A label text that follows a setting, as the regional marks do.
  static QString unit;
  struct Row {
    const char* name;
    std::function<void(TChart&)> change;
  };
  const Row rows[] = {
      {"resized", [](TChart& chart) { chart.resize(333, 222); }},
      {"a larger font",
       [](TChart& chart) {
         QFont font = chart.font();
         font.setPointSize(16);
         chart.setFont(font);
       }},
      {"wider label texts",
       [](TChart& chart) {
         chart.SetLabelText([](double value) { return QString::number(value) + " units"; });
       }},
      {"labels that all read the same",
       [](TChart& chart) { chart.SetSameLabelText([](double, double) { return true; }); }},
      {"a setting of the label texts, told by a change of locale",
       [](TChart& chart) {
         unit = QStringLiteral(" kN");
         QEvent change(QEvent::LocaleChange);
         QApplication::sendEvent(&chart, &change);
       }},
      {"a point far out", [](TChart& chart) { chart.Series().AddXY(20, 1e6); }},
      {"markers shown", [](TChart& chart) { chart.Series().SetPointerVisible(true); }},
      {"cleared", [](TChart& chart) { chart.Series().Clear(); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    unit.clear();
    const auto prepare = [](TChart& chart) {
      chart.resize(300, 200);
      chart.SetLabelText([](double value) { return QString::number(value) + unit; });
      chart.Series().SetPointerSize(6);
      // A maximum that reads wider than the labels below it.
      for (int x = 0; x < 10; ++x) chart.Series().AddXY(x, x * x + 0.25);
    };
    TChart chart;
    prepare(chart);
    ASSERT_FALSE(chart.PlotRect().isEmpty());
    const QImage before = Render(chart);
    row.change(chart);
    TChart fresh;
    prepare(fresh);
    row.change(fresh);

    EXPECT_EQ(chart.PlotRect(), fresh.PlotRect());
    EXPECT_EQ(chart.BottomAxisRange(), fresh.BottomAxisRange());
    EXPECT_EQ(chart.LeftAxisRange(), fresh.LeftAxisRange());
    EXPECT_EQ(Render(chart), Render(fresh));
    EXPECT_NE(Render(chart), before) << "the change shows nothing";
  }
}

// Counts the paints of a widget.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// Changes of the series ask for a repaint only once until the chart paints, so the request
// must be renewed after every paint.
TEST(ChartRepaintTest, RepaintsAfterEveryRoundOfChanges) {
  TChart chart;
  chart.resize(300, 200);
  chart.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
  PaintCounter counter;
  chart.installEventFilter(&counter);
  for (int round = 1; round <= 3; ++round) {
    SCOPED_TRACE(round);
    const int paintsBefore = counter.paints;
    for (int x = 0; x < 1000; ++x) chart.Series().AddXY(x, round * x);
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > paintsBefore; }));
  }
}

// The widest ranges of the doubles are drawn like any other, and the labels of huge values
// leave room for the plot.
TEST(ChartLimitsTest, DrawsValuesAtTheLimitsOfTheDoubles) {
  TChart chart;
  chart_test::ShowTheWidestValues(chart);
  const QRect inside = chart.PlotRect().adjusted(1, 1, -1, -1);
  ASSERT_GE(inside.width(), 100);
  // The range cannot widen beyond the doubles: the extreme markers sit at the edges.
  QRect bounds;
  for (const QPoint& pixel : PixelsOf(Render(chart), inside, kRed))
    bounds |= QRect(pixel, QSize(1, 1));
  EXPECT_LE(bounds.top(), inside.top() + 1);
  EXPECT_GE(bounds.bottom(), inside.bottom() - 1);
}

}  // namespace
}  // namespace widgets
