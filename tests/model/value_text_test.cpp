#include "model/value_text.h"

#include <cfloat>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/errors.h"
#include "model/extended_bits.h"
#include "model/unicode.h"
#include "model/value_text_internal.h"
#include "tests/model/bits_test_support.h"

namespace model {
namespace {

std::u16string Repeat(char16_t c, std::size_t count) { return std::u16string(count, c); }

struct ReadRow {
  std::u16string text;
  double expected;
};

void ExpectReads(const ReadRow& row) {
  SCOPED_TRACE(ToUtf8(row.text.substr(0, 60)));
  try {
    // Bits, so that negative zero differs from zero.
    EXPECT_EQ(Bits(ReadValue(row.text)), Bits(row.expected));
  } catch (const Exception& error) {
    ADD_FAILURE() << "raised: " << error.what();
  }
}

TEST(ValueTextTest, ReadsTheNumberGrammar) {
  const ReadRow rows[] = {
      {u"1.5", 1.5},
      {u" \t12\r\n", 12},
      {u"+3", 3},
      {u"-0", -0.0},
      {u".5", 0.5},
      {u"5.", 5},
      {u".", 0},
      {u"-.", -0.0},
      {u"1e3", 1000},
      {u"1E+3", 1000},
      {u"2.5e-3", 0.0025},
      {u"-12.5E1", -125},
      // An exponent marker without digits is an exponent of 0.
      {u"1e", 1},
      {u"1e+", 1},
      {u"1E-", 1},
      {u".e5", 0},
      // Leading zeros of the exponent do not count towards its limit of 500.
      {u"1e0000000000005", 1e5},
      {u"1e" + Repeat(u'0', 100000) + u"7", 1e7},
      {u"000123.4500", 123.45},
      {u"0." + Repeat(u'0', 400) + u"1e400", 0.1},
      // The exponent stops at 4999, which the fraction digits bring back into range.
      {u"0." + Repeat(u'0', 4990) + u"1e4999", 1e8},
  };
  for (const ReadRow& row : rows) ExpectReads(row);
}

TEST(ValueTextTest, RoundsAtEveryDoubleExtendedStepNotOnceAtTheEnd) {
  const ReadRow rows[] = {
      {u"18446744073709551615", 18446744073709551615.0},
      // 2^64: the first integer that no longer fits 64 bits.
      {u"18446744073709551616", 18446744073709551616.0},
      {u"123456789012345678901234567890", 1.2345678901234568e29},
      // Each digit step rounds to double-extended, so long digit strings need not read as
      // the correctly rounded double (strtod gives 3.5614456264772597e20 and
      // 6.651767177545576e-3).
      {u"356144562647725932556", 3.561445626477259e20},
      {u"66517671775455753e-19", 0.006651767177545575},
      // Scaled by 10^-200 in two divisions, one by a rounded power: the exact value lies
      // 0.0002 units in the last place above the midpoint of two doubles, and the reading
      // falls below it (strtod gives 4.26724135604226e-186).
      {u"4.26724135604226E-186", 4.2672413560422596e-186},
  };
  for (const ReadRow& row : rows) ExpectReads(row);
}

TEST(ValueTextTest, ReadsTheEdgesOfTheDoubleRange) {
  const ReadRow rows[] = {
      {u"1.7976931348623158e308", DBL_MAX},
      {u"-1.7976931348623158e308", -DBL_MAX},
      // Gradual underflow: subnormal readings are rounded, not flushed.
      {u"2.2250738585072009e-308", FromBits(0x000F'FFFF'FFFF'FFFF)},
      {u"1e-310", 1e-310},
      {u"2.4703282292062328e-324", FromBits(1)},
      // Half the smallest subnormal and below: zero with the sign of the text.
      {u"2.4703282292062327e-324", 0},
      {u"1e-400", 0},
      {u"-1e-400", -0.0},
      {u"1e-4999", 0},
      {u"0." + Repeat(u'0', 100000) + u"1", 0},
  };
  for (const ReadRow& row : rows) ExpectReads(row);
}

TEST(ValueTextTest, ExaminesTheTextUpToItsFirstNul) {
  const ReadRow rows[] = {
      {std::u16string(u"12\0abc", 6), 12},
      {std::u16string(u"12 \0 7", 6), 12},
      {std::u16string(u"\0\0 -4\0", 6), -4},
      {std::u16string(u"5\0\u00e9", 3), 5},
  };
  for (const ReadRow& row : rows) ExpectReads(row);
}

struct ConvertErrorRow {
  std::u16string text;
  std::u16string quoted;  // the trimmed text that the message quotes
};

TEST(ValueTextTest, TextsThatAreNoNumberRaiseConvertErrorQuotingTheTrimmedText) {
  const ConvertErrorRow rows[] = {
      {u"", u""},
      {u" \t\r\n", u""},
      {std::u16string(u"\0", 1), u""},
      {u"  e5\t", u"e5"},
      {u"+", u"+"},
      {u"-e1", u"-e1"},
      {u"1,5", u"1,5"},
      {u"1 000", u"1 000"},
      {u"1 e5", u"1 e5"},
      {u"1e 5", u"1e 5"},
      {u"1.5.2", u"1.5.2"},
      {u"1e5e5", u"1e5e5"},
      {u"--1", u"--1"},
      {u"+-1", u"+-1"},
      {u"- 1", u"- 1"},
      {u"1e--1", u"1e--1"},
      {u"0x10", u"0x10"},
      {u"INF", u"INF"},
      {u"NAN", u"NAN"},
      // Beyond the double-extended range, as an exponent or as the digits themselves.
      {u"1e4933", u"1e4933"},
      {u"1e4999", u"1e4999"},
      {u"1" + Repeat(u'0', 4933), u"1" + Repeat(u'0', 4933)},
      {u"0." + Repeat(u'9', 100000), u"0." + Repeat(u'9', 100000)},
      // The exponent stops at 500; the digit it did not read is left over.
      {u"1e5000", u"1e5000"},
      {u"1e" + Repeat(u'9', 10000), u"1e" + Repeat(u'9', 10000)},
      // The message quotes the whole trimmed text, beyond a NUL too.
      {std::u16string(u" x\0y ", 5), std::u16string(u"x\0y", 3)},
  };
  for (const ConvertErrorRow& row : rows) {
    SCOPED_TRACE(ToUtf8(row.text.substr(0, 60)));
    try {
      ReadValue(row.text);
      ADD_FAILURE() << "no error";
    } catch (const EConvertError& error) {
      EXPECT_EQ(error.Message(), u"'" + row.quoted + u"' is not a valid floating point value");
    }
  }
}

TEST(ValueTextTest, CharactersBeyondAsciiAreNoPartOfANumber) {
  const std::u16string texts[] = {
      u"\u00a012",      // no-break space is not trimmed
      u"12\u3000",      // ideographic space
      u"\ufeff12",      // byte-order mark
      u"\uff11\uff12",  // full-width digits
      u"1\u012e5",      // its low byte is "."
      u"1\u066b5",      // Arabic decimal separator, while the mark is "."
      u"\xD800"
      u"1",  // unpaired surrogate
      u"1\xDC00",
  };
  for (const std::u16string& text : texts) {
    SCOPED_TRACE(ToUtf8(text));
    try {
      ReadValue(text);
      ADD_FAILURE() << "no error";
    } catch (const EConvertError& error) {
      EXPECT_EQ(error.Message(), u"'" + text + u"' is not a valid floating point value");
    }
  }
}

TEST(ValueTextTest, ReadingsBeyondTheLargestDoubleRaiseOverflow) {
  const std::u16string texts[] = {
      u"1.7976931348623159e308",
      u"-1.7976931348623159e308",
      u"1e309",
      u"1e499",
      u"1e500",
      u"1e4932",
      u"1" + Repeat(u'0', 4932),
  };
  for (const std::u16string& text : texts) {
    SCOPED_TRACE(ToUtf8(text.substr(0, 60)));
    try {
      ReadValue(text);
      ADD_FAILURE() << "no error";
    } catch (const EOverflow& error) {
      EXPECT_EQ(error.Message(), u"Floating point overflow");
    }
  }
}

TEST(ValueTextTest, TheDecimalMarkIsTheOnlySeparatorAccepted) {
  const ValueMarks comma{u',', u'.'};
  EXPECT_EQ(ReadValue(u"1,5", comma), 1.5);
  EXPECT_EQ(ReadValue(u"-,25e1", comma), -2.5);
  EXPECT_THROW(ReadValue(u"1.5", comma), EConvertError);

  // A mark beyond ASCII is compared as the whole character.
  const ValueMarks arabic{u'\u066b', u'\u066c'};
  EXPECT_EQ(ReadValue(u"1\u066b5", arabic), 1.5);
  EXPECT_THROW(ReadValue(u"1.5", arabic), EConvertError);
  EXPECT_THROW(ReadValue(u"1k5", arabic), EConvertError);  // "k" is the mark's low byte
}

// The grouping mark is for chart labels alone: a text that holds it is no number.
TEST(ValueTextTest, TheGroupingMarkIsNeverRead) {
  const struct {
    std::u16string text;
    ValueMarks marks;
  } rows[] = {
      {u"1,000", {u'.', u','}},
      {u"1.000", {u',', u'.'}},
      {u"1 000", {u'.', u' '}},
      {u"1'000.5", {u'.', u'\''}},
      {u"1\u066c000", {u'\u066b', u'\u066c'}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(ToUtf8(row.text));
    EXPECT_THROW(ReadValue(row.text, row.marks), EConvertError);
  }
}

struct TrimRow {
  std::u16string text;
  std::u16string expected;
};

TEST(TrimValueTextTest, RemovesControlCharactersAndSpacesAtBothEndsOnly) {
  const TrimRow rows[] = {
      {u"", u""},
      {u" \t\r\n\x1f", u""},
      {std::u16string(u"\0\x01 1 2 \x1f\0", 9), u"1 2"},
      {u"\x21!\x21", u"!!!"},
      {u"\u00a0 1 \u00a0", u"\u00a0 1 \u00a0"},
      {u"\ufeff1\u3000", u"\ufeff1\u3000"},
  };
  for (const TrimRow& row : rows) {
    SCOPED_TRACE(ToUtf8(row.text));
    EXPECT_EQ(detail::TrimValueText(row.text), row.expected);
  }
}

// Base 2^32, least significant digit first.
using BigInteger = std::vector<std::uint32_t>;

void MultiplyByTen(BigInteger& number) {
  std::uint64_t carry = 0;
  for (std::uint32_t& digit : number) {
    carry += std::uint64_t{digit} * 10;
    digit = static_cast<std::uint32_t>(carry);
    carry >>= 32;
  }
  if (carry != 0) number.push_back(static_cast<std::uint32_t>(carry));
}

// The double-extended number nearest to a positive integer: its leading 64 bits, rounded to
// nearest by the bits below, ties to even.
ExtendedBits NearestExtended(const BigInteger& number) {
  const int length = static_cast<int>(number.size()) * 32 - std::countl_zero(number.back());
  const auto bit = [&number](int index) {
    return index >= 0 && (number[static_cast<std::size_t>(index / 32)] >> (index % 32) & 1) != 0;
  };
  std::uint64_t significand = 0;
  for (int index = length - 1; index >= length - 64; --index) {
    significand = significand << 1 | (bit(index) ? 1 : 0);
  }
  bool belowHalf = false;
  for (int index = length - 66; index >= 0 && !belowHalf; --index) belowHalf = bit(index);
  int exponent = length - 1;
  if (bit(length - 65) && (belowHalf || (significand & 1) != 0) && ++significand == 0) {
    significand = std::uint64_t{1} << 63;
    ++exponent;
  }
  return {static_cast<std::uint16_t>(0x3FFF + exponent), significand};
}

TEST(ScaleByPowerOfTenTest, TableEntriesAreTheNearestDoubleExtendedPowers) {
  BigInteger power{1};
  for (int n = 0; n <= 4608; ++n, MultiplyByTen(power)) {
    SCOPED_TRACE("1e" + std::to_string(n));
    const std::size_t index = static_cast<std::size_t>(n);
    if (n < 32) {
      EXPECT_EQ(detail::kPowersOfTenBits[index], NearestExtended(power));
    }
    if (n % 32 == 0 && n >= 32 && n < 512) {
      EXPECT_EQ(detail::kPowersOfTenBy32Bits[index / 32 - 1], NearestExtended(power));
    }
    if (n % 512 == 0 && n >= 512) {
      EXPECT_EQ(detail::kPowersOfTenBy512Bits[index / 512 - 1], NearestExtended(power));
    }
  }
}

TEST(ScaleByPowerOfTenTest, GivesInfinityAndZeroFromAnExponentOf5120) {
  const Extended one = Extended::FromInteger(1);
  EXPECT_TRUE(detail::ScaleByPowerOfTen(one, 4932).IsFinite());
  EXPECT_TRUE(detail::ScaleByPowerOfTen(one, 4933).IsInfinite());
  EXPECT_TRUE(detail::ScaleByPowerOfTen(one, 5120).IsInfinite());
  EXPECT_TRUE(detail::ScaleByPowerOfTen(one, INT_MAX).IsInfinite());

  // 2^16000 (about 1e4816) divided by 10^5119 is about 1e-303; by 10^5120 it is zero.
  const Extended huge = Extended::FromBits({0x3FFF + 16000, std::uint64_t{1} << 63});
  EXPECT_FALSE(detail::ScaleByPowerOfTen(huge, -5119).IsZero());
  EXPECT_TRUE(detail::ScaleByPowerOfTen(huge, -5120).IsZero());
  EXPECT_TRUE(detail::ScaleByPowerOfTen(huge, INT_MIN).IsZero());

  EXPECT_TRUE(detail::ScaleByPowerOfTen(Extended(2.5), 0) == Extended(2.5));
}

}  // namespace
}  // namespace model
