// The rotation: its slot cycle on the virtual clock, the skipping of empty slots, its toggle, and
// the settings dialog's tenths of a second.
#include <gtest/gtest.h>

#include "shell/SettingsFile.h"
#include "support/FakeFunctions.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::FakeFunction;
using testing::kFunctions;
using testing::Rig;

// Every function is replaced by one that notes when it starts showing (its first tick after
// another function's) and how many functions run while it ticks.
class RotationTest : public ::testing::Test {
 protected:
  RotationTest() {
    for (const FakeFunction& f : kFunctions) {
      const int16_t code = f.code;
      modes().Register({.code = code,
                        .button = &(m().*f.button),
                        .timer = &(m().*f.timer),
                        .first_frame = f.first_frame,
                        .tick = [this, code] { Ticked(code); }});
    }
    rig.UseModel(kModelOrbital2x20);
    rig.serial.on_bytes = [this](std::string_view bytes) {
      if (bytes.starts_with("\xFE\x59")) ++levels;
    };
  }
  void Ticked(int16_t code) {
    if (code == last_code) return;
    last_code = code;
    shown += std::to_string(rig.loop.NowMs()) + ":" + std::to_string(code) + " ";
  }
  ModeController& modes() { return rig.program->modes(); }
  FrmMain& m() { return rig.main(); }
  FrmRotateConfig& dialog() { return rig.program->rotate_config(); }
  FrmRotateConfig::Row& Row(const std::string& label) {
    for (FrmRotateConfig::Row& row : dialog().rows)
      if (row.label.Caption() == label) return row;
    throw std::runtime_error("no row " + label);
  }
  int RunningCount() {
    int n = 0;
    for (Timer* t : m().FunctionTimers())
      n += t->Enabled();
    return n;
  }

  Rig rig;
  int16_t last_code = 0;
  std::string shown;
  int levels = 0;
};

TEST_F(RotationTest, DefaultTimesShowEverySlotInOrderInACycleOf87Seconds) {
  m().cmdRotate.Click();
  EXPECT_EQ(m().cmdRotate.Caption(), "End Rotation");
  EXPECT_EQ(shown, "");  // nothing at once: the first step comes 100 ms later
  rig.loop.RunFor(87'100);
  EXPECT_EQ(shown,
            "100:1 10100:10 17100:2 24100:16 31100:3 38100:4 45100:6 52100:17 59100:12 66100:13 "
            "73100:14 80100:15 87100:1 ");
  EXPECT_EQ(m().Timer7.Interval(), 10000);
  EXPECT_EQ(RunningCount(), 1);
  EXPECT_EQ(modes().rotation_slot, 2);
}

TEST_F(RotationTest, EveryStepDrawsAtOnceAndSendsTheLevelEvenForFunctionsThatNormallyWait) {
  CodeCracker& cracker = rig.program->cracker();
  modes().Register(cracker.Registration());
  rig.program->ticker().current_message = "OPEN SESAME";
  modes().rotation_slot = 4;
  rig.program->rotation().Step();
  // The code cracker aims at the message as it is now and shows its first guess at once.
  EXPECT_EQ(cracker.crack_target.substr(0, 11), "OPEN SESAME");
  EXPECT_EQ(cracker.crack_guess.size(), 20u);
  EXPECT_TRUE(m().Timer16.Enabled());
  EXPECT_EQ(levels, 1);
  rig.program->rotation().Step();
  EXPECT_EQ(shown, "0:3 ");
  rig.program->rotation().Step();  // Winamp draws at once too
  EXPECT_EQ(shown, "0:3 0:4 ");
  EXPECT_TRUE(m().Timer4.Enabled());
  EXPECT_EQ(RunningCount(), 1);
}

TEST_F(RotationTest, OnlyTheMatrixWithATimeOf50ShowsForFiveSecondsEveryStep) {
  m().cmdSetRotate.Click();
  for (FrmRotateConfig::Row& row : dialog().rows)
    row.box.SetText("0");
  Row("The Matrix").box.SetText("50");
  dialog().cmdApply.Click();
  EXPECT_FALSE(dialog().Loaded());
  m().cmdRotate.Click();
  rig.loop.RunFor(15'100);
  EXPECT_EQ(shown, "100:2 ");
  EXPECT_EQ(m().Timer7.Interval(), 5000);
  EXPECT_EQ(rig.loop.DueMicros(m().Timer7), 20'100'000);
  EXPECT_EQ(modes().rotation_slot, 4);  // the next step starts after The Matrix again
  EXPECT_EQ(m().lblStatus.Caption(), "");
}

TEST_F(RotationTest, ACycleWithNothingToShowGivesUpAfterOnePassAndLeavesTheDisplayAlone) {
  rig.program->rotation().times.fill(0);
  rig.program->rotation().times[5] = -500;  // negative: skipped like 0
  rig.program->rotation().times[6] = 10;    // 10 ms or less: skipped
  m().cmdClock.Click();
  shown.clear();
  m().cmdRotate.Click();
  rig.loop.RunFor(1000);
  EXPECT_EQ(shown, "");
  EXPECT_TRUE(m().Timer3.Enabled());
  EXPECT_EQ(m().lblStatus.Caption(), Rotation::kNothingToShow);
  // Times entered later take effect at the next step.
  rig.program->rotation().times[8] = 3000;
  rig.loop.RunFor(100);
  EXPECT_EQ(shown, "1100:12 ");
}

TEST_F(RotationTest, AFunctionThatIsNotBuiltIsSkippedLikeATimeOf0) {
  Rig plain;
  plain.UseModel(kModelOrbital2x20);
  // Weather, tides and both news functions as if not built: registered without a timer.
  for (int16_t code : {17, 12, 13, 14})
    plain.program->modes().Register({.code = code});
  plain.program->modes().rotation_slot = 8;
  plain.program->rotation().Step();
  EXPECT_TRUE(plain.main().Timer15.Enabled());  // the countdown, after four empty slots
  EXPECT_EQ(plain.program->modes().rotation_slot, 1);
}

TEST_F(RotationTest, AFunctionButtonShowsUntilTheNextStepAndRestartingBeginsAtSlot1) {
  m().cmdRotate.Click();
  rig.loop.RunFor(10'100 + 7000);  // Ticker, then Vertical Scroll, now The Matrix
  m().cmdClock.Click();
  EXPECT_TRUE(m().Timer7.Enabled());
  rig.loop.RunFor(6999);
  EXPECT_TRUE(m().Timer3.Enabled());
  rig.loop.RunFor(1);
  EXPECT_TRUE(m().Timer16.Enabled());  // slot 4
  m().cmdRotate.Click();
  EXPECT_EQ(m().cmdRotate.Caption(), "Rotation");
  EXPECT_FALSE(m().Timer7.Enabled());
  EXPECT_TRUE(m().Timer16.Enabled());  // stopping leaves the function running
  m().cmdRotate.Click();
  shown.clear();
  rig.loop.RunFor(7000);  // the interval rotation set last
  EXPECT_EQ(shown, std::to_string(rig.loop.NowMs()) + ":1 ");
}

TEST_F(RotationTest, StartAndWakeResumeRotationAtOnce) {
  modes().StartFunctionByCode("7");
  EXPECT_EQ(m().cmdRotate.Caption(), "Stop Rotation");
  EXPECT_EQ(shown, "0:1 ");
  m().cmdSleep.Click();
  EXPECT_FALSE(m().Timer7.Enabled());
  m().cmdSleep.Click();
  EXPECT_EQ(shown, "0:1 0:10 ");
  EXPECT_TRUE(m().Timer7.Enabled());
  m().cmdRotate.Click();  // any caption but "Rotation" stops it
  EXPECT_EQ(m().cmdRotate.Caption(), "Rotation");
  EXPECT_FALSE(m().Timer7.Enabled());
  EXPECT_EQ(modes().rotation_slot, 1);
}

TEST_F(RotationTest, TheDialogShowsTenthsAndStoresWholeTenthsTimes100) {
  rig.program->rotation().times[4] = 250;
  m().cmdSetRotate.Click();
  EXPECT_EQ(Row("Ticker").box.Text(), "100");
  EXPECT_EQ(Row("Clock").box.Text(), "3");
  EXPECT_EQ(Row("Weather").box.Text(), "70");
  Row("Ticker").box.SetText("2.9");
  Row("Clock").box.SetText("450");
  Row("Winamp").box.SetText(" -5 ");
  Row("Countdown").box.SetText("0.5");
  dialog().cmdApply.Click();
  EXPECT_EQ(Row("Clock").box.Text(), "300");
  const auto& t = rig.program->rotation().times;
  EXPECT_EQ(t[0], 200);
  EXPECT_EQ(t[4], 30000);
  EXPECT_EQ(t[5], -500);
  EXPECT_EQ(t[11], 0);
  EXPECT_EQ(t[1], 7000);
  EXPECT_TRUE(rig.boxes.shown.empty());
  EXPECT_FALSE(dialog().Loaded());
}

TEST_F(RotationTest, ABoxThatIsNoNumberStopsTheStoreThereAndKeepsTheDialogOpen) {
  m().cmdSetRotate.Click();
  Row("Ticker").box.SetText("20");
  Row("The Matrix").box.SetText("999");
  Row("Clock").box.SetText("five");  // slot 5
  Row("Winamp").box.SetText("40");   // slot 6: never reached
  dialog().cmdApply.Click();
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].second,
            "You did not enter a rotation time correctly, please enter a positive integer between "
            "300 and 0.\n\nClock: \"five\"");
  EXPECT_TRUE(dialog().Loaded());
  EXPECT_EQ(Row("The Matrix").box.Text(), "300");
  const auto& t = rig.program->rotation().times;
  EXPECT_EQ(t[0], 2000);
  EXPECT_EQ(t[2], 30000);
  EXPECT_EQ(t[4], 7000);
  EXPECT_EQ(t[5], 7000);

  for (const char* bad : {"", "1e2", "-328", "12abc"}) {
    rig.boxes.shown.clear();
    Row("Clock").box.SetText(bad);
    dialog().cmdApply.Click();
    EXPECT_EQ(rig.boxes.shown.size(), 1u) << bad;
  }
  Row("Clock").box.SetText("-327.9");  // the lowest time that fits
  dialog().cmdApply.Click();
  EXPECT_EQ(t[4], -32700);
  EXPECT_EQ(t[5], 4000);
}

TEST_F(RotationTest, TimesComeFromTheSettingsFileAndGoBackToIt) {
  Settings s;
  s.RotationTimes[3] = 1234;
  s.StartFunctionCode = "7";
  s.CrackOnLoadCaption = "Standard Load";
  rig.files.files["vfdsettings.txt"] = FormatSettings(s);
  rig.program->Start();
  EXPECT_EQ(rig.program->rotation().times[3], 1234);
  EXPECT_EQ(m().Timer7.Interval(), 10000);  // the first step ran with the stored times
  rig.program->rotation().times[11] = 0;
  rig.program->Shutdown();
  SettingsParse saved = ParseSettings(rig.files.files.at("vfdsettings.txt"));
  ASSERT_TRUE(saved.ok);
  EXPECT_EQ(saved.settings.RotationTimes[3], 1234);
  EXPECT_EQ(saved.settings.RotationTimes[11], 0);
}

}  // namespace
}  // namespace vfd
