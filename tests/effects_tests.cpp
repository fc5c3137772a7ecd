// Knightrider, Glow and Liquify, checked as the brightness of every character on the glass.
#include <gtest/gtest.h>

#include "display/Bytes.h"
#include "display/emulator/TerminalView.h"
#include "effects/BrightnessEffects.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::HexOf;
using testing::Rig;

class EffectsTest : public ::testing::Test {
 protected:
  EffectsTest() {
    rig.UseModel(kModelIeeSerial);
    rig.display().brightness_level = 7;
    rig.Emulate(kModelIeeSerial);
    rig.serial.Reset();
  }
  FrmMain& m() { return rig.main(); }
  BrightnessEffects& effects() { return rig.program->effects(); }
  std::string Levels() { return rig.glass().Levels(0); }

  Rig rig;
};

TEST(KnightriderFramesTest, TheSweepAndItsTrailMatchTheDrawnFrames) {
  auto frame = [](int f) {
    std::string levels;
    for (int p = 0; p < 20; ++p)
      levels.push_back(static_cast<char>('0' + BrightnessEffects::KnightriderLevel(p, f)));
    return levels;
  };
  EXPECT_EQ(frame(0), "76543210777777777777");
  EXPECT_EQ(frame(12), "77777777777776543210");
  EXPECT_EQ(frame(13), "77777777777777654301");
  EXPECT_EQ(frame(15), "77777777777777770123");
  EXPECT_EQ(frame(18), "77777777777770123456");
  EXPECT_EQ(frame(19), "77777777777701234567");
  EXPECT_EQ(frame(32), "10345677777777777777");
  EXPECT_EQ(frame(37), "65432107777777777777");
  // The head visits the ends once per cycle and every other position twice.
  std::vector<int> visits(20);
  for (int f = 0; f < BrightnessEffects::kFrames; ++f)
    ++visits[BrightnessEffects::KnightriderHead(f)];
  EXPECT_EQ(visits[0], 1);
  EXPECT_EQ(visits[19], 1);
  EXPECT_EQ(std::count(visits.begin(), visits.end(), 2), 18);
}

TEST_F(EffectsTest, KnightriderSweepsRightOnOneTimerAndBackOnTheOther) {
  m().cmdKnightrider.Click();
  EXPECT_EQ(m().cmdKnightrider.Caption(), "Shut Up KITT!");
  rig.loop.RunFor(50);  // frame 0: no empty screen first
  EXPECT_EQ(Levels(), "76543210777777777777");
  EXPECT_EQ(HexOf(rig.serial.written.substr(rig.serial.written.size() - 4)), "19 30 13 07");
  rig.loop.RunFor(50 * 18);  // frame 18, the last of the right sweep
  EXPECT_EQ(Levels(), "77777777777770123456");
  EXPECT_FALSE(m().Timer8.Enabled());
  EXPECT_TRUE(m().Timer9.Enabled());
  rig.loop.RunFor(50 * 19);  // frames 19..37
  EXPECT_EQ(Levels(), "65432107777777777777");
  EXPECT_TRUE(m().Timer8.Enabled());
  rig.loop.RunFor(50);
  EXPECT_EQ(Levels(), "76543210777777777777");  // round again
  // Every frame of a whole cycle reaches the glass as drawn.
  for (int f = 1; f < BrightnessEffects::kFrames; ++f) {
    rig.loop.RunFor(50);
    for (int p = 0; p < 20; ++p)
      ASSERT_EQ(rig.glass().Level(0, p), BrightnessEffects::KnightriderLevel(p, f))
          << f << " " << p;
  }
  // The rendered glass shows the sweep as it would look.
  EXPECT_NE(RenderPlain(rig.glass()).find("  65432107777777777777"), std::string::npos);
}

TEST_F(EffectsTest, StoppingMidSweepAndStartingAgainResumesEachTimersStep) {
  m().cmdKnightrider.Click();
  rig.loop.RunFor(50 * 22);  // 19 right frames, then left frames 19, 20, 21
  ASSERT_TRUE(m().Timer9.Enabled());
  m().cmdKnightrider.Click();
  EXPECT_EQ(m().cmdKnightrider.Caption(), "Knightrider");
  EXPECT_FALSE(m().Timer8.Enabled() || m().Timer9.Enabled());
  EXPECT_EQ(Levels(), std::string(20, '7'));  // the user's level again
  m().cmdKnightrider.Click();                 // the right sweep starts at its stored step, 0
  rig.loop.RunFor(50);
  EXPECT_EQ(Levels(), "76543210777777777777");
  rig.loop.RunFor(50 * 18);
  rig.loop.RunFor(50);  // the left sweep goes on at its step 3: frame 22, so the head jumps
  EXPECT_EQ(effects().sweep_left_step, 4);
  std::string frame22;
  for (int p = 0; p < 20; ++p)
    frame22.push_back(static_cast<char>('0' + BrightnessEffects::KnightriderLevel(p, 22)));
  EXPECT_EQ(Levels(), frame22);
}

TEST_F(EffectsTest, AClosedPortStopsTheEffectsSilentlyAndTheirCaptionsStay) {
  m().cmdKnightrider.Click();
  m().cmdRandomBrightness.Click();
  rig.loop.RunFor(100);
  rig.program->serial().CloseSerial();
  rig.loop.RunFor(100);
  EXPECT_FALSE(m().Timer8.Enabled() || m().Timer9.Enabled() || m().Timer5.Enabled());
  EXPECT_EQ(m().cmdKnightrider.Caption(), "Shut Up KITT!");
  EXPECT_EQ(m().cmdRandomBrightness.Caption(), "Oww, My Eyes!");
  rig.program->Shutdown();
  Settings saved = ParseSettings(rig.files.files.at("vfdsettings.txt")).settings;
  EXPECT_EQ(saved.KnightriderCaption, "Shut Up KITT!");
  EXPECT_EQ(saved.LiquifyCaption, "Oww, My Eyes!");
}

TEST_F(EffectsTest, PerCharacterEffectsNeedTheIeeSerialDisplayWithItsPortOpen) {
  rig.program->serial().CloseSerial();
  m().cmdKnightrider.Click();
  m().cmdRandomBrightness.Click();
  EXPECT_EQ(m().cmdKnightrider.Caption(), "Knightrider");
  EXPECT_FALSE(m().Timer8.Enabled() || m().Timer5.Enabled());
  rig.UseModel(kModelOrbital2x20);  // the model's start-up greys them out
  EXPECT_FALSE(m().cmdKnightrider.Enabled());
  rig.display().display_model = kModelOrbital4x20;
  m().cmdKnightrider.SetEnabled(true);
  m().cmdKnightrider.Click();
  EXPECT_FALSE(m().cmdKnightrider.Enabled());
  // Back on the IEE display the effects whose captions say they ran start again.
  m().cmdRandomBrightness.SetCaption("Oww, My Eyes!");
  rig.UseModel(kModelIeeSerial);
  EXPECT_TRUE(m().Timer5.Enabled());
  EXPECT_TRUE(m().cmdKnightrider.Enabled());
}

TEST_F(EffectsTest, LiquifyGivesEveryCharacterARandomLevelTenTimesASecond) {
  rig.random.script = {0.0, 1.0 / 14, 0.99};  // levels 0, 0 (a half goes to even), 7
  rig.random.fallback = 3.0 / 7;              // level 3
  m().cmdRandomBrightness.Click();
  EXPECT_EQ(m().cmdRandomBrightness.Caption(), "Oww, My Eyes!");
  rig.serial.Reset();
  rig.loop.RunFor(100);
  EXPECT_EQ(HexOf(rig.serial.written.substr(0, 12)), "19 30 00 00 19 30 01 00 19 30 02 07");
  EXPECT_EQ(rig.serial.written.size(), 80u);
  EXPECT_EQ(Levels(), "00733333333333333333");
  m().cmdRandomBrightness.Click();
  EXPECT_FALSE(m().Timer5.Enabled());
  EXPECT_EQ(Levels(), std::string(20, '7'));
}

TEST_F(EffectsTest, GlowPulsesDownAndUpThenRests) {
  rig.display().brightness_level = 5;
  m().cmdGlow.Click();
  EXPECT_EQ(m().cmdGlow.Caption(), "It's Alive! Quick, Kill It!");
  std::string levels;
  std::string picture_at_five;
  for (int tick = 0; tick < 26; ++tick) {
    rig.serial.Reset();
    rig.loop.RunFor(50);
    levels += rig.serial.written.empty() ? '-' : static_cast<char>('0' + rig.glass().global_level);
    if (tick == 3) picture_at_five = RenderPlain(rig.glass());
  }
  EXPECT_EQ(levels, "-765432101234567---------7");
  // The rendered glass shows the dimmed rows with their level.
  EXPECT_NE(picture_at_five.find("|  55555555555555555555"), std::string::npos) << picture_at_five;
}

TEST_F(EffectsTest, StoppingGlowRestoresTheLevelItStartedFrom) {
  rig.display().brightness_level = 5;
  m().cmdGlow.Click();
  rig.loop.RunFor(50 * 6);
  m().cmdGlow.Click();
  EXPECT_EQ(rig.display().brightness_level, 5);
  EXPECT_EQ(rig.glass().global_level, 5);
  EXPECT_EQ(m().cmdGlow.Caption(), "Glow");
  // Started again, the pulse goes on where it stopped.
  int16_t tick = effects().glow_tick;
  m().cmdGlow.Click();
  rig.loop.RunFor(50);
  EXPECT_EQ(effects().glow_tick, tick + 1);
}

TEST_F(EffectsTest, GlowResumedAtStartUpFallsBackToLevelZeroWhenStopped) {
  Settings s;
  s.GlowCaption = "It's Alive! Quick, Kill It!";
  s.CrackOnLoadCaption = "Standard Load";
  Rig other;
  other.files.files["vfdsettings.txt"] = FormatSettings(s);
  other.program->Start();
  other.loop.RunFor(200);
  other.main().cmdGlow.Click();
  EXPECT_EQ(other.display().brightness_level, 0);
}

TEST_F(EffectsTest, GlowWorksOnEveryModelThroughItsOwnLevels) {
  Rig noritake;
  noritake.UseModel(kModelNoritake);
  noritake.main().lstPPort.SetListIndex(0);
  noritake.Emulate(kModelNoritake);
  noritake.display().brightness_level = 7;
  noritake.main().cmdGlow.Click();
  std::string levels;
  for (int tick = 0; tick < 16; ++tick) {
    noritake.loop.RunFor(50);
    levels.push_back(static_cast<char>('0' + noritake.glass().global_level));
  }
  EXPECT_EQ(levels, "3333332101233333");  // levels above 3 are the display's 3
}

TEST_F(EffectsTest, TheSweepStaysCurrentOnANineHundredSixtyByteASecondLine) {
  // 20 commands of 4 bytes every 50 ms need 1600 bytes/s; 9600 baud carries 960.
  rig.serial.throttle = true;
  m().cmdKnightrider.Click();
  size_t worst = 0;
  for (int tick = 0; tick < 400; ++tick) {
    rig.loop.RunFor(50);
    worst = std::max(worst, rig.program->serial().QueuedBytes());
  }
  EXPECT_LE(worst, 21u * 4u);
  m().cmdKnightrider.Click();  // the user's level goes out last
  rig.loop.RunFor(200);
  EXPECT_EQ(Levels(), std::string(20, '7'));
}

}  // namespace
}  // namespace vfd
