#include "model/value_text.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/errors.h"
#include "model/value_text_internal.h"

namespace model {
namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

unsigned DigitValue(char16_t c) { return static_cast<unsigned>(c - u'0'); }

// M = 10 M + digit, each operation rounded to double-extended. While 10 M + digit stays
// below 2^64 both operations are exact, so a 64-bit integer holds M until then at a
// fraction of the cost.
template <class E>
class Significand {
 public:
  void Append(unsigned digit) noexcept {
    if (!inExtended_) {
      if (integer_ < kIntegerLimit) {
        integer_ = integer_ * 10 + digit;
        return;
      }
      inExtended_ = true;
      extended_ = E::FromInteger(integer_);
    }
    extended_ = extended_ * kTen + E::FromInteger(digit);
  }

  // Infinite once M went beyond the double-extended range; it stays so, since the steps
  // only grow it.
  E Value() const noexcept { return inExtended_ ? extended_ : E::FromInteger(integer_); }

 private:
  // While M is below this, 10 M + 9 < 2^64.
  static constexpr std::uint64_t kIntegerLimit = 1844674407370955161;
  static constexpr E kTen = E::FromInteger(10);

  std::uint64_t integer_ = 0;
  E extended_;
  bool inExtended_ = false;
};

// Fraction digits beyond this many give a power of ten of -5120 or less whatever the
// exponent (at most 4999), and so a zero reading; counting stops there to keep the
// exponent arithmetic in range.
constexpr std::size_t kFractionDigitsGivingZero = 4999 + 5120;

// The exponent is read only while it stays below this, which bounds it at 4999.
constexpr int kExponentReadLimit = 500;

}  // namespace

namespace detail {

std::u16string_view TrimValueText(std::u16string_view text) noexcept {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && text[first] <= u' ') ++first;
  while (last > first && text[last - 1] <= u' ') --last;
  return text.substr(first, last - first);
}

template <class E>
std::optional<E> ParseValueText(std::u16string_view trimmed, ValueMarks marks) noexcept {
  // Every test below fails on a NUL, so the scan stops at the first one and the end check
  // accepts it as the end of the text.
  const char16_t* p = trimmed.data();
  const char16_t* const end = p + trimmed.size();

  while (p < end && *p == u' ') ++p;
  bool negative = false;
  if (p < end && (*p == u'+' || *p == u'-')) {
    negative = *p == u'-';
    ++p;
  }

  const char16_t* const mantissa = p;
  Significand<E> significand;
  while (p < end && IsDigit(*p)) significand.Append(DigitValue(*p++));
  std::size_t fractionDigits = 0;
  if (p < end && *p == marks.decimalMark && marks.decimalMark != u'\0') {
    const char16_t* const fraction = ++p;
    while (p < end && IsDigit(*p)) significand.Append(DigitValue(*p++));
    fractionDigits = std::min(static_cast<std::size_t>(p - fraction), kFractionDigitsGivingZero);
  }
  if (p == mantissa) return std::nullopt;

  int exponent = 0;
  if (p < end && (*p == u'E' || *p == u'e')) {
    ++p;
    bool negativeExponent = false;
    if (p < end && (*p == u'+' || *p == u'-')) {
      negativeExponent = *p == u'-';
      ++p;
    }
    while (p < end && IsDigit(*p) && exponent < kExponentReadLimit) {
      exponent = exponent * 10 + static_cast<int>(DigitValue(*p++));
    }
    if (negativeExponent) exponent = -exponent;
  }

  while (p < end && *p == u' ') ++p;
  if (p < end && *p != u'\0') return std::nullopt;

  const E m = significand.Value();
  if (m.IsInfinite()) return std::nullopt;
  const E reading = ScaleByPowerOfTen(m, exponent - static_cast<int>(fractionDigits));
  if (reading.IsInfinite()) return std::nullopt;
  return negative ? -reading : reading;
}

template <class E>
double ReadValueIn(std::u16string_view text, ValueMarks marks) {
  const std::u16string_view trimmed = TrimValueText(text);
  const std::optional<E> reading = ParseValueText<E>(trimmed, marks);
  if (!reading) {
    throw EConvertError(u"'" + std::u16string(trimmed) + u"' is not a valid floating point value");
  }
  // A finite reading rounds to an infinity exactly when its magnitude reaches
  // 2^1024 - 2^970, beyond the largest double.
  const double value = reading->ToDouble();
  if (std::isinf(value)) throw EOverflow();
  return value;
}

template std::optional<SoftExtended> ParseValueText(std::u16string_view, ValueMarks) noexcept;
template double ReadValueIn<SoftExtended>(std::u16string_view, ValueMarks);
#ifdef LOADGEN_HAS_X87_EXTENDED
template std::optional<X87Extended> ParseValueText(std::u16string_view, ValueMarks) noexcept;
template double ReadValueIn<X87Extended>(std::u16string_view, ValueMarks);
#endif

}  // namespace detail

double ReadValue(std::u16string_view text, ValueMarks marks) {
  return detail::ReadValueIn<Extended>(text, marks);
}

double ReadValue(std::u16string_view text) { return ReadValue(text, ValueMarks{}); }

}  // namespace model
