// The progress bars: the step chosen for a ratio, the plain bars, the IEE serial display's glyph
// bar and the IEE parallel display's paced glyph loads.
#include <gtest/gtest.h>

#include "display/Bytes.h"
#include "display/emulator/TerminalView.h"
#include "effects/ProgressBars.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::HexOf;
using testing::Rig;

TEST(ProgressStepTest, TheSmallestStepAtOrAboveTheRatio) {
  EXPECT_EQ(ProgressBars::Step(0.0f, 20), 1);  // never empty
  EXPECT_EQ(ProgressBars::Step(-3.0f, 20), 1);
  EXPECT_EQ(ProgressBars::Step(0.05f, 20), 2);  // 0.05f lies just above 1/20 in double
  EXPECT_EQ(ProgressBars::Step(0.25f, 20), 5);  // exactly 5/20
  EXPECT_EQ(ProgressBars::Step(0.2500001f, 20), 6);
  EXPECT_EQ(ProgressBars::Step(1.0f, 20), 20);
  EXPECT_EQ(ProgressBars::Step(1.0000001f, 20), 0);  // above 1: no step
  EXPECT_EQ(ProgressBars::Step(0.0f / 0.0f, 20), 0);
}

TEST(PlainBarTest, StarsForTheStepDashesForTheRest) {
  Rig rig;
  ProgressBars& bars = rig.program->bars();
  EXPECT_EQ(bars.ProgressBar20(0.25f), std::string(5, '*') + std::string(15, '-'));
  EXPECT_EQ(bars.ProgressBar20(0.0f), "*" + std::string(19, '-'));
  EXPECT_EQ(bars.ProgressBar13(1.0f), std::string(13, '*'));
  EXPECT_EQ(bars.ProgressBar13(0.5f), std::string(7, '*') + std::string(6, '-'));
  // 7/13 in single precision lies above 7/13: the next step.
  EXPECT_EQ(bars.ProgressBar13(7.0f / 13), std::string(8, '*') + std::string(5, '-'));
  EXPECT_EQ(bars.ProgressBar13(1.5f), "");
  EXPECT_EQ(bars.ProgressBar9(0.5f), std::string(5, '*') + std::string(4, '-'));  // no model
  EXPECT_EQ(bars.ProgressBar9(2.0f), "");
}

class GlyphBarTest : public ::testing::Test {
 protected:
  GlyphBarTest() {
    rig.UseModel(kModelIeeSerial);
    rig.Emulate(kModelIeeSerial);
    rig.serial.Reset();
  }
  std::string Bar(float ratio) { return rig.program->bars().ProgressBar9(ratio); }
  static std::string Cells(std::initializer_list<uint8_t> codes) { return Bytes(codes); }
  // The glyph-249 definition sent by the last call, or "" when there was none.
  std::string Partial() {
    size_t at = rig.serial.written.find("\x18\xF9");
    return at == std::string::npos ? "" : HexOf(rig.serial.written.substr(at, 7));
  }
  Rig rig;
};

TEST_F(GlyphBarTest, EveryCallDefinesTheFixedCellsFirst) {
  Bar(0.5f);
  EXPECT_EQ(HexOf(rig.serial.written.substr(0, 28)),
            "18 F7 A8 0A 00 54 05 18 F8 E8 2A 81 54 07 18 FA F9 4F A0 DF 0F 18 FB FD 5F 80 FE 0F");
  EXPECT_EQ(rig.glass().glyphs.at(251), (std::vector<uint8_t>{0xFD, 0x5F, 0x80, 0xFE, 0x0F}));
}

TEST_F(GlyphBarTest, StepTenFillsOneMiddleCellAndTwoFifthsOfTheNext) {
  EXPECT_EQ(Bar(10.0f / 36), Cells({250, 251, 249, 247, 247, 247, 247, 248}));
  EXPECT_EQ(Partial(), "18 F9 BC 5A 00 F4 05");
}

TEST_F(GlyphBarTest, TheEndsAndTheirSubSteps) {
  EXPECT_EQ(Bar(0.0f), Cells({249, 247, 247, 247, 247, 247, 247, 248}));
  EXPECT_EQ(Partial(), "18 F9 B9 4E 20 DD 05");
  rig.serial.Reset();
  EXPECT_EQ(Bar(0.0556f), Cells({249, 247, 247, 247, 247, 247, 247, 248}));
  EXPECT_EQ(Partial(), "18 F9 B9 4F 20 DF 0D");
  rig.serial.Reset();
  EXPECT_EQ(Bar(0.0833f), Cells({250, 247, 247, 247, 247, 247, 247, 248}));
  EXPECT_EQ(Partial(), "");  // a whole cell: 249 is left as it was
  rig.serial.Reset();
  EXPECT_EQ(Bar(0.95f), Cells({250, 251, 251, 251, 251, 251, 251, 249}));  // step 35
  EXPECT_EQ(Partial(), "18 F9 FC 7A 81 F4 07");
  rig.serial.Reset();
  EXPECT_EQ(Bar(1.0f), Cells({250, 251, 251, 251, 251, 251, 251, 249}));
  EXPECT_EQ(Partial(), "18 F9 FD 7E 81 FC 07");
  rig.serial.Reset();
  EXPECT_EQ(Bar(1.01f), Cells({246, 247, 247, 247, 247, 247, 247, 248}));
  EXPECT_EQ(Partial(), "");
}

TEST_F(GlyphBarTest, ThresholdsAreRoundedToFourDecimalsInSinglePrecision) {
  // 1/36 rounds to 0.0278: a ratio just above 1/36 but below 0.0278 still takes step 1.
  EXPECT_EQ(Bar(0.02779f)[0], static_cast<char>(249));
  EXPECT_EQ(Partial(), "18 F9 B9 4E 20 DD 05");
  // A middle cell takes five steps: four partial patterns, then full without a 249.
  rig.serial.Reset();
  EXPECT_EQ(Bar(0.2222f), Cells({250, 251, 247, 247, 247, 247, 247, 248}));  // step 8: m=4
  EXPECT_EQ(Partial(), "");
  // 8/36 itself lies above the rounded threshold 0.2222: step 9, a fresh partial cell.
  rig.serial.Reset();
  EXPECT_EQ(Bar(8.0f / 36), Cells({250, 251, 249, 247, 247, 247, 247, 248}));
  EXPECT_EQ(Partial(), "18 F9 B8 4A 00 D4 05");
  rig.serial.Reset();
  EXPECT_EQ(Bar(33.0f / 36), Cells({250, 251, 251, 251, 251, 251, 251, 248}));
}

TEST_F(GlyphBarTest, TheGlassShowsTheBarByHowMuchOfEachCellIsLit) {
  rig.display().Write2x20(Bar(10.0f / 36), "");
  std::string plain = RenderPlain(rig.glass());
  // Full cells solid, the partial cell half shaded, empty cells (their frame only) faint.
  EXPECT_EQ(plain.substr(0, plain.find('\n')),
            "|\u2588\u2588\u2592\u2591\u2591\u2591\u2591\u2592            |");
}

class ParallelBarTest : public ::testing::Test {
 protected:
  ParallelBarTest() {
    rig.UseModel(kModelIeeParallel);
    rig.main().lstPPort.SetListIndex(0);
    rig.Emulate(kModelIeeParallel);
    rig.parallel.Reset();
  }
  Rig rig;
};

TEST_F(ParallelBarTest, TheVariantIsLoadedWithPausesAndOnlyWhenItChanges) {
  ProgressBars& bars = rig.program->bars();
  int64_t start = rig.loop.NowMicros();
  std::string text = bars.ProgressBar22(0.5f);  // step 33: ten full cells, variant 3
  EXPECT_EQ(text, std::string(10, '\xFD') + "\xFE" + std::string(11, '\xFF'));
  EXPECT_EQ(rig.parallel.Strobed(), "18 01 00 24 4E 42 62 00");
  EXPECT_GE(rig.loop.NowMicros() - start, 9 * 5000);  // 5 ms before and after every byte
  EXPECT_EQ(bars.loaded_bar_glyph, 3);
  EXPECT_EQ(rig.display().parallel_busy, 0);
  EXPECT_EQ(rig.glass().glyphs.at(1), (std::vector<uint8_t>{0x00, 0x24, 0x4E, 0x42, 0x62, 0x00}));
  rig.parallel.Reset();
  bars.ProgressBar22(0.49f);  // step 33 again
  EXPECT_TRUE(rig.parallel.accesses.empty());
  EXPECT_EQ(bars.ProgressBar22(0.0f), "\xFE" + std::string(21, '\xFF'));
  EXPECT_EQ(rig.parallel.Strobed(), "18 01 08 04 46 00 30 00");
  rig.parallel.Reset();
  EXPECT_EQ(bars.ProgressBar22(1.2f), std::string(22, '\xFF'));
  EXPECT_TRUE(rig.parallel.accesses.empty());
}

TEST_F(ParallelBarTest, NothingElseReachesThePortWhileTheLoadPauses) {
  ProgressBars& bars = rig.program->bars();
  rig.display().brightness_level = 7;
  rig.main().cmdGlow.Click();    // Glow sends the level every 50 ms
  rig.main().cmdTicker.Click();  // and the ticker draws every 50 ms
  rig.parallel.Reset();
  const int16_t glow_before = rig.program->effects().glow_tick;
  bars.ProgressBar22(0.5f);  // two loads, 90 ms of pauses: both timers tick meanwhile
  bars.ProgressBar22(0.0f);
  EXPECT_GT(rig.program->effects().glow_tick, glow_before);
  EXPECT_EQ(rig.parallel.Strobed(), "18 01 00 24 4E 42 62 00 18 01 08 04 46 00 30 00");
  // Typing during a load does not put the message into the glyph either.
  rig.main().cmdTicker.Click();
  rig.program->ticker().startup_complete = 1;
  rig.display().parallel_busy = 1;
  rig.parallel.Reset();
  rig.main().txtMessage.SetText("typed");
  EXPECT_TRUE(rig.parallel.accesses.empty());
  EXPECT_EQ(rig.main().Line1.Caption(), "typed");
}

}  // namespace
}  // namespace vfd
