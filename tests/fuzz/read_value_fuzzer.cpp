// Reads a value from arbitrary UTF-16 text under an arbitrary decimal mark, as the import
// reads every line of a peak file and the generate command the spacing. ReadValue may only
// give a finite value, EConvertError quoting the trimmed text, or EOverflow; anything else
// it throws escapes and aborts. The outcome must be the one that a scan of the grammar of
// its own and the size of the number call for, both double-extended implementations must
// agree bit for bit, and a minus sign put before an unsigned number must negate the
// reading exactly.
//
// Input: the decimal mark (two bytes), then the text (two bytes per code unit).

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/errors.h"
#include "model/extended.h"
#include "model/unicode.h"
#include "model/value_marks.h"
#include "model/value_text.h"
#include "model/value_text_internal.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/model/bits_test_support.h"

namespace model::fuzz {
namespace {

// How one reading ended: a value's bits, or the error's class and message.
struct Reading {
  enum class Kind { Value, ConvertError, Overflow } kind;
  std::uint64_t bits = 0;
  std::u16string message;

  friend bool operator==(const Reading&, const Reading&) = default;
};

template <class E>
Reading ReadIn(std::u16string_view text, ValueMarks marks) {
  try {
    const double value = detail::ReadValueIn<E>(text, marks);
    Require(std::isfinite(value), "ReadValue gave a value that is not finite");
    return {Reading::Kind::Value, Bits(value), {}};
  } catch (const EConvertError& error) {
    return {Reading::Kind::ConvertError, 0, error.Message()};
  } catch (const EOverflow& error) {
    return {Reading::Kind::Overflow, 0, error.Message()};
  }
}

// The text without the characters U+0000 to U+0020 at either end.
std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && text.front() <= u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() <= u' ') text.remove_suffix(1);
  return text;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// What the number grammar makes of a trimmed text, found by a scan of its own: whether it
// is a number, and if so how large. Its `digits` digits from the first nonzero one, taken
// as an integer and scaled by 10^scale, lie in [10^(magnitude - 1), 10^magnitude).
struct Spelling {
  bool number = false;
  bool negative = false;
  std::size_t digits = 0;
  long scale = 0;
  long magnitude = 0;
};

Spelling Spell(std::u16string_view trimmed, char16_t mark) {
  const std::u16string_view text = trimmed.substr(0, trimmed.find(u'\0'));
  std::size_t at = 0;
  const auto next = [&](auto accepts) { return at < text.size() && accepts(text[at]); };
  const auto skipSpaces = [&] {
    while (next([](char16_t c) { return c == u' '; })) ++at;
  };
  const auto takeSign = [&] {
    const bool negative = next([](char16_t c) { return c == u'-'; });
    if (next([](char16_t c) { return c == u'+' || c == u'-'; })) ++at;
    return negative;
  };

  Spelling spelling;
  skipSpaces();
  spelling.negative = takeSign();
  std::u16string digits;
  while (next(IsDigit)) digits += text[at++];
  long fractionDigits = 0;
  bool marked = false;
  if (mark != u'\0' && next([mark](char16_t c) { return c == mark; })) {
    marked = true;
    for (++at; next(IsDigit); ++fractionDigits) digits += text[at++];
  }
  if (digits.empty() && !marked) return spelling;
  long exponent = 0;
  if (next([](char16_t c) { return c == u'E' || c == u'e'; })) {
    ++at;
    const bool negativeExponent = takeSign();
    while (exponent < 500 && next(IsDigit)) exponent = 10 * exponent + (text[at++] - u'0');
    if (negativeExponent) exponent = -exponent;
  }
  skipSpaces();
  spelling.number = at == text.size();
  const std::size_t first = digits.find_first_not_of(u'0');
  spelling.digits = first == digits.npos ? 0 : digits.size() - first;
  spelling.scale = exponent - fractionDigits;
  spelling.magnitude = static_cast<long>(spelling.digits) + spelling.scale;
  return spelling;
}

// The outcome that the grammar and the size of the number call for. Digits that form an
// integer beyond the double-extended range (about 1.19e4932), or a number beyond it, are no
// number; a number beyond the largest double (about 1.8e308) overflows. Near those bounds
// either side may be right, and only the class of the outcome is checked; elsewhere the
// value must lie within its power of ten.
void CheckAgainstSpelling(std::u16string_view trimmed, ValueMarks marks, const Reading& reading,
                          const std::string& context) {
  const Spelling spelling = Spell(trimmed, marks.decimalMark);
  using Kind = Reading::Kind;
  if (!spelling.number) {
    Require(reading.kind == Kind::ConvertError, "a text outside the grammar is read" + context);
    return;
  }
  const bool zero = reading.kind == Kind::Value && (reading.bits & ~(std::uint64_t{1} << 63)) == 0;
  if (spelling.digits == 0) {
    Require(zero, "a number without a nonzero digit does not read as zero" + context);
  } else if (spelling.digits <= 4932 && spelling.scale <= -5120) {
    // The scaling reaches no further than 10^-5119: beyond, it gives zero, whatever the
    // digits, as it does for a number below the double-extended range.
    Require(zero, "a number scaled by 10^-5120 or less does not read as zero" + context);
  } else if (spelling.digits >= 4934 || spelling.magnitude - 1 >= 4933) {
    Require(reading.kind == Kind::ConvertError,
            "a number beyond the double-extended range is read" + context);
  } else if (spelling.digits <= 4932 && spelling.magnitude <= 4932) {
    Require(reading.kind != Kind::ConvertError, "a number in the grammar is refused" + context);
    if (spelling.magnitude <= 308) {
      Require(reading.kind == Kind::Value, "a number below the largest double overflows" + context);
    } else if (spelling.magnitude - 1 >= 309) {
      Require(reading.kind == Kind::Overflow,
              "a number beyond the largest double does not overflow" + context);
    }
  }
  if (reading.kind != Kind::Value) return;
  const double value = FromBits(reading.bits);
  Require(std::signbit(value) == spelling.negative, "the reading has the wrong sign" + context);
  if (spelling.digits == 0 || spelling.scale <= -5120) return;
  // Well inside the normal range, where a power of ten computed by pow is good to an ulp.
  if (spelling.magnitude < -290 || spelling.magnitude > 300) return;
  const double slack = 0x1p-50;
  const double magnitude = std::fabs(value);
  Require(magnitude >= std::pow(10.0, spelling.magnitude - 1) * (1 - slack) &&
              magnitude <= std::pow(10.0, spelling.magnitude) * (1 + slack),
          "the reading lies outside the power of ten of the number" + context);
}

void CheckRead(std::u16string_view text, ValueMarks marks) {
  const Reading reading = ReadIn<Extended>(text, marks);
  const std::string context = " for '" + ToUtf8(text) + "'";
  const std::u16string_view trimmed = Trimmed(text);
  if (reading.kind == Reading::Kind::ConvertError) {
    Require(reading.message ==
                u"'" + std::u16string(trimmed) + u"' is not a valid floating point value",
            "EConvertError does not quote the trimmed text" + context);
  }
  if (reading.kind == Reading::Kind::Overflow) {
    Require(reading.message == u"Floating point overflow", "EOverflow's message" + context);
  }
#ifdef LOADGEN_HAS_X87_EXTENDED
  Require(ReadIn<SoftExtended>(text, marks) == ReadIn<X87Extended>(text, marks),
          "the two double-extended implementations read differently" + context);
#endif
  CheckAgainstSpelling(trimmed, marks, reading, context);

  // The grammar takes one sign before the digits, so "-" before a trimmed text without one
  // gives the same number negated.
  if (trimmed.empty() || trimmed[0] == u'+' || trimmed[0] == u'-') return;
  const std::u16string negated = u"-" + std::u16string(trimmed);
  const Reading negative = ReadIn<Extended>(negated, marks);
  Require(negative.kind == reading.kind, "a minus sign changes the outcome" + context);
  Require(negative.bits ==
              (reading.bits ^ (reading.kind == Reading::Kind::Value ? std::uint64_t{1} << 63 : 0)),
          "a minus sign does not negate the reading exactly" + context);
}

}  // namespace
}  // namespace model::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace model::fuzz;
  FuzzInput input(data, size);
  model::ValueMarks marks;
  marks.decimalMark = input.TakeUnit();
  CheckRead(Utf16Of(input.Rest()), marks);
  return 0;
}
