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
#include "shell/SettingsFile.h"

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

TEST_F(FilesTest, WhatIsNotARegularFileIsNeverReadNorReplacedNorSavedOver) {
  // A pipe, and a link to it: a rename over the link's target would turn the pipe into a file.
  const std::string fifo = (dir / "pipe").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string link = (dir / "linked.txt").string();
  ASSERT_EQ(symlink(fifo.c_str(), link.c_str()), 0);
  for (const std::string& name : {fifo, link}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(files.IsRegularFile(name));
    std::string error;
    EXPECT_FALSE(files.WriteAtomically(name, "defaults", &error));
    EXPECT_EQ(error, "not a regular file");
    OpenedSettings opened = OpenSettingsFile(files, name);
    EXPECT_NE(opened.status.find("will not be saved"), std::string::npos) << opened.status;
    EXPECT_FALSE(opened.not_saved_because.empty());
    EXPECT_FALSE(fs::exists(name + ".bad"));
    EXPECT_TRUE(fs::is_fifo(fifo));
  }
  EXPECT_TRUE(fs::is_symlink(link));
  // A link to a device is refused the same way (only looked at here: nothing is written).
  const std::string device = (dir / "device.txt").string();
  ASSERT_EQ(symlink("/dev/null", device.c_str()), 0);
  EXPECT_FALSE(files.IsRegularFile(device));
  EXPECT_FALSE(OpenSettingsFile(files, device).not_saved_because.empty());
}

TEST_F(FilesTest, AHugeOrUnreadableSettingsFileIsMovedAsideWhole) {
  const std::string huge(kMaxSettingsFile + 10, 'x');
  std::ofstream(path, std::ios::binary) << huge;
  OpenedSettings opened = OpenSettingsFile(files, path);
  EXPECT_TRUE(opened.not_saved_because.empty());
  EXPECT_NE(opened.status.find("kept as " + path + ".bad"), std::string::npos) << opened.status;
  std::ifstream in(path + ".bad", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), huge);
  // Saving at exit then writes a fresh file beside the kept one.
  std::string error;
  EXPECT_TRUE(SaveSettingsFile(files, path, opened.settings, &error)) << error;
  EXPECT_EQ(Content(), FormatSettings(opened.settings));
}

}  // namespace
}  // namespace vfd
