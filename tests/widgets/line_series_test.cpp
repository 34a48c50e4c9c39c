#include "widgets/line_series.h"

#include <bit>
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "widgets/chart.h"

namespace widgets {
namespace {

using Values = std::vector<double>;

// The points and the y range bit for bit, so that a NaN and the sign of a zero count.
std::vector<std::uint64_t> BitsOf(const TLineSeries& series) {
  std::vector<std::uint64_t> bits;
  for (const SeriesPoint& point : series.Points()) {
    bits.push_back(std::bit_cast<std::uint64_t>(point.x));
    bits.push_back(std::bit_cast<std::uint64_t>(point.y));
  }
  if (series.Count() > 0) {
    bits.push_back(std::bit_cast<std::uint64_t>(series.YRange().minimum));
    bits.push_back(std::bit_cast<std::uint64_t>(series.YRange().maximum));
  }
  return bits;
}

struct SequenceRow {
  const char* name;
  Values values;
};

// The chart draws from the points and the y range alone, so equal bits draw equal charts.
TEST(LineSeriesTest, SetValuesGivesThePointsOfClearAndAddXY) {
  const double infinity = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const SequenceRow rows[] = {
      {"empty", {}},
      {"one value", {42.5}},
      {"falling, rising and equal", {3, -1, 2, 2, -7}},
      {"signed zeros", {-0.0, 0.0, -0.0}},
      {"infinities", {infinity, -infinity, 0}},
      // A NaN first makes the range NaN and one later leaves it as it is, as AddXY does.
      {"not a number first", {nan, 1, -1}},
      {"not a number later", {1, nan, -1}},
  };
  for (const SequenceRow& row : rows) {
    SCOPED_TRACE(row.name);
    TChart byPoints;
    byPoints.Series().AddXY(7, 7);
    byPoints.Series().Clear();
    for (std::size_t i = 0; i < row.values.size(); ++i)
      byPoints.Series().AddXY(static_cast<double>(i), row.values[i]);
    TChart byValues;
    byValues.Series().AddXY(7, 7);  // replaced by the values
    byValues.Series().SetValues(row.values);
    EXPECT_EQ(BitsOf(byValues.Series()), BitsOf(byPoints.Series()));
  }
}

// A repeated refill writes into the storage of the one before and touches no fresh memory.
TEST(LineSeriesTest, SetValuesKeepsStorageThatCanHoldTheValues) {
  TChart chart;
  TLineSeries& series = chart.Series();
  series.SetValues(Values(1000, 1.0));
  const SeriesPoint* storage = series.Points().data();
  series.SetValues(Values(1000, 2.0));
  EXPECT_EQ(series.Points().data(), storage);
  series.Clear();
  series.SetValues(Values(10, 3.0));
  EXPECT_EQ(series.Points().data(), storage);
  EXPECT_EQ(series.Count(), 10u);
  EXPECT_EQ(series.YRange(), (AxisRange{3, 3}));
}

}  // namespace
}  // namespace widgets
