#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <benchmark/benchmark.h>

#include "bench/support/cold_process.h"
#include "bench/support/window_steps.h"
#include "bench/support/zigzag_peaks.h"
#include "shell/application.h"
#include "shell/main_window.h"
#include "shell/startup.h"

// The generate command in a new window, from the click until the window has repainted,
// each iteration in a fresh process (see bench/support/cold_process.h): the first Generate
// against a repeated one in the same window, the minor page faults of the first against
// the pages its results need, and the window's memory. Counters:
//   repeat_ms       the second, identical Generate;
//   ratio           the first over the repeated one;
//   kept_pages      the pages of the final loading process (8 bytes a value) and the
//                   chart's points (16 bytes a value);
//   fault_ratio     minor page faults of the first Generate over kept_pages;
//   peak_per_value  how far the peak resident memory rose during the first Generate,
//                   in bytes a value;
//   window_per_value  the window's whole peak resident memory, in bytes a value.

namespace {

constexpr double kBytesPerKeptValue = 8 + 16;

// The child's side: the step's name, the value count and the peak file.
std::vector<double> FirstGenerate(const std::vector<std::string>& arguments) {
  if (arguments.size() < 3) return {};
  int argc = 1;
  char name[] = "window_cold_bench";
  char* argv[] = {name, nullptr};
  shell::PrepareProcess();
  shell::TApplication application(argc, argv);
  shell::PrepareApplication();
  shell::TForm1 form;
  form.show();
  // Until the window system exposes it, a window paints nothing.
  if (!QTest::qWaitForWindowExposed(&form)) return {};
  bench::ImportThroughTheDialog(form, QString::fromStdString(arguments[2]));
  if (form.ImportedPeaks().empty()) return {};
  form.findChild<QLineEdit*>(QStringLiteral("edt1"))->setText(QStringLiteral("1"));
  form.repaint();

  auto* generateButton = form.findChild<QPushButton*>(QStringLiteral("btn2"));
  const auto generate = [&form, generateButton] {
    generateButton->click();
    form.repaint();
  };
  const bench::StepFigures first = bench::MeasureStep(generate);
  const bench::StepFigures repeated = bench::MeasureStep(generate);
  const auto values = static_cast<double>(form.GeneratedProcess().size());
  return {first.seconds, first.minorFaults, first.peakGrowthBytes, repeated.seconds,
          values,        first.peakBytes};
}

bench::BenchFolder& Folder() {
  static bench::BenchFolder folder;
  return folder;
}

// The peak file for count values, written once.
const std::string& PeakFile(std::size_t count) {
  static std::map<std::size_t, std::string> files;
  auto [place, added] = files.try_emplace(count, Folder().Native("peaks-" + std::to_string(count)));
  if (added &&
      !bench::WritePeakFile(QString::fromStdString(place->second), bench::ZigzagPeaks(count))) {
    std::abort();
  }
  return place->second;
}

void BM_FirstGenerateInNewWindow(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  const std::string& peakFile = PeakFile(count);
  double first = 0;
  double repeated = 0;
  double faults = 0;
  double peakGrowth = 0;
  double windowPeak = 0;
  double values = 0;
  for (auto _ : state) {
    const std::vector<double> figures =
        bench::RunInFreshProcess({"first-generate", std::to_string(count), peakFile});
    if (figures.size() < 6) {
      state.SkipWithError("the window's generate failed");
      return;
    }
    state.SetIterationTime(figures[0]);
    first += figures[0];
    faults += figures[1];
    peakGrowth += figures[2];
    repeated += figures[3];
    values = figures[4];
    windowPeak += figures[5];
  }
  const auto runs = static_cast<double>(state.iterations());
  const double keptPages = kBytesPerKeptValue * values / static_cast<double>(bench::PageBytes());
  state.counters["repeat_ms"] = repeated / runs * 1e3;
  state.counters["ratio"] = first / repeated;
  state.counters["kept_pages"] = keptPages;
  state.counters["fault_ratio"] = faults / runs / keptPages;
  state.counters["peak_per_value"] = peakGrowth / runs / values;
  state.counters["window_per_value"] = windowPeak / runs / values;
}
BENCHMARK(BM_FirstGenerateInNewWindow)
    ->Arg(1'000'000)
    ->Arg(10'000'000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  return bench::ColdBenchmarkMain(argc, argv, FirstGenerate);
}
