// The Matrix: segment and phase rules on a scripted random source, the pictures per geometry in
// both directions, and the direct path of the IEE serial display with its level flicker.
#include <gtest/gtest.h>

#include "display/Bytes.h"
#include "effects/Matrix.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::HexOf;
using testing::Rig;

class MatrixTest : public ::testing::Test {
 protected:
  MatrixTest() {
    rig.display().screen_type = kScreen2x20;
    rig.program->matrix().InitStreams();
  }
  Matrix& matrix() { return rig.program->matrix(); }
  Matrix::Stream& stream(int i) { return matrix().streams[static_cast<size_t>(i)]; }
  void Down() { rig.main().cmdMatrixDirection.SetCaption("Down"); }

  Rig rig;
};

TEST_F(MatrixTest, GlyphDrawsPickOneOfTwentyThreeCodesOrKeepTheLast) {
  rig.random.script = {0.95, 0.0, 22.5 / 30, 0.8, 0.5};
  matrix().PickMatrixGlyph();
  EXPECT_EQ(matrix().matrix_glyph, "");  // nothing drawn yet: empty stays empty
  matrix().PickMatrixGlyph();
  EXPECT_EQ(matrix().matrix_glyph, "\xB1");
  matrix().PickMatrixGlyph();
  EXPECT_EQ(matrix().matrix_glyph, "\xCF");
  matrix().PickMatrixGlyph();
  EXPECT_EQ(matrix().matrix_glyph, "\xCF");  // n = 25: the previous one again
  matrix().PickMatrixGlyph();
  EXPECT_EQ(matrix().matrix_glyph, "\xC5");  // n = 16
}

TEST_F(MatrixTest, InPhaseOneTheOddSegmentsCarryGlyphsFreshAtTheirStart) {
  Matrix::Stream& s = stream(0);
  s.segment_lengths = {3, 2, 1, 2, 1, 2, 1, 2};
  s.glyph_phase = 1;
  s.glyph_buffer = "abcdefghijklmnopqrstuvwxyz" + std::string(44, '.');
  rig.random.script = {0.5, 0.0, 0.04, 0.07, 0.1};  // the next length, then four glyphs
  matrix().Tick();
  EXPECT_EQ(s.segment_lengths, (std::array<int16_t, 8>{2, 2, 1, 2, 1, 2, 1, 2}));
  EXPECT_EQ(s.next_length, 5);  // drawn, and thrown away: no shift this tick
  EXPECT_EQ(s.picture,
            "  \xB1"
            "d \xB2"
            "g \xB3"
            "j \xB5"
            "m");
}

TEST_F(MatrixTest, InPhaseZeroTheFirstSegmentShowsTheEndOfTheBuffer) {
  Matrix::Stream& s = stream(0);
  s.segment_lengths = {3, 2, 1, 2, 1, 2, 1, 2};
  s.glyph_phase = 0;
  s.glyph_buffer = std::string(68, '.') + "YZ";
  rig.random.script = {0.5, 0.0, 0.04, 0.07, 0.1};
  matrix().Tick();
  EXPECT_EQ(s.picture, "YZ  \xB1  \xB2  \xB3  ");
  EXPECT_EQ(s.glyph_buffer[13], '\xB5');  // the fourth head, not shown this tick
}

TEST_F(MatrixTest, SegmentsShiftOnlyWhenTheFirstRunsOut) {
  Matrix::Stream& s = stream(0);
  s.segment_lengths = {1, 4, 4, 4, 4, 4, 4, 4};
  s.glyph_phase = 0;
  rig.random.script = {0.875};  // nearest(8.0): the new last segment
  matrix().Tick();
  EXPECT_EQ(s.segment_lengths, (std::array<int16_t, 8>{4, 4, 4, 4, 4, 4, 4, 8}));
  EXPECT_EQ(s.glyph_phase, 1);
  rig.random.script = {0.99};  // nearest(8.92) = 9, drawn but not used
  matrix().Tick();
  EXPECT_EQ(s.segment_lengths, (std::array<int16_t, 8>{3, 4, 4, 4, 4, 4, 4, 8}));
  EXPECT_EQ(s.next_length, 9);
  EXPECT_EQ(s.glyph_phase, 1);
}

TEST_F(MatrixTest, HeadsBeyondTheBufferAreNotKeptAndNothingBreaks) {
  Matrix::Stream& s = stream(0);
  s.segment_lengths = {10, 10, 10, 10, 10, 10, 10, 9};  // the last head falls at 79
  s.glyph_phase = 0;
  matrix().Tick();
  EXPECT_EQ(s.glyph_buffer.size(), Matrix::kBufferLength);
  rig.random.fallback = 0.999;  // long segments from now on
  for (int tick = 0; tick < 2000; ++tick)
    matrix().Tick();
  EXPECT_EQ(s.glyph_buffer.size(), Matrix::kBufferLength);
}

TEST_F(MatrixTest, ScreenStartsAlmostEmpty) {
  rig.random.fallback = 0.3;
  matrix().InitStreams();
  for (const Matrix::Stream& s : matrix().streams) {
    EXPECT_EQ(s.glyph_buffer, std::string(70, ' '));
    EXPECT_EQ(s.glyph_phase, 0);
  }
  matrix().Tick();
  std::string shown = rig.main().Line1.Caption() + rig.main().Line2.Caption();
  size_t glyphs = std::count_if(shown.begin(), shown.end(), [](char c) { return c != ' '; });
  EXPECT_LE(glyphs, 8u);
}

TEST_F(MatrixTest, DownRowsAreTheTenthToThirteenthCharactersOfEveryColumn) {
  Down();
  rig.random.fallback = 0.6;
  for (int tick = 0; tick < 30; ++tick)
    matrix().Tick();
  stream(5).segment_lengths = {2, 1, 1, 1, 1, 1, 1, 1};  // too short to reach the screen
  matrix().Tick();
  for (size_t r = 0; r < 4; ++r) {
    std::string expected;
    for (int i = 0; i < 20; ++i)
      if (stream(i).picture.size() >= r + 10) expected.push_back(stream(i).picture[r + 9]);
    EXPECT_EQ(matrix().matrix_rows[r], expected);
    EXPECT_EQ(matrix().matrix_rows[r].size(), 19u);  // column 5 leaves a hole
  }
  // Row 1 is the top line: the streaks fall.
  EXPECT_EQ(rig.main().Line1.Caption(), Fit(matrix().matrix_rows[1], 20));
  EXPECT_EQ(rig.main().Line2.Caption(), Fit(matrix().matrix_rows[0], 20));
  EXPECT_EQ(stream(20).picture, "");  // a 2x20 screen moves 20 streams only
}

TEST_F(MatrixTest, AcrossEachRowShowsAWindowOfOneStream) {
  rig.random.fallback = 0.45;
  auto window = [&](int i, size_t from, size_t n) {
    return Fit(stream(i).picture.substr(from - 1, n), n);
  };
  for (int tick = 0; tick < 20; ++tick)
    matrix().Tick();
  EXPECT_EQ(rig.main().Line1.Caption(), window(1, 8, 20));
  EXPECT_EQ(rig.main().Line2.Caption(), window(0, 8, 20));
  rig.display().screen_type = kScreen2x40;
  matrix().Tick();
  EXPECT_EQ(rig.main().Line1.Caption(), window(0, 2, 40));
  EXPECT_EQ(rig.main().Line2.Caption(), window(1, 2, 40));
  rig.display().screen_type = kScreen2x24;
  matrix().Tick();
  EXPECT_EQ(rig.main().Line1.Caption(), window(0, 6, 24));
  EXPECT_EQ(rig.main().Line2.Caption(), window(1, 6, 24));
  rig.display().screen_type = kScreen4x20;
  matrix().Tick();
  EXPECT_EQ(rig.main().Line1.Caption(), "       " + window(3, 1, 20) + "\r\n        " +
                                            window(2, 1, 20) + "\r\n        " + window(1, 1, 20) +
                                            "\r\n        " + window(0, 1, 20));
}

TEST_F(MatrixTest, DirectionChangeGoesOnFromTheSameStreams) {
  rig.random.fallback = 0.45;
  for (int tick = 0; tick < 10; ++tick)
    matrix().Tick();
  std::string buffer = stream(0).glyph_buffer;
  auto lengths = stream(0).segment_lengths;
  rig.main().cmdMatrixDirection.Click();
  EXPECT_EQ(rig.main().cmdMatrixDirection.Caption(), "Down");
  EXPECT_EQ(stream(0).glyph_buffer, buffer);
  EXPECT_EQ(stream(0).segment_lengths, lengths);
}

TEST_F(MatrixTest, TheIeeSerialDisplayIsWrittenDirectlyWithLevelsEverySecondTick) {
  rig.UseModel(kModelIeeSerial);
  rig.Emulate(kModelIeeSerial);
  rig.serial.Reset();
  rig.random.fallback = 0.45;
  matrix().Tick();
  std::string first = rig.serial.written;
  ASSERT_EQ(first.size(), 42u);  // no levels on this tick
  EXPECT_EQ(HexOf(first.substr(0, 2)), "1D 16");
  EXPECT_EQ(rig.main().Line1.Caption(), first.substr(2, 20));
  EXPECT_EQ(rig.glass().Row(0), first.substr(2, 20));
  rig.serial.Reset();
  rig.random.fallback = 0.3;  // every level nearest(2.1) = 2
  matrix().Tick();
  ASSERT_EQ(rig.serial.written.size(), 20u * 4 + 42);
  EXPECT_EQ(HexOf(rig.serial.written.substr(0, 8)), "19 30 00 02 19 30 01 02");
  EXPECT_EQ(rig.glass().Levels(0), std::string(20, '2'));
  rig.serial.Reset();
  matrix().Tick();
  EXPECT_EQ(rig.serial.written.size(), 42u);

  // Down, the rows go out as built, without padding.
  Down();
  rig.random.fallback = 0.6;
  for (int tick = 0; tick < 30; ++tick)
    matrix().Tick();
  stream(7).segment_lengths = {2, 1, 1, 1, 1, 1, 1, 1};
  rig.serial.Reset();
  const bool levels = matrix().level_toggle == 1;
  matrix().Tick();
  ASSERT_EQ(matrix().matrix_rows[0].size(), 19u);
  EXPECT_EQ(rig.serial.written.size(), (levels ? 80u : 0u) + 2 + 19 + 19);
}

TEST_F(MatrixTest, OtherSerialDisplaysGoThroughTheWriter) {
  rig.UseModel(kModelOrbital2x20);
  rig.serial.Reset();
  rig.random.fallback = 0.45;
  matrix().Tick();
  matrix().Tick();
  EXPECT_EQ(HexOf(rig.serial.written.substr(0, 4)), "FE 54 FE 48");
  EXPECT_EQ(rig.serial.written.size(), 88u);  // two frames, no levels
}

}  // namespace
}  // namespace vfd
