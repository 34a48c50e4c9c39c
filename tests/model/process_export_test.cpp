#include "model/process_export.h"

#include <sys/file.h>

#include <cfloat>
#include <cmath>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/errors.h"
#include "model/generation.h"
#include "model/peak_import.h"
#include "model/value_format.h"
#include "model/value_text.h"
#include "tests/model/file_test_support.h"

namespace model {
namespace {

using Values = std::vector<double>;

class ProcessExportTest : public TemporaryFolderTest {
 protected:
  std::string Exported(const Values& process, ValueMarks marks = {}) {
    ExportLoadingProcess(Path("LoadingProcess.txt"), process, marks);
    return ReadBytes("LoadingProcess.txt");
  }
};

TEST_F(ProcessExportTest, WritesOneFormattedValuePerLine) {
  const struct {
    Values process;
    std::string bytes;
  } rows[] = {
      {{}, ""},
      {{0, 1, 2, 1.2, 0.4, -0.4}, "0\r\n1\r\n2\r\n1.2\r\n0.4\r\n-0.4\r\n"},
      {{-0.0, 1.0 / 3, 1e15, 1.5e-7, DBL_MAX},
       "0\r\n0.333333333333333\r\n1E15\r\n1.5E-7\r\n1.79769313486232E308\r\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.bytes);
    EXPECT_EQ(Exported(row.process), row.bytes);
  }
}

TEST_F(ProcessExportTest, WritesTheDecimalMarkInTheFilesCodePage) {
  EXPECT_EQ(Exported({1.5, -1.5e-7}, {u',', u'.'}), "1,5\r\n-1,5E-7\r\n");
  EXPECT_EQ(Exported({1.5}, {u'\u00B7'}),
            "1\xB7"
            "5\r\n");
  // The Arabic decimal separator is outside the code page: a text that holds it is UTF-8
  // with its byte-order mark; one without it stays in the code page.
  const ValueMarks arabic{u'\u066B', u'\u066C'};
  EXPECT_EQ(Exported({2, 1.5}, arabic),
            "\xEF\xBB\xBF"
            "2\r\n1\xD9\xAB"
            "5\r\n");
  EXPECT_EQ(Exported({3, 1e21}, arabic), "3\r\n1E21\r\n");
  EXPECT_EQ(Exported({}, arabic), "");
  // The grouping mark is never written, wherever it lies.
  EXPECT_EQ(Exported({1234567.5}, {u'.', u'\u066C'}), "1234567.5\r\n");
}

// The text is made and encoded a batch of lines at a time: under every mark, a long process
// gives the lines of its values one after the other, whether a batch shows the mark or not.
TEST_F(ProcessExportTest, ALongProcessGivesTheLinesOfItsValuesUnderEveryMark) {
  // Whole numbers but for a fraction now and then, so that many batches show no mark.
  Values process;
  for (int k = 0; k < 200'000; ++k) process.push_back(k % 9'000 == 4'500 ? k + 0.5 : k);
  const struct {
    char16_t mark;
    std::string markBytes;
    std::string byteOrderMark;
  } rows[] = {
      {u'.', ".", ""},
      {u'\u00B7', "\xB7", ""},
      {u'\u066B', "\xD9\xAB", "\xEF\xBB\xBF"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.markBytes));
    const ValueMarks marks{row.mark};
    std::string expected = row.byteOrderMark;
    for (const double value : process) {
      for (const char16_t unit : FormatValue(value, marks)) {
        expected += unit == row.mark ? row.markBytes : std::string(1, static_cast<char>(unit));
      }
      expected += "\r\n";
    }
    // Compared without printing megabytes when they differ.
    EXPECT_TRUE(Exported(process, marks) == expected);
  }
}

// A mark of Arabic and Persian regional settings: the file must still read back.
TEST_F(ProcessExportTest, ReadsBackUnderADecimalMarkOutsideTheCodePage) {
  const ValueMarks marks{u'\u066B', u'\u066C'};
  const Values process = {1.5, -2.25, 0.1 + 0.2, 1e-300, 7};
  Exported(process, marks);
  Values peaks;
  Values imported_process;
  ImportPeakFile(Path("LoadingProcess.txt"), marks, peaks, imported_process);
  EXPECT_EQ(peaks, (Values{1.5, -2.25, 0.3, 1e-300, 7}));
}

TEST_F(ProcessExportTest, WritesWhatAnInterruptedGenerationLeft) {
  Values process;
  // The first segment needs 1000 steps: its first peak and the last peak remain.
  EXPECT_EQ(GenerateLoadingProcess({0, 1000, -3}, 1, process).status,
            GenerationStatus::LimitExceeded);
  EXPECT_EQ(Exported(process), "0\r\n-3\r\n");
  // A zero spacing leaves the first peak alone.
  EXPECT_THROW(static_cast<void>(GenerateLoadingProcess({5, 1, 2}, 0, process)), EZeroDivide);
  EXPECT_EQ(Exported(process), "5\r\n");
}

TEST_F(ProcessExportTest, ReplacesAnExistingFileAndWritesTheSameBytesTwice) {
  WriteBytes("LoadingProcess.txt", std::string(100, 'x'));
  const Values process = {1, 2.5, -3};
  const std::string first = Exported(process);
  EXPECT_EQ(first, "1\r\n2.5\r\n-3\r\n");
  EXPECT_EQ(Exported(process), first);
  EXPECT_EQ(Entries(), std::vector<std::string>{"LoadingProcess.txt"});
}

TEST_F(ProcessExportTest, FailuresLeaveTheFileAsItWas) {
  WriteBytes("LoadingProcess.txt", "old");
  const Values process = {1, 2};
  {
    const HeldLock reader(Native("LoadingProcess.txt"), LOCK_SH);
    EXPECT_EQ(ErrorMessage<EFCreateError>([&] { Exported(process); }),
              u"Cannot create file \"" + Path("LoadingProcess.txt") +
                  u"\". Resource temporarily unavailable");
  }
  std::filesystem::create_directory(Folder() / "folder");
  EXPECT_EQ(ErrorMessage<EFCreateError>(
                [&] { ExportLoadingProcess(Path("folder"), process, ValueMarks{}); }),
            u"Cannot create file \"" + Path("folder") + u"\". Is a directory");
  EXPECT_EQ(ErrorMessage<EFCreateError>(
                [&] { ExportLoadingProcess(Path("missing/out.txt"), process, ValueMarks{}); }),
            u"Cannot create file \"" + Path("missing/out.txt") + u"\". No such file or directory");
  EXPECT_EQ(
      ErrorMessage<EWriteError>([&] { ExportLoadingProcess(u"/dev/full", process, ValueMarks{}); }),
      u"Stream write error");
  EXPECT_EQ(ReadBytes("LoadingProcess.txt"), "old");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"LoadingProcess.txt", "folder"}));
  EXPECT_EQ(process, (Values{1, 2}));
}

// The values of the written lines, each read on its own.
Values ValuesOfLines(const std::string& bytes) {
  Values values;
  std::istringstream lines(bytes);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_EQ(line.back(), '\r');
    values.push_back(ReadValue(std::u16string(line.begin(), line.end())));
  }
  return values;
}

TEST_F(ProcessExportTest, ReadsBackAsAPeakFileOfTheWrittenDigits) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> magnitude(-300, 300);
  Values process = {0, -0.0, 0.1 + 0.2, 2.0 / 3, 123456.78901234567, 1e-300, -1e300};
  for (int k = 0; k < 2000; ++k) {
    const double value = std::pow(10.0, magnitude(random));
    process.push_back(k % 2 == 0 ? value : -value);
  }
  const std::string bytes = Exported(process);
  Values peaks = {1};
  Values imported_process = {2};
  ImportPeakFile(Path("LoadingProcess.txt"), ValueMarks{}, peaks, imported_process);
  EXPECT_EQ(peaks, ValuesOfLines(bytes));
  EXPECT_TRUE(imported_process.empty());
  ASSERT_EQ(peaks.size(), process.size());
  // Fifteen digits keep every value to within a few parts in 10^15.
  for (std::size_t k = 0; k < process.size(); ++k) {
    EXPECT_LE(std::fabs(peaks[k] - process[k]), 5e-15 * std::fabs(process[k])) << k;
  }

  const ValueMarks comma{u',', u'.'};
  Exported({1.5, -2.25}, comma);
  ImportPeakFile(Path("LoadingProcess.txt"), comma, peaks, imported_process);
  EXPECT_EQ(peaks, (Values{1.5, -2.25}));
}

TEST_F(ProcessExportTest, TheLargestMagnitudesDoNotReadBack) {
  Exported({1, -DBL_MAX, 2});
  Values peaks;
  Values process;
  EXPECT_THROW(ImportPeakFile(Path("LoadingProcess.txt"), ValueMarks{}, peaks, process), EOverflow);
  EXPECT_EQ(peaks, Values{1});
}

}  // namespace
}  // namespace model
