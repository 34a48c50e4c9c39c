#include <malloc.h>

#include <cstddef>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include "tests/widgets/support/point_by_point_painter.h"
#include "widgets/chart.h"
#include "widgets/series_painter.h"

namespace {

using widgets::TChart;
using widgets::TLineSeries;

constexpr int kPointCount = 1'000'000;
constexpr int kStepsPerSegment = 500;
const QSize kChartSize(1000, 400);

// The largest process the tool makes: 2,000 segments of 500 steps, rising and falling
// across the full height.
double ProcessValue(int position) {
  const int step = position % kStepsPerSegment;
  return (position / kStepsPerSegment) % 2 == 0 ? step : kStepsPerSegment - step;
}

void Fill(TLineSeries& series) {
  for (int x = 0; x < kPointCount; ++x) series.AddXY(x, ProcessValue(x));
}

// The lower chart of the window, filled with the process.
class ProcessChart {
 public:
  ProcessChart() {
    chart_.resize(kChartSize);
    chart_.Series().SetColor(Qt::blue);
    chart_.Series().SetPointerVisible(true);
    chart_.Series().SetPointerStyle(TLineSeries::PointerStyle::Circle);
    chart_.Series().SetPointerSize(2);
    Fill(chart_.Series());
  }

  TChart& Chart() { return chart_; }

  widgets::detail::SeriesLook Look() const {
    return {chart_.Series().Color(), true, true, chart_.Series().PointerSize()};
  }
  // The plot area the chart draws its series into.
  widgets::detail::PlotArea Plot() const {
    const QRect inside = chart_.PlotRect().adjusted(1, 1, -1, -1);
    return {widgets::AxisMapping(chart_.BottomAxisRange(), inside.left(), inside.right()),
            widgets::AxisMapping(chart_.LeftAxisRange(), inside.bottom(), inside.top()), inside};
  }

 private:
  TChart chart_;
};

ProcessChart& SharedChart() {
  static ProcessChart chart;
  return chart;
}

void BM_PaintChart(benchmark::State& state) {
  ProcessChart& chart = SharedChart();
  QImage image(kChartSize, QImage::Format_RGB32);
  for (auto _ : state) {
    chart.Chart().render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_PaintChart)->Unit(benchmark::kMillisecond);

void BM_PaintSeries(benchmark::State& state) {
  ProcessChart& chart = SharedChart();
  QImage image(kChartSize, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&image);
    widgets::detail::PaintSeries(painter, chart.Chart().Series().Points(), chart.Look(),
                                 chart.Plot());
  }
}
BENCHMARK(BM_PaintSeries)->Unit(benchmark::kMillisecond);

// The baseline: every segment and every marker drawn by itself.
void BM_PaintSeriesPointByPoint(benchmark::State& state) {
  ProcessChart& chart = SharedChart();
  QImage image(kChartSize, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&image);
    widgets::detail::PaintSeriesPointByPoint(painter, chart.Chart().Series().Points(), chart.Look(),
                                             chart.Plot());
  }
}
BENCHMARK(BM_PaintSeriesPointByPoint)->Unit(benchmark::kMillisecond)->Iterations(2);

std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

void BM_RefillSeries(benchmark::State& state) {
  TChart chart;
  const std::size_t before = HeapInUse();
  Fill(chart.Series());
  const std::size_t bytes = HeapInUse() - before;
  for (auto _ : state) {
    chart.Series().Clear();
    Fill(chart.Series());
    benchmark::DoNotOptimize(chart.Series().Points().data());
  }
  state.counters["bytes_per_point"] = static_cast<double>(bytes) / kPointCount;
}
BENCHMARK(BM_RefillSeries)->Unit(benchmark::kMillisecond);

// The baseline: the bare appends of the same points to a vector that keeps its storage.
void BM_RefillVector(benchmark::State& state) {
  std::vector<widgets::SeriesPoint> points;
  for (auto _ : state) {
    points.clear();
    for (int x = 0; x < kPointCount; ++x)
      points.push_back({static_cast<double>(x), ProcessValue(x)});
    benchmark::DoNotOptimize(points.data());
  }
}
BENCHMARK(BM_RefillVector)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
