// The real programs, the windowed one run headless and the one without a window: a signal ends
// them through the orderly shutdown, which writes the settings file.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "core/Settings.h"
#include "core/Version.h"
#include "display/Models.h"
#include "display/emulator/Decoders.h"
#include "shell/Countdown.h"
#include "support/ChildProcess.h"

namespace vfd {
namespace {

// The file a fresh start writes: the defaults, counting down to the coming Christmas.
Settings FreshDefaults() {
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  Settings s;
  SetDefaultCountdownTarget(
      s,
      LocalDateTime{.year = local.tm_year + 1900, .month = local.tm_mon + 1, .day = local.tm_mday});
  return s;
}

namespace fs = std::filesystem;
using testing::ChildProcess;

struct ProgramUnderTest {
  std::string name;
  std::string path;
};

std::vector<ProgramUnderTest> Programs() {
  std::vector<ProgramUnderTest> programs = {{"vfdvorlinxd", VFDVORLINXD_PATH}};
#ifdef VFDVORLINX_PATH
  programs.push_back({"vfdvorlinx", VFDVORLINX_PATH});
#endif
  return programs;
}

class ProgramProcessTest : public ::testing::TestWithParam<ProgramUnderTest> {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vfdvorlinx-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  ChildProcess Run(std::vector<std::string> args = {}, const fs::path& working_dir = {}) {
    // No display server: the program must run headless on its own. No serial devices of the
    // machine running the tests are touched: the stored model needs none. Nor is the desktop's
    // session bus: the program looks for media players on a bus that is not there.
    return ChildProcess(GetParam().path, std::move(args),
                        {{"QT_QPA_PLATFORM", ""},
                         {"DISPLAY", ""},
                         {"WAYLAND_DISPLAY", ""},
                         {"XDG_RUNTIME_DIR", dir_.string()},
                         {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (dir_ / "bus").string()}},
                        (working_dir.empty() ? dir_ : working_dir).string());
  }
  std::string SettingsText() {
    std::ifstream in(dir_ / "vfdsettings.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // Waits until a quiet program has written its settings file at start (and so is up, its
  // signal handling in place).
  bool SettingsAppear() {
    for (int i = 0; i < 1000; ++i) {
      if (fs::exists(dir_ / "vfdsettings.txt")) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  fs::path dir_;
};

TEST_P(ProgramProcessTest, ASignalEndsTheProgramThroughItsShutdownWhichSavesTheSettings) {
  // Written with bare line feeds: a file the program wrote itself would have CR LF.
  Settings stored;
  stored.MessageText = "SAVED BY A SIGNAL";
  stored.StartFunctionCode = "1";
  stored.CrackOnLoadCaption = "Standard Load";
  std::string text = FormatSettings(stored);
  std::string lf;
  for (char c : text)
    if (c != '\r') lf.push_back(c);
  std::ofstream(dir_ / "vfdsettings.txt", std::ios::binary) << lf;

  ChildProcess program = Run();
  // Headless, the preview goes to the terminal: the ticker shows the stored message.
  ASSERT_TRUE(program.StdoutShows("|SAVED BY A SIGNAL")) << program.output() << program.errors();
  program.Signal(SIGTERM);
  program.Signal(SIGTERM);  // a second signal does not cut the shutdown short
  EXPECT_EQ(program.ExitStatus(), 0) << program.errors();
  EXPECT_EQ(SettingsText(), text);
}

TEST_P(ProgramProcessTest, CtrlCOnAFreshStartLeavesTheDefaultFile) {
  ChildProcess program = Run();
  ASSERT_TRUE(program.StdoutShows("|")) << program.errors();
  program.Signal(SIGINT);
  EXPECT_EQ(program.ExitStatus(), 0) << program.errors();
  EXPECT_EQ(SettingsText(), FormatSettings(FreshDefaults()));
}

TEST_P(ProgramProcessTest, HelpAndVersionAnswerWithoutTouchingAnything) {
  ChildProcess help = Run({"--help"});
  EXPECT_TRUE(help.StdoutShows("--version   show the version and exit\n")) << help.output();
  EXPECT_EQ(help.ExitStatus(), 0);
  ChildProcess version = Run({"--version"});
  EXPECT_TRUE(version.StdoutShows("\n"));
  EXPECT_EQ(version.output(), GetParam().name + " " + kProgramVersion + "\n");
  EXPECT_EQ(version.ExitStatus(), 0);
  ChildProcess wrong = Run({"--frobnicate"});
  EXPECT_TRUE(wrong.StderrShows("unknown option --frobnicate")) << wrong.errors();
  EXPECT_EQ(wrong.ExitStatus(), 2);
  EXPECT_TRUE(fs::is_empty(dir_));  // no settings file, nothing else
}

TEST_P(ProgramProcessTest, ASecondInstanceOnTheSameSettingsLeavesThemAlone) {
  ChildProcess first = Run();
  ASSERT_TRUE(first.StdoutShows("|")) << first.errors();
  const std::string before = SettingsText();
  ChildProcess second = Run({"--quiet"});
  EXPECT_TRUE(second.StderrShows("VFD Vorlinx is already running with these settings"))
      << second.errors();
  EXPECT_EQ(second.ExitStatus(), 1);
  EXPECT_EQ(SettingsText(), before);
  first.Signal(SIGTERM);
  EXPECT_EQ(first.ExitStatus(), 0) << first.errors();
  // The first one's lock went with it.
  fs::remove(dir_ / "vfdsettings.txt");
  ChildProcess third = Run({"--quiet"});
  ASSERT_TRUE(SettingsAppear()) << third.errors();
  third.Signal(SIGTERM);
  EXPECT_EQ(third.ExitStatus(), 0) << third.errors();
}

TEST_P(ProgramProcessTest, LeftoversOfACrashedSaveAreRemovedAtStart) {
  std::ofstream(dir_ / "vfdsettings.txt.new-x1Y2z3") << "half a file";
  ChildProcess program = Run({"--quiet"});
  ASSERT_TRUE(SettingsAppear()) << program.errors();
  EXPECT_FALSE(fs::exists(dir_ / "vfdsettings.txt.new-x1Y2z3"));
  program.Signal(SIGTERM);
  EXPECT_EQ(program.ExitStatus(), 0) << program.errors();
  EXPECT_EQ(SettingsText(), FormatSettings(FreshDefaults()));
}

TEST_P(ProgramProcessTest, TheSettingsDirectoryCanBeNamedAndAMissingOneIsTold) {
  const fs::path elsewhere = dir_ / "elsewhere";
  fs::create_directory(elsewhere);
  ChildProcess program = Run({"--quiet", "--directory", dir_.string()}, elsewhere);
  ASSERT_TRUE(SettingsAppear()) << program.errors();
  program.Signal(SIGTERM);
  EXPECT_EQ(program.ExitStatus(), 0) << program.errors();
  EXPECT_TRUE(fs::is_empty(elsewhere));

  ChildProcess missing = Run({"--directory", (dir_ / "none").string()});
  EXPECT_TRUE(missing.StderrShows("cannot keep the settings in " + (dir_ / "none").string()))
      << missing.errors();
  EXPECT_EQ(missing.ExitStatus(), 1);
}

// The display on a pseudo-terminal, as a USB serial adapter would be: the clock the program
// sends reaches the glass of the emulated IEE 2x20 at 19200 baud.
TEST_P(ProgramProcessTest, TheClockReachesADisplayOnASerialLine) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  char slave[128] = {};
  ASSERT_EQ(ptsname_r(master, slave, sizeof slave), 0);
  Settings stored;
  stored.ComPort = slave;
  stored.ComSpeed = "19200";
  stored.DisplayModelCode = kModelIeeSerial;
  stored.ScreenTypeCode = kScreen2x20;
  stored.StartFunctionCode = "3";
  stored.CrackOnLoadCaption = "Standard Load";
  std::ofstream(dir_ / "vfdsettings.txt", std::ios::binary) << FormatSettings(stored);

  ChildProcess program = Run({"--quiet"});
  std::unique_ptr<DisplayEmulator> emulator = DisplayEmulator::ForModel(kModelIeeSerial);
  const std::regex time(R"(\d{1,2}:\d{2}:\d{2} [AP]M)");
  bool shown = false;
  for (auto end = std::chrono::steady_clock::now() + testing::kPatience;
       !shown && std::chrono::steady_clock::now() < end;) {
    char bytes[4096];
    const ssize_t count = read(master, bytes, sizeof bytes);
    if (count > 0) {
      emulator->FeedSerial(std::string_view(bytes, static_cast<size_t>(count)));
      shown = std::regex_search(emulator->glass().Picture(0), time);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  EXPECT_TRUE(shown) << emulator->glass().Picture() << program.errors();
  program.Signal(SIGTERM);
  EXPECT_EQ(program.ExitStatus(), 0) << program.errors();
  close(master);
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, ProgramProcessTest, ::testing::ValuesIn(Programs()),
                         [](const ::testing::TestParamInfo<ProgramUnderTest>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace vfd
