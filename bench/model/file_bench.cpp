#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/support/cold_process.h"
#include "model/generation.h"
#include "model/peak_import.h"
#include "model/process_export.h"

// A million values through the peak import and the loading-process export, each beside the
// plain standard-library way of doing the same job.

namespace {

constexpr std::size_t kValueCount = 1'000'000;

// A loading process as generation makes it: peaks swinging between about -100 and 100,
// cut by the spacing 0.7 into steps that mostly need all 15 digits.
const std::vector<double>& MillionValues() {
  static const std::vector<double> values = [] {
    std::vector<double> peaks;
    for (std::size_t k = 0; k < 4000; ++k) {
      peaks.push_back(k % 2 == 0 ? -100.0 - static_cast<double>(k) * 0.01 : 100.3);
    }
    std::vector<double> process;
    const model::GenerationOutcome outcome = model::GenerateLoadingProcess(peaks, 0.7, process);
    if (outcome.status != model::GenerationStatus::Completed) std::abort();
    process.resize(kValueCount);
    return process;
  }();
  return values;
}

bench::BenchFolder& Folder() {
  static bench::BenchFolder folder;
  return folder;
}

void WriteWithFprintf(const std::string& native, const std::vector<double>& values) {
  std::FILE* file = std::fopen(native.c_str(), "wb");
  if (file == nullptr) std::abort();
  for (const double value : values) std::fprintf(file, "%.15G\r\n", value);
  std::fclose(file);
}

// The peak file that both readers read, written once.
const std::string& PeakFile() {
  static const std::string native = [] {
    std::string name = Folder().Native("peaks.txt");
    WriteWithFprintf(name, MillionValues());
    return name;
  }();
  return native;
}

std::int64_t FileSize(const std::string& native) {
  return static_cast<std::int64_t>(std::filesystem::file_size(native));
}

void BM_ImportPeakFile(benchmark::State& state) {
  const std::string& native = PeakFile();
  const std::u16string path(native.begin(), native.end());
  std::vector<double> peaks;
  std::vector<double> process;
  for (auto _ : state) {
    model::ImportPeakFile(path, model::ValueMarks{}, peaks, process);
    benchmark::DoNotOptimize(peaks.data());
  }
  if (peaks.size() != kValueCount) state.SkipWithError("the import read a wrong count");
  state.SetBytesProcessed(state.iterations() * FileSize(native));
}
BENCHMARK(BM_ImportPeakFile)->Unit(benchmark::kMillisecond);

void BM_ReadWithGetlineAndStrtod(benchmark::State& state) {
  const std::string& native = PeakFile();
  std::vector<double> peaks;
  for (auto _ : state) {
    peaks.clear();
    std::ifstream in(native, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
      peaks.push_back(std::strtod(line.c_str(), nullptr));
    }
    benchmark::DoNotOptimize(peaks.data());
  }
  if (peaks.size() != kValueCount) state.SkipWithError("the baseline read a wrong count");
  state.SetBytesProcessed(state.iterations() * FileSize(native));
}
BENCHMARK(BM_ReadWithGetlineAndStrtod)->Unit(benchmark::kMillisecond);

void BM_ExportLoadingProcess(benchmark::State& state) {
  const std::vector<double>& values = MillionValues();
  const std::string exported = Folder().Native("exported.txt");
  const std::u16string path(exported.begin(), exported.end());
  for (auto _ : state) model::ExportLoadingProcess(path, values, model::ValueMarks{});
  state.SetBytesProcessed(state.iterations() * FileSize(Folder().Native("exported.txt")));
}
BENCHMARK(BM_ExportLoadingProcess)->Unit(benchmark::kMillisecond);

// A file with a second name cannot be replaced: it is written in place, which formats the
// text once more to learn its length before the first old byte changes.
const std::string& LinkedFile() {
  static const std::string native = [] {
    std::string name = Folder().Native("linked.txt");
    WriteWithFprintf(name, MillionValues());
    std::filesystem::create_hard_link(name, Folder().Native("second name.txt"));
    return name;
  }();
  return native;
}

void BM_ExportLoadingProcessInPlace(benchmark::State& state) {
  const std::vector<double>& values = MillionValues();
  const std::string& native = LinkedFile();
  const std::u16string path(native.begin(), native.end());
  for (auto _ : state) model::ExportLoadingProcess(path, values, model::ValueMarks{});
  state.SetBytesProcessed(state.iterations() * FileSize(native));
}
BENCHMARK(BM_ExportLoadingProcessInPlace)->Unit(benchmark::kMillisecond);

void BM_WriteWithFprintf(benchmark::State& state) {
  const std::vector<double>& values = MillionValues();
  const std::string native = Folder().Native("printed.txt");
  for (auto _ : state) WriteWithFprintf(native, values);
  state.SetBytesProcessed(state.iterations() * FileSize(native));
}
BENCHMARK(BM_WriteWithFprintf)->Unit(benchmark::kMillisecond);

}  // namespace
