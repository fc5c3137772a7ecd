// The settings file is replaced so that a failure at any point leaves the old file whole.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

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
  EXPECT_FALSE(files.Read(path, &error, 1024).has_value());
  EXPECT_EQ(error, "");
  fs::create_directory(path);  // reading a directory fails on every account
  EXPECT_FALSE(files.Read(path, &error, 1024).has_value());
  EXPECT_NE(error, "");
}

TEST_F(FilesTest, ReadGivesTheBytesUntouched) {
  std::string bytes("a\r\nb\0c\xE9", 7);
  std::string error;
  ASSERT_TRUE(files.WriteAtomically(path, bytes, &error));
  EXPECT_EQ(files.Read(path, &error, 1024).value(), bytes);
}

TEST_F(FilesTest, OnlyRegularFilesOfBoundedSizeAreRead) {
  std::string error;
  // A pipe with no writer would block a plain open forever; a device never ends.
  const std::string fifo = (dir / "message.txt").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(files.Read(fifo, &error, 1024).has_value());
  EXPECT_EQ(error, "not a regular file");
  EXPECT_FALSE(files.Read("/dev/zero", &error, 1024).has_value());
  EXPECT_EQ(error, "not a regular file");
  ASSERT_TRUE(files.WriteAtomically(path, std::string(2048, 'x'), &error));
  EXPECT_FALSE(files.Read(path, &error, 2047).has_value());
  EXPECT_EQ(error, "larger than 1 KiB");
  EXPECT_EQ(files.Read(path, &error, 2048).value().size(), 2048u);
}

TEST_F(FilesTest, ALinkStaysALinkAndTheFileItNamesIsReplaced) {
  fs::create_directory(dir / "real");
  const fs::path target = dir / "real" / "settings.txt";
  std::ofstream(target) << "old";
  fs::create_symlink("real/settings.txt", path);  // relative, as users make them
  std::string error;
  ASSERT_TRUE(files.WriteAtomically(path, "new", &error)) << error;
  EXPECT_TRUE(fs::is_symlink(path));
  EXPECT_EQ(Content(), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "real"), fs::directory_iterator()), 1);
}

TEST_F(FilesTest, WritersAtTheSameTimeNeverMixTheirContent) {
  // Two instances saving at once: each replace is whole, whichever comes last.
  const std::string a(100'000, 'a'), b(100'000, 'b');
  for (int round = 0; round < 20; ++round) {
    std::string error_a, error_b;
    bool ok_a = false, ok_b = false;
    PosixTextFiles other;
    std::thread ta([&] { ok_a = files.WriteAtomically(path, a, &error_a); });
    std::thread tb([&] { ok_b = other.WriteAtomically(path, b, &error_b); });
    ta.join();
    tb.join();
    EXPECT_TRUE(ok_a && ok_b) << error_a << error_b;
    std::string content = Content();
    EXPECT_TRUE(content == a || content == b) << "round " << round;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(FilesTest, LeftoversOfAnInterruptedReplaceAreRemovedAndNothingElse) {
  std::ofstream(path) << "settings";
  std::ofstream(path + ".new-Ab12Cd") << "half written";
  std::ofstream(path + ".bad") << "kept by the user";
  std::ofstream(path + ".new-notours") << "someone else's";
  PosixTextFiles::RemoveStaleTemporaries(path);
  EXPECT_FALSE(fs::exists(path + ".new-Ab12Cd"));
  EXPECT_TRUE(fs::exists(path + ".bad"));
  EXPECT_TRUE(fs::exists(path + ".new-notours"));
  EXPECT_EQ(Content(), "settings");
}

}  // namespace
}  // namespace vfd
