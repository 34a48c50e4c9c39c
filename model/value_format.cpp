#include "model/value_format.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "model/extended.h"
#include "model/value_format_internal.h"
#include "model/value_text_internal.h"

namespace model {
namespace {

constexpr std::uint64_t kTenToThe14 = 100'000'000'000'000;
constexpr std::uint64_t kTenToThe15 = 1'000'000'000'000'000;
constexpr std::uint64_t kTenToThe18 = 1'000'000'000'000'000'000;

// Every text holds at most this many significant digits.
constexpr int kSignificantDigits = 15;

// Fixed notation for a decimal exponent K (0.d1 d2 ... x 10^K) in this range.
constexpr int kSmallestFixedExponent = -3;
constexpr int kLargestFixedExponent = 15;

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The binary exponent E of a finite nonzero double, |value| = f * 2^E with 1 <= f < 2,
// which its widening to double-extended keeps; subnormal doubles are normal there.
int BinaryExponent(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const auto biased = static_cast<int>((bits >> 52) & 0x7FF);
  if (biased != 0) return biased - 1023;
  return -1011 - std::countl_zero(bits & 0x000F'FFFF'FFFF'FFFF);
}

// Writes the two digits of the value below 100.
void WriteTwoDigits(std::uint32_t value, char* out) {
  std::memcpy(out, kDigitPairs + std::size_t{2} * value, 2);
}

// Writes the value below 10^7 as exactly seven digits.
void WriteSevenDigits(std::uint32_t value, char* out) {
  *out = static_cast<char>('0' + value / 1'000'000);
  const std::uint32_t rest = value % 1'000'000;
  WriteTwoDigits(rest / 10000, out + 1);
  WriteTwoDigits(rest / 100 % 100, out + 3);
  WriteTwoDigits(rest % 100, out + 5);
}

// Writes the value below 10^8 as exactly eight digits.
void WriteEightDigits(std::uint32_t value, char* out) {
  const std::uint32_t high = value / 10000;
  const std::uint32_t low = value % 10000;
  WriteTwoDigits(high / 100, out);
  WriteTwoDigits(high % 100, out + 2);
  WriteTwoDigits(low / 100, out + 4);
  WriteTwoDigits(low % 100, out + 6);
}

char16_t* WriteAscii(const char* text, std::size_t length, char16_t* out) {
  for (std::size_t i = 0; i < length; ++i) *out++ = static_cast<char16_t>(text[i]);
  return out;
}

char16_t* WriteZeros(int count, char16_t* out) {
  for (int i = 0; i < count; ++i) *out++ = u'0';
  return out;
}

// The digits d1 d2 ... dm and the decimal exponent K with |value| about 0.d1 d2 ... x 10^K.
struct DecimalDigits {
  char digits[kSignificantDigits];
  int count;
  int exponent;
};

// The 15-digit rounding, half up on digit 16 alone, of an 18-digit rounding of |value|
// scaled by the estimated power of ten. The estimate can come out one too high, and then
// the first of the 18 digits is a zero that is kept: these steps decide the written digits.
template <class E>
DecimalDigits ToDecimalDigits(double value) {
  // floor(E * log10(2)) + 1, with 19728 / 65536 for log10(2); the shift floors.
  int k = ((BinaryExponent(value) * 19728) >> 16) + 1;
  std::uint64_t s = detail::ScaleByPowerOfTen(E(value).Abs(), 18 - k).RoundToUInt64();
  if (s >= kTenToThe18) {
    s = (E::FromInteger(s) / E::FromInteger(10)).RoundToUInt64();
    ++k;
  }

  std::uint64_t leading = s / 1000;
  if ((s / 100) % 10 >= 5) {
    ++leading;
    if (leading == kTenToThe15) {
      leading = kTenToThe14;
      ++k;
    }
  }

  DecimalDigits result;
  result.exponent = k;
  char* const digits = result.digits;
  WriteSevenDigits(static_cast<std::uint32_t>(leading / 100'000'000), digits);
  WriteEightDigits(static_cast<std::uint32_t>(leading % 100'000'000), digits + 7);

  int count = kSignificantDigits;
  while (count > 1 && digits[count - 1] == '0') --count;
  result.count = count;
  return result;
}

}  // namespace

namespace detail {

template <class E>
std::size_t FormatValueIn(double value, ValueMarks marks, char16_t* out) noexcept {
  char16_t* p = out;
  if (std::isnan(value)) return static_cast<std::size_t>(WriteAscii("NAN", 3, p) - out);
  if (value == 0) {
    *p = u'0';
    return 1;
  }
  if (value < 0) *p++ = u'-';
  if (std::isinf(value)) return static_cast<std::size_t>(WriteAscii("INF", 3, p) - out);

  const DecimalDigits decimal = ToDecimalDigits<E>(value);
  const int m = decimal.count;
  const int k = decimal.exponent;
  const char* const digits = decimal.digits;
  const char16_t mark = marks.decimalMark;
  if (k > kLargestFixedExponent || k < kSmallestFixedExponent) {
    *p++ = static_cast<char16_t>(digits[0]);
    if (m > 1) {
      *p++ = mark;
      p = WriteAscii(digits + 1, static_cast<std::size_t>(m - 1), p);
    }
    *p++ = u'E';
    int power = k - 1;
    if (power < 0) {
      *p++ = u'-';
      power = -power;
    }
    if (power >= 100) *p++ = static_cast<char16_t>(u'0' + power / 100);
    if (power >= 10) *p++ = static_cast<char16_t>(u'0' + power / 10 % 10);
    *p++ = static_cast<char16_t>(u'0' + power % 10);
  } else if (k >= 1) {
    if (m <= k) {
      p = WriteAscii(digits, static_cast<std::size_t>(m), p);
      p = WriteZeros(k - m, p);
    } else {
      p = WriteAscii(digits, static_cast<std::size_t>(k), p);
      *p++ = mark;
      p = WriteAscii(digits + k, static_cast<std::size_t>(m - k), p);
    }
  } else {
    *p++ = u'0';
    *p++ = mark;
    p = WriteZeros(-k, p);
    p = WriteAscii(digits, static_cast<std::size_t>(m), p);
  }
  return static_cast<std::size_t>(p - out);
}

template std::size_t FormatValueIn<SoftExtended>(double, ValueMarks, char16_t*) noexcept;
#ifdef LOADGEN_HAS_X87_EXTENDED
template std::size_t FormatValueIn<X87Extended>(double, ValueMarks, char16_t*) noexcept;
#endif

}  // namespace detail

std::size_t FormatValueTo(double value, ValueMarks marks, char16_t* out) noexcept {
  return detail::FormatValueIn<Extended>(value, marks, out);
}

std::u16string FormatValue(double value, ValueMarks marks) {
  char16_t buffer[kMaxFormattedValueLength];
  return std::u16string(buffer, FormatValueTo(value, marks, buffer));
}

std::u16string FormatValue(double value) { return FormatValue(value, ValueMarks{}); }

}  // namespace model
