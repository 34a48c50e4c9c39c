// Formats an arbitrary finite double under an arbitrary usable decimal mark, as the export
// writes every value, and reads the text back. The text must be short enough for the
// export's buffer, the value to 15 digits in the notation its size calls for, the same in
// both double-extended implementations, and read back as the double nearest to its digits
// (or, near a midpoint, its neighbour); the four largest magnitudes, written above the
// largest double, must fail with EOverflow. Formatting the reading must give the same text
// again, so that a process exported, imported and exported once more keeps its file; only a
// reading that falls into one of the two ranges written with a leading zero, whose 14
// digits cannot match the 15 of a text just below the range, is written otherwise.
//
// Input: the value (eight bytes), then the decimal mark (two bytes; "." when missing).

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/errors.h"
#include "model/extended.h"
#include "model/unicode.h"
#include "model/value_format.h"
#include "model/value_format_internal.h"
#include "model/value_marks.h"
#include "model/value_text.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/model/bits_test_support.h"
#include "tests/model/readback_test_support.h"

namespace model::fuzz {
namespace {

// A text written with this mark reads back: the mark is no character that the number
// grammar or the trimming of a line already gives a meaning.
bool IsUsableDecimalMark(char16_t mark) {
  return mark > u' ' && !(mark >= u'0' && mark <= u'9') && mark != u'+' && mark != u'-' &&
         mark != u'E' && mark != u'e';
}

// The text with "." for the mark, in ASCII, or empty when any other character is not one
// FormatValue writes.
std::string WithPointFor(const std::u16string& text, char16_t mark) {
  std::string ascii;
  for (const char16_t c : text) {
    if (c == mark) {
      ascii += '.';
    } else if ((c >= u'0' && c <= u'9') || c == u'-' || c == u'E') {
      ascii += static_cast<char>(c);
    } else {
      return {};
    }
  }
  return ascii;
}

// The text, with "." for its mark, is the value to 15 significant digits: without trailing
// zeros after the point, in fixed notation from 0.0001 up to below 1e15 and in scientific
// notation otherwise, and within half a unit of its fifteenth digit of the value (a little
// more, for the rounding of digit 16 after an 18-digit rounding).
void CheckLayout(const std::string& ascii, double value, const std::string& context) {
  const std::size_t exponent = ascii.find('E');
  const std::string mantissa = ascii.substr(0, exponent);
  std::size_t digits = 0;
  bool leading = true;
  for (const char c : mantissa) {
    leading = leading && (c == '0' || c == '.' || c == '-');
    digits += !leading && c != '.';
  }
  Require(digits <= 15, "the text has more than 15 significant digits" + context);
  Require(mantissa.find('.') == mantissa.npos || (mantissa.back() != '0' && mantissa.back() != '.'),
          "the text ends in a zero or a point after the point" + context);
  const long double written = std::strtold(ascii.c_str(), nullptr);
  const long double magnitude = std::fabs(written);
  Require((exponent != ascii.npos) == (magnitude != 0 && (magnitude < 1e-4L || magnitude >= 1e15L)),
          "the text has the wrong notation for its size" + context);
  Require(std::fabs(written - value) <= 6e-15L * std::fabs(static_cast<long double>(value)),
          "the text is further from the value than 15 digits allow" + context);
}

// Whether the text is one of those written with a leading zero, such as 0.995E-264, where
// the estimate of the decimal exponent comes out one too high.
bool HasLeadingZero(std::u16string_view text) {
  if (text.starts_with(u'-')) text.remove_prefix(1);
  return text.starts_with(u'0') && text.find(u'E') != text.npos;
}

template <class E>
std::u16string FormatIn(double value, ValueMarks marks) {
  char16_t buffer[kMaxFormattedValueLength];
  return {buffer, detail::FormatValueIn<E>(value, marks, buffer)};
}

void CheckRoundTrip(double value, ValueMarks marks) {
  const std::u16string text = FormatValue(value, marks);
  const std::string ascii = WithPointFor(text, marks.decimalMark);
  const std::string context =
      " for the double of bits " + std::to_string(Bits(value)) + ", written " + ToUtf8(text);
  Require(!ascii.empty(), "the text holds a character FormatValue never writes" + context);
  Require(text.size() <= kMaxFormattedValueLength, "the text is too long" + context);
  CheckLayout(ascii, value, context);
#ifdef LOADGEN_HAS_X87_EXTENDED
  Require(FormatIn<SoftExtended>(value, marks) == FormatIn<X87Extended>(value, marks),
          "the two double-extended implementations write differently" + context);
#endif

  if (std::fabs(value) >= FromBits(0x7FEF'FFFF'FFFF'FFFC)) {
    try {
      static_cast<void>(ReadValue(text, marks));
      Fail("a text above the largest double read back" + context);
    } catch (const EOverflow&) {
      return;
    }
  }
  double reading = 0;
  try {
    reading = ReadValue(text, marks);
  } catch (const Exception& error) {
    Fail(std::string("reading the text back raised ") + error.what() + context);
  }
  Require(IsReadingOfWrittenText(ascii, reading),
          "the text reads back as " + std::to_string(Bits(reading)) + context);
  const std::u16string rewritten = FormatValue(reading, marks);
  Require(rewritten == text || (HasLeadingZero(rewritten) && !HasLeadingZero(text)),
          "the reading is written differently" + context);
}

}  // namespace
}  // namespace model::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace model::fuzz;
  FuzzInput input(data, size);
  const double value = input.TakeDouble();
  model::ValueMarks marks;
  if (input.Left() > 0) marks.decimalMark = input.TakeUnit();
  // The model holds finite values only, and a mark that the grammar already uses is one
  // under which no number reads back.
  if (!std::isfinite(value) || !IsUsableDecimalMark(marks.decimalMark)) return -1;
  CheckRoundTrip(value, marks);
  return 0;
}
