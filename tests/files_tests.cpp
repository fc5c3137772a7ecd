// The settings file is replaced so that a failure at any point leaves the old file whole.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/PosixTextFiles.h"

namespace vfd {
namespace {

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
 protected:
  FilesTest() {
    char pattern[] = "/tmp/vfdfilesXXXXXX";
    dir = mkdtemp(pattern);
    path = (dir / "vfdsettings.txt").string();
  }
  ~FilesTest() override { fs::remove_all(dir); }
  std::string Content() {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path dir;
  std::string path;
  PosixTextFiles files;
};

TEST_F(FilesTest, AWriteThatFailsHalfWayLeavesTheOldFileWholeAndNoLeftovers) {
  std::string error;
  ASSERT_TRUE(files.WriteAtomically(path, "old content\r\n", &error));
  files.fail_after_bytes_for_test = 5;
  EXPECT_FALSE(files.WriteAtomically(path, "new content that does not fit\r\n", &error));
  EXPECT_EQ(error, "No space left on device");
  EXPECT_EQ(Content(), "old content\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  files.fail_after_bytes_for_test = -1;
  ASSERT_TRUE(files.WriteAtomically(path, "new content\r\n", &error));
  EXPECT_EQ(Content(), "new content\r\n");
}

TEST_F(FilesTest, ReplacingKeepsTheFilesPermissions) {
  std::string error;
  ASSERT_TRUE(files.WriteAtomically(path, "a", &error));
  ASSERT_EQ(chmod(path.c_str(), 0600), 0);
  ASSERT_TRUE(files.WriteAtomically(path, "b", &error));
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(FilesTest, AMissingFileIsNoErrorButAnUnreadableOneIs) {
  std::string error = "stale";
  EXPECT_FALSE(files.Read(path, &error).has_value());
  EXPECT_EQ(error, "");
  fs::create_directory(path);  // reading a directory fails on every account
  EXPECT_FALSE(files.Read(path, &error).has_value());
  EXPECT_NE(error, "");
}

TEST_F(FilesTest, ReadGivesTheBytesUntouched) {
  std::string bytes("a\r\nb\0c\xE9", 7);
  std::string error;
  ASSERT_TRUE(files.WriteAtomically(path, bytes, &error));
  EXPECT_EQ(files.Read(path, &error).value(), bytes);
}

}  // namespace
}  // namespace vfd
