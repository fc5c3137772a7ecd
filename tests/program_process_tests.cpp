// The real program, run headless: a signal ends it through the orderly shutdown, which writes
// the settings file.
#include <signal.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/Settings.h"
#include "support/ChildProcess.h"

namespace vfd {
namespace {

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

  ChildProcess Run() {
    // No display server: the program must run headless on its own. No serial devices of the
    // machine running the tests are touched: the stored model needs none. Nor is the desktop's
    // session bus: the program looks for media players on a bus that is not there.
    return ChildProcess(VFDVORLINX_PATH, {},
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
  EXPECT_EQ(SettingsText(), FormatSettings(Settings{}));
}

}  // namespace
}  // namespace vfd
