#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/support/cold_process.h"
#include "bench/support/zigzag_peaks.h"
#include "model/fp_environment.h"
#include "model/generation.h"
#include "model/large_storage.h"
#include "model/peak_import.h"
#include "model/process_export.h"
#include "model/value_format.h"

// Generation, export and import of large loading processes, each iteration in a fresh
// process (see bench/support/cold_process.h), beside the baseline that bounds it:
//   generate: the same generation repeated into the storage of the first;
//   export:   FormatValueTo of every value in one thread, plus write and fsync of the ready
//             bytes of the same file;
//   import:   one read of the file into a buffer and a std::from_chars loop pushing into a
//             vector.
// Counters of every family:
//   peak_MiB     how far the peak resident memory rose during the step;
//   limit_MiB    what it may rise to: the values alone for a generation, 16 MiB for an
//                export, the file and 9 bytes a value for an import;
//   baseline_ms  the baseline above, measured in the same iteration;
//   ratio        the step's time over the baseline's;
//   faults       minor page faults during the step, per page of its result (the values
//                for generate and import, the file for export).
// The export also reports the two parts of its baseline, format_ms and write_ms.

namespace {

constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kExportMemoryLimit = 16 * kMiB;
constexpr double kImportBytesPerValue = 9;

const std::vector<std::int64_t> kValueCounts = {1'000,     10'000,     100'000,
                                                1'000'000, 10'000'000, 50'000'000};

std::size_t CountOf(const std::string& text) { return std::stoull(text); }

std::u16string Widen(const std::string& native) {
  return std::u16string(native.begin(), native.end());
}

// A loading process as engineers export and import them: peaks swinging between about
// -100 and 100, cut by the spacing 0.7 into values that mostly need all 15 digits.
std::vector<double> ProcessValues(std::size_t count) {
  std::vector<double> peaks;
  for (std::size_t k = 0; k < count / 250 + 3; ++k) {
    peaks.push_back(k % 2 == 0 ? -100.0 - static_cast<double>(k % 100) * 0.01 : 100.3);
  }
  std::vector<double> process;
  const model::GenerationOutcome outcome = model::GenerateLoadingProcess(peaks, 0.7, process);
  if (outcome.status != model::GenerationStatus::Completed || process.size() < count) {
    std::abort();
  }
  process.resize(count);
  return process;
}

std::vector<double> Figures(const bench::StepFigures& step) {
  return {step.seconds, step.minorFaults, step.peakGrowthBytes};
}

std::vector<double> GenerateStep(std::size_t count) {
  const std::vector<double> peaks = bench::ZigzagPeaks(count);
  std::vector<double> process;
  const auto generate = [&] {
    benchmark::DoNotOptimize(model::GenerateLoadingProcess(peaks, 1.0, process));
  };
  std::vector<double> figures = Figures(bench::MeasureStep(generate));
  const bench::StepFigures repeated = bench::MeasureStep(generate);
  figures.push_back(repeated.seconds);
  figures.push_back(static_cast<double>(process.size()));
  return figures;
}

std::vector<double> ExportStep(std::size_t count, const std::string& target) {
  const std::vector<double> values = ProcessValues(count);
  return Figures(bench::MeasureStep(
      [&] { model::ExportLoadingProcess(Widen(target), values, model::ValueMarks{}); }));
}

std::vector<double> FormatStep(std::size_t count) {
  const std::vector<double> values = ProcessValues(count);
  std::size_t length = 0;
  std::vector<double> figures = Figures(bench::MeasureStep([&] {
    char16_t text[model::kMaxFormattedValueLength];
    for (const double value : values)
      length += model::FormatValueTo(value, model::ValueMarks{}, text);
  }));
  benchmark::DoNotOptimize(length);
  return figures;
}

// The whole file in a buffer of its size, without zero-filling it first.
struct FileBytes {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;
};

bool ReadWhole(const std::string& native, FileBytes& bytes) {
  const int file = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat status {};
  if (file < 0 || ::fstat(file, &status) != 0) return false;
  bytes.size = static_cast<std::size_t>(status.st_size);
  bytes.data.reset(new char[bytes.size]);
  std::size_t done = 0;
  for (ssize_t got;
       done < bytes.size && (got = ::read(file, bytes.data.get() + done, bytes.size - done)) > 0;) {
    done += static_cast<std::size_t>(got);
  }
  ::close(file);
  return done == bytes.size;
}

std::vector<double> WriteStep(const std::string& source, const std::string& target) {
  FileBytes bytes;
  if (!ReadWhole(source, bytes)) return {};
  bool written = false;
  std::vector<double> figures = Figures(bench::MeasureStep([&] {
    const int file = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::size_t done = 0;
    for (ssize_t put; file >= 0 && done < bytes.size &&
                      (put = ::write(file, bytes.data.get() + done, bytes.size - done)) > 0;) {
      done += static_cast<std::size_t>(put);
    }
    written = file >= 0 && done == bytes.size && ::fsync(file) == 0 && ::close(file) == 0;
  }));
  return written ? figures : std::vector<double>{};
}

std::vector<double> ImportStep(std::size_t count, const std::string& source) {
  std::vector<double> peaks;
  std::vector<double> process;
  std::vector<double> figures = Figures(bench::MeasureStep(
      [&] { model::ImportPeakFile(Widen(source), model::ValueMarks{}, peaks, process); }));
  return peaks.size() == count ? figures : std::vector<double>{};
}

std::vector<double> ParseStep(std::size_t count, const std::string& source) {
  std::vector<double> values;
  bool parsed = true;
  std::vector<double> figures = Figures(bench::MeasureStep([&] {
    FileBytes bytes;
    parsed = ReadWhole(source, bytes);
    const char* next = bytes.data.get();
    const char* const end = next + bytes.size;
    while (parsed && next < end) {
      double value = 0;
      const auto [after, error] = std::from_chars(next, end, value);
      parsed = error == std::errc();
      values.push_back(value);
      next = after;
      while (next < end && (*next == '\r' || *next == '\n')) ++next;
    }
  }));
  return parsed && values.size() == count ? figures : std::vector<double>{};
}

// Writes one byte to every page of bytes of fresh memory: the cost of fresh pages alone,
// with ordinary pages or with huge pages where the system gives them.
std::vector<double> TouchStep(std::size_t bytes, bool hugePages) {
  void* memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return {};
  if (hugePages) model::AdviseHugePages(memory, bytes);
  auto* const first = static_cast<volatile char*>(memory);
  const std::size_t page = bench::PageBytes();
  std::vector<double> figures = Figures(bench::MeasureStep([&] {
    for (std::size_t offset = 0; offset < bytes; offset += page) first[offset] = 1;
  }));
  ::munmap(memory, bytes);
  return figures;
}

// The child's side: arguments are the step's name, the value count and its files.
std::vector<double> RunStep(const std::vector<std::string>& arguments) {
  model::EstablishFloatingPointEnvironment();
  if (arguments.size() < 2) return {};
  const std::string& step = arguments[0];
  const std::size_t count = CountOf(arguments[1]);
  if (step == "generate") return GenerateStep(count);
  if (step == "format") return FormatStep(count);
  if (step == "touch") return TouchStep(count, false);
  if (step == "touch-huge") return TouchStep(count, true);
  if (arguments.size() < 3) return {};
  if (step == "export") return ExportStep(count, arguments[2]);
  if (step == "import") return ImportStep(count, arguments[2]);
  if (step == "parse") return ParseStep(count, arguments[2]);
  if (arguments.size() < 4) return {};
  if (step == "write") return WriteStep(arguments[2], arguments[3]);
  return {};
}

bench::BenchFolder& Folder() {
  static bench::BenchFolder folder;
  return folder;
}

// The figures of one step in a fresh process: seconds, minor faults, peak growth and what
// the step adds.
std::vector<double> Fresh(benchmark::State& state, const std::vector<std::string>& arguments) {
  std::vector<double> figures = bench::RunInFreshProcess(arguments);
  if (figures.size() < 3) state.SkipWithError(("the step failed: " + arguments[0]).c_str());
  return figures;
}

// Sums of the counters over the iterations, reported as means.
struct Totals {
  double peakBytes = 0;
  double baselineSeconds = 0;
  double stepSeconds = 0;
  double faultsPerPage = 0;

  void Report(benchmark::State& state, double limitBytes) const {
    const auto runs = static_cast<double>(state.iterations());
    state.counters["peak_MiB"] = peakBytes / runs / kMiB;
    state.counters["limit_MiB"] = limitBytes / kMiB;
    state.counters["baseline_ms"] = baselineSeconds / runs * 1e3;
    state.counters["ratio"] = stepSeconds / baselineSeconds;
    state.counters["faults"] = faultsPerPage / runs;
  }
};

double Pages(double bytes) { return bytes / static_cast<double>(bench::PageBytes()); }

void BM_Generate(benchmark::State& state) {
  const std::string count = std::to_string(state.range(0));
  Totals totals;
  double values = 0;
  for (auto _ : state) {
    const std::vector<double> figures = Fresh(state, {"generate", count});
    if (figures.size() < 5) return;
    state.SetIterationTime(figures[0]);
    values = figures[4];
    totals.stepSeconds += figures[0];
    totals.faultsPerPage += figures[1] / Pages(8 * values);
    totals.peakBytes += figures[2];
    totals.baselineSeconds += figures[3];
  }
  totals.Report(state, 8 * values);
}

void BM_Export(benchmark::State& state) {
  const std::string count = std::to_string(state.range(0));
  const std::string exported = Folder().Native("exported.txt");
  const std::string source = Folder().Native("export-source.txt");
  const std::string written = Folder().Native("written.txt");
  if (Fresh(state, {"export", count, source}).empty()) return;
  const double fileBytes = static_cast<double>(std::filesystem::file_size(source));
  Totals totals;
  double formatSeconds = 0;
  double writeSeconds = 0;
  for (auto _ : state) {
    std::filesystem::remove(exported);
    std::filesystem::remove(written);
    const std::vector<double> exporting = Fresh(state, {"export", count, exported});
    const std::vector<double> formatting = Fresh(state, {"format", count});
    const std::vector<double> writing = Fresh(state, {"write", count, source, written});
    if (exporting.empty() || formatting.empty() || writing.empty()) return;
    state.SetIterationTime(exporting[0]);
    totals.stepSeconds += exporting[0];
    totals.faultsPerPage += exporting[1] / Pages(fileBytes);
    totals.peakBytes += exporting[2];
    totals.baselineSeconds += formatting[0] + writing[0];
    formatSeconds += formatting[0];
    writeSeconds += writing[0];
  }
  totals.Report(state, kExportMemoryLimit);
  const auto runs = static_cast<double>(state.iterations());
  state.counters["format_ms"] = formatSeconds / runs * 1e3;
  state.counters["write_ms"] = writeSeconds / runs * 1e3;
}

// The peak file of count values, written once and read once so that the page cache holds it.
const std::string& ImportSource(std::size_t count) {
  static std::map<std::size_t, std::string> files;
  auto [place, added] = files.try_emplace(count, Folder().Native("peaks-" + std::to_string(count)));
  if (added) {
    model::ExportLoadingProcess(Widen(place->second), ProcessValues(count), model::ValueMarks{});
    FileBytes warm;
    ReadWhole(place->second, warm);
  }
  return place->second;
}

void BM_Import(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  const std::string& source = ImportSource(count);
  const double fileBytes = static_cast<double>(std::filesystem::file_size(source));
  const std::string countText = std::to_string(count);
  Totals totals;
  for (auto _ : state) {
    const std::vector<double> importing = Fresh(state, {"import", countText, source});
    const std::vector<double> parsing = Fresh(state, {"parse", countText, source});
    if (importing.empty() || parsing.empty()) return;
    state.SetIterationTime(importing[0]);
    totals.stepSeconds += importing[0];
    totals.faultsPerPage += importing[1] / Pages(8 * static_cast<double>(count));
    totals.peakBytes += importing[2];
    totals.baselineSeconds += parsing[0];
  }
  totals.Report(state, fileBytes + kImportBytesPerValue * static_cast<double>(count));
}

// The cost of fresh memory alone: touching the pages of the window's kept memory for a
// process of ten million values (8 bytes a value and 16 a chart point), with ordinary
// pages (0) and with huge pages (1).
void BM_FreshPages(benchmark::State& state) {
  const std::string bytes = std::to_string(state.range(0));
  double faults = 0;
  for (auto _ : state) {
    const std::vector<double> figures =
        Fresh(state, {state.range(1) == 0 ? "touch" : "touch-huge", bytes});
    if (figures.empty()) return;
    state.SetIterationTime(figures[0]);
    faults += figures[1];
  }
  state.counters["faults"] = faults / static_cast<double>(state.iterations());
}
BENCHMARK(BM_FreshPages)
    ->Args({240'000'000, 0})
    ->Args({240'000'000, 1})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void ValueCounts(benchmark::internal::Benchmark* benchmark) {
  for (const std::int64_t count : kValueCounts) benchmark->Arg(count);
  benchmark->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Generate)->Apply(ValueCounts);
BENCHMARK(BM_Export)->Apply(ValueCounts);
BENCHMARK(BM_Import)->Apply(ValueCounts);

}  // namespace

int main(int argc, char** argv) { return bench::ColdBenchmarkMain(argc, argv, RunStep); }
