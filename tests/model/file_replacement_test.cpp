#include "model/file_replacement.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "model/errors.h"
#include "model/line_file.h"
#include "tests/model/file_test_support.h"

namespace model {
namespace {

using Lines = std::vector<std::u16string>;

constexpr uid_t kNobody = 65534;

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

  void MakeFolder(const std::string& name, mode_t mode, uid_t owner) const {
    ASSERT_TRUE(std::filesystem::create_directory(Folder() / name)) << name;
    ASSERT_EQ(::chown(Native(name).c_str(), owner, owner), 0) << name;
    ASSERT_EQ(::chmod(Native(name).c_str(), mode), 0) << name;
  }
};

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

}  // namespace
}  // namespace model
