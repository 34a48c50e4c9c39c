#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "tests/widgets/chart_test_support.h"
#include "widgets/chart.h"

namespace widgets {
namespace {

const QColor kRed(0xFF, 0, 0);

// Values under a pixel of the plot area as the chart maps them: the axes run from the
// first to the last pixel inside the frame.
double BottomValueAt(const TChart& chart, int x) {
  const QRect inside = chart.PlotRect().adjusted(1, 1, -1, -1);
  const AxisRange range = chart.BottomAxisRange();
  return range.minimum +
         (x - inside.left()) * (range.maximum - range.minimum) / (inside.right() - inside.left());
}
double LeftValueAt(const TChart& chart, int y) {
  const QRect inside = chart.PlotRect().adjusted(1, 1, -1, -1);
  const AxisRange range = chart.LeftAxisRange();
  return range.minimum +
         (inside.bottom() - y) * (range.maximum - range.minimum) / (inside.bottom() - inside.top());
}

void ExpectNear(AxisRange actual, AxisRange expected) {
  const double tolerance = 1e-9 * (std::abs(expected.minimum) + std::abs(expected.maximum) + 1);
  EXPECT_NEAR(actual.minimum, expected.minimum, tolerance);
  EXPECT_NEAR(actual.maximum, expected.maximum, tolerance);
}

class ChartMouseTest : public testing::Test {
 protected:
  void SetUp() override {
    chart_.resize(420, 300);
    chart_.Series().SetPointerVisible(true);
    chart_.Series().SetPointerStyle(TLineSeries::PointerStyle::Circle);
    chart_.Series().SetPointerSize(3);
    Fill(100, 1);
    centre_ = chart_.PlotRect().center();
    automaticBottom_ = chart_.BottomAxisRange();
    automaticLeft_ = chart_.LeftAxisRange();
  }

  // Positions 0 ... count - 1 on a sine of the given amplitude.
  void Fill(int count, double amplitude) {
    chart_.Series().Clear();
    for (int x = 0; x < count; ++x) chart_.Series().AddXY(x, amplitude * std::sin(x / 7.0));
  }

  void Drag(Qt::MouseButton button, QPoint from, QPoint to) {
    QTest::mousePress(&chart_, button, Qt::NoModifier, from);
    QTest::mouseMove(&chart_, (from + to) / 2);
    QTest::mouseMove(&chart_, to);
    QTest::mouseRelease(&chart_, button, Qt::NoModifier, to);
  }

  void Wheel(int angle) {
    const QPointF position = centre_;
    QWheelEvent event(position, chart_.mapToGlobal(position), QPoint(), QPoint(0, angle),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&chart_, &event);
  }

  bool Automatic() const { return chart_.BottomAxisAutomatic() && chart_.LeftAxisAutomatic(); }

  TChart chart_;
  QPoint centre_;
  AxisRange automaticBottom_;
  AxisRange automaticLeft_;
};

TEST_F(ChartMouseTest, ZoomsIntoARectangleOfMoreThanSixteenPixelsBothWays) {
  struct Row {
    const char* name;
    QPoint movement;
    bool zooms;
  };
  const Row rows[] = {
      {"17 by 17", {17, 17}, true},  {"16 by 40", {16, 40}, false},
      {"40 by 16", {40, 16}, false}, {"40 up by 16", {40, -16}, false},
      {"16 by 16", {16, 16}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const QPoint end = centre_ + row.movement;
    const AxisRange expectedBottom{BottomValueAt(chart_, centre_.x()),
                                   BottomValueAt(chart_, end.x())};
    const AxisRange expectedLeft{LeftValueAt(chart_, std::max(centre_.y(), end.y())),
                                 LeftValueAt(chart_, std::min(centre_.y(), end.y()))};
    Drag(Qt::LeftButton, centre_, end);
    EXPECT_EQ(Automatic(), !row.zooms);
    if (row.zooms) {
      ExpectNear(chart_.BottomAxisRange(), expectedBottom);
      ExpectNear(chart_.LeftAxisRange(), expectedLeft);
    } else {
      EXPECT_EQ(chart_.BottomAxisRange(), automaticBottom_);
      EXPECT_EQ(chart_.LeftAxisRange(), automaticLeft_);
    }
    Drag(Qt::LeftButton, centre_ + QPoint(20, 20), centre_ - QPoint(20, 20));
    ASSERT_TRUE(Automatic());
  }
}

TEST_F(ChartMouseTest, ZoomsTheSameUpRightAsDownRight) {
  const QPoint topLeft = centre_ - QPoint(40, 30);
  const QPoint bottomRight = centre_ + QPoint(50, 35);
  Drag(Qt::LeftButton, topLeft, bottomRight);
  const AxisRange downRightBottom = chart_.BottomAxisRange();
  const AxisRange downRightLeft = chart_.LeftAxisRange();
  Drag(Qt::LeftButton, centre_ + QPoint(30, 30), centre_ - QPoint(30, 30));
  ASSERT_TRUE(Automatic());

  Drag(Qt::LeftButton, QPoint(topLeft.x(), bottomRight.y()), QPoint(bottomRight.x(), topLeft.y()));
  EXPECT_EQ(chart_.BottomAxisRange(), downRightBottom);
  EXPECT_EQ(chart_.LeftAxisRange(), downRightLeft);
}

TEST_F(ChartMouseTest, UndoesWithALeftwardDragOfMoreThanSixteenPixels) {
  Drag(Qt::LeftButton, centre_ - QPoint(50, 50), centre_ + QPoint(50, 50));
  const AxisRange zoomedBottom = chart_.BottomAxisRange();
  ASSERT_FALSE(Automatic());
  // A second zoom does not replace the scaling that undo restores.
  Drag(Qt::LeftButton, centre_ - QPoint(30, 30), centre_ + QPoint(30, 30));
  ASSERT_NE(chart_.BottomAxisRange(), zoomedBottom);

  Drag(Qt::LeftButton, centre_, centre_ - QPoint(16, 30));
  EXPECT_FALSE(Automatic());
  // Leftward and rightward drags alike: the vertical direction does not matter.
  Drag(Qt::LeftButton, centre_, centre_ + QPoint(-17, 30));
  EXPECT_TRUE(Automatic());
  EXPECT_EQ(chart_.BottomAxisRange(), automaticBottom_);
  EXPECT_EQ(chart_.LeftAxisRange(), automaticLeft_);
}

TEST_F(ChartMouseTest, ZoomNeverNarrowerThanTheMinimumExtent) {
  chart_.Series().Clear();
  chart_.Series().AddXY(0, 0);
  chart_.Series().AddXY(1e-9, 1e-9);
  Drag(Qt::LeftButton, centre_, centre_ + QPoint(17, 17));
  EXPECT_DOUBLE_EQ(chart_.BottomAxisRange().maximum - chart_.BottomAxisRange().minimum, 1e-10);
  EXPECT_DOUBLE_EQ(chart_.LeftAxisRange().maximum - chart_.LeftAxisRange().minimum, 1e-10);
}

TEST_F(ChartMouseTest, KeepsAZoomWhileTheSeriesIsRefilled) {
  Drag(Qt::LeftButton, centre_ - QPoint(50, 50), centre_ + QPoint(50, 50));
  const AxisRange zoomedBottom = chart_.BottomAxisRange();
  const AxisRange zoomedLeft = chart_.LeftAxisRange();
  Fill(500, 30);
  EXPECT_EQ(chart_.BottomAxisRange(), zoomedBottom);
  EXPECT_EQ(chart_.LeftAxisRange(), zoomedLeft);

  Drag(Qt::LeftButton, centre_ + QPoint(30, 30), centre_ - QPoint(30, 30));
  EXPECT_TRUE(Automatic());
  EXPECT_LT(chart_.BottomAxisRange().minimum, 0);
  EXPECT_GT(chart_.BottomAxisRange().maximum, 499);
  EXPECT_LT(chart_.LeftAxisRange().minimum, -29.9);
  EXPECT_GT(chart_.LeftAxisRange().maximum, 29.9);
}

TEST_F(ChartMouseTest, ScrollsWithTheRightButtonAndKeepsScrollingOutside) {
  const double valuesPerPixelX = BottomValueAt(chart_, 1) - BottomValueAt(chart_, 0);
  const double valuesPerPixelY = LeftValueAt(chart_, 0) - LeftValueAt(chart_, 1);
  // The drawing follows the mouse: 30 pixels right shows values 30 pixels further left.
  Drag(Qt::RightButton, centre_, centre_ + QPoint(30, 20));
  ExpectNear(chart_.BottomAxisRange(), {automaticBottom_.minimum - 30 * valuesPerPixelX,
                                        automaticBottom_.maximum - 30 * valuesPerPixelX});
  ExpectNear(chart_.LeftAxisRange(), {automaticLeft_.minimum + 20 * valuesPerPixelY,
                                      automaticLeft_.maximum + 20 * valuesPerPixelY});
  EXPECT_FALSE(Automatic());

  const QPoint outside(chart_.width() + 40, -60);
  Drag(Qt::RightButton, centre_, outside);
  const QPoint total = QPoint(30, 20) + (outside - centre_);
  ExpectNear(chart_.BottomAxisRange(), {automaticBottom_.minimum - total.x() * valuesPerPixelX,
                                        automaticBottom_.maximum - total.x() * valuesPerPixelX});
  ExpectNear(chart_.LeftAxisRange(), {automaticLeft_.minimum + total.y() * valuesPerPixelY,
                                      automaticLeft_.maximum + total.y() * valuesPerPixelY});

  Drag(Qt::LeftButton, centre_ + QPoint(30, 30), centre_ - QPoint(30, 30));
  EXPECT_TRUE(Automatic());
  EXPECT_EQ(chart_.BottomAxisRange(), automaticBottom_);
}

TEST_F(ChartMouseTest, ScrollingMovesThePointsWithTheMouse) {
  const QRect inside = chart_.PlotRect().adjusted(1, 1, -1, -1);
  const QPoint movement(-12, 9);
  // Away from the plot's edges, where nothing is cut off before or after.
  const QRect window = inside.adjusted(20, 20, -20, -20);
  const auto redPixels = [&](QPoint shift) {
    const QImage image = chart_test::Render(chart_);
    std::vector<QPoint> pixels;
    for (const QPoint& pixel : chart_test::PixelsOf(image, window.translated(shift), kRed))
      pixels.push_back(pixel - shift);
    return pixels;
  };
  const std::vector<QPoint> before = redPixels(QPoint());
  ASSERT_GT(before.size(), 100u);
  Drag(Qt::RightButton, centre_, centre_ + movement);
  EXPECT_EQ(redPixels(movement), before);
}

TEST_F(ChartMouseTest, ShiftsTheVerticalAxisByThreePercentPerWheelNotch) {
  // The wheel turns only a chart that has the keyboard focus.
  chart_.show();
  chart_.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&chart_));
  chart_.setFocus();
  ASSERT_EQ(chart_.LeftAxisRange(), automaticLeft_);
  // The automatic axis shifts by 3 % of the values' own range, 2 * amplitude wide here.
  const AxisRange values = chart_.Series().YRange();
  const double notch = 0.03 * (values.maximum - values.minimum);
  Wheel(120);
  EXPECT_TRUE(chart_.BottomAxisAutomatic());
  EXPECT_FALSE(chart_.LeftAxisAutomatic());
  ExpectNear(chart_.LeftAxisRange(),
             {automaticLeft_.minimum + notch, automaticLeft_.maximum + notch});

  // Then by 3 % of the fixed range, which includes the marker margins; half notches add up.
  const double fixedNotch = 0.03 * (automaticLeft_.maximum - automaticLeft_.minimum);
  Wheel(-60);
  Wheel(-60);
  Wheel(-240);
  ExpectNear(chart_.LeftAxisRange(), {automaticLeft_.minimum + notch - 3 * fixedNotch,
                                      automaticLeft_.maximum + notch - 3 * fixedNotch});
  EXPECT_EQ(chart_.BottomAxisRange(), automaticBottom_);

  Drag(Qt::LeftButton, centre_ + QPoint(30, 30), centre_ - QPoint(30, 30));
  EXPECT_TRUE(Automatic());
  EXPECT_EQ(chart_.LeftAxisRange(), automaticLeft_);
}

TEST_F(ChartMouseTest, TakesTheFocusOnAPress) {
  QWidget window;
  TChart* first = new TChart(&window);
  TChart* second = new TChart(&window);
  first->setGeometry(0, 0, 200, 150);
  second->setGeometry(0, 150, 200, 150);
  QTest::mousePress(second, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
  QTest::mouseRelease(second, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
  EXPECT_EQ(window.focusWidget(), second);
  QTest::mousePress(first, Qt::RightButton, Qt::NoModifier, first->PlotRect().center());
  QTest::mouseRelease(first, Qt::RightButton, Qt::NoModifier, first->PlotRect().center());
  EXPECT_EQ(window.focusWidget(), first);
}

TEST_F(ChartMouseTest, DrawsTheZoomRectangleInvertedAndErasesIt) {
  const QImage before = chart_test::Render(chart_);
  const QPoint start = centre_ - QPoint(40, 30);
  const QPoint end = centre_ + QPoint(40, 30);
  QTest::mousePress(&chart_, Qt::LeftButton, Qt::NoModifier, start);
  QTest::mouseMove(&chart_, end);
  const QImage during = chart_test::Render(chart_);
  // The outline is three pixels wide on each edge and leaves the inside alone.
  for (const QPoint& pixel : {QPoint(centre_.x(), start.y() - 1), QPoint(centre_.x(), start.y()),
                              QPoint(centre_.x(), start.y() + 1), QPoint(end.x(), centre_.y())}) {
    const QRgb original = before.pixel(pixel);
    EXPECT_EQ(during.pixel(pixel) & 0xFFFFFF, ~original & 0xFFFFFF)
        << pixel.x() << "," << pixel.y();
  }
  EXPECT_EQ(during.pixel(centre_), before.pixel(centre_));
  EXPECT_EQ(during.pixel(QPoint(centre_.x(), start.y() + 2)),
            before.pixel(QPoint(centre_.x(), start.y() + 2)));
  QTest::mouseRelease(&chart_, Qt::LeftButton, Qt::NoModifier, start + QPoint(10, 10));
  EXPECT_EQ(chart_test::Render(chart_), before);
}

// The wheel belongs to the chart that has the keyboard focus, wherever the mouse is: a
// notch turned while the pointer is over the other chart moves the focused one, and none
// moves while the focus is in a widget that is not a chart.
TEST(ChartWheelTest, MovesTheChartThatHasTheFocusWhereverThePointerIs) {
  QWidget window;
  auto* focused = new TChart(&window);
  auto* other = new TChart(&window);
  auto* box = new QLineEdit(&window);
  focused->setGeometry(0, 0, 300, 200);
  other->setGeometry(0, 200, 300, 200);
  box->setGeometry(0, 400, 300, 20);
  for (TChart* chart : {focused, other})
    for (int x = 0; x < 20; ++x) chart->Series().AddXY(x, std::sin(x));
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QTest::mouseClick(focused, Qt::LeftButton, Qt::NoModifier, focused->PlotRect().center());
  ASSERT_TRUE(focused->hasFocus());

  // Qt hands a wheel event to the widget under the pointer.
  const QPointF position = other->PlotRect().center();
  QWheelEvent notch(position, other->mapToGlobal(position), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(other, &notch);

  EXPECT_FALSE(focused->LeftAxisAutomatic()) << "the focused chart did not move";
  EXPECT_TRUE(other->LeftAxisAutomatic()) << "the chart under the pointer moved without the focus";

  box->setFocus();
  const AxisRange moved = focused->LeftAxisRange();
  QApplication::sendEvent(other, &notch);
  EXPECT_EQ(focused->LeftAxisRange(), moved);
  EXPECT_TRUE(other->LeftAxisAutomatic());
}

// A zoom drag whose release never reaches the chart ends when the chart loses the mouse:
// the rectangle goes, nothing is zoomed, and the next click is a plain click rather than
// the end of a zoom from the old start.
TEST(ChartDragTest, EndsAZoomDragThatLosesTheMouse) {
  const struct {
    const char* name;
    std::function<void(TChart&, QWidget& elsewhere, QPoint clickAt)> loseTheMouse;
  } rows[] = {
      {"the focus moves on", [](TChart&, QWidget& elsewhere, QPoint) { elsewhere.setFocus(); }},
      {"the chart is hidden",
       [](TChart& chart, QWidget&, QPoint) {
         chart.hide();
         chart.show();
       }},
      // Found out only at the next press of the button.
      {"the release was missed",
       [](TChart& chart, QWidget&, QPoint clickAt) {
         QTest::mouseClick(&chart, Qt::LeftButton, Qt::NoModifier, clickAt);
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QWidget window;
    auto* chart = new TChart(&window);
    auto* elsewhere = new QLineEdit(&window);
    chart->setGeometry(0, 0, 300, 200);
    elsewhere->setGeometry(0, 200, 300, 20);
    for (int x = 0; x < 20; ++x) chart->Series().AddXY(x, std::sin(x));
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const QImage before = chart_test::Render(*chart);
    const QPoint start = chart->PlotRect().center() - QPoint(40, 40);
    const QPoint clickAt = start + QPoint(80, 80);

    QTest::mousePress(chart, Qt::LeftButton, Qt::NoModifier, start);
    QTest::mouseMove(chart, start + QPoint(30, 30));
    row.loseTheMouse(*chart, *elsewhere, clickAt);
    EXPECT_EQ(chart_test::Render(*chart), before) << "the rectangle stayed";
    QTest::mouseClick(chart, Qt::LeftButton, Qt::NoModifier, clickAt);
    EXPECT_TRUE(chart->BottomAxisAutomatic() && chart->LeftAxisAutomatic()) << "zoomed";
  }
}

// The widest ranges of the doubles are scrolled, zoomed and undone like any other.
TEST(ChartMouseLimitsTest, ScrollsZoomsAndUndoesAtTheLimitsOfTheDoubles) {
  TChart chart;
  chart_test::ShowTheWidestValues(chart);
  const double largest = std::numeric_limits<double>::max();
  const QRect inside = chart.PlotRect().adjusted(1, 1, -1, -1);
  ASSERT_GE(inside.width(), 100);

  // The range spans the doubles already: a scroll cannot carry it further, and nothing moves.
  const QImage automaticImage = chart_test::Render(chart);
  const AxisRange automatic = chart.LeftAxisRange();
  const QPoint centre = chart.PlotRect().center();
  QTest::mousePress(&chart, Qt::RightButton, Qt::NoModifier, centre);
  QTest::mouseMove(&chart, centre + QPoint(0, 150));
  QTest::mouseRelease(&chart, Qt::RightButton, Qt::NoModifier, centre + QPoint(0, 150));
  EXPECT_FALSE(chart.LeftAxisAutomatic());
  EXPECT_EQ(chart_test::Render(chart), automaticImage);

  // A zoom around the line from the lowest to the largest value where it crosses 0 shows
  // it running from the bottom of the plot area to its top.
  const AxisRange x = chart.BottomAxisRange();
  const double pixelsPerPosition = (inside.width() - 1) / (x.maximum - x.minimum);
  const QPoint crossing(inside.left() + static_cast<int>((0.5 - x.minimum) * pixelsPerPosition),
                        centre.y());
  QTest::mousePress(&chart, Qt::LeftButton, Qt::NoModifier, crossing - QPoint(20, 20));
  QTest::mouseRelease(&chart, Qt::LeftButton, Qt::NoModifier, crossing + QPoint(20, 20));
  const QRect zoomed = chart.PlotRect().adjusted(1, 1, -1, -1);
  const QImage zoomedImage = chart_test::Render(chart);
  for (const int row : {zoomed.top(), zoomed.bottom()})
    EXPECT_FALSE(
        chart_test::PixelsOf(zoomedImage, QRect(zoomed.left(), row, zoomed.width(), 1), kRed)
            .empty())
        << "no line at row " << row;

  // The labels of the zoomed range are wide: the plot area has moved.
  const QPoint zoomedCentre = chart.PlotRect().center();
  QTest::mousePress(&chart, Qt::LeftButton, Qt::NoModifier, zoomedCentre);
  QTest::mouseRelease(&chart, Qt::LeftButton, Qt::NoModifier, zoomedCentre - QPoint(30, 30));
  EXPECT_EQ(chart.LeftAxisRange(), automatic);

  // Equal values at the largest double: the narrowest zoom there reaches down to the double
  // below, as no double lies above.
  chart.Series().Clear();
  chart.Series().AddXY(0, largest);
  chart.Series().AddXY(1, largest);
  const QPoint start = chart.PlotRect().center();
  QTest::mousePress(&chart, Qt::LeftButton, Qt::NoModifier, start);
  QTest::mouseRelease(&chart, Qt::LeftButton, Qt::NoModifier, start + QPoint(30, 30));
  EXPECT_EQ(chart.LeftAxisRange(), (AxisRange{std::nextafter(largest, 0.0), largest}));
}

}  // namespace
}  // namespace widgets
