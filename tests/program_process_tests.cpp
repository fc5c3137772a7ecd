// The real program, run headless: a signal ends it through the orderly shutdown, which writes
// the settings file.
#include <signal.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/Settings.h"
#include "core/Version.h"
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

class ProgramProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vfdvorlinx-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  ChildProcess Run(std::vector<std::string> args = {}) {
    // No display server: the program must run headless on its own. No serial devices of the
    // machine running the tests are touched: the stored model needs none. Nor is the desktop's
    // session bus: the program looks for media players on a bus that is not there.
    return ChildProcess(VFDVORLINX_PATH, std::move(args),
                        {{"QT_QPA_PLATFORM", ""},
                         {"DISPLAY", ""},
                         {"WAYLAND_DISPLAY", ""},
                         {"XDG_RUNTIME_DIR", dir_.string()},
                         {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (dir_ / "bus").string()}},
                        dir_.string());
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

TEST_F(ProgramProcessTest, ASignalEndsTheProgramThroughItsShutdownWhichSavesTheSettings) {
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

TEST_F(ProgramProcessTest, CtrlCOnAFreshStartLeavesTheDefaultFile) {
  ChildProcess program = Run();
  ASSERT_TRUE(program.StdoutShows("|")) << program.errors();
  program.Signal(SIGINT);
  EXPECT_EQ(program.ExitStatus(), 0) << program.errors();
  EXPECT_EQ(SettingsText(), FormatSettings(FreshDefaults()));
}

TEST_F(ProgramProcessTest, HelpAndVersionAnswerWithoutTouchingAnything) {
  ChildProcess help = Run({"--help"});
  EXPECT_TRUE(help.StdoutShows("--version   show the version and exit\n")) << help.output();
  EXPECT_EQ(help.ExitStatus(), 0);
  ChildProcess version = Run({"--version"});
  EXPECT_TRUE(version.StdoutShows("\n"));
  EXPECT_EQ(version.output(), std::string("vfdvorlinx ") + kProgramVersion + "\n");
  EXPECT_EQ(version.ExitStatus(), 0);
  ChildProcess wrong = Run({"--frobnicate"});
  EXPECT_TRUE(wrong.StderrShows("unknown option --frobnicate")) << wrong.errors();
  EXPECT_EQ(wrong.ExitStatus(), 2);
  EXPECT_TRUE(fs::is_empty(dir_));  // no settings file, nothing else
}

TEST_F(ProgramProcessTest, ASecondInstanceOnTheSameSettingsLeavesThemAlone) {
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

TEST_F(ProgramProcessTest, LeftoversOfACrashedSaveAreRemovedAtStart) {
  std::ofstream(dir_ / "vfdsettings.txt.new-x1Y2z3") << "half a file";
  ChildProcess program = Run({"--quiet"});
  ASSERT_TRUE(SettingsAppear()) << program.errors();
  EXPECT_FALSE(fs::exists(dir_ / "vfdsettings.txt.new-x1Y2z3"));
  program.Signal(SIGTERM);
  EXPECT_EQ(program.ExitStatus(), 0) << program.errors();
  EXPECT_EQ(SettingsText(), FormatSettings(FreshDefaults()));
}

}  // namespace
}  // namespace vfd
