// One display function at a time: activation and its first frame, the running code, start by
// code, the toggle buttons, and sleep and wake.
#include <gtest/gtest.h>

#include "support/FakeFunctions.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::FakeFunction;
using testing::HexOf;
using testing::kFunctions;
using testing::Rig;

class ModeTest : public ::testing::Test {
 protected:
  ModeTest() {
    // Every function is replaced by one that records its ticks and extra steps, and the
    // brightness command marks where the level went.
    for (const FakeFunction& f : kFunctions) {
      const int16_t code = f.code;
      modes().Register(
          {.code = code,
           .button = &(m().*f.button),
           .timer = &(m().*f.timer),
           .first_frame = f.first_frame,
           .tick = [this, code] { log += "tick" + std::to_string(code) + " "; },
           .before_start = [this, code] { steps += "before" + std::to_string(code) + " "; },
           .after_activate = [this, code] { steps += "after" + std::to_string(code) + " "; }});
    }
    rig.UseModel(kModelOrbital2x20);
    rig.display().brightness_level = 3;
    rig.serial.on_bytes = [this](std::string_view bytes) {
      if (bytes.starts_with("\xFE\x59")) log += "level ";
    };
  }
  ModeController& modes() { return rig.program->modes(); }
  FrmMain& m() { return rig.main(); }
  int Enabled() {
    int n = 0;
    for (Timer* t : m().FunctionTimers())
      n += t->Enabled();
    return n;
  }

  Rig rig;
  std::string log;
  std::string steps;
};

TEST_F(ModeTest, AFunctionButtonStopsTheOthersAndDrawsItsFirstFrameAsItsRowSays) {
  m().cmdTicker.Click();
  EXPECT_EQ(log, "level tick1 ");
  log.clear();
  m().cmdCount.Click();  // drawn before the level
  EXPECT_EQ(log, "tick15 level ");
  EXPECT_FALSE(m().Timer1.Enabled());
  EXPECT_TRUE(m().Timer15.Enabled());
  for (Button* b : {&m().cmdHardNews, &m().cmdShacknews, &m().cmdWinamp, &m().cmdCodeCrack}) {
    log.clear();
    b->Click();  // nothing until the first timer tick
    EXPECT_EQ(log, "level ") << b->Name();
    EXPECT_EQ(Enabled(), 1);
  }
  EXPECT_EQ(modes().RunningFunctionCode(), "16");
}

TEST_F(ModeTest, ClickingTheRunningFunctionAgainKeepsItsTimerRunning) {
  m().cmdTicker.Click();
  rig.loop.RunFor(30);
  int64_t due = rig.loop.DueMicros(m().Timer1);
  log.clear();
  m().cmdTicker.Click();
  EXPECT_EQ(log, "level tick1 ");
  EXPECT_EQ(rig.loop.DueMicros(m().Timer1), due);  // same period, not restarted
}

TEST_F(ModeTest, RotationEffectsAndTheAutoTimerKeepRunningBesideAFunctionButton) {
  m().cmdRotate.Click();
  m().cmdGlow.Click();
  m().cmdSleepTimer.Click();
  m().cmdClock.Click();
  EXPECT_TRUE(m().Timer7.Enabled() && m().Timer11.Enabled() && m().Timer18.Enabled());
  EXPECT_EQ(modes().RunningFunctionCode(), "7");  // rotation is named first
}

TEST_F(ModeTest, ActivationStepsRunAroundTheTimerButNotOnStartOrWake) {
  modes().Find(16)->timer->SetEnabled(false);
  FunctionRegistration cracker = *modes().Find(16);
  cracker.before_start = [this] { steps += m().Timer16.Enabled() ? "late " : "target "; };
  modes().Register(cracker);
  m().cmdCodeCrack.Click();
  m().cmdWinamp.Click();
  EXPECT_EQ(steps, "target after16 before4 after4 ");
  modes().StopFunctions();
  steps.clear();
  modes().StartFunctionByCode("16");  // start-up and wake leave the target alone
  EXPECT_EQ(steps, "");
  EXPECT_EQ(log.substr(log.size() - 7), "tick16 ");
}

TEST_F(ModeTest, AFunctionNobodyRegisteredDoesNothing) {
  Rig bare;
  bare.UseModel(kModelOrbital2x20);
  bare.program->modes().Register({.code = 12});  // as a function not built: no timer to run
  bare.main().cmdClock.Click();
  bare.serial.Reset();
  bare.main().cmdTides.Click();
  EXPECT_TRUE(bare.main().Timer3.Enabled());
  EXPECT_FALSE(bare.main().Timer12.Enabled());
  EXPECT_EQ(bare.serial.written, "");
  bare.program->modes().StartFunctionByCode("12");
  EXPECT_FALSE(bare.main().Timer12.Enabled());
  EXPECT_EQ(bare.program->modes().RunningFunctionCode(), "3");
}

TEST_F(ModeTest, ARegisteredFunctionRunsByCodeSavesItsValuesAndItsDialogClosesAtExit) {
  // A function of its own, on a timer and button of its own, with a dialog and a value.
  Timer timer("TimerX", 100);
  timer.AttachHost(&rig.loop);
  Button button("cmdX", "X");
  Button config("cmdXConfig", "Config");
  Form dialog("frmX", "X Config");
  std::string stored;
  int ticks = 0;
  modes().Register({.code = 9,
                    .button = &button,
                    .timer = &timer,
                    .first_frame = FirstFrame::kBefore,
                    .tick = [&] { ++ticks; },
                    .dialog = &dialog,
                    .config_button = &config,
                    .load = [&](const Settings& s) { stored = s.TideLocation; },
                    .store = [&](Settings& s) { s.TideLocation = stored + "!"; }});
  m().cmdClock.Click();
  modes().ActivateFunction(9);
  EXPECT_FALSE(m().Timer3.Enabled());
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(modes().RunningFunctionCode(), "9");
  rig.loop.RunFor(250);
  EXPECT_EQ(ticks, 3);
  button.Click();
  EXPECT_EQ(ticks, 4);

  config.Click();
  EXPECT_TRUE(dialog.Loaded());
  Settings saved;
  saved.TideLocation = "Montauk";
  rig.files.files["vfdsettings.txt"] = FormatSettings(saved);
  rig.program->Start();
  EXPECT_EQ(stored, "Montauk");
  rig.program->Shutdown();
  EXPECT_FALSE(dialog.Loaded());
  EXPECT_FALSE(timer.Enabled());
  EXPECT_EQ(ParseSettings(rig.files.files.at("vfdsettings.txt")).settings.TideLocation, "Montauk!");
}

TEST_F(ModeTest, StartByCodeStartsOneFunctionRotationOrNothing) {
  modes().StartFunctionByCode("10");
  EXPECT_TRUE(m().Timer10.Enabled());
  EXPECT_EQ(log, "tick10 ");
  modes().StopFunctions();
  int steps = 0;
  modes().rotation_step = [&] { ++steps; };
  modes().StartFunctionByCode("7");
  EXPECT_EQ(steps, 1);
  EXPECT_EQ(m().cmdRotate.Caption(), "Stop Rotation");
  m().Timer7.SetEnabled(false);
  for (const char* code : {"0", "", "5", "99", "3x", "-1", "03", " 3"})
    modes().StartFunctionByCode(code);
  EXPECT_EQ(Enabled(), 0);
  EXPECT_FALSE(m().Timer7.Enabled());
}

TEST_F(ModeTest, ToggleButtonsKeepTheirStateInTheirCaptions) {
  struct Row {
    Button& button;
    const char* first;
    const char* second;
  } rows[] = {
      {m().cmdMatrixDirection, "Across", "Down"},
      {m().cmdClockMode, "Default", "Custom"},
      {m().cmdCrackStart, "Crack Code on Load", "Standard Load"},
      {m().cmdAutoSleep, "Sleep on Exit", "Leave Awake on Exit"},
      {m().cmdUpdate, "Auto Update Check is Currently: ENABLED",
       "Auto Update Check is Currently: DISABLED"},
      {m().cmdSleepTimer, "AutoTimer Off", "AutoTimer On"},
      {m().cmdRotate, "Rotation", "End Rotation"},
  };
  for (Row& row : rows) {
    EXPECT_EQ(row.button.Caption(), row.first);
    row.button.Click();
    EXPECT_EQ(row.button.Caption(), row.second);
    row.button.Click();
    EXPECT_EQ(row.button.Caption(), row.first);
    // Any other caption counts as the state the failed comparison gives.
    row.button.SetCaption("odd");
    row.button.Click();
    EXPECT_EQ(row.button.Caption(), row.first) << row.button.Name();
  }
  EXPECT_FALSE(m().Timer18.Enabled());
  EXPECT_FALSE(m().Timer7.Enabled());
}

TEST_F(ModeTest, RotationButtonStartsWithNothingAtOnceAndAlwaysFromSlotOne) {
  modes().rotation_slot = 5;
  m().cmdRotate.Click();
  EXPECT_EQ(modes().rotation_slot, 1);
  EXPECT_EQ(log, "");
  EXPECT_TRUE(m().Timer7.Enabled());
  modes().rotation_slot = 9;
  m().cmdRotate.Click();
  EXPECT_EQ(modes().rotation_slot, 1);
  EXPECT_FALSE(m().Timer7.Enabled());
}

TEST_F(ModeTest, TypingAMessageStopsTheFunctionButNotTheEffectsOrSchedulers) {
  m().cmdClock.Click();
  m().cmdRotate.Click();
  m().cmdGlow.Click();
  m().txtMessage.SetText("new");
  EXPECT_EQ(Enabled(), 0);
  EXPECT_TRUE(m().Timer7.Enabled() && m().Timer11.Enabled());
}

class SleepTest : public ModeTest {};

TEST_F(SleepTest, SleepStopsTheFunctionAndWakeRedrawsItBeforeTheWakeBytes) {
  m().cmdTicker.Click();
  rig.serial.Reset();
  m().cmdSleep.Click();
  EXPECT_EQ(m().cmdSleep.Caption(), "Wake");
  EXPECT_EQ(modes().SleepResumeCode(), "1");
  EXPECT_EQ(Enabled(), 0);
  EXPECT_EQ(HexOf(rig.serial.written), "FE 46 FE 59 03");
  rig.serial.Reset();
  log.clear();
  m().cmdSleep.Click();
  EXPECT_EQ(m().cmdSleep.Caption(), "Sleep");
  EXPECT_TRUE(m().Timer1.Enabled());
  EXPECT_EQ(log, "tick1 level ");
  EXPECT_EQ(HexOf(rig.serial.written), "FE 42 00 FE 59 03");
}

TEST_F(SleepTest, RotationSleepsWithTheDisplayAndResumesOnWaking) {
  int steps = 0;
  modes().rotation_step = [&] { ++steps; };
  m().cmdRotate.Click();
  m().cmdSleep.Click();
  EXPECT_FALSE(m().Timer7.Enabled());
  rig.loop.RunFor(10000);
  EXPECT_EQ(steps, 0);
  m().cmdSleep.Click();
  EXPECT_TRUE(m().Timer7.Enabled());
  EXPECT_EQ(steps, 1);
  EXPECT_EQ(m().cmdRotate.Caption(), "Stop Rotation");
}

TEST_F(SleepTest, NothingRunningWakesToNothing) {
  m().cmdSleep.Click();
  m().cmdSleep.Click();
  EXPECT_EQ(Enabled(), 0);
  EXPECT_EQ(log, "level level ");  // only the level, after each
}

TEST(SleepPerModelTest, SleepAndWakeBytesPerModel) {
  {
    Rig rig;
    rig.UseModel(kModelIeeSerial);
    rig.display().brightness_level = 7;
    rig.Emulate(kModelIeeSerial);
    rig.serial.Reset();
    rig.main().cmdSleep.Click();
    EXPECT_FALSE(rig.glass().display_on);
    rig.main().cmdSleep.Click();
    EXPECT_TRUE(rig.glass().display_on);
    EXPECT_EQ(HexOf(rig.serial.written), "19 33 19 30 FF 07 19 34 19 30 FF 07");
  }
  {
    Rig rig;
    rig.UseModel(kModelIeeParallel);
    rig.main().lstPPort.SetListIndex(0);
    rig.Emulate(kModelIeeParallel);
    rig.display().Write2x40("SHOWN", "");
    rig.main().cmdSleep.Click();
    EXPECT_EQ(rig.glass().Row(0), std::string(40, ' '));  // blanked: it has no off command
  }
  {
    Rig rig;
    rig.UseModel(kModelNoritake);
    rig.main().lstPPort.SetListIndex(0);
    rig.Emulate(kModelNoritake);
    rig.main().cmdSleep.Click();
    EXPECT_FALSE(rig.glass().display_on);
    rig.main().cmdSleep.Click();
    EXPECT_TRUE(rig.glass().display_on);
  }
  {
    Rig rig;  // no port: only captions and timers change
    rig.UseModel(kModelOrbital4x20);
    rig.program->serial().CloseSerial();
    rig.serial.Reset();
    rig.main().cmdSleep.Click();
    EXPECT_EQ(rig.main().cmdSleep.Caption(), "Wake");
    EXPECT_EQ(rig.serial.written, "");
  }
}

}  // namespace
}  // namespace vfd
