#include "model/peak_import.h"

#include <sys/file.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/errors.h"
#include "model/value_text.h"
#include "tests/model/bits_test_support.h"
#include "tests/model/file_test_support.h"

namespace model {
namespace {

using namespace std::string_literals;
using Values = std::vector<double>;

class PeakImportTest : public TemporaryFolderTest {
 protected:
  // What an earlier import and generation left behind, which every import discards.
  Values peaks_ = {7, 8, 9};
  Values process_ = {7, 7.5, 8};
};

TEST_F(PeakImportTest, ReadsOneValuePerLineInFileOrder) {
  // clang-format off
  const struct {
    std::string bytes;
    Values peaks;
  } rows[] = {
      {"", {}},
      {"0\r\n10\r\n-10\r\n20\r\n-20\r\n0\r\n", {0, 10, -10, 20, -20, 0}},
      {"0\r\n10\r\n-10\r\n20\r\n-20\r\n0", {0, 10, -10, 20, -20, 0}},
      {"1.5\n2.5e1\r3\r\n", {1.5, 25, 3}},
      {" \t1.5 \t\r\n+2\r\n", {1.5, 2}},
      {"-0\r\n", {-0.0}},
      {"\xFF\xFE" "1\0\r\0\n\0-\0" "2\0"s, {1, -2}},
      {"\xEF\xBB\xBF" "4\r\n", {4}},
      {"5\r\n\0\0"s, {5}},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.bytes));
    WriteBytes("peaks.txt", row.bytes);
    ImportPeakFile(Path("peaks.txt"), ValueMarks{}, peaks_, process_);
    EXPECT_EQ(Bits(peaks_), Bits(row.peaks));
    EXPECT_TRUE(process_.empty());
  }
}

TEST_F(PeakImportTest, StopsAtTheFirstLineThatIsNoValueAndKeepsTheValuesAboveIt) {
  const struct {
    std::string bytes;
    Values peaks;
    std::u16string message;
  } rows[] = {
      // Two line breaks at the end make an empty last line.
      {"1\r\n2\r\n\r\n", {1, 2}, u"'' is not a valid floating point value"},
      {"1\r\n\r\n3\r\n", {1}, u"'' is not a valid floating point value"},
      {"1\r\n \t \r\n3\r\n", {1}, u"'' is not a valid floating point value"},
      {"\r\n1\r\n", {}, u"'' is not a valid floating point value"},
      {"1\r\n 2 3 \r\n4\r\n", {1}, u"'2 3' is not a valid floating point value"},
      {"1\r\n2\r\nabc\r\n", {1, 2}, u"'abc' is not a valid floating point value"},
      {"1\r\n1,5\r\n", {1}, u"'1,5' is not a valid floating point value"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.bytes));
    WriteBytes("peaks.txt", row.bytes);
    EXPECT_EQ(ErrorMessage<EConvertError>(
                  [&] { ImportPeakFile(Path("peaks.txt"), ValueMarks{}, peaks_, process_); }),
              row.message);
    EXPECT_EQ(peaks_, row.peaks);
    EXPECT_TRUE(process_.empty());
  }
}

TEST_F(PeakImportTest, ANumberBeyondTheDoublesIsAnOverflow) {
  WriteBytes("peaks.txt", "1\r\n-1e400\r\n2\r\n");
  EXPECT_EQ(ErrorMessage<EOverflow>(
                [&] { ImportPeakFile(Path("peaks.txt"), ValueMarks{}, peaks_, process_); }),
            u"Floating point overflow");
  EXPECT_EQ(peaks_, Values{1});
  EXPECT_TRUE(process_.empty());
}

TEST_F(PeakImportTest, AFileThatCannotBeReadLeavesBothSequencesEmpty) {
  WriteBytes("locked.txt", "1\r\n");
  const HeldLock writer(Native("locked.txt"), LOCK_EX);
  // UTF-16 without a mark: only the first digit would remain ahead of the first NUL.
  WriteBytes("utf16.txt",
             "1\0"
             "0\0\r\0\n\0"
             "2\0"
             "0\0"s);
  WriteBytes("utf8.txt",
             "\xEF\xBB\xBF"
             "1\r\n2\xFF\r\n");
  const struct {
    std::string name;
    bool cannotOpen;
    std::u16string message;
  } rows[] = {
      {"missing.txt", true,
       u"Cannot open file \"" + Path("missing.txt") + u"\". No such file or directory"},
      {"locked.txt", true,
       u"Cannot open file \"" + Path("locked.txt") + u"\". Resource temporarily unavailable"},
      {"utf16.txt", false,
       u"Cannot read file \"" + Path("utf16.txt") + u"\". NUL character at byte 1"},
      {"utf8.txt", false,
       u"Cannot read file \"" + Path("utf8.txt") + u"\". Invalid UTF-8 sequence at byte 7"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    peaks_ = {7, 8, 9};
    process_ = {7, 7.5, 8};
    try {
      ImportPeakFile(Path(row.name), ValueMarks{}, peaks_, process_);
      ADD_FAILURE() << "no error raised";
    } catch (const EStreamError& error) {
      EXPECT_EQ(error.Message(), row.message);
      EXPECT_EQ(dynamic_cast<const EFOpenError*>(&error) != nullptr, row.cannotOpen);
      EXPECT_EQ(dynamic_cast<const EEncodingError*>(&error) != nullptr, !row.cannotOpen);
    }
    EXPECT_TRUE(peaks_.empty());
    EXPECT_TRUE(process_.empty());
  }
}

// The lines of a peak file, each with a different value of up to 15 digits, and those
// values as each line reads on its own.
struct LongFile {
  explicit LongFile(int count) {
    for (int k = 0; k < count; ++k) {
      lines.push_back(std::to_string(k - count / 2) + "." +
                      std::to_string(std::int64_t{k} * 7919 % 9973));
      values.push_back(ReadValue(std::u16string(lines.back().begin(), lines.back().end())));
    }
  }

  std::string Bytes(const std::string& lineEnd) const {
    std::string bytes;
    for (const std::string& line : lines) bytes += line + lineEnd;
    return bytes;
  }

  std::vector<std::string> lines;
  Values values;
};

// A long file is read in pieces by two threads at once: every value must land in its place
// whatever thread read it.
TEST_F(PeakImportTest, ReadsLongFilesValueForValue) {
  const LongFile file(300'000);
  for (const std::string line_end : {"\r\n", "\n", "\r"}) {
    SCOPED_TRACE(testing::PrintToString(line_end));
    WriteBytes("peaks.txt", file.Bytes(line_end));
    ImportPeakFile(Path("peaks.txt"), ValueMarks{}, peaks_, process_);
    EXPECT_TRUE(Bits(peaks_) == Bits(file.values));
    EXPECT_TRUE(process_.empty());
  }
}

// Both threads read under the marks given, from the code page's bytes as from decoded text.
TEST_F(PeakImportTest, ALongFileIsReadUnderTheMarksGiven) {
  // Just long enough for two threads.
  const LongFile file(70'000);
  std::string bytes = file.Bytes("\r\n");
  std::replace(bytes.begin(), bytes.end(), '.', ',');
  for (const std::string byteOrderMark : {"", "\xEF\xBB\xBF"}) {
    SCOPED_TRACE(testing::PrintToString(byteOrderMark));
    WriteBytes("peaks.txt", byteOrderMark + bytes);
    ImportPeakFile(Path("peaks.txt"), {u',', u'.'}, peaks_, process_);
    EXPECT_TRUE(Bits(peaks_) == Bits(file.values));
  }
  EXPECT_EQ(ErrorMessage<EConvertError>(
                [&] { ImportPeakFile(Path("peaks.txt"), ValueMarks{}, peaks_, process_); }),
            u"'-35000,0' is not a valid floating point value");
}

// Lines that are no values all through a part of a long file, so that both threads meet
// some: the first of them is reported, and exactly the values above it stay.
TEST_F(PeakImportTest, ALongFileStopsAtItsFirstLineThatIsNoValue) {
  LongFile file(300'000);
  const std::string first = "first";
  const std::string later = "later";
  for (std::size_t k = 200'000; k < 280'000; k += 2'500) {
    file.lines[k] = k == 200'000 ? first : later;
  }
  WriteBytes("peaks.txt", file.Bytes("\r\n"));
  EXPECT_EQ(ErrorMessage<EConvertError>(
                [&] { ImportPeakFile(Path("peaks.txt"), ValueMarks{}, peaks_, process_); }),
            u"'first' is not a valid floating point value");
  file.values.resize(200'000);
  EXPECT_TRUE(Bits(peaks_) == Bits(file.values));
  EXPECT_TRUE(process_.empty());
}

// A device has no lines to import; taking it for an empty file would clear the charts
// without a word.
TEST_F(PeakImportTest, ADeviceIsNoPeakFile) {
  EXPECT_EQ(ErrorMessage<EFOpenError>(
                [&] { ImportPeakFile(u"/dev/urandom", ValueMarks{}, peaks_, process_); }),
            u"Cannot open file \"/dev/urandom\". Not a regular file");
  EXPECT_TRUE(peaks_.empty());
  EXPECT_TRUE(process_.empty());
}

}  // namespace
}  // namespace model
