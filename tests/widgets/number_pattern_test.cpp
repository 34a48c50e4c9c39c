#include "widgets/number_pattern.h"

#include <bit>
#include <cstdint>

#include <gtest/gtest.h>

namespace widgets {
namespace {

TEST(FormatGroupedDecimalTest, GroupsIntegerDigitsAndKeepsThreeDecimals) {
  struct Row {
    double value;
    const char16_t* expected;
  };
  const Row rows[] = {
      {0, u"0"},
      {-0.0, u"0"},
      {7, u"7"},
      {999, u"999"},
      {1500, u"1,500"},
      {-1500, u"-1,500"},
      {1234567.25, u"1,234,567.25"},
      {100000, u"100,000"},
      {0.5, u"0.5"},
      {-0.25, u"-0.25"},
      {0.1 + 0.2, u"0.3"},
      {1.0 / 3, u"0.333"},
      {2.0 / 3, u"0.667"},
      // Halves at the fourth decimal round away from zero, also where the binary value lies
      // a hair below the half (2.0005 is 2.000499999...).
      {0.0625, u"0.063"},
      {2.0005, u"2.001"},
      {-2.0005, u"-2.001"},
      {0.0004999, u"0"},
      // A carry runs through every digit and adds a group.
      {999999.9995, u"1,000,000"},
      // A rounding to zero loses its sign.
      {-0.0004, u"0"},
      {1e20, u"100,000,000,000,000,000,000"},
      {1e-300, u"0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(FormatGroupedDecimal(row.value, u'.', u','), QString::fromUtf16(row.expected));
  }
}

TEST(FormatGroupedDecimalTest, WritesTheGivenMarks) {
  EXPECT_EQ(FormatGroupedDecimal(1500, u',', u'.'), QStringLiteral("1.500"));
  EXPECT_EQ(FormatGroupedDecimal(1234.5, u',', u'.'), QStringLiteral("1.234,5"));
  EXPECT_EQ(FormatGroupedDecimal(-9876543.125, u',', u'\u00a0'),
            QString::fromUtf16(u"-9\u00a0876\u00a0543,125"));
}

TEST(FormatGroupedDecimalTest, WritesTheExtremesOfTheDoubles) {
  const double largest = std::bit_cast<double>(std::uint64_t{0x7FEFFFFFFFFFFFFF});
  const QString text = FormatGroupedDecimal(largest, u'.', u',');
  EXPECT_TRUE(text.startsWith(QStringLiteral("179,769,313,486,231,570,"))) << text.toStdString();
  EXPECT_EQ(text.size(), 309 + 102);
  const double smallestSubnormal = std::bit_cast<double>(std::uint64_t{1});
  EXPECT_EQ(FormatGroupedDecimal(smallestSubnormal, u'.', u','), QStringLiteral("0"));
}

}  // namespace
}  // namespace widgets
