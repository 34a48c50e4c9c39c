#include "model/spacing_advice.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/generation.h"
#include "model/value_text.h"

namespace model {
namespace {

using Values = std::vector<double>;

GenerationStatus StatusWith(const Values& peaks, const std::u16string& spacing,
                            ValueMarks marks = {}) {
  Values process;
  return GenerateLoadingProcess(peaks, ReadValue(spacing, marks), process).status;
}

TEST(SpacingAdviceTest, TheAdvisedSpacingIsTheSmallestThatPassesEverySegment) {
  const struct {
    Values peaks;
    std::u16string advised;
    // The 15-digit spacing just below, which still fails.
    std::u16string below;
  } rows[] = {
      // 250.5 / 0.5 is 501 exactly: the bound itself fails.
      {{0, 250.5, 0}, u"0.500000000000001", u"0.5"},
      // 500 / 501 = 0.99800399201596806...
      {{0, 100, -200, 300}, u"0.998003992015969", u"0.998003992015968"},
      // The generation stops at the second segment, but the last one is the widest.
      {{0, 300, 0, 1000}, u"1.99600798403194", u"1.99600798403193"},
      {{0, 1e-300, 0}, u"1.99600798403194E-303", u"1.99600798403193E-303"},
      // The difference exceeds every double; the quotient is taken in double-extended.
      {{-1.7976931348623157e308, 1.7976931348623157e308, 0},
       u"7.17641970004917E305",
       u"7.17641970004916E305"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.peaks));
    const std::u16string advised = PassingSpacingText(row.peaks, ValueMarks{});
    EXPECT_EQ(advised, row.advised);
    EXPECT_EQ(StatusWith(row.peaks, advised), GenerationStatus::Completed);
    EXPECT_EQ(StatusWith(row.peaks, row.below), GenerationStatus::LimitExceeded);
  }
}

TEST(SpacingAdviceTest, BelowTheNormalRangeTheAdviceStillPasses) {
  // 5e-324 / 501 rounds to zero, a spacing that never passes.
  const Values peaks = {0, 4.9406564584124654e-324, 0};
  const std::u16string advised = PassingSpacingText(peaks, ValueMarks{});
  EXPECT_EQ(advised, u"4.94065645841247E-324");
  EXPECT_EQ(StatusWith(peaks, advised), GenerationStatus::Completed);
}

TEST(SpacingAdviceTest, TheAdviceIsWrittenWithTheDecimalMark) {
  const ValueMarks comma{u',', u'.'};
  const Values peaks = {0, 250.5, 0};
  const std::u16string advised = PassingSpacingText(peaks, comma);
  EXPECT_EQ(advised, u"0,500000000000001");
  EXPECT_EQ(StatusWith(peaks, advised, comma), GenerationStatus::Completed);
}

}  // namespace
}  // namespace model
