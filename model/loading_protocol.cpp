#include "model/loading_protocol.h"

#include <cstddef>
#include <string>
#include <utility>

#include "model/errors.h"
#include "model/value_format.h"
#include "model/value_text.h"

namespace model {
namespace {

constexpr char16_t kPairSeparator = u',';

bool IsDigit(char16_t unit) noexcept { return unit >= u'0' && unit <= u'9'; }

bool IsTimesSign(char16_t unit) noexcept { return unit == u'x' || unit == u'X'; }

// Whether text ends in a pair's count: a times sign and at least one digit.
bool EndsInCount(std::u16string_view text) noexcept {
  std::size_t digits = 0;
  while (digits < text.size() && IsDigit(text[text.size() - 1 - digits])) ++digits;
  return digits > 0 && digits < text.size() && IsTimesSign(text[text.size() - 1 - digits]);
}

// Where the pair that starts at start ends: at the next comma, unless a comma can be the
// decimal mark inside an amplitude; then at the next comma that follows a count.
std::size_t PairEnd(std::u16string_view table, std::size_t start, char16_t decimalMark) noexcept {
  for (std::size_t i = start; i < table.size(); ++i) {
    if (table[i] != kPairSeparator) continue;
    if (decimalMark != kPairSeparator || EndsInCount(table.substr(start, i - start))) return i;
  }
  return table.size();
}

std::u16string Quoted(std::u16string_view text) {
  std::u16string quoted;
  quoted.reserve(text.size() + 2);
  quoted.append(1, u'\'').append(text).append(1, u'\'');
  return quoted;
}

std::u16string CountRange() {
  const std::string largest = std::to_string(kMaxProtocolCount);
  return u"from 1 to " + std::u16string(largest.begin(), largest.end());
}

// Appends the step of one pair; returns the fault, or an empty text when it reads.
std::u16string ReadPair(std::u16string_view pair, ValueMarks marks,
                        std::vector<ProtocolStep>& steps) {
  std::size_t times = pair.size();
  while (times > 0 && !IsTimesSign(pair[times - 1])) --times;
  if (times == 0) return Quoted(pair) + u" is not a pair AMPLITUDExCOUNT";
  ProtocolStep step;
  try {
    step.amplitude = ReadValue(pair.substr(0, times - 1), marks);
  } catch (const Exception& error) {
    return Quoted(pair) + u": " + error.Message();
  }
  const std::optional<int> cycles = ReadProtocolCount(pair.substr(times));
  if (!cycles) return Quoted(pair) + u": the count is not a whole number " + CountRange();
  step.cycles = *cycles;
  steps.push_back(step);
  return {};
}

}  // namespace

std::vector<double> ExpandProtocol(std::span<const ProtocolStep> steps) {
  std::size_t count = 2;
  for (const ProtocolStep& step : steps) count += 2 * static_cast<std::size_t>(step.cycles);
  std::vector<double> peakValues;
  peakValues.reserve(count);
  peakValues.push_back(0);
  for (const ProtocolStep& step : steps) {
    for (int cycle = 0; cycle < step.cycles; ++cycle) {
      peakValues.push_back(step.amplitude);
      peakValues.push_back(-step.amplitude);
    }
  }
  peakValues.push_back(0);
  return peakValues;
}

std::optional<int> ReadProtocolCount(std::u16string_view text) noexcept {
  if (text.empty()) return std::nullopt;
  int count = 0;
  for (const char16_t unit : text) {
    if (!IsDigit(unit)) return std::nullopt;
    count = 10 * count + (unit - u'0');
    // Stops before the count can outgrow an int, however many digits follow.
    if (count > kMaxProtocolCount) return std::nullopt;
  }
  if (count < 1) return std::nullopt;
  return count;
}

ProtocolReading ReadProtocolTable(std::u16string_view text, ValueMarks marks) {
  if (text.empty()) return {{}, u"no pairs AMPLITUDExCOUNT"};
  ProtocolReading reading;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = PairEnd(text, start, marks.decimalMark);
    std::u16string fault = ReadPair(text.substr(start, end - start), marks, reading.steps);
    if (!fault.empty()) return {{}, std::move(fault)};
    if (end == text.size()) return reading;
    start = end + 1;
  }
}

std::vector<ProtocolStep> Aisc341Protocol(double scale) {
  std::vector<ProtocolStep> steps = ReadProtocolTable(kAisc341Table, ValueMarks{}).steps;
  for (ProtocolStep& step : steps) step.amplitude *= scale;
  return steps;
}

ProtocolReading Fema461Protocol(double largest, double ratio, int steps, int cycles,
                                ValueMarks marks) {
  ProtocolReading reading;
  reading.steps.resize(static_cast<std::size_t>(steps));
  double amplitude = largest;
  for (auto step = reading.steps.rbegin(); step != reading.steps.rend(); ++step) {
    const std::u16string text = FormatValue(amplitude, marks);
    try {
      *step = {ReadValue(text, marks), cycles};
    } catch (const Exception& error) {
      return {{}, u"the amplitude " + text + u" does not read back: " + error.Message()};
    }
    amplitude /= ratio;
  }
  return reading;
}

}  // namespace model
