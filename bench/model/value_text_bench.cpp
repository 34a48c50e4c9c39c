#include <charconv>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "model/extended.h"
#include "model/value_text.h"
#include "model/value_text_internal.h"

namespace {

struct Texts {
  std::vector<std::u16string> wide;
  std::vector<std::string> narrow;
};

// Numbers as peak files and the spacing box hold them: 1 to 17 significant digits, some
// with a minus sign, a decimal point or an exponent. No "+", which from_chars rejects.
const Texts& TypicalTexts() {
  static const Texts texts = [] {
    Texts made;
    std::mt19937 random(7);
    for (int i = 0; i < 1024; ++i) {
      const int digits = std::uniform_int_distribution(1, 17)(random);
      const int point = random() % 3 == 0 ? -1 : std::uniform_int_distribution(0, digits)(random);
      std::string text = random() % 4 == 0 ? "-" : "";
      for (int d = 0; d < digits; ++d) {
        if (d == point) text += '.';
        text += static_cast<char>(d == 0 ? '1' + random() % 9 : '0' + random() % 10);
      }
      if (point == digits) text += '.';
      if (random() % 3 == 0) {
        text += random() % 2 == 0 ? "e" : "E";
        text += std::to_string(std::uniform_int_distribution(-30, 30)(random));
      }
      made.narrow.push_back(text);
      made.wide.emplace_back(text.begin(), text.end());
    }
    return made;
  }();
  return texts;
}

void SetTextsProcessed(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() *
                          static_cast<std::int64_t>(TypicalTexts().narrow.size()));
}

void BM_ReadValue(benchmark::State& state) {
  const auto& texts = TypicalTexts().wide;
  for (auto _ : state) {
    for (const std::u16string& text : texts) benchmark::DoNotOptimize(model::ReadValue(text));
  }
  SetTextsProcessed(state);
}
BENCHMARK(BM_ReadValue);

// ReadValue in each implementation of the double-extended arithmetic, for the ratio of the
// software type to the x87 (bench/model/extended-ratios).
template <class E>
void BM_ReadValueIn(benchmark::State& state) {
  const auto& texts = TypicalTexts().wide;
  for (auto _ : state) {
    for (const std::u16string& text : texts) {
      benchmark::DoNotOptimize(model::detail::ReadValueIn<E>(text, model::ValueMarks{}));
    }
  }
  SetTextsProcessed(state);
}
#ifdef LOADGEN_HAS_X87_EXTENDED
BENCHMARK_TEMPLATE(BM_ReadValueIn, model::X87Extended);
#endif
BENCHMARK_TEMPLATE(BM_ReadValueIn, model::SoftExtended);

void BM_FromChars(benchmark::State& state) {
  const auto& texts = TypicalTexts().narrow;
  for (auto _ : state) {
    for (const std::string& text : texts) {
      double value;
      std::from_chars(text.data(), text.data() + text.size(), value);
      benchmark::DoNotOptimize(value);
    }
  }
  SetTextsProcessed(state);
}
BENCHMARK(BM_FromChars);

void BM_Strtod(benchmark::State& state) {
  const auto& texts = TypicalTexts().narrow;
  for (auto _ : state) {
    for (const std::string& text : texts) {
      benchmark::DoNotOptimize(std::strtod(text.c_str(), nullptr));
    }
  }
  SetTextsProcessed(state);
}
BENCHMARK(BM_Strtod);

}  // namespace
