#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "model/extended.h"
#include "model/generation.h"
#include "model/value_format.h"
#include "model/value_format_internal.h"

namespace {

// Values as an export writes them: a loading process between peaks of a few digits at an
// odd spacing, so that most values need all 15 digits; with doubles of every magnitude.
const std::vector<double>& Values() {
  static const std::vector<double> values = [] {
    std::vector<double> made;
    const model::GenerationOutcome outcome =
        model::GenerateLoadingProcess({0, 250.5, -125.25, 1000, 0}, 2.3, made);
    if (outcome.status != model::GenerationStatus::Completed) std::abort();
    made.resize(512);
    std::mt19937_64 random(11);
    while (made.size() < 1024) {
      const double value = std::bit_cast<double>(random());
      if (std::isfinite(value)) made.push_back(value);
    }
    return made;
  }();
  return values;
}

void SetValuesProcessed(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(Values().size()));
}

void BM_FormatValue(benchmark::State& state) {
  for (auto _ : state) {
    for (double value : Values()) {
      std::u16string text = model::FormatValue(value);
      benchmark::DoNotOptimize(text.data());
    }
  }
  SetValuesProcessed(state);
}
BENCHMARK(BM_FormatValue);

void BM_FormatValueTo(benchmark::State& state) {
  char16_t buffer[model::kMaxFormattedValueLength];
  for (auto _ : state) {
    for (double value : Values()) {
      benchmark::DoNotOptimize(model::FormatValueTo(value, model::ValueMarks{}, buffer));
      benchmark::ClobberMemory();
    }
  }
  SetValuesProcessed(state);
}
BENCHMARK(BM_FormatValueTo);

// FormatValueTo in each implementation of the double-extended arithmetic, for the ratio of
// the software type to the x87 (bench/model/extended-ratios).
template <class E>
void BM_FormatValueIn(benchmark::State& state) {
  char16_t buffer[model::kMaxFormattedValueLength];
  for (auto _ : state) {
    for (double value : Values()) {
      benchmark::DoNotOptimize(model::detail::FormatValueIn<E>(value, model::ValueMarks{}, buffer));
      benchmark::ClobberMemory();
    }
  }
  SetValuesProcessed(state);
}
#ifdef LOADGEN_HAS_X87_EXTENDED
BENCHMARK_TEMPLATE(BM_FormatValueIn, model::X87Extended);
#endif
BENCHMARK_TEMPLATE(BM_FormatValueIn, model::SoftExtended);

void BM_ToChars(benchmark::State& state) {
  char buffer[32];
  for (auto _ : state) {
    for (double value : Values()) {
      benchmark::DoNotOptimize(
          std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15).ptr);
      benchmark::ClobberMemory();
    }
  }
  SetValuesProcessed(state);
}
BENCHMARK(BM_ToChars);

void BM_Snprintf(benchmark::State& state) {
  char buffer[32];
  for (auto _ : state) {
    for (double value : Values()) {
      benchmark::DoNotOptimize(std::snprintf(buffer, sizeof buffer, "%.15G", value));
      benchmark::ClobberMemory();
    }
  }
  SetValuesProcessed(state);
}
BENCHMARK(BM_Snprintf);

}  // namespace
