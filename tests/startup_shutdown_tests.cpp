// Start-up from the settings file and the orderly shutdown, checked as the bytes that reach the
// display and the file that is left behind.
#include <gtest/gtest.h>

#include "display/Bytes.h"
#include "shell/Countdown.h"
#include "shell/SettingsFile.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::HexOf;
using testing::Rig;

class StartupTest : public ::testing::Test {
 protected:
  // Starts the program on a settings file holding `s`.
  void StartWith(const Settings& s) {
    rig.files.files["vfdsettings.txt"] = FormatSettings(s);
    rig.program->Start();
  }
  Settings Saved() {
    SettingsParse parsed = ParseSettings(rig.files.files.at("vfdsettings.txt"));
    EXPECT_TRUE(parsed.ok) << parsed.error;
    return parsed.settings;
  }
  FrmMain& m() { return rig.main(); }

  Rig rig;
};

TEST_F(StartupTest, AFreshStartWritesTheDefaultsAndRunsTheClockWithNoModel) {
  rig.program->Start();
  // The defaults count down to the coming Christmas, not to one long past.
  Settings defaults;
  SetDefaultCountdownTarget(defaults, rig.loop.Now());
  EXPECT_EQ(rig.files.files.at("vfdsettings.txt"), FormatSettings(defaults));
  EXPECT_EQ(rig.program->countdown().year, rig.loop.Now().year);
  EXPECT_EQ(m().Caption(), "VFD Vorlinx Version 3.10");
  EXPECT_EQ(rig.display().display_model, kModelNone);
  EXPECT_EQ(m().txtMessage.Text(), "THIS CODE IS CRACKED");
  EXPECT_FALSE(m().Timer18.Enabled());
  EXPECT_EQ(m().cmdSleepTimer.Caption(), "AutoTimer Off");
  EXPECT_EQ(rig.program->modes().rotation_slot, 1);
  // The code cracker runs first, then hands over to the Clock.
  EXPECT_EQ(rig.program->modes().RunningFunctionCode(), "16");
  EXPECT_EQ(rig.program->ticker().startup_complete, 0);
  rig.loop.RunFor(3000);
  EXPECT_EQ(rig.program->modes().RunningFunctionCode(), "3");
  EXPECT_EQ(rig.program->ticker().startup_complete, 1);
  EXPECT_EQ(rig.serial.opens, 0);
  EXPECT_TRUE(rig.parallel.accesses.empty());
}

TEST_F(StartupTest, ASerialModelComesUpInTheStoredOrder) {
  Settings s;
  s.DisplayModelCode = kModelIeeSerial;
  s.ScreenTypeCode = kScreen2x20;
  s.ComPort = "COM2";
  s.ComSpeed = "19200";
  s.BrightnessLevel = 3;
  s.MessageText = "HELLO";
  s.StartFunctionCode = "1";
  s.CrackOnLoadCaption = "Standard Load";
  rig.Emulate(kModelIeeSerial);
  StartWith(s);
  // The port at the default speed, again at the stored speed (each choice sends the level the
  // program has before its settings are applied), the model's start-up code and splash, the
  // stored level, then the stored function's first frame. No echo of the message.
  std::string expected = Bytes({0x19, 0x30, 0xFF, 0x00}) + Bytes({0x19, 0x30, 0xFF, 0x00}) +
                         Bytes({0x19, 0x34}) + "\x15QX Depot VFD Vorlinx    Version 3.10" +
                         Bytes({0x19, 0x34}) + Bytes({0x19, 0x30, 0xFF, 0x03}) + "\x0E\x16" +
                         Fit("HELLO", 20) + Fit("HELLO", 20);
  EXPECT_EQ(HexOf(rig.serial.written), HexOf(expected));
  EXPECT_EQ(rig.serial.opened_paths, (std::vector<std::string>{"/dev/ttyS1", "/dev/ttyS1"}));
  EXPECT_EQ(rig.serial.baud, 19200);
  EXPECT_EQ(rig.glass().Text(), Fit("HELLO", 20) + "\n" + Fit("HELLO", 20));
  EXPECT_EQ(rig.glass().global_level, 3);
  EXPECT_TRUE(m().Timer1.Enabled());
}

TEST_F(StartupTest, AParallelModelComesUpOnItsStoredAddress) {
  Settings s;
  s.DisplayModelCode = kModelNoritake;
  s.ScreenTypeCode = kScreen2x24;
  s.ParallelPortBase = 632;
  s.BrightnessLevel = 1;
  s.StartFunctionCode = "0";
  s.CrackOnLoadCaption = "Standard Load";
  DisplayEmulator& glass = rig.Emulate(kModelNoritake);
  StartWith(s);
  EXPECT_EQ(rig.program->parallel().Base(), 632);
  EXPECT_EQ(m().lstPPort.Text(), "&H278");
  EXPECT_EQ(glass.glass().Text(), "VFD Vorlinx Version 3.10\nNoritake CU24025ECPB-U1J");
  EXPECT_TRUE(glass.glass().display_on);
  EXPECT_EQ(glass.glass().global_level, 1);
  // Level 0 when the address was chosen, the splash, the display-on instruction, level 1.
  auto writes = rig.parallel.Writes();
  ASSERT_GE(writes.size(), 7u);
  EXPECT_EQ(writes[4], (std::pair<uint16_t, uint8_t>{632, 0}));
  EXPECT_EQ(rig.program->modes().RunningFunctionCode(), "0");
  EXPECT_EQ(rig.program->ticker().startup_complete, 1);
  EXPECT_EQ(m().Line2.FontSize(), 14);
}

TEST_F(StartupTest, AnAddressTheListDoesNotOfferIsKeptUntilTheUserChoosesOne) {
  Settings s;
  s.DisplayModelCode = kModelIeeParallel;
  s.ScreenTypeCode = kScreen2x40;
  s.ParallelPortBase = 0x3E8;  // edited by hand
  s.CrackOnLoadCaption = "Standard Load";
  StartWith(s);
  EXPECT_EQ(m().lstPPort.ListIndex(), -1);
  EXPECT_EQ(rig.program->parallel().Base(), 0);  // nothing is written to an unknown address
  rig.program->Shutdown();
  EXPECT_EQ(Saved().ParallelPortBase, 0x3E8);

  Rig again;
  again.files.files["vfdsettings.txt"] = FormatSettings(s);
  again.program->Start();
  again.main().lstPPort.SetListIndex(1);  // the user picks &H3BC
  again.program->Shutdown();
  EXPECT_EQ(ParseSettings(again.files.files.at("vfdsettings.txt")).settings.ParallelPortBase,
            0x3BC);
}

TEST_F(StartupTest, StoredTogglesAndEffectsComeBack) {
  Settings s;
  s.ClockModeCaption = "Custom";
  s.MatrixDirection = "Down";
  s.ExitSleepCaption = "Leave Awake on Exit";
  s.UpdateCheckCaption = "Auto Update Check is Currently: DISABLED";
  s.GlowCaption = "It's Alive! Quick, Kill It!";
  s.KnightriderCaption = "Shut Up KITT!";
  s.LiquifyCaption = "something else";
  s.AutoTimerCaption = "AutoTimer On";
  s.WinampTitleStyle = "Scroll";
  s.WinampScrollInterval = 138;
  s.MainWindowState = 1;
  rig.program->tray().available = true;
  StartWith(s);
  EXPECT_EQ(m().cmdClockMode.Caption(), "Custom");
  EXPECT_EQ(m().cmdMatrixDirection.Caption(), "Down");
  EXPECT_EQ(m().cmdAutoSleep.Caption(), "Leave Awake on Exit");
  EXPECT_EQ(m().cmdUpdate.Caption(), "Auto Update Check is Currently: DISABLED");
  EXPECT_EQ(m().cmdRandomBrightness.Caption(), "something else");  // shown as it is
  EXPECT_TRUE(m().Timer11.Enabled());
  EXPECT_TRUE(m().Timer8.Enabled());  // whatever the model
  EXPECT_FALSE(m().Timer5.Enabled());
  EXPECT_TRUE(m().Timer18.Enabled());
  EXPECT_EQ(m().Timer4.Interval(), 138);
  EXPECT_EQ(m().WindowState(), 1);
  EXPECT_EQ(rig.program->effects().glow_saved_level, 0);  // not filled at start-up
}

TEST_F(StartupTest, AWindowMinimizedAtExitStartsOnScreenWhenNoTrayCouldBringItBack) {
  Settings s;
  s.MainWindowState = 1;
  rig.program->tray().available = false;
  StartWith(s);
  EXPECT_EQ(m().WindowState(), 0);
  EXPECT_FALSE(rig.program->tray().WindowHidden());
  // A stored date is the user's, even one long past.
  EXPECT_EQ(rig.program->countdown().year, 2003);
}

TEST(DefaultCountdownTest, TheDefaultEventIsTheComingTwentyFifthOfDecember) {
  Settings s;
  SetDefaultCountdownTarget(s, LocalDateTime{.year = 2026, .month = 3, .day = 1});
  EXPECT_EQ(s.CountdownYear, 2026);
  EXPECT_EQ(s.CountdownMonth, 12);
  EXPECT_EQ(s.CountdownDay, 25);
  SetDefaultCountdownTarget(s, LocalDateTime{.year = 2026, .month = 12, .day = 25});
  EXPECT_EQ(s.CountdownYear, 2026);  // on the day: 0 years, 0 months, 0 days
  SetDefaultCountdownTarget(s, LocalDateTime{.year = 2026, .month = 12, .day = 26});
  EXPECT_EQ(s.CountdownYear, 2027);
}

TEST_F(StartupTest, StoredRotationResumesAndAStoredDevicePathIsListed) {
  Settings s;
  s.StartFunctionCode = "7";
  s.CrackOnLoadCaption = "Standard Load";
  s.DisplayModelCode = kModelOrbital2x20;
  s.ComPort = "/dev/ttyUSB3";
  StartWith(s);
  EXPECT_TRUE(m().Timer7.Enabled());
  EXPECT_EQ(m().cmdRotate.Caption(), "Stop Rotation");
  EXPECT_EQ(m().lstComport.Text(), "/dev/ttyUSB3");
  EXPECT_EQ(rig.serial.path, "/dev/ttyUSB3");
  rig.program->Shutdown();
  EXPECT_EQ(Saved().ComPort, "/dev/ttyUSB3");
  EXPECT_EQ(Saved().StartFunctionCode, "7");
}

TEST_F(StartupTest, AnExitWhileAsleepStoresWhatWakingWouldRunAndTheNextStartRunsIt) {
  Settings s;
  s.StartFunctionCode = "7";
  s.CrackOnLoadCaption = "Standard Load";
  StartWith(s);
  m().cmdSleep.Click();
  EXPECT_FALSE(m().Timer7.Enabled());
  rig.program->Shutdown();
  EXPECT_EQ(Saved().StartFunctionCode, "7");

  Rig next;
  next.files.files["vfdsettings.txt"] = rig.files.files.at("vfdsettings.txt");
  next.program->Start();
  EXPECT_TRUE(next.main().Timer7.Enabled());
  EXPECT_EQ(next.main().cmdRotate.Caption(), "Stop Rotation");

  // The clock put to sleep comes back as the clock.
  next.main().cmdRotate.Click();
  next.main().cmdClock.Click();
  next.main().cmdSleep.Click();
  next.program->Shutdown();
  EXPECT_EQ(ParseSettings(next.files.files.at("vfdsettings.txt")).settings.StartFunctionCode, "3");
}

TEST_F(StartupTest, ABrokenFileIsKeptAndTheStatusLineSaysDefaultsWereLoaded) {
  rig.files.files["vfdsettings.txt"] = "\"3.10\"\r\n\"COM1\"\r\n\"\"\r\nnot a number\r\n";
  rig.program->Start();
  EXPECT_EQ(rig.files.files.at("vfdsettings.txt.bad"),
            "\"3.10\"\r\n\"COM1\"\r\n\"\"\r\nnot a number\r\n");
  EXPECT_NE(m().lblStatus.Caption().find("vfdsettings.txt.bad"), std::string::npos);
  EXPECT_EQ(m().txtMessage.Text(), "THIS CODE IS CRACKED");
}

TEST_F(StartupTest, ASettingsFileThatIsNoRegularFileIsNotWrittenAtExit) {
  rig.files.special.insert("vfdsettings.txt");
  rig.program->Start();
  m().cmdClock.Click();
  const int writes = rig.files.writes;
  rig.program->Shutdown();
  EXPECT_EQ(rig.files.writes, writes);
  EXPECT_EQ(rig.files.files.count("vfdsettings.txt"), 0u);
  EXPECT_EQ(rig.program->SaveError(), "vfdsettings.txt is not a regular file");
  EXPECT_NE(m().lblStatus.Caption().find("not saved"), std::string::npos);
}

TEST_F(StartupTest, ShutdownStoresWhatTheUserLeftBehind) {
  rig.program->Start();
  FrmMain& w = m();
  rig.display().screen_type = kScreen2x20;
  rig.display().display_model = kModelOrbital2x20;
  w.lstComport.SetListIndex(2);
  w.lstSpeed.SetListIndex(0);
  w.cmdBrightness.Click();
  w.txtMessage.SetText(" a, b ,c");
  w.cmdClockMode.Click();
  w.cmdCrackStart.Click();
  w.cmdSleepTimer.Click();
  w.cmdRotate.Click();
  w.SetWindowState(2);
  rig.program->Shutdown();
  Settings saved = Saved();
  EXPECT_EQ(saved.ComPort, "COM3");
  EXPECT_EQ(saved.ComSpeed, " 9600");
  EXPECT_EQ(saved.DisplayModelCode, kModelOrbital2x20);
  EXPECT_EQ(saved.BrightnessLevel, 0);  // 7 steps on to 0 on this model
  EXPECT_EQ(saved.MessageText, " a, b ,c");
  EXPECT_EQ(saved.ClockModeCaption, "Custom");
  EXPECT_EQ(saved.CrackOnLoadCaption, "Standard Load");
  EXPECT_EQ(saved.AutoTimerCaption, "AutoTimer On");
  EXPECT_EQ(saved.StartFunctionCode, "7");
  EXPECT_EQ(saved.MainWindowState, 2);
  EXPECT_EQ(saved.SettingsVersion, "3.10");
}

TEST_F(StartupTest, ExitWithOnlyGlowRunningStoresNoFunctionAndTheGlowCaption) {
  rig.program->Start();
  m().txtMessage.SetText("typing stops the clock");
  m().cmdGlow.Click();
  rig.loop.RunFor(200);
  rig.program->Shutdown();
  Settings saved = Saved();
  EXPECT_EQ(saved.StartFunctionCode, "0");
  EXPECT_EQ(saved.GlowCaption, "It's Alive! Quick, Kill It!");
  EXPECT_EQ(saved.BrightnessLevel, rig.display().brightness_level);  // the last Glow step's
}

TEST_F(StartupTest, ShutdownHappensOnceAndTellsWhenTheFileCouldNotBeWritten) {
  rig.program->Start();
  rig.files.fail_writes = true;
  rig.program->Shutdown();
  rig.program->Shutdown();
  EXPECT_EQ(rig.program->SaveError(), "No space left on device");
  EXPECT_EQ(rig.files.writes, 2);  // the defaults at start, the one failed save
  for (Timer* timer : m().AllTimers())
    EXPECT_FALSE(timer->Enabled()) << timer->Name();
}

// The display is put to rest per model, after the settings are written.
struct RestCase {
  int16_t model;
  const char* exit_caption;
  bool port_open;
  const char* serial_bytes;  // hex, for serial models
};

class RestTest : public StartupTest, public ::testing::WithParamInterface<RestCase> {};

TEST_P(RestTest, PutsTheDisplayToRestAsTheModelAndOptionSay) {
  const RestCase& c = GetParam();
  rig.program->Start();
  rig.UseModel(c.model);
  if (!c.port_open) rig.program->serial().CloseSerial();
  m().cmdAutoSleep.SetCaption(c.exit_caption);
  rig.serial.Reset();
  int writes_when_first_byte = -1;
  rig.serial.on_bytes = [&](std::string_view) {
    if (writes_when_first_byte < 0) writes_when_first_byte = rig.files.writes;
  };
  rig.program->Shutdown();
  EXPECT_EQ(HexOf(rig.serial.written), c.serial_bytes);
  if (!rig.serial.written.empty()) {
    EXPECT_EQ(writes_when_first_byte, 2);
  }
  EXPECT_FALSE(rig.program->serial().IsSerialOpen());
}

INSTANTIATE_TEST_SUITE_P(
    SerialModels, RestTest,
    ::testing::Values(RestCase{kModelIeeSerial, "Sleep on Exit", true, "19 33"},
                      RestCase{kModelIeeSerial, "Leave Awake on Exit", true, ""},
                      RestCase{kModelIeeSerial, "Sleep on Exit", false, ""},
                      RestCase{kModelOrbital2x20, "Leave Awake on Exit", true, "FE 46"},
                      RestCase{kModelOrbital4x20, "Sleep on Exit", true, "FE 46"},
                      RestCase{kModelOrbital4x20, "Sleep on Exit", false, ""}));

TEST_F(StartupTest, ParallelModelsAtExit) {
  rig.program->Start();
  rig.UseModel(kModelIeeParallel);
  m().lstPPort.SetListIndex(0);
  rig.Emulate(kModelIeeParallel);
  rig.display().Write2x40("STILL", "SHOWING");
  m().cmdAutoSleep.SetCaption("Leave Awake on Exit");
  m().Timer1.SetEnabled(true);
  rig.program->Shutdown();
  EXPECT_EQ(rig.glass().Row(0), Fit("STILL", 40));  // left awake: nothing written

  Rig other;
  other.program->Start();
  other.UseModel(kModelIeeParallel);
  other.main().lstPPort.SetListIndex(0);
  other.Emulate(kModelIeeParallel);
  other.display().Write2x40("STILL", "SHOWING");
  other.program->Shutdown();  // "Sleep on Exit": blanked
  EXPECT_EQ(other.glass().Text(), std::string(40, ' ') + "\n" + std::string(40, ' '));

  Rig noritake;
  noritake.program->Start();
  noritake.UseModel(kModelNoritake);
  noritake.main().lstPPort.SetListIndex(0);
  noritake.main().cmdAutoSleep.SetCaption("Leave Awake on Exit");
  noritake.Emulate(kModelNoritake);
  noritake.program->Shutdown();  // switched off whatever the option says
  EXPECT_FALSE(noritake.glass().display_on);
}

}  // namespace
}  // namespace vfd
