#include <vector>

#include <benchmark/benchmark.h>

#include "model/extended.h"
#include "model/generation.h"
#include "model/generation_internal.h"

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
    benchmark::DoNotOptimize(model::GenerateLoadingProcess(peaks, 1.0, process));
    benchmark::DoNotOptimize(process.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(process.size()));
  state.counters["values"] = static_cast<double>(process.size());
}
BENCHMARK(BM_GenerateLoadingProcess)->Unit(benchmark::kMillisecond);

// The same generation in each implementation of the double-extended arithmetic, for the
// ratio of the software type to the x87 (bench/model/extended-ratios).
template <class E>
void BM_GenerateLoadingProcessIn(benchmark::State& state) {
  const std::vector<double> peaks = MillionValuePeaks();
  std::vector<double> process;
  for (auto _ : state) {
    benchmark::DoNotOptimize(model::detail::GenerateLoadingProcessIn<E>(peaks, 1.0, process));
    benchmark::DoNotOptimize(process.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(process.size()));
}
#ifdef LOADGEN_HAS_X87_EXTENDED
BENCHMARK_TEMPLATE(BM_GenerateLoadingProcessIn, model::X87Extended)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK_TEMPLATE(BM_GenerateLoadingProcessIn, model::SoftExtended)->Unit(benchmark::kMillisecond);

// Peaks 1000.3, 1001.7, 1000.3, ... with spacing 0.0028: 500 steps per segment, 1,000,000
// values in all. The peaks lie so far from zero against the spacing that start and step
// share no power of two within 63 bits, and the software type computes every value the
// general way instead of its shortcut.
template <class E>
void BM_GenerateFarFromZeroIn(benchmark::State& state) {
  std::vector<double> peaks;
  for (std::size_t k = 0; k <= 2000; ++k) peaks.push_back(k % 2 == 0 ? 1000.3 : 1001.7);
  std::vector<double> process;
  for (auto _ : state) {
    benchmark::DoNotOptimize(model::detail::GenerateLoadingProcessIn<E>(peaks, 0.0028, process));
    benchmark::DoNotOptimize(process.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(process.size()));
}
#ifdef LOADGEN_HAS_X87_EXTENDED
BENCHMARK_TEMPLATE(BM_GenerateFarFromZeroIn, model::X87Extended)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK_TEMPLATE(BM_GenerateFarFromZeroIn, model::SoftExtended)->Unit(benchmark::kMillisecond);

}  // namespace
