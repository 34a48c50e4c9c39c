#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "tests/widgets/chart_test_support.h"
#include "widgets/chart.h"

namespace widgets {
namespace {

const QColor kGray(0x80, 0x80, 0x80);

void ShowMarkers(TChart& chart, int size) {
  chart.Series().SetPointerVisible(true);
  chart.Series().SetPointerStyle(TLineSeries::PointerStyle::Circle);
  chart.Series().SetPointerSize(size);
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

// Grid lines run across the plot area and labels sit beside it. Large values with a small
// spread put label values just below the axis minimum within the tolerance of the lower
// bound; those must not be drawn over the bottom axis and its labels.
TEST(ChartGridTest, DrawsNoGridLineOrLeftLabelBelowThePlotArea) {
  TChart chart;
  chart.resize(512, 176);
  ShowMarkers(chart, 3);
  for (const double value : {1e15, 1e15 + 1000, 1e15 + 500})
    chart.Series().AddXY(static_cast<double>(chart.Series().Count()), value);
  const QImage image = chart_test::Render(chart);
  const QRect frame = chart.PlotRect();
  ASSERT_FALSE(frame.isEmpty());

  // Below the axis line only ticks (one pixel wide) and the bottom labels are gray or black.
  for (int y = frame.bottom() + 2; y <= chart.height() - 2; ++y) {
    int run = 0;
    int longest = 0;
    for (int x = frame.left(); x <= frame.right(); ++x) {
      run = image.pixelColor(x, y) == kGray ? run + 1 : 0;
      longest = std::max(longest, run);
    }
    EXPECT_LT(longest, 10) << "a grid line at row " << y;
  }
  const QRect leftOfBottomLabels(QPoint(1, frame.bottom() + 3), QPoint(frame.left() - 8, chart.height() - 2));
  EXPECT_TRUE(chart_test::InkBounds(image, leftOfBottomLabels, chart_test::Background(chart)).isEmpty())
      << "a left label below the plot area";
}

// The same on the bottom axis, for positions far from 0: the labels begin with that of
// the lowest position, not with one beside the plot area.
TEST(ChartGridTest, DrawsNoBottomLabelLeftOfThePlotArea) {
  TChart chart;
  chart.resize(512, 176);
  ShowMarkers(chart, 3);
  for (const double offset : {0, 500, 1000}) chart.Series().AddXY(1e15 + offset, offset);
  const QImage image = chart_test::Render(chart);
  const QRect frame = chart.PlotRect();
  ASSERT_FALSE(frame.isEmpty());

  const QColor background = chart_test::Background(chart);
  const std::vector<QImage> labels = chart_test::InkGroups(
      image, QRect(QPoint(1, frame.bottom() + 7), QPoint(chart.width() - 2, chart.height() - 2)),
      background, 4);
  ASSERT_FALSE(labels.empty());
  EXPECT_EQ(labels.front(),
            chart_test::TextInk(QStringLiteral("1,000,000,000,000,000"), chart.font(), background));
}

}  // namespace
}  // namespace widgets
