// Imports a peak file of arbitrary bytes under an arbitrary decimal mark, as the import
// command does. ImportPeakFile may only end normally or with EConvertError, EOverflow or
// EEncodingError; anything else it throws escapes and aborts. Whatever the outcome, the
// loading process must be empty and the peaks must be the values of the file's lines, as
// ReadLineFile splits them and ReadValue reads them, up to the first line that is no value,
// whose error the import must raise.
//
// Input: the decimal mark (two bytes), then the file's bytes. Files long enough to be read
// on two threads, of tens of thousands of lines, are left to the unit tests: each would take
// a tenth of a second here, and starve the rest.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/errors.h"
#include "model/line_file.h"
#include "model/peak_import.h"
#include "model/unicode.h"
#include "model/value_marks.h"
#include "model/value_text.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/model/bits_test_support.h"

namespace model::fuzz {
namespace {

// The peaks read, as bits, and the message of the error that ended the reading, if any.
struct Import {
  std::vector<std::uint64_t> peaks;
  std::u16string error;

  friend bool operator==(const Import&, const Import&) = default;
};

Import ImportFile(const MemoryFile& file, ValueMarks marks) {
  // What an earlier import and generation left, which the import must drop.
  std::vector<double> peaks{1, 2, 3};
  std::vector<double> process{4, 5};
  std::u16string error;
  try {
    ImportPeakFile(file.Path(), marks, peaks, process);
  } catch (const EConvertError& failure) {
    error = failure.Message();
  } catch (const EOverflow& failure) {
    error = failure.Message();
  } catch (const EEncodingError& failure) {
    error = failure.Message();
  }
  Require(process.empty(), "the import left values in the loading process");
  return {Bits(peaks), error};
}

// The values of the file's lines read one by one, up to the first that is no value.
Import ReadLineByLine(const MemoryFile& file, ValueMarks marks) {
  Import expected;
  std::vector<std::u16string> lines;
  try {
    lines = ReadLineFile(file.Path());
  } catch (const EEncodingError& failure) {
    expected.error = failure.Message();
    return expected;
  }
  for (const std::u16string& line : lines) {
    try {
      expected.peaks.push_back(Bits(ReadValue(line, marks)));
    } catch (const Exception& failure) {
      expected.error = failure.Message();
      break;
    }
  }
  return expected;
}

void CheckImport(const MemoryFile& file, ValueMarks marks) {
  const Import imported = ImportFile(file, marks);
  const Import expected = ReadLineByLine(file, marks);
  if (imported == expected) return;
  std::string what = "imported " + std::to_string(imported.peaks.size()) + " peaks and '" +
                     ToUtf8(imported.error) + "', expected " +
                     std::to_string(expected.peaks.size()) + " and '" + ToUtf8(expected.error) +
                     "'";
  const auto differing = std::ranges::mismatch(imported.peaks, expected.peaks);
  if (differing.in1 != imported.peaks.end() && differing.in2 != expected.peaks.end()) {
    what += "; peak " + std::to_string(differing.in1 - imported.peaks.begin()) + " differs";
  }
  Fail(what);
}

}  // namespace
}  // namespace model::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace model::fuzz;
  static MemoryFile file;
  FuzzInput input(data, size);
  model::ValueMarks marks;
  marks.decimalMark = input.TakeUnit();
  file.Fill(input.Rest());
  CheckImport(file, marks);
  return 0;
}
