#include "model/file_replacement.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "model/errors.h"
#include "model/file_replacement_internal.h"
#include "model/line_file.h"
#include "model/process_export.h"
#include "tests/model/file_test_support.h"

namespace model {
namespace {

using Lines = std::vector<std::u16string>;
using namespace std::string_literals;

class FileReplacementTest : public TemporaryFolderTest {
 protected:
  std::u16string CreateMessage(const std::string& name, const char16_t* reason) const {
    return u"Cannot create file \"" + Path(name) + u"\". " + reason;
  }

  // A symbolic link at name that owner has made.
  void Plant(const std::string& name, const std::string& target, uid_t owner) const {
    ASSERT_EQ(::symlink(target.c_str(), Native(name).c_str()), 0) << name;
    ASSERT_EQ(::lchown(Native(name).c_str(), owner, owner), 0) << name;
  }

  // The permissions of the files that this process holds open in the folder, other than
  // name: the temporary file of a replacement, named or not.
  std::vector<mode_t> ModesOfTemporaryFiles(const std::string& name) const {
    std::vector<mode_t> modes;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
      std::error_code no_link;
      const std::string file = std::filesystem::read_symlink(entry.path(), no_link).string();
      struct stat status {};
      if (file.starts_with(Folder().string() + "/") && file != Native(name) &&
          ::stat(entry.path().c_str(), &status) == 0) {
        modes.push_back(status.st_mode & 07777);
      }
    }
    return modes;
  }

  // Whether the folder's file system makes files without a name.
  bool MakesUnnamedFiles() const {
    const int file = ::open(Folder().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (file < 0) return false;
    ::close(file);
    return true;
  }

  void MakeFolder(const std::string& name, mode_t mode, uid_t owner) const {
    ASSERT_TRUE(std::filesystem::create_directory(Folder() / name)) << name;
    ASSERT_EQ(::chown(Native(name).c_str(), owner, owner), 0) << name;
    ASSERT_EQ(::chmod(Native(name).c_str(), mode), 0) << name;
  }
};

// Another user must not read the new content of a file that is private to its owner,
// neither while it is written nor before it has the old file's permissions.
TEST_F(FileReplacementTest, TheNewContentIsKeptFromOthersWhileItIsWritten) {
  WriteBytes("secret.txt", "old");
  ASSERT_EQ(::chmod(Native("secret.txt").c_str(), 0600), 0);
  const mode_t previous_umask = ::umask(022);
  std::vector<mode_t> modes;
  std::vector<std::string> entries;
  detail::WriteFileContent(Path("secret.txt"), [&](detail::ContentSink& sink) {
    sink.Write("new ");
    modes = ModesOfTemporaryFiles("secret.txt");
    entries = Entries();
    sink.Write("content");
  });
  ::umask(previous_umask);

  EXPECT_EQ(modes, std::vector<mode_t>{0600});
  // Without a name no one else can even open it.
  if (MakesUnnamedFiles()) {
    EXPECT_EQ(entries, std::vector<std::string>{"secret.txt"});
  }
  EXPECT_EQ(ReadBytes("secret.txt"), "new content");
  EXPECT_EQ(std::filesystem::status(Native("secret.txt")).permissions(),
            static_cast<std::filesystem::perms>(0600));
}

// An export killed while it writes leaves nothing beside the target, which keeps its old
// content whole, or stays away where there was none.
TEST_F(FileReplacementTest, AKilledExportLeavesNothingBehind) {
  constexpr int kPieces = 4;
  const std::string piece(1 << 20, '7');
  for (const bool existing : {true, false}) {
    // Before the first byte, after the first piece, halfway, and with every byte written.
    for (const int killed_before : {0, 1, kPieces / 2, kPieces}) {
      SCOPED_TRACE(testing::Message()
                   << "existing " << existing << ", killed before piece " << killed_before);
      std::filesystem::remove(Native("LoadingProcess.txt"));
      if (existing) WriteBytes("LoadingProcess.txt", "old");
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        detail::WriteFileContent(Path("LoadingProcess.txt"), [&](detail::ContentSink& sink) {
          for (int k = 0; k <= kPieces; ++k) {
            if (k == killed_before) ::raise(SIGKILL);
            if (k < kPieces) sink.Write(piece);
          }
        });
        std::_Exit(0);
      }
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
      if (existing) {
        EXPECT_EQ(Entries(), std::vector<std::string>{"LoadingProcess.txt"});
        EXPECT_EQ(ReadBytes("LoadingProcess.txt"), "old");
      } else {
        EXPECT_EQ(Entries(), std::vector<std::string>{});
      }
    }
  }
}

// A user who may write a file of another owner or group, but may not hand a file over to
// them, must not replace it with a file of their own: it is written in place instead.
TEST_F(FileReplacementTest, AFileWhoseOwnerCannotBeKeptIsWrittenInPlace) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a folder of ours a file of another";
  ASSERT_EQ(::chmod(Folder().c_str(), 0755), 0);
  MakeFolder("home", 0755, kNobody);
  const struct {
    std::string name;
    uid_t owner;
    gid_t group;
  } rows[] = {
      {"home/roots.txt", 0, 0},
      {"home/group roots.txt", kNobody, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WriteBytes(row.name, std::string(100, 'x'));
    ASSERT_EQ(::chown(Native(row.name).c_str(), row.owner, row.group), 0);
    ASSERT_EQ(::chmod(Native(row.name).c_str(), 0666), 0);
    struct stat before {};
    ASSERT_EQ(::stat(Native(row.name).c_str(), &before), 0);

    ExpectAsNobody([&] {
      WriteLineFile(Path(row.name), {u"1"});
      return true;
    });

    struct stat after {};
    ASSERT_EQ(::stat(Native(row.name).c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, row.owner);
    EXPECT_EQ(after.st_gid, row.group);
    EXPECT_EQ(after.st_mode & 07777, 0666u);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(ReadBytes(row.name), "1\r\n");
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder() / "home"),
                          std::filesystem::directory_iterator()),
            2);
}

// Another user's link in a shared folder such as /tmp must not send an export to a file of
// ours; the kernel stops it only where fs.protected_symlinks is on.
TEST_F(FileReplacementTest, ALinkPlantedInASharedFolderIsNotFollowed) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can make a link that another user owns";
  WriteBytes("notes.txt", "mine");
  MakeFolder("shared", 01777, 0);
  Plant("shared/LoadingProcess.txt", "../notes.txt", kNobody);
  // On the way to the file as much as at its end.
  Plant("shared/home", "..", kNobody);
  for (const std::string name : {"shared/LoadingProcess.txt", "shared/home/notes.txt"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ErrorMessage<EFCreateError>([&] { WriteLineFile(Path(name), {u"1"}); }),
              CreateMessage(name, u"Permission denied"));
    EXPECT_EQ(ReadBytes("notes.txt"), "mine");
  }
  EXPECT_EQ(Entries(), (std::vector<std::string>{"notes.txt", "shared"}));
}

// Links that the rule lets through: our own, the shared folder owner's, and any link in a
// folder that is not both sticky and open to everyone.
TEST_F(FileReplacementTest, LinksThatCannotHaveBeenPlantedAreFollowed) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can make a link that another user owns";
  MakeFolder("shared", 01777, 0);
  MakeFolder("nobodys", 01777, kNobody);
  MakeFolder("open", 0777, 0);
  const struct {
    std::string link;
    uid_t owner;
  } rows[] = {
      {"shared/own.txt", 0},
      {"nobodys/by owner.txt", kNobody},
      {"open/by nobody.txt", kNobody},
  };
  int written = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.link);
    const std::string target = "target" + std::to_string(++written) + ".txt";
    Plant(row.link, "../" + target, row.owner);
    WriteLineFile(Path(row.link), {u"1"});
    EXPECT_EQ(ReadBytes(target), "1\r\n");
    EXPECT_TRUE(std::filesystem::is_symlink(Folder() / row.link));
  }
}

// Where the file system cannot set room aside, a byte written into each block takes it,
// beyond the old end only.
TEST_F(FileReplacementTest, ReservingByWritingTakesTheRoomBeyondTheOldEnd) {
  WriteBytes("data.txt", "old");
  const int file = ::open(Native("data.txt").c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(file, 0);
  EXPECT_EQ(detail::ReserveByWriting(file, 3, 100'000), 0);
  struct stat status {};
  ASSERT_EQ(::fstat(file, &status), 0);
  ::close(file);
  // Blocks of 512 bytes: every one of the file's blocks is there, none is a hole.
  EXPECT_GE(status.st_blocks * 512, 100'000);
  EXPECT_TRUE(ReadBytes("data.txt") == "old" + std::string(100'000 - 3, '\0'));
}

// A disk of 64 KiB, mounted at "small" in the folder, that a long export overfills.
class SmallFileSystemTest : public FileReplacementTest {
 protected:
  void SetUp() override {
    FileReplacementTest::SetUp();
    if (::geteuid() != 0) GTEST_SKIP() << "only root can mount a small file system";
    ASSERT_TRUE(std::filesystem::create_directory(Folder() / "small"));
    if (::mount("loadgen-test", Native("small").c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0) {
      GTEST_SKIP() << "cannot mount a file system here: " << std::strerror(errno);
    }
    mounts_.push_back(Native("small"));
  }

  void TearDown() override {
    for (auto mount = mounts_.rbegin(); mount != mounts_.rend(); ++mount) {
      ::umount2(mount->c_str(), MNT_DETACH);
    }
    FileReplacementTest::TearDown();
  }

  // Makes name a mount point that shows the file source.
  void BindMount(const std::string& source, const std::string& name) {
    WriteBytes(name, "");
    ASSERT_EQ(::mount(Native(source).c_str(), Native(name).c_str(), nullptr, MS_BIND, nullptr), 0)
        << std::strerror(errno);
    mounts_.push_back(Native(name));
  }

  // Whether the file holds exactly bytes; long contents are not printed when they differ.
  bool Holds(const std::string& name, const std::string& bytes) const {
    return ReadBytes(name) == bytes;
  }

  // 24 KB that differ from line to line, so that any change shows.
  static std::string OldContent() {
    std::string bytes;
    for (int line = 0; bytes.size() < 24'000; ++line) bytes += std::to_string(line) + "\r\n";
    return bytes;
  }

  // 100,000 values, far more than the disk holds.
  static std::vector<double> LongProcess() {
    std::vector<double> process(100'000);
    for (std::size_t k = 0; k < process.size(); ++k) process[k] = static_cast<double>(k) * 0.7;
    return process;
  }

 private:
  std::vector<std::string> mounts_;
};

// Files that cannot be replaced are written in place; a disk too small for the new text
// must fail the export before one byte of the old one changes.
TEST_F(SmallFileSystemTest, AFullDiskLeavesAFileWrittenInPlaceByteForByte) {
  const std::string old_bytes = OldContent();
  // A file with a second name.
  WriteBytes("small/data.txt", old_bytes);
  ASSERT_EQ(::link(Native("small/data.txt").c_str(), Native("small/other name.txt").c_str()), 0);
  // A file on the small disk, mounted over a name on a large one.
  WriteBytes("small/bound source.txt", old_bytes);
  BindMount("small/bound source.txt", "bound.txt");

  for (const std::string name : {"small/data.txt", "bound.txt"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ErrorMessage<EWriteError>(
                  [&] { ExportLoadingProcess(Path(name), LongProcess(), ValueMarks{}); }),
              u"Stream write error");
  }
  EXPECT_TRUE(Holds("small/data.txt", old_bytes));
  EXPECT_TRUE(Holds("small/other name.txt", old_bytes));
  EXPECT_TRUE(Holds("bound.txt", old_bytes));
  EXPECT_TRUE(Holds("small/bound source.txt", old_bytes));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"bound.txt", "small"}));
}

// A file of ours in a folder that takes no new file is written in place too.
TEST_F(SmallFileSystemTest, AFullDiskLeavesAFileInALockedFolderByteForByte) {
  const std::string old_bytes = OldContent();
  ASSERT_EQ(::chmod(Folder().c_str(), 0755), 0);
  ASSERT_TRUE(std::filesystem::create_directory(Folder() / "small/locked"));
  WriteBytes("small/locked/data.txt", old_bytes);
  ASSERT_EQ(::chown(Native("small/locked/data.txt").c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(::chmod(Native("small/locked").c_str(), 0555), 0);

  ExpectAsNobody([this] {
    return ErrorMessage<EWriteError>([this] {
             ExportLoadingProcess(Path("small/locked/data.txt"), LongProcess(), ValueMarks{});
           }) == u"Stream write error";
  });
  EXPECT_TRUE(Holds("small/locked/data.txt", old_bytes));
}

TEST_F(SmallFileSystemTest, ReservingByWritingFailsWhereTheDiskIsFull) {
  WriteBytes("small/data.txt", "old");
  const int file = ::open(Native("small/data.txt").c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(file, 0);
  EXPECT_EQ(detail::ReserveByWriting(file, 3, 1 << 20), ENOSPC);
  ::close(file);
  EXPECT_EQ(ReadBytes("small/data.txt").substr(0, 3), "old");
}

// The export writes its text a buffer at a time: a disk that fills after some of them have
// reached the new file must still leave the old one whole, and nothing beside it.
TEST_F(SmallFileSystemTest, ADiskFullAfterSeveralBuffersLeavesTheOldFileWhole) {
  const std::string old_bytes = OldContent();
  WriteBytes("small/data.txt", old_bytes);
  const std::vector<double> process = ProcessOfSeveralBuffers();
  const std::vector<std::size_t> pieces = ExportedPieceSizes(process);
  ASSERT_GE(pieces.size(), 4u);

  // Room for the old file and the new text up to midway through its third buffer.
  const std::size_t room = 2 * old_bytes.size() + pieces[0] + pieces[1] + pieces[2] / 2;
  ASSERT_EQ(::mount("loadgen-test", Native("small").c_str(), "tmpfs", MS_REMOUNT,
                    ("size=" + std::to_string(room)).c_str()),
            0)
      << std::strerror(errno);
  EXPECT_EQ(ErrorMessage<EWriteError>(
                [&] { ExportLoadingProcess(Path("small/data.txt"), process, ValueMarks{}); }),
            u"Stream write error");
  EXPECT_TRUE(Holds("small/data.txt", old_bytes));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder() / "small"),
                          std::filesystem::directory_iterator()),
            1);
}

// Where the disk holds the new text, writing in place gives exactly that text.
TEST_F(SmallFileSystemTest, WritingInPlaceLeavesExactlyTheNewText) {
  WriteBytes("small/data.txt", OldContent());
  ASSERT_EQ(::link(Native("small/data.txt").c_str(), Native("small/other name.txt").c_str()), 0);
  const std::vector<double> shorter = {1, 2.5};
  ExportLoadingProcess(Path("small/data.txt"), shorter, ValueMarks{});
  EXPECT_EQ(ReadBytes("small/other name.txt"), "1\r\n2.5\r\n");

  const std::vector<double> longer(3'000, 0.25);
  ExportLoadingProcess(Path("small/data.txt"), longer, ValueMarks{});
  std::string expected;
  for (int k = 0; k < 3'000; ++k) expected += "0.25\r\n";
  EXPECT_TRUE(Holds("small/other name.txt", expected));
}

}  // namespace
}  // namespace model
