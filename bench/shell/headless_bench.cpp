#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/support/cold_process.h"
#include "model/fp_environment.h"
#include "model/generation.h"
#include "model/peak_import.h"
#include "model/process_export.h"

// The program run by a script, as a whole process from its start to its exit, against the
// model's import, generation and export called in one function on the same peak file.
//
// The function is timed twice: called again and again in this process, and once per
// process of its own (this benchmark started with --model-alone), which shows what any
// program pays for starting and for the memory it touches the first time, before the
// command line's own start-up.

extern char** environ;

namespace {

constexpr std::size_t kValueCount = 1'000'000;
constexpr char kSpacing[] = "0.7";
constexpr double kSpacingValue = 0.7;
constexpr char kModelAloneOption[] = "--model-alone";

std::u16string Widened(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

// Peaks whose segments take 500 steps of about 0.7 each, values of 15 digits, and a last
// segment of 499 steps: 1,000,000 values in all.
void WritePeakFile(const std::string& native) {
  std::ofstream file(native, std::ios::binary);
  for (int k = 0; k < 2000; ++k) file << (k % 2 == 0 ? "-100.123\r\n" : "250.1234567\r\n");
  file << "-99.3765433\r\n";
}

std::string Contents(const std::string& native) {
  std::ifstream file(native, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// What the program does, called directly.
void ModelAlone(const std::string& peakFile, const std::string& output) {
  std::vector<double> peakValues;
  std::vector<double> loadingProcess;
  model::ImportPeakFile(Widened(peakFile), model::ValueMarks{}, peakValues, loadingProcess);
  benchmark::DoNotOptimize(
      model::GenerateLoadingProcess(peakValues, kSpacingValue, loadingProcess));
  model::ExportLoadingProcess(Widened(output), loadingProcess, model::ValueMarks{});
}

// Wall-clock seconds and processor seconds (user and system) of one run.
struct Seconds {
  double wall;
  double processor;
};

double SecondsOf(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

double ProcessorSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// From just before the process is created until it has been reaped; negative wall-clock
// seconds when it failed.
Seconds SecondsOfProcess(std::vector<std::string> arguments) {
  std::vector<char*> pointers;
  pointers.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  if (posix_spawn(&child, pointers[0], nullptr, nullptr, pointers.data(), environ) != 0) {
    return {-1, -1};
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return {-1, -1};
  }
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          SecondsOf(usage.ru_utime) + SecondsOf(usage.ru_stime)};
}

Seconds SecondsOfProgram(const std::string& peakFile, const std::string& output) {
  return SecondsOfProcess(
      {LOADGEN_EXECUTABLE, "--spacing", kSpacing, "--output", output, peakFile});
}

Seconds SecondsOfModelProcess(const std::string& peakFile, const std::string& output) {
  return SecondsOfProcess({"/proc/self/exe", kModelAloneOption, peakFile, output});
}

Seconds SecondsOfModel(const std::string& peakFile, const std::string& output) {
  const auto start = std::chrono::steady_clock::now();
  const double processorStart = ProcessorSeconds();
  ModelAlone(peakFile, output);
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          ProcessorSeconds() - processorStart};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Quantile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

struct Samples {
  std::vector<double> wall;
  std::vector<double> processor;

  void Add(Seconds seconds) {
    wall.push_back(seconds.wall);
    processor.push_back(seconds.processor);
  }
};

// The runs alternate, so that the load of a shared machine falls on all alike. A ratio is
// that of the medians; the quartiles of the paired ratios show the noise. Processor time
// (user and system) counts no waiting for a core that others hold, nor for the disk.
void BM_HeadlessProcessAgainstModelAlone(benchmark::State& state) {
  const bench::BenchFolder folder;
  const std::string peakFile = folder.Native("peaks.txt");
  const std::string byProgram = folder.Native("program.txt");
  const std::string byModel = folder.Native("model.txt");
  WritePeakFile(peakFile);
  ModelAlone(peakFile, byModel);
  if (SecondsOfProgram(peakFile, byProgram).wall < 0) {
    state.SkipWithError("the program failed");
    return;
  }
  const std::string written = Contents(byModel);
  if (Contents(byProgram) != written ||
      static_cast<std::size_t>(std::count(written.begin(), written.end(), '\n')) != kValueCount) {
    state.SkipWithError("the program and the model wrote different processes");
    return;
  }

  Samples program;
  Samples model;
  Samples modelProcess;
  std::vector<double> ratios;
  for (auto _ : state) {
    const Seconds programSeconds = SecondsOfProgram(peakFile, byProgram);
    const Seconds modelSeconds = SecondsOfModel(peakFile, byModel);
    const Seconds modelProcessSeconds = SecondsOfModelProcess(peakFile, byModel);
    if (programSeconds.wall < 0 || modelProcessSeconds.wall < 0) {
      state.SkipWithError("a process failed");
      return;
    }
    state.SetIterationTime(programSeconds.wall);
    program.Add(programSeconds);
    model.Add(modelSeconds);
    modelProcess.Add(modelProcessSeconds);
    ratios.push_back(programSeconds.wall / modelSeconds.wall);
  }
  state.counters["values"] = static_cast<double>(kValueCount);
  state.counters["program_ms"] = Median(program.wall) * 1e3;
  state.counters["model_ms"] = Median(model.wall) * 1e3;
  state.counters["ratio"] = Median(program.wall) / Median(model.wall);
  state.counters["ratio_q1"] = Quantile(ratios, 0.25);
  state.counters["ratio_q3"] = Quantile(ratios, 0.75);
  state.counters["program_processor_ms"] = Median(program.processor) * 1e3;
  state.counters["model_processor_ms"] = Median(model.processor) * 1e3;
  state.counters["processor_ratio"] = Median(program.processor) / Median(model.processor);
  state.counters["model_process_ms"] = Median(modelProcess.wall) * 1e3;
  state.counters["model_process_processor_ms"] = Median(modelProcess.processor) * 1e3;
  state.counters["ratio_to_model_process"] = Median(program.wall) / Median(modelProcess.wall);
  state.counters["processor_ratio_to_model_process"] =
      Median(program.processor) / Median(modelProcess.processor);
}
BENCHMARK(BM_HeadlessProcessAgainstModelAlone)
    ->UseManualTime()
    ->Iterations(21)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // The environment that the program sets for itself.
  model::EstablishFloatingPointEnvironment();
  if (argc == 4 && std::strcmp(argv[1], kModelAloneOption) == 0) {
    ModelAlone(argv[2], argv[3]);
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
