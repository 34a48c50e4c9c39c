// Reads a value from arbitrary UTF-16 text under an arbitrary decimal mark, as the import
// reads every line of a peak file and the generate command the spacing. ReadValue may only
// give a finite value, EConvertError quoting the trimmed text, or EOverflow; anything else
// it throws escapes and aborts. Both double-extended implementations must agree bit for
// bit, and a minus sign put before an unsigned number must negate its reading exactly.
//
// Input: the decimal mark (two bytes), then the text (two bytes per code unit).

#include <bit>
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
    return {Reading::Kind::Value, std::bit_cast<std::uint64_t>(value), {}};
  } catch (const EConvertError& error) {
    return {Reading::Kind::ConvertError, 0, error.Message()};
  } catch (const EOverflow& error) {
    return {Reading::Kind::Overflow, 0, error.Message()};
  }
}

void CheckRead(std::u16string_view text, ValueMarks marks) {
  const Reading reading = ReadIn<Extended>(text, marks);
  const std::string context = " for '" + ToUtf8(text) + "'";
  if (reading.kind == Reading::Kind::ConvertError) {
    Require(reading.message == u"'" + std::u16string(detail::TrimValueText(text)) +
                                   u"' is not a valid floating point value",
            "EConvertError does not quote the trimmed text" + context);
  }
  if (reading.kind == Reading::Kind::Overflow) {
    Require(reading.message == u"Floating point overflow", "EOverflow's message" + context);
  }
#ifdef LOADGEN_HAS_X87_EXTENDED
  Require(ReadIn<SoftExtended>(text, marks) == ReadIn<X87Extended>(text, marks),
          "the two double-extended implementations read differently" + context);
#endif

  // The grammar takes one sign before the digits, so "-" before a trimmed text without one
  // gives the same number negated.
  const std::u16string_view trimmed = detail::TrimValueText(text);
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
