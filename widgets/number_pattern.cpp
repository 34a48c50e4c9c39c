#include "widgets/number_pattern.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace widgets {
namespace {

constexpr std::size_t kMaxDecimals = 3;
constexpr std::size_t kGroupSize = 3;

// Room for the shortest fixed form of every double: at most 309 integer digits, or "0."
// and 324 decimals for the smallest subnormal.
constexpr std::size_t kFixedFormCapacity = 400;

}  // namespace

QString FormatGroupedDecimal(double value, QChar decimalMark, QChar groupingMark) {
  std::array<char, kFixedFormCapacity> fixed{};
  const auto [end, error] = std::to_chars(fixed.data(), fixed.data() + fixed.size(),
                                          std::fabs(value), std::chars_format::fixed);
  const std::string_view text(
      fixed.data(), error == std::errc() ? static_cast<std::size_t>(end - fixed.data()) : 0);

  // The kept digits, integer part then at most kMaxDecimals decimals, with one spare place
  // in front for a carry out of the leading digit.
  std::string digits = "0";
  const std::size_t point = std::min(text.find('.'), text.size());
  digits.append(text.substr(0, point));
  std::string_view decimals = point < text.size() ? text.substr(point + 1) : std::string_view();
  const bool roundUp = decimals.size() > kMaxDecimals && decimals[kMaxDecimals] >= '5';
  decimals = decimals.substr(0, std::min(decimals.size(), kMaxDecimals));
  digits.append(decimals);
  if (roundUp) {
    std::size_t i = digits.size();
    while (digits[--i] == '9') digits[i] = '0';
    ++digits[i];
  }

  std::size_t decimalCount = decimals.size();
  while (decimalCount > 0 && digits.back() == '0') {
    digits.pop_back();
    --decimalCount;
  }
  std::size_t first = 0;
  while (first + 1 < digits.size() - decimalCount && digits[first] == '0') ++first;
  const std::string_view integerDigits(digits.data() + first, digits.size() - decimalCount - first);
  const bool zero = integerDigits == "0" && decimalCount == 0;

  QString result;
  if (std::signbit(value) && !zero) result += QLatin1Char('-');
  for (std::size_t i = 0; i < integerDigits.size(); ++i) {
    if (i > 0 && (integerDigits.size() - i) % kGroupSize == 0) result += groupingMark;
    result += QLatin1Char(integerDigits[i]);
  }
  if (decimalCount > 0) {
    result += decimalMark;
    result += QLatin1String(digits.data() + digits.size() - decimalCount,
                            static_cast<qsizetype>(decimalCount));
  }
  return result;
}

}  // namespace widgets
