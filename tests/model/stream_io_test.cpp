#include "model/stream_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "model/errors.h"
#include "model/peak_import.h"
#include "model/process_export.h"
#include "tests/model/bits_test_support.h"
#include "tests/model/file_test_support.h"

namespace model {
namespace {

using namespace std::string_literals;
using Values = std::vector<double>;

// A pipe whose ends close with it; either end may be closed early.
class Pipe {
 public:
  Pipe() { EXPECT_EQ(::pipe2(ends_, O_CLOEXEC), 0); }
  ~Pipe() {
    CloseReadEnd();
    CloseWriteEnd();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;

  int ReadEnd() const { return ends_[0]; }
  int WriteEnd() const { return ends_[1]; }
  void CloseReadEnd() { Close(ends_[0]); }
  void CloseWriteEnd() { Close(ends_[1]); }
  void MakeNonBlocking(int end) {
    ASSERT_EQ(::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK), 0);
  }

 private:
  static void Close(int& end) {
    if (end >= 0) ::close(end);
    end = -1;
  }
  int ends_[2] = {-1, -1};
};

void WriteWhole(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
    ASSERT_GT(written, 0);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

std::string ReadWhole(int descriptor) {
  std::string bytes;
  char buffer[4096];
  for (ssize_t got; (got = ::read(descriptor, buffer, sizeof buffer)) > 0;) {
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return bytes;
}

class StreamIoTest : public TemporaryFolderTest {
 protected:
  // What importing the bytes from a pipe gives, written in a thread of their own, so that
  // a stream longer than the pipe holds has to be read as it comes.
  Values ImportFromPipe(const std::string& bytes, bool nonBlocking = false) {
    Pipe pipe;
    if (nonBlocking) pipe.MakeNonBlocking(pipe.ReadEnd());
    std::thread writer([&pipe, &bytes] {
      WriteWhole(pipe.WriteEnd(), bytes);
      pipe.CloseWriteEnd();
    });
    Values peaks = {7, 8, 9};
    Values process = {7, 7.5, 8};
    try {
      ImportPeakStream(pipe.ReadEnd(), u"/dev/stdin", ValueMarks{}, peaks, process);
    } catch (...) {
      writer.join();
      throw;
    }
    writer.join();
    EXPECT_TRUE(process.empty());
    return peaks;
  }

  Values ImportFromFile(const std::string& bytes) {
    WriteBytes("peaks.txt", bytes);
    Values peaks;
    Values process;
    ImportPeakFile(Path("peaks.txt"), ValueMarks{}, peaks, process);
    return peaks;
  }
};

TEST_F(StreamIoTest, AStreamReadsAsAFileOfTheSameBytes) {
  std::string long_text;
  for (int i = 0; i < 100000; ++i) long_text += std::to_string(i % 7 - 3) + ".25\r\n";
  const std::string rows[] = {
      "",
      "0\r\n2\r\n-2\r\n4\r\n",
      "1.5\n2.5e1\r3",
      "\xFF\xFE"
      "1\0\r\0\n\0-\0"
      "2\0"s,
      "\xFE\xFF\0"
      "1\0\n"s,
      "\xEF\xBB\xBF"
      "4\r\n",
      "5\r\n\0\0"s,
      // Longer than a pipe holds.
      long_text,
  };
  for (const std::string& bytes : rows) {
    SCOPED_TRACE(testing::PrintToString(bytes.substr(0, 40)));
    EXPECT_EQ(Bits(ImportFromPipe(bytes)), Bits(ImportFromFile(bytes)));
  }
  SCOPED_TRACE("a non-blocking stream");
  EXPECT_EQ(Bits(ImportFromPipe(long_text, true)), Bits(ImportFromFile(long_text)));
}

TEST_F(StreamIoTest, AStreamFailsAsAFileWouldUnderItsName) {
  EXPECT_EQ(ErrorMessage<EConvertError>([this] { ImportFromPipe("1\r\nx\r\n2\r\n"); }),
            u"'x' is not a valid floating point value");
  EXPECT_EQ(ErrorMessage<EEncodingError>([this] {
              ImportFromPipe(
                  "\xEF\xBB\xBF"
                  "1\xFF");
            }),
            u"Cannot read file \"/dev/stdin\". Invalid UTF-8 sequence at byte 4");
  EXPECT_EQ(ErrorMessage<EEncodingError>([this] {
              ImportFromPipe(
                  "1\0"
                  "2"s);
            }),
            u"Cannot read file \"/dev/stdin\". NUL character at byte 1");

  // A folder on standard input opens but does not read.
  const int folder = ::open(Folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0);
  Values peaks = {1};
  Values process = {2};
  EXPECT_EQ(ErrorMessage<EFOpenError>(
                [&] { ImportPeakStream(folder, u"/dev/stdin", ValueMarks{}, peaks, process); }),
            u"Cannot open file \"/dev/stdin\". Is a directory");
  ::close(folder);
  EXPECT_TRUE(peaks.empty());
  EXPECT_TRUE(process.empty());
}

// What the caller hands over is read as it is: a file from where an earlier reader left it
// to its end, where it is left in turn, whoever holds a lock on it; a device such as
// /dev/null as the stream it gives.
TEST_F(StreamIoTest, ADescriptorIsReadAsItIsHandedOver) {
  WriteBytes("peaks.txt", "1\r\n2\r\n3\r\n");
  const HeldLock writer(Native("peaks.txt"), LOCK_EX);
  const int file = ::open(Native("peaks.txt").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(file, 0);
  ASSERT_EQ(::lseek(file, 3, SEEK_SET), 3);
  Values peaks = {7};
  Values process = {8};
  ImportPeakStream(file, u"/dev/stdin", ValueMarks{}, peaks, process);
  EXPECT_EQ(peaks, (Values{2, 3}));
  EXPECT_EQ(::lseek(file, 0, SEEK_CUR), 9);
  ::close(file);

  const int device = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(device, 0);
  peaks = {7};
  ImportPeakStream(device, u"/dev/stdin", ValueMarks{}, peaks, process);
  EXPECT_TRUE(peaks.empty());
  ::close(device);
}

TEST_F(StreamIoTest, WritesTheBytesOfTheExportedFile) {
  Values many;
  for (int i = 0; i < 10001; ++i) many.push_back(i * 0.1 - 300);
  const Values rows[] = {
      {},
      {0, 1, 2, 1.2, 0.4, -0.4},
      {-0.0, 1e21, 1.5e-7, 1.7976931348623157e308},
      // More than one part, the last one short.
      many,
  };
  for (const Values& process : rows) {
    SCOPED_TRACE(process.size());
    ExportLoadingProcess(Path("exported.txt"), process, ValueMarks{});
    Pipe pipe;
    pipe.MakeNonBlocking(pipe.WriteEnd());
    std::string streamed;
    std::thread reader([&pipe, &streamed] { streamed = ReadWhole(pipe.ReadEnd()); });
    ExportLoadingProcessTo(pipe.WriteEnd(), process, ValueMarks{});
    pipe.CloseWriteEnd();
    reader.join();
    EXPECT_EQ(streamed, ReadBytes("exported.txt"));
  }
}

TEST_F(StreamIoTest, AFullDeviceIsAWriteError) {
  const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
  if (full < 0) GTEST_SKIP() << "no /dev/full here";
  EXPECT_EQ(ErrorMessage<EWriteError>([full] {
              ExportLoadingProcessTo(full, {1, 2}, ValueMarks{});
            }),
            u"Stream write error");
  ::close(full);
}

}  // namespace
}  // namespace model
