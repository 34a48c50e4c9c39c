#pragma once

// Support for tests of file operations: a fixture that gives every test a fresh, empty
// folder of its own and reads and writes raw bytes there, a lock held as another program
// would hold it, the message of an expected error, and an export long enough to be
// written a buffer at a time.

#include <fcntl.h>
#include <grp.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "model/file_replacement.h"
#include "model/process_export.h"

namespace model {

class TemporaryFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = (std::filesystem::temp_directory_path() / "loadgen-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(name.data()), nullptr);
    folder_ = name;
  }

  void TearDown() override {
    // A test may have taken away the right to change the folder.
    std::filesystem::permissions(folder_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add);
    std::filesystem::remove_all(folder_);
  }

  const std::filesystem::path& Folder() const { return folder_; }

  // The native name of a file in the folder.
  std::string Native(const std::string& name) const { return (folder_ / name).string(); }

  // The same name as the model takes it; the folder's name is ASCII.
  std::u16string Path(const std::string& name) const { return Widen(Native(name)); }

  static std::u16string Widen(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
  }

  void WriteBytes(const std::string& name, const std::string& bytes) const {
    std::ofstream out(Native(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << name;
  }

  std::string ReadBytes(const std::string& name) const {
    std::ifstream in(Native(name), std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // The names in the folder, to show that nothing was left behind.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path folder_;
};

// An advisory lock on a file of its own open file description, as another program holds it.
class HeldLock {
 public:
  // operation is LOCK_SH or LOCK_EX.
  HeldLock(const std::string& native, int operation)
      : descriptor_(::open(native.c_str(), O_RDONLY | O_CLOEXEC)) {
    EXPECT_GE(descriptor_, 0) << native;
    EXPECT_EQ(::flock(descriptor_, operation | LOCK_NB), 0) << native;
  }
  ~HeldLock() { ::close(descriptor_); }
  HeldLock(const HeldLock&) = delete;
  HeldLock& operator=(const HeldLock&) = delete;

 private:
  int descriptor_;
};

// The unprivileged user "nobody" and its group "nogroup".
inline constexpr uid_t kNobody = 65534;

// Root may write anywhere: a check that needs the system to refuse runs in a child process
// that, started as root, becomes "nobody" with no other group, as
// `setpriv --reuid=nobody --regid=nogroup --clear-groups` would make it. The check passes
// when it returns true.
template <typename Check>
void ExpectAsNobody(Check&& check) {
  EXPECT_EXIT(
      {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
          std::_Exit(2);
        }
        std::_Exit(check() ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

// The message of the Error that operation raises; a test failure if it raises none.
template <typename Error, typename Operation>
std::u16string ErrorMessage(Operation&& operation) {
  try {
    operation();
  } catch (const Error& error) {
    return error.Message();
  }
  ADD_FAILURE() << "no error raised";
  return {};
}

// A loading process whose text, about 9 MB of values with 15 digits, the export writes in
// several buffers.
inline std::vector<double> ProcessOfSeveralBuffers() {
  std::vector<double> process(500'000);
  for (std::size_t k = 0; k < process.size(); ++k) process[k] = static_cast<double>(k) / 3.0;
  return process;
}

// The sizes of the pieces, empty ones left out, in which the export hands on the text of
// process: the buffers that reach the file one after the other.
inline std::vector<std::size_t> ExportedPieceSizes(const std::vector<double>& process) {
  class PieceSizes final : public detail::ContentSink {
   public:
    void Write(std::string_view bytes) override {
      if (!bytes.empty()) sizes.push_back(bytes.size());
    }
    std::vector<std::size_t> sizes;
  };
  PieceSizes pieces;
  detail::WriteLoadingProcessContent(process, ValueMarks{}, pieces);
  return pieces.sizes;
}

}  // namespace model
