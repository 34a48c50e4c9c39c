#include "model/loading_protocol.h"

#include <cfloat>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/unicode.h"
#include "model/value_format.h"
#include "tests/model/bits_test_support.h"

namespace model {

// Where GoogleTest looks for it, beside the type.
void PrintTo(const ProtocolStep& step, std::ostream* out) {
  *out << step.amplitude << " x " << step.cycles;
}

namespace {

using Steps = std::vector<ProtocolStep>;

// The amplitudes of kAisc341Table, as doubles written in C++.
const double kAisc341Amplitudes[] = {0.00375, 0.005, 0.0075, 0.01, 0.015, 0.02, 0.03, 0.04};
const int kAisc341Cycles[] = {6, 6, 6, 4, 2, 2, 2, 2};

TEST(LoadingProtocolTest, ExpandsEachStepIntoFullCyclesBetweenZeros) {
  const struct {
    const char* name;
    Steps steps;
    std::vector<double> peaks;
  } rows[] = {
      {"no steps", {}, {0, 0}},
      {"one cycle", {{2.5, 1}}, {0, 2.5, -2.5, 0}},
      {"steps in order", {{1, 2}, {3, 1}}, {0, 1, -1, 1, -1, 3, -3, 0}},
      // A negative amplitude starts its cycles in the other direction.
      {"a negative amplitude", {{-1, 1}}, {0, -1, 1, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ExpandProtocol(row.steps), row.peaks);
  }
}

TEST(LoadingProtocolTest, CountsAreWholeNumbersFromOneToTheLimit) {
  const struct {
    std::u16string_view text;
    std::optional<int> count;
  } rows[] = {
      {u"1", 1},
      {u"1000", 1000},
      {u"0006", 6},
      {u"0", std::nullopt},
      {u"1001", std::nullopt},
      // Far beyond an int: the reading stops before it could overflow.
      {u"99999999999999999999999", std::nullopt},
      {u"", std::nullopt},
      {u"+5", std::nullopt},
      {u"-5", std::nullopt},
      {u"5.0", std::nullopt},
      {u"1e3", std::nullopt},
      {u" 5", std::nullopt},
      {u"5 ", std::nullopt},
      // A full-width digit is not an ASCII digit.
      {u"\uFF15", std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(ToUtf8(row.text));
    EXPECT_EQ(ReadProtocolCount(row.text), row.count);
  }
}

TEST(LoadingProtocolTest, ReadsATableOfAmplitudesAndCounts) {
  const struct {
    std::u16string_view table;
    char16_t decimalMark;
    Steps steps;
  } rows[] = {
      {u"0.5x6", u'.', {{0.5, 6}}},
      {u"0.5x6,1X4,-2e1x1", u'.', {{0.5, 6}, {1, 4}, {-20, 1}}},
      // Amplitudes are trimmed as a line of a peak file is.
      {u" 0.5 x6", u'.', {{0.5, 6}}},
      {u"0,5x6,1x4,1,25x1000", u',', {{0.5, 6}, {1, 4}, {1.25, 1000}}},
      // A comma right after a count ends the pair, even before a comma of the amplitude.
      {u"1x2,,5x3", u',', {{1, 2}, {0.5, 3}}},
      {u"1x5x6,2x1", u'x', {{1.5, 6}, {2, 1}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(ToUtf8(row.table));
    const ProtocolReading reading = ReadProtocolTable(row.table, {row.decimalMark, u' '});
    EXPECT_EQ(ToUtf8(reading.fault), "");
    EXPECT_EQ(reading.steps, row.steps);
  }
}

TEST(LoadingProtocolTest, ATableThatDoesNotReadNamesThePairAtFault) {
  const struct {
    std::u16string_view table;
    char16_t decimalMark;
    const char* fault;
  } rows[] = {
      {u"", u'.', "no pairs AMPLITUDExCOUNT"},
      {u"0.5", u'.', "'0.5' is not a pair AMPLITUDExCOUNT"},
      {u"0.5x6,", u'.', "'' is not a pair AMPLITUDExCOUNT"},
      {u"0.5x6,,1x2", u'.', "'' is not a pair AMPLITUDExCOUNT"},
      {u"0.5x6;1x2", u'.', "'0.5x6;1x2': '0.5x6;1' is not a valid floating point value"},
      {u"x6", u'.', "'x6': '' is not a valid floating point value"},
      {u"1 mmx6", u'.', "'1 mmx6': '1 mm' is not a valid floating point value"},
      // Unless the decimal mark is a comma, every comma ends a pair.
      {u"0,5x6", u'.', "'0' is not a pair AMPLITUDExCOUNT"},
      {u"0.5x6", u',', "'0.5x6': '0.5' is not a valid floating point value"},
      {u"1e999x2", u'.', "'1e999x2': Floating point overflow"},
      {u"0.5x0", u'.', "'0.5x0': the count is not a whole number from 1 to 1000"},
      {u"0.5x1001", u'.', "'0.5x1001': the count is not a whole number from 1 to 1000"},
      {u"0.5x2.5", u'.', "'0.5x2.5': the count is not a whole number from 1 to 1000"},
      {u"0.5x", u'.', "'0.5x': the count is not a whole number from 1 to 1000"},
      {u"1x2,0.5x-1", u'.', "'0.5x-1': the count is not a whole number from 1 to 1000"},
      // Under a decimal comma a comma that follows no count stays inside the pair.
      {u"0,5,1x2", u',', "'0,5,1x2': '0,5,1' is not a valid floating point value"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(ToUtf8(row.table));
    const ProtocolReading reading = ReadProtocolTable(row.table, {row.decimalMark, u' '});
    EXPECT_EQ(ToUtf8(reading.fault), row.fault);
    EXPECT_TRUE(reading.steps.empty());
  }
}

TEST(LoadingProtocolTest, Aisc341HasItsQualifyingCyclesScaledInDoubles) {
  const struct {
    double scale;
    // The amplitudes times the scale; these products are exact in binary.
    std::vector<double> amplitudes;
  } rows[] = {
      {1, {0.00375, 0.005, 0.0075, 0.01, 0.015, 0.02, 0.03, 0.04}},
      // Drift angles times a storey height of 2750 mm.
      {2750, {10.3125, 13.75, 20.625, 27.5, 41.25, 55, 82.5, 110}},
      {-2750, {-10.3125, -13.75, -20.625, -27.5, -41.25, -55, -82.5, -110}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.scale);
    Steps expected;
    for (std::size_t i = 0; i < row.amplitudes.size(); ++i) {
      expected.push_back({row.amplitudes[i], kAisc341Cycles[i]});
    }
    EXPECT_EQ(Aisc341Protocol(row.scale), expected);
  }
  Steps unscaled;
  for (std::size_t i = 0; i < std::size(kAisc341Amplitudes); ++i) {
    unscaled.push_back({kAisc341Amplitudes[i], kAisc341Cycles[i]});
  }
  EXPECT_EQ(ExpandProtocol(Aisc341Protocol(1)).size(), 62u);
  // The same steps as its table typed with either decimal mark.
  EXPECT_EQ(ReadProtocolTable(kAisc341Table, {u'.', u','}).steps, unscaled);
  EXPECT_EQ(ReadProtocolTable(u"0,00375x6,0,005x6,0,0075x6,0,01x4,0,015x2,0,02x2,0,03x2,0,04x2",
                              {u',', u'.'})
                .steps,
            unscaled);
}

TEST(LoadingProtocolTest, Fema461DividesTheLargestAmplitudeInSuccession) {
  // 100 divided by 1.4 nine times, one rounding each, is 0x40135C2FBAD39D7B: written as
  // "4.84002582470509", which reads back as itself. Every other amplitude reads back as
  // the double nearest to its written digits, a few units away from the quotient.
  const struct {
    const char* text;
    std::uint64_t bits;
  } amplitudes[] = {
      {"4.84002582470509", 0x40135C2FBAD39D7B}, {"6.77603615458712", 0x401B1AA938C1DC73},
      {"9.48645061642197", 0x4022F9100E214D85}, {"13.2810308629908", 0x402A8FE346FB6C9E},
      {"18.5934432081871", 0x403297EBE4E33269}, {"26.0308204914619", 0x403A07E3DA0AE021},
      {"36.4431486880466", 0x404238B918A13675}, {"51.0204081632653", 0x4049829CBC14E5E0},
      {"71.4285714285714", 0x4051DB6DB6DB6DB5}, {"100", 0x4059000000000000},
  };
  for (const ValueMarks marks : {ValueMarks{u'.', u','}, ValueMarks{u',', u'.'}}) {
    SCOPED_TRACE(ToUtf8(std::u16string(1, marks.decimalMark)));
    const ProtocolReading reading = Fema461Protocol(100, 1.4, 10, 2, marks);
    EXPECT_EQ(ToUtf8(reading.fault), "");
    ASSERT_EQ(reading.steps.size(), std::size(amplitudes));
    for (std::size_t i = 0; i < reading.steps.size(); ++i) {
      SCOPED_TRACE(amplitudes[i].text);
      EXPECT_EQ(Bits(reading.steps[i].amplitude), amplitudes[i].bits);
      EXPECT_EQ(ToUtf8(FormatValue(reading.steps[i].amplitude)), amplitudes[i].text);
      EXPECT_EQ(reading.steps[i].cycles, 2);
    }
    EXPECT_EQ(ExpandProtocol(reading.steps).size(), 42u);
  }
}

TEST(LoadingProtocolTest, Fema461TakesItsStepsAndCyclesAsGiven) {
  const struct {
    double largest;
    double ratio;
    int steps;
    int cycles;
    Steps expected;
  } rows[] = {
      {8, 2, 4, 1, {{1, 1}, {2, 1}, {4, 1}, {8, 1}}},
      {0.5, 1.5, 1, 3, {{0.5, 3}}},
      // The smallest amplitudes fall below the smallest double and become zero.
      {FromBits(1), 4, 3, 1, {{0, 1}, {0, 1}, {FromBits(1), 1}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.steps);
    const ProtocolReading reading =
        Fema461Protocol(row.largest, row.ratio, row.steps, row.cycles, ValueMarks{});
    EXPECT_EQ(ToUtf8(reading.fault), "");
    EXPECT_EQ(reading.steps, row.expected);
  }
}

TEST(LoadingProtocolTest, Fema461RefusesAnAmplitudeWhoseTextDoesNotReadBack) {
  // The four largest doubles are written 1.79769313486232E308, above the largest double;
  // the fifth largest is the largest whose text reads back.
  const struct {
    std::uint64_t largestBits;
    const char* fault;
  } rows[] = {
      {Bits(DBL_MAX),
       "the amplitude 1.79769313486232E308 does not read back: "
       "Floating point overflow"},
      {Bits(DBL_MAX) - 3,
       "the amplitude 1.79769313486232E308 does not read back: "
       "Floating point overflow"},
      {Bits(DBL_MAX) - 4, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.largestBits);
    const ProtocolReading reading =
        Fema461Protocol(FromBits(row.largestBits), 1.4, 10, 2, ValueMarks{});
    EXPECT_EQ(ToUtf8(reading.fault), row.fault);
    EXPECT_EQ(reading.steps.size(), *row.fault == '\0' ? 10u : 0u);
  }
}

}  // namespace
}  // namespace model
