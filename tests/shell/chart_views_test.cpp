#include "shell/chart_views.h"

#include <vector>

#include <QWidget>
#include <gtest/gtest.h>

#include "model/value_marks.h"
#include "tests/widgets/chart_test_support.h"

namespace shell {
namespace {

// Without markers until the window asks for them: a line in the series' colour and no black
// outline anywhere inside the plot area.
TEST(ChartViewsTest, DrawTheirSeriesAsALineInItsColourWithoutMarkers) {
  const QColor red(0xFF, 0, 0);
  const QColor blue(0, 0, 0xFF);
  const struct {
    const char* name;
    widgets::TChart* (*create)(QWidget*, model::ValueMarks);
    QColor colour;
    QColor otherColour;
  } rows[] = {{"peaks", CreatePeakChart, red, blue}, {"process", CreateProcessChart, blue, red}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QWidget window;
    widgets::TChart* chart = row.create(&window, model::ValueMarks{});
    chart->resize(400, 260);
    DrawSequence(chart->Series(), {0, 1});
    const QImage image = chart_test::Render(*chart);
    const QRect inside = chart->PlotRect().adjusted(1, 1, -1, -1);
    EXPECT_GE(chart_test::PixelsOf(image, inside, row.colour).size(), 100u);
    EXPECT_TRUE(chart_test::PixelsOf(image, image.rect(), row.otherColour).empty());
    EXPECT_TRUE(chart_test::PixelsOf(image, inside, QColor(0, 0, 0)).empty());
  }
}

TEST(ChartViewsTest, DrawsASequenceAsOnePointPerPosition) {
  QWidget window;
  widgets::TChart* chart = CreateProcessChart(&window, model::ValueMarks{});
  const std::vector<double> values = {2.5, -1, 7, 7, 0};
  DrawSequence(chart->Series(), values);
  ASSERT_EQ(chart->Series().Count(), values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(chart->Series().XValue(i), static_cast<double>(i));
    EXPECT_EQ(chart->Series().YValue(i), values[i]);
  }
}

TEST(ChartViewsTest, LabelsFollowTheMarksTheyAreGiven) {
  QWidget window;
  widgets::TChart* chart = CreatePeakChart(&window, {u'.', u','});
  chart->resize(400, 260);
  // Positions 0 to 3,000: the bottom axis is labelled every 500.
  DrawSequence(chart->Series(), std::vector<double>(3001, 0.0));
  const QColor background = chart_test::Background(*chart);
  const QRect frame = chart->PlotRect();
  const QRect bottomLabels(QPoint(1, frame.bottom() + 7),
                           QPoint(chart->width() - 2, chart->height() - 2));
  const auto fourthLabel = [&] {
    const std::vector<QImage> labels =
        chart_test::InkGroups(chart_test::Render(*chart), bottomLabels, background, 4);
    return labels.size() == 7 ? labels[3] : QImage();
  };

  EXPECT_EQ(fourthLabel(), chart_test::TextInk(QStringLiteral("1,500"), chart->font(), background));
  SetLabelMarks(*chart, {u',', u'.'});
  EXPECT_EQ(fourthLabel(), chart_test::TextInk(QStringLiteral("1.500"), chart->font(), background));
}

TEST(ChartViewsTest, LabelsOnePeakOnceWithItsValue) {
  QWidget window;
  widgets::TChart* chart = CreatePeakChart(&window, model::ValueMarks{});
  chart->resize(400, 260);
  chart->Series().SetPointerVisible(true);
  chart->Series().SetPointerStyle(widgets::TLineSeries::PointerStyle::Circle);
  chart->Series().SetPointerSize(3);
  DrawSequence(chart->Series(), {0.1 + 0.2});
  const QColor background = chart_test::Background(*chart);
  const QImage image = chart_test::Render(*chart);
  const QRect frame = chart->PlotRect();
  const QRect leftLabels(QPoint(1, 1), QPoint(frame.left() - 7, chart->height() - 2));
  EXPECT_EQ(image.copy(chart_test::InkBounds(image, leftLabels, background)),
            chart_test::TextInk(QStringLiteral("0.3"), chart->font(), background));
}

}  // namespace
}  // namespace shell
