#include "widgets/series_painter.h"

#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <vector>

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "tests/widgets/support/point_by_point_painter.h"

namespace widgets::detail {
namespace {

constexpr QSize kImageSize(360, 240);
const QRect kClip(30, 20, 300, 200);

// Paints points both ways onto the same background and expects the same pixels, and
// unless nothing is to be seen, some of them drawn.
void ExpectSamePicture(const std::vector<SeriesPoint>& points, const SeriesLook& look,
                       const PlotArea& plot, bool drawsSomething = true) {
  QImage background(kImageSize, QImage::Format_RGB32);
  background.fill(QColor(239, 239, 239));
  QImage fast = background;
  QImage plain = background;
  {
    QPainter painter(&fast);
    PaintSeries(painter, points, look, plot);
  }
  {
    QPainter painter(&plain);
    PaintSeriesPointByPoint(painter, points, look, plot);
  }
  int differing = 0;
  for (int y = 0; y < kImageSize.height(); ++y)
    for (int x = 0; x < kImageSize.width(); ++x)
      if (fast.pixel(x, y) != plain.pixel(x, y) && differing++ < 5)
        ADD_FAILURE() << "pixel " << x << ", " << y;
  EXPECT_EQ(differing, 0);
  if (drawsSomething) {
    EXPECT_NE(plain, background) << "nothing drawn";
  }
}

// The same with the ranges mapped onto kClip, a pixel inside its edges.
void ExpectSamePicture(const std::vector<SeriesPoint>& points, const SeriesLook& look,
                       AxisRange xRange, AxisRange yRange, bool drawsSomething = true) {
  const PlotArea plot{AxisMapping(xRange, kClip.left() + 1, kClip.right() - 1),
                      AxisMapping(yRange, kClip.bottom() - 1, kClip.top() + 1), kClip};
  ExpectSamePicture(points, look, plot, drawsSomething);
}

// A loading process: runs rising and falling by random steps.
std::vector<SeriesPoint> Process(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> step(0.1, 3);
  std::vector<SeriesPoint> points;
  double value = 0;
  double direction = 1;
  for (std::size_t i = 0; i < count; ++i) {
    if (i % 97 == 0) direction = -direction;
    value += direction * step(random);
    points.push_back({static_cast<double>(i), value});
  }
  return points;
}

std::vector<SeriesPoint> Noise(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> value(-100, 100);
  std::vector<SeriesPoint> points;
  for (std::size_t i = 0; i < count; ++i) points.push_back({static_cast<double>(i), value(random)});
  return points;
}

AxisRange YRangeOf(const std::vector<SeriesPoint>& points) {
  AxisRange range{points.front().y, points.front().y};
  for (const SeriesPoint& point : points) {
    range.minimum = std::min(range.minimum, point.y);
    range.maximum = std::max(range.maximum, point.y);
  }
  return range;
}

const SeriesLook kCircles3{QColor(255, 0, 0), true, true, 3};
const SeriesLook kCircles2{QColor(0, 0, 255), true, true, 2};
const SeriesLook kSquares4{QColor(0, 128, 0), true, false, 4};
const SeriesLook kLineOnly{QColor(255, 0, 0), false, true, 3};

TEST(PaintSeriesTest, DrawsWhatDrawingEveryPointDraws) {
  struct Row {
    const char* name;
    std::vector<SeriesPoint> points;
    SeriesLook look;
  };
  const Row rows[] = {
      {"a process, many points per column", Process(5000, 1), kCircles2},
      {"a process, size 3", Process(3000, 2), kCircles3},
      {"noise, every column full", Noise(4000, 3), kCircles3},
      {"noise, squares", Noise(2000, 4), kSquares4},
      {"noise, line only", Noise(4000, 5), kLineOnly},
      {"fewer points than columns", Process(120, 6), kCircles3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const AxisRange xRange{row.points.front().x, row.points.back().x};
    ExpectSamePicture(row.points, row.look, xRange, YRangeOf(row.points));
  }
}

TEST(PaintSeriesTest, DrawsZoomedAndScrolledViewsAsDrawingEveryPointDoes) {
  const std::vector<SeriesPoint> points = Process(4000, 7);
  const AxisRange y = YRangeOf(points);
  // Views around where the line passes position 2000.5 show it crossing from points out
  // of sight.
  const double passing = (points[2000].y + points[2001].y) / 2;
  struct Row {
    const char* name;
    AxisRange x;
    AxisRange y;
  };
  const Row rows[] = {
      {"zoomed into the middle", {1000, 1100}, {y.minimum / 3, y.maximum / 3}},
      {"scrolled past the start", {-500, 900}, y},
      {"scrolled past the end", {3500, 4400}, {y.minimum - 50, y.maximum - 50}},
      {"points far above and below", {1990, 2010}, {passing - 0.5, passing + 0.5}},
      // A deep zoom puts the neighbouring points millions of pixels away.
      {"deep zoom", {2000.25, 2000.75}, {passing - 1e-3, passing + 1e-3}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ExpectSamePicture(points, kCircles3, row.x, row.y);
  }
}

TEST(PaintSeriesTest, DrawsStepsFarBeyondTheViewAsDrawingEveryPointDoes) {
  // Values two million apart seen through a window 1e-14 high: the ends of each step lie
  // some 1e22 pixels above and below the plot area, yet the line crosses it.
  const AxisRange y{-5e-15, 5e-15};
  struct Row {
    const char* name;
    std::vector<SeriesPoint> points;
    AxisRange x;
  };
  const Row rows[] = {
      {"a vertical step", {{0, -1e6}, {0, 1e6}}, {-1, 1}},
      {"a steep step between columns", {{0, -1e6}, {1, 1e6}}, {-1, 2}},
      {"a steep step seen as narrowly", {{0, -1e6}, {1, 1e6}}, {0.5 - 5e-15, 0.5 + 5e-15}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ExpectSamePicture(row.points, kLineOnly, row.x, y);
    ExpectSamePicture(row.points, kCircles3, row.x, y);
  }
}

TEST(PaintSeriesTest, DrawsMarkersCutByTheImageEdgesAsDrawingEveryPointDoes) {
  // A plot area two pixels inside the image, with values that are pixel positions.
  const PlotArea plot{AxisMapping({0, 360}, 0, 360), AxisMapping({0, 240}, 0, 240),
                      QRect(QPoint(2, 2), kImageSize - QSize(4, 4))};
  const std::vector<SeriesPoint> alongTheEdges = {{3, 3},   {3, 120}, {3, 237},   {180, 237},
                                                  {180, 3}, {357, 3}, {357, 120}, {357, 237}};
  const SeriesLook squares7{QColor(0, 128, 0), true, false, 7};
  const SeriesLook circles7{QColor(0, 0, 255), true, true, 7};
  struct Row {
    const char* name;
    std::vector<SeriesPoint> points;
    SeriesLook look;
  };
  const Row rows[] = {
      // The square reaches four pixels beyond the image's left edge.
      {"a square cut by the left edge", {{3, 90}}, squares7},
      {"squares along every edge", alongTheEdges, squares7},
      {"circles along every edge", alongTheEdges, circles7},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ExpectSamePicture(row.points, row.look, plot);
  }
}

TEST(PaintSeriesTest, DrawsLonePointsAndPointsOnOnePixelAsDrawingEveryPointDoes) {
  struct Row {
    const char* name;
    std::vector<SeriesPoint> points;
    AxisRange x;
    AxisRange y;
    bool lineShows;  // a lone point has no line to draw
  };
  const Row rows[] = {
      {"one point", {{0, 0}}, {0, 0}, {0, 0}, false},
      {"two points on one pixel", {{0, 0}, {0, 0}}, {0, 0}, {0, 0}, true},
      {"equal x, different y", {{1, 0}, {1, 5}, {1, -5}, {1, 2}}, {1, 1}, {-5, 5}, true},
      {"equal values", {{0, 2}, {1, 2}, {2, 2}}, {0, 2}, {2, 2}, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ExpectSamePicture(row.points, kLineOnly, row.x, row.y, row.lineShows);
    ExpectSamePicture(row.points, kCircles3, row.x, row.y);
  }
}

TEST(ClipSegmentTest, CutsFarSegmentsToTheBoxAndDropsTheRest) {
  const QRectF box(0, 0, 100, 100);
  QLineF inside(10, 10, 90, 50);
  EXPECT_TRUE(ClipSegment(inside, box));
  EXPECT_EQ(inside, QLineF(10, 10, 90, 50));

  QLineF crossing(-1e12, 50, 1e12, 50);
  EXPECT_TRUE(ClipSegment(crossing, box));
  EXPECT_EQ(crossing, QLineF(0, 50, 100, 50));

  QLineF diagonal(50, 50, 50 + 1e9, 50 + 2e9);
  EXPECT_TRUE(ClipSegment(diagonal, box));
  EXPECT_DOUBLE_EQ(diagonal.x2(), 75);
  EXPECT_DOUBLE_EQ(diagonal.y2(), 100);

  QLineF outside(-10, -10, -1e9, 50);
  EXPECT_FALSE(ClipSegment(outside, box));
  QLineF infinite(50, 50, 50, std::numeric_limits<double>::infinity());
  EXPECT_FALSE(ClipSegment(infinite, box));
}

TEST(ClipSegmentTest, CutsSegmentsWhoseEndsLieFarBeyondTheBoxWhereTheyCross) {
  const QRectF box(0, 0, 100, 100);
  constexpr double kLargest = std::numeric_limits<double>::max();
  struct Row {
    const char* name;
    QLineF line;
    std::optional<QLineF> cut;
  };
  const Row rows[] = {
      // Ends so far apart that the box is less than a unit in the last place of their
      // distance, as a deep zoom gives.
      {"vertical, 1.2e21 long", {50, 6e20, 50, -6e20}, QLineF(50, 100, 50, 0)},
      {"horizontal, 1.2e21 long", {-6e20, 50, 6e20, 50}, QLineF(0, 50, 100, 50)},
      {"steep, between neighbouring columns", {40, 6e20, 41, -6e20}, QLineF(40.5, 100, 40.5, 0)},
      {"diagonal, both ends far", {-1e21, -1e21, 1e21, 1e21}, QLineF(0, 0, 100, 100)},
      {"diagonal, one end far", {50, 50, 1e21, -2e21}, QLineF(50, 50, 75, 0)},
      {"steep, passing the box by half a pixel", {-1, 6e20, 0, -6e20}, std::nullopt},
      // The difference of the ends is no double.
      {"across all doubles", {-kLargest, 50, kLargest, 50}, QLineF(0, 50, 100, 50)},
      {"diagonal across all doubles",
       {-kLargest, -kLargest, kLargest, kLargest},
       QLineF(0, 0, 100, 100)},
      {"not a number", {std::nan(""), 50, 50, 50}, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QLineF line = row.line;
    const bool kept = ClipSegment(line, box);
    EXPECT_EQ(kept, row.cut.has_value());
    if (!kept || !row.cut) continue;
    // Exactly: QLineF's own equality is fuzzy.
    EXPECT_EQ(line.x1(), row.cut->x1());
    EXPECT_EQ(line.y1(), row.cut->y1());
    EXPECT_EQ(line.x2(), row.cut->x2());
    EXPECT_EQ(line.y2(), row.cut->y2());
  }
}

}  // namespace
}  // namespace widgets::detail
