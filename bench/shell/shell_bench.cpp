#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <benchmark/benchmark.h>

#include "bench/support/cold_process.h"
#include "bench/support/window_steps.h"
#include "bench/support/zigzag_peaks.h"
#include "model/errors.h"
#include "model/generation.h"
#include "shell/application.h"
#include "shell/main_window.h"
#include "shell/message_boxes.h"
#include "shell/modal.h"
#include "shell/startup.h"

namespace {

std::int64_t MonotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Starts the probe and returns the seconds from just before its process was created to
// the moment its window was first painted, as the probe reports it; a negative value when
// the probe failed.
double SecondsToFirstPaint(bool emptyWidget) {
  std::vector<std::string> command = {SHELL_STARTUP_PROBE};
  if (emptyWidget) command.emplace_back("--empty-widget");
  const std::int64_t start = MonotonicNanoseconds();
  const std::optional<std::string> printed = bench::OutputOfProcess(std::move(command));
  if (!printed || printed->empty()) return -1;
  return static_cast<double>(std::stoll(*printed) - start) / 1e9;
}

// From the start of the process to the first paint of the program's window, against an
// empty QWidget shown the same way.
void BM_StartToFirstPaint(benchmark::State& state) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  double program = 0;
  double baseline = 0;
  for (auto _ : state) {
    const double programSeconds = SecondsToFirstPaint(false);
    const double baselineSeconds = SecondsToFirstPaint(true);
    if (programSeconds < 0 || baselineSeconds < 0) {
      state.SkipWithError("the start-up probe failed");
      return;
    }
    state.SetIterationTime(programSeconds);
    program += programSeconds;
    baseline += baselineSeconds;
  }
  const auto runs = static_cast<double>(state.iterations());
  state.counters["program_ms"] = program / runs * 1e3;
  state.counters["empty_widget_ms"] = baseline / runs * 1e3;
  state.counters["ratio"] = program / baseline;
}
BENCHMARK(BM_StartToFirstPaint)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// The generate command with 1,000,001 values, until the window has repainted, against the
// generation alone on the same peaks.
void BM_GenerateCommandAndRepaint(benchmark::State& state) {
  const std::vector<double> peaks = bench::ZigzagPeaks(1'000'000);
  QTemporaryDir folder;
  const QString peakFile = folder.filePath(QStringLiteral("peaks.txt"));
  if (!bench::WritePeakFile(peakFile, peaks)) {
    state.SkipWithError("cannot write the peak file");
    return;
  }
  shell::TForm1 form;
  form.show();
  // Until the window system exposes it, a window paints nothing.
  if (!QTest::qWaitForWindowExposed(&form)) {
    state.SkipWithError("the window was not exposed");
    return;
  }
  bench::ImportThroughTheDialog(form, peakFile);
  if (form.ImportedPeaks() != peaks) {
    state.SkipWithError("the peak file was not imported");
    return;
  }
  form.findChild<QLineEdit*>(QStringLiteral("edt1"))->setText(QStringLiteral("1"));
  form.repaint();
  auto* generate = form.findChild<QPushButton*>(QStringLiteral("btn2"));

  std::vector<double> alone;
  double command = 0;
  double baseline = 0;
  for (auto _ : state) {
    const auto commandStart = std::chrono::steady_clock::now();
    generate->click();
    form.repaint();
    const std::chrono::duration<double> commandTime =
        std::chrono::steady_clock::now() - commandStart;
    state.SetIterationTime(commandTime.count());
    command += commandTime.count();

    const auto baselineStart = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(model::GenerateLoadingProcess(peaks, 1.0, alone));
    benchmark::DoNotOptimize(alone.data());
    const std::chrono::duration<double> baselineTime =
        std::chrono::steady_clock::now() - baselineStart;
    baseline += baselineTime.count();
  }
  const auto runs = static_cast<double>(state.iterations());
  state.counters["values"] = static_cast<double>(form.GeneratedProcess().size());
  state.counters["command_ms"] = command / runs * 1e3;
  state.counters["generation_alone_ms"] = baseline / runs * 1e3;
  state.counters["ratio"] = command / baseline;
}
BENCHMARK(BM_GenerateCommandAndRepaint)->UseManualTime()->Unit(benchmark::kMillisecond);

// Shows the next box as a person would see it and returns as soon as it has been painted,
// recording the seconds from the start of the stopwatch to then.
class BoxStopwatch {
 public:
  BoxStopwatch()
      : start_(std::chrono::steady_clock::now()), override_([this](QDialog& dialog) {
          dialog.show();
          while (dialog.windowHandle() == nullptr || !dialog.windowHandle()->isExposed()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
          }
          dialog.repaint();
          seconds_ =
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
          dialog.hide();
          return int{QDialog::Accepted};
        }) {}

  double Seconds() const { return seconds_; }

 private:
  std::chrono::steady_clock::time_point start_;
  double seconds_ = 0;
  shell::ModalOverride override_;
};

// An import that fails on a line of 100,000,000 characters: from the caught error to the
// warning box painted with the whole message, against the same box with a short message.
void BM_WarningBoxOfAHundredMegabyteLine(benchmark::State& state) {
  std::u16string message = u"'";
  message.append(100'000'000, u'7');
  message += u"' is not a valid floating point value";
  const model::EConvertError error(message);
  const model::EConvertError shortError(u"'x' is not a valid floating point value");
  QWidget owner;
  owner.show();
  double huge = 0;
  double baseline = 0;
  for (auto _ : state) {
    {
      const BoxStopwatch stopwatch;
      shell::ShowWarning(QString::fromStdU16String(error.Message()));
      state.SetIterationTime(stopwatch.Seconds());
      huge += stopwatch.Seconds();
    }
    const BoxStopwatch stopwatch;
    shell::ShowWarning(QString::fromStdU16String(shortError.Message()));
    baseline += stopwatch.Seconds();
  }
  const auto runs = static_cast<double>(state.iterations());
  state.counters["box_ms"] = huge / runs * 1e3;
  state.counters["short_box_ms"] = baseline / runs * 1e3;
  state.counters["ratio"] = huge / baseline;
}
BENCHMARK(BM_WarningBoxOfAHundredMegabyteLine)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  benchmark::Initialize(&argc, argv);
  shell::PrepareProcess();
  shell::TApplication application(argc, argv);
  shell::PrepareApplication();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
