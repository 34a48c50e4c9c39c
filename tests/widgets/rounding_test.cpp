#include "widgets/rounding.h"

#include <string>

#include <gtest/gtest.h>

namespace widgets {
namespace {

TEST(RoundQuotientToEvenTest, RoundsToNearestWithTiesToEven) {
  struct Row {
    int numerator;
    int denominator;
    int expected;
  };
  // clang-format off
  const Row rows[] = {
      {7, 2, 4},     {5, 2, 2},    {1, 2, 0},     {0, 5, 0},
      {2, 3, 1},     {4, 3, 1},    {17750, 100, 178},
      // Negative quotients arise in the splitter below 2 pixels of height.
      {-1, 2, 0},    {-3, 2, -2},  {-5, 2, -2},   {-7, 2, -4},  {-2, 3, -1},
      {5, -2, -2},   {-7, -2, 4},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.numerator) + " / " + std::to_string(row.denominator));
    EXPECT_EQ(RoundQuotientToEven(row.numerator, row.denominator), row.expected);
  }
}

}  // namespace
}  // namespace widgets
