#include <vector>

#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include "shell/chart_views.h"
#include "shell/main_window.h"
#include "shell/modal.h"
#include "tests/shell/modal_script.h"
#include "tests/shell/window_fixture.h"
#include "tests/widgets/chart_test_support.h"
#include "widgets/chart.h"
#include "widgets/line_series.h"
#include "widgets/splitter.h"

namespace shell {
namespace {

using test_support::Shown;
using test_support::WindowTest;

const QColor kGray(0x80, 0x80, 0x80);
const QColor kRed(0xFF, 0, 0);
const QColor kBlue(0, 0, 0xFF);
const QColor kBlack(0, 0, 0);

// The rows of the plot area that carry a grid line: one per label value of the left axis.
std::vector<int> GridRows(const QImage& image, const QRect& inside) {
  std::vector<int> rows;
  for (int y = inside.top(); y <= inside.bottom(); ++y)
    if (image.pixelColor(inside.left(), y) == kGray) rows.push_back(y);
  return rows;
}

// The vertical centres of the groups of ink in a column strip: the labels of a left axis.
std::vector<int> LabelCentres(const QImage& image, const QRect& strip, QColor background) {
  std::vector<int> centres;
  int groupTop = -1;
  for (int y = strip.top(); y <= strip.bottom() + 1; ++y) {
    const bool ink =
        y <= strip.bottom() &&
        !chart_test::InkBounds(image, QRect(strip.left(), y, strip.width(), 1), background)
             .isEmpty();
    if (ink && groupTop < 0) groupTop = y;
    if (!ink && groupTop >= 0) {
      centres.push_back((groupTop + y - 1) / 2);
      groupTop = -1;
    }
  }
  return centres;
}

TEST_F(WindowTest, SplitterDividesTheChartsInHalfAndFollowsTheWindow) {
  EXPECT_EQ(Splitter()->Position(), 178);
  EXPECT_EQ(Chart("cht1")->geometry(), QRect(0, 0, 512, 178));
  EXPECT_EQ(Chart("cht2")->geometry(), QRect(0, 182, 512, 175));

  form_->resize(688, 500);
  EXPECT_EQ(Splitter()->height(), 457);
  EXPECT_EQ(Splitter()->Position(), 228);
  EXPECT_EQ(Chart("cht1")->height(), 228);
  EXPECT_EQ(Chart("cht2")->height(), 225);
}

// The peaks are few and get the larger markers. Both are circles, filled in the series'
// colour and outlined in black; a circle leaves the corners of its square out, so that its
// outline has fewer pixels than a square's.
TEST_F(WindowTest, DrawsCircleMarkersLargerForThePeaksThanForTheProcess) {
  const struct {
    const char* name;
    QColor colour;
    std::size_t fill;
    QSize fillSize;
    std::size_t outline;
  } rows[] = {
      {"cht1", kRed, 21, {5, 5}, 16},
      {"cht2", kBlue, 9, {3, 3}, 12},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    widgets::TChart* chart = Chart(row.name);
    DrawSequence(chart->Series(), {42.5});
    const QImage image = chart_test::Render(*chart);
    const std::vector<QPoint> fill = chart_test::PixelsOf(image, image.rect(), row.colour);
    QRect fillBounds;
    for (const QPoint& pixel : fill) fillBounds |= QRect(pixel, QSize(1, 1));
    EXPECT_EQ(fill.size(), row.fill);
    EXPECT_EQ(fillBounds.size(), row.fillSize);
    EXPECT_EQ(chart_test::PixelsOf(image, fillBounds.adjusted(-1, -1, 1, 1), kBlack).size(),
              row.outline);
  }
}

// The label step is chosen so that the labels fit along the axis; each of them is drawn,
// the lowest one included, so that the axis reads in even intervals.
TEST_F(WindowTest, LabelsEveryGridLineOfTheLeftAxisAtTheWindowsOwnSize) {
  const struct {
    const char* name;
    widgets::TChart* chart;
    std::vector<double> values;
  } rows[] = {
      {"positions 0 to 10 in the lower chart", Chart("cht2"), {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {"peaks up to 1,000 in the upper chart", Chart("cht1"), {0, 1000, 0, 500}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    row.chart->Series().Clear();
    DrawSequence(row.chart->Series(), row.values);
    const QImage image = chart_test::Render(*row.chart);
    const QRect frame = row.chart->PlotRect();
    const QRect inside = frame.adjusted(1, 1, -1, -1);
    const std::vector<int> grid = GridRows(image, inside);
    const std::vector<int> labels =
        LabelCentres(image, QRect(QPoint(1, 1), QPoint(frame.left() - 7, row.chart->height() - 2)),
                     chart_test::Background(*row.chart));
    ASSERT_GE(grid.size(), 2u);
    EXPECT_EQ(labels.size(), grid.size());
    ASSERT_FALSE(labels.empty());
    // The lowest grid line, the one of the smallest label value, has its label beside it.
    EXPECT_LE(std::abs(labels.back() - grid.back()), 2);
  }
}

// Esc is the window's cancel button and starts the import even while the left button is
// held in a chart for a zoom. The open dialog is modal: a release of the button while it is
// up never reaches the chart. The chart must not stay in its drag: the imported peaks are
// to be seen, and the next plain click is just a click.
TEST_F(WindowTest, EscDuringAZoomDragLeavesTheChartShowingTheImportedPeaks) {
  EXPECT_TRUE(Import(WriteFile(QStringLiteral("zigzag.txt"), "0\n10\n0\n5\n")).empty());
  widgets::TChart* chart = Chart("cht1");
  QWindow* window = form_->windowHandle();
  ASSERT_NE(window, nullptr);
  const auto inWindow = [&](QPoint point) { return chart->mapTo(form_.get(), point); };
  const QPoint start = chart->PlotRect().center();
  const QString flat = WriteFile(QStringLiteral("flat.txt"), "3\n3\n3\n3\n3\n");

  // The dialog shown for real, so that it blocks the window; the button is let go over the
  // chart while it is up, then the file is chosen.
  bool shown = false;
  const ModalOverride realDialog([&](QDialog& dialog) {
    shown = true;
    dialog.setModal(true);
    dialog.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, inWindow(start + QPoint(30, 30)));
    auto* nameBox = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    EXPECT_NE(nameBox, nullptr);
    if (nameBox != nullptr) nameBox->setText(flat);
    dialog.accept();
    return dialog.result();
  });
  QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, inWindow(start));
  QTest::mouseMove(window, inWindow(start + QPoint(30, 30)));
  QTest::keyClick(chart, Qt::Key_Escape);
  ASSERT_TRUE(shown);
  ASSERT_EQ(form_->ImportedPeaks(), (std::vector<double>(5, 3.0)));

  // Equal peaks are a horizontal line through the middle: every red pixel lies within a
  // marker's height of it, none on the old zigzag.
  const QImage image = chart_test::Render(*chart);
  const std::vector<QPoint> red = chart_test::PixelsOf(image, image.rect(), kRed);
  ASSERT_FALSE(red.empty());
  int top = red.front().y();
  int bottom = top;
  for (const QPoint& pixel : red) {
    top = std::min(top, pixel.y());
    bottom = std::max(bottom, pixel.y());
  }
  EXPECT_LE(bottom - top, 6) << "the chart still shows what it showed when the drag began";

  QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, inWindow(start + QPoint(40, 40)));
  EXPECT_TRUE(chart->BottomAxisAutomatic()) << "a plain click zoomed";
  EXPECT_TRUE(chart->LeftAxisAutomatic()) << "a plain click zoomed";
}

}  // namespace
}  // namespace shell
