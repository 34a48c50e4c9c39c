#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>

#include "tests/widgets/chart_test_support.h"
#include "widgets/chart.h"

namespace widgets {
namespace {

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
      {"17 by 17", {17, 17}, true},
      {"16 by 40", {16, 40}, false},
      {"40 by 16", {40, 16}, false},
      {"40 up by 16", {40, -16}, false},
      {"16 by 16", {16, 16}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const QPoint end = centre_ + row.movement;
    const AxisRange expectedBottom{BottomValueAt(chart_, centre_.x()), BottomValueAt(chart_, end.x())};
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
  const QColor red(0xFF, 0, 0);
  const QRect inside = chart_.PlotRect().adjusted(1, 1, -1, -1);
  const QPoint movement(-12, 9);
  // Away from the plot's edges, where nothing is cut off before or after.
  const QRect window = inside.adjusted(20, 20, -20, -20);
  const auto redPixels = [&](QPoint shift) {
    const QImage image = chart_test::Render(chart_);
    std::vector<QPoint> pixels;
    for (const QPoint& pixel : chart_test::PixelsOf(image, window.translated(shift), red))
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
  ExpectNear(chart_.LeftAxisRange(), {automaticLeft_.minimum + notch, automaticLeft_.maximum + notch});

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
    EXPECT_EQ(during.pixel(pixel) & 0xFFFFFF, ~original & 0xFFFFFF) << pixel.x() << "," << pixel.y();
  }
  EXPECT_EQ(during.pixel(centre_), before.pixel(centre_));
  EXPECT_EQ(during.pixel(QPoint(centre_.x(), start.y() + 2)), before.pixel(QPoint(centre_.x(), start.y() + 2)));
  QTest::mouseRelease(&chart_, Qt::LeftButton, Qt::NoModifier, start + QPoint(10, 10));
  EXPECT_EQ(chart_test::Render(chart_), before);
}

}  // namespace
}  // namespace widgets
