#include <benchmark/benchmark.h>

#include <vector>

#include "model/generation.h"

namespace {

// Peaks 0, 499, 0, 499, ... with spacing 1: 499 steps per segment, 1,000,000 values in all.
std::vector<double> MillionValuePeaks() {
  std::vector<double> peaks;
  const std::size_t segments = (1'000'000 - 1) / 499 + 1;
  for (std::size_t k = 0; k <= segments; ++k) peaks.push_back(k % 2 == 0 ? 0.0 : 499.0);
  return peaks;
}

void BM_GenerateLoadingProcess(benchmark::State& state) {
  const std::vector<double> peaks = MillionValuePeaks();
  std::vector<double> process;
  for (auto _ : state) {
    model::GenerateLoadingProcess(peaks, 1.0, process);
    benchmark::DoNotOptimize(process.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(process.size()));
  state.counters["values"] = static_cast<double>(process.size());
}
BENCHMARK(BM_GenerateLoadingProcess)->Unit(benchmark::kMillisecond);

}  // namespace
