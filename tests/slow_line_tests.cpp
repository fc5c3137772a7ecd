// The display functions on a serial line slower than they draw: text frames keep reaching the
// glass beside the per-character levels, and what the glass shows stays recent.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "effects/BrightnessEffects.h"
#include "support/FrameWatch.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::FrameWatch;
using testing::Rig;

// The Matrix on a 2x20 display draws about 800 random numbers a second.
constexpr size_t kDrawsPerSecond = 1000;
// A 2x20 text frame on the IEE display: cursor home, then the 40 characters.
constexpr size_t kIeeFrameBytes = 42;
constexpr size_t kLevelBytes = 4;

class SlowLineTest : public ::testing::Test {
 protected:
  // `model` at `speed` (as the speed list shows it), its bytes going out at the line's pace into
  // the emulator, with random numbers for `seconds` of drawing.
  void Connect(int16_t model, const std::string& speed, int seconds) {
    rig.random.ScriptNoise(kDrawsPerSecond * static_cast<size_t>(seconds));
    rig.UseModel(model);
    rig.main().lstSpeed.SetListIndex(rig.main().lstSpeed.Find(speed));
    ASSERT_TRUE(rig.program->serial().IsSerialOpen());
    rig.Emulate(model);
    rig.serial.throttle = true;
  }
  // The Matrix's streams as start-up leaves them, then its button.
  void StartMatrix() {
    rig.program->matrix().InitStreams();
    rig.main().cmdMatrix.Click();
  }
  // The picture the running function drew last.
  std::string Drawn() { return rig.main().Line1.Caption() + rig.main().Line2.Caption(); }

  Rig rig;
};

struct Line {
  const char* name;
  int16_t model;
  const char* speed;
  const char* frame_header;  // ahead of the frame's 40 characters
  int frames_per_second;     // on the glass, at least
};

void PrintTo(const Line& line, std::ostream* os) {
  *os << line.name;
}

class MatrixOnASlowLineTest : public SlowLineTest, public ::testing::WithParamInterface<Line> {};

TEST_P(MatrixOnASlowLineTest, FramesKeepComingAndEveryLevelKeepsChanging) {
  const Line line = GetParam();
  Connect(line.model, line.speed, 10);
  FrameWatch frames(rig.serial, rig.loop, line.frame_header, 40);
  StartMatrix();
  std::string levels = rig.glass().Levels(0);
  std::array<int, 20> changes{};
  for (int tick = 0; tick < 10 * 40; ++tick) {
    rig.loop.RunFor(25);
    std::string now = rig.glass().Levels(0);
    for (size_t p = 0; p < 20; ++p)
      changes[p] += now[p] != levels[p];
    levels = std::move(now);
  }
  // The first second is start-up; the nine after it are steady.
  int shown = frames.DistinctSince(rig.loop.NowMs() - 9000);
  EXPECT_GE(shown, 9 * line.frames_per_second) << shown / 9.0 << " frames a second";
  if (line.model == kModelIeeSerial) {
    for (size_t p = 0; p < 20; ++p)
      EXPECT_GE(changes[p], 10) << "position " << p;
  }
}

INSTANTIATE_TEST_SUITE_P(
    ModelsAndSpeeds, MatrixOnASlowLineTest,
    ::testing::Values(Line{"IeeAt9600", kModelIeeSerial, " 9600", "\x1D\x16", 6},
                      Line{"IeeAt19200", kModelIeeSerial, "19200", "\x1D\x16", 12},
                      // 44 bytes a frame and no levels: the line carries 21.8 a second.
                      Line{"OrbitalAt9600", kModelOrbital2x20, " 9600", "\xFE\x54\xFE\x48", 18}),
    [](const ::testing::TestParamInfo<Line>& info) { return info.param.name; });

TEST_F(SlowLineTest, TheMatrixNeverFallsBehindTheLineOverAMinute) {
  Connect(kModelIeeSerial, " 9600", 60);
  FrameWatch frames(rig.serial, rig.loop, "\x1D\x16", 40);
  StartMatrix();
  std::vector<std::pair<int64_t, std::string>> drawn{{rig.loop.NowMs(), Drawn()}};
  // At most a half-sent entry, the newest frame and the newest level of every position wait.
  const size_t most_queued = 2 * kIeeFrameBytes + 20 * kLevelBytes;
  // So a frame on the glass was drawn at most that long on the line, plus a tick, ago.
  const int64_t oldest_ms = static_cast<int64_t>(most_queued) * 10 * 1000 / 9600 + 25;
  for (int tick = 0; tick < 60 * 40; ++tick) {
    rig.loop.RunFor(25);
    drawn.emplace_back(rig.loop.NowMs(), Drawn());
    ASSERT_LE(rig.program->serial().QueuedBytes(), most_queued) << "tick " << tick;
    if (frames.arrivals().empty()) continue;
    auto when = std::find_if(drawn.rbegin(), drawn.rend(),
                             [&](const auto& d) { return d.second == frames.Latest(); });
    ASSERT_NE(when, drawn.rend()) << "tick " << tick;
    ASSERT_LE(rig.loop.NowMs() - when->first, oldest_ms) << "tick " << tick;
  }
}

TEST_F(SlowLineTest, KnightriderBesideTheTickerShowsTheLatestSweep) {
  Connect(kModelIeeSerial, " 9600", 0);
  rig.program->ticker().SetMessage("KNIGHT INDUSTRIES TWO THOUSAND");
  FrameWatch frames(rig.serial, rig.loop, "\x0E\x16", 40);
  rig.main().cmdTicker.Click();
  rig.main().cmdKnightrider.Click();
  const int cycle = BrightnessEffects::kFrames;
  for (int tick = 1; tick <= 20 * 20; ++tick) {
    rig.loop.RunFor(50);
    if (tick <= 20) continue;  // the first levels are still on their way
    // A ticker frame and twenty levels take 127 ms on the line; with a tick's wait before and
    // after, every level on the glass belongs to one of the last five sweep frames.
    for (int p = 0; p < 20; ++p) {
      bool recent = false;
      for (int age = 0; age < 5 && !recent; ++age) {
        int frame = ((tick - 1 - age) % cycle + cycle) % cycle;
        recent = BrightnessEffects::KnightriderLevel(p, frame) == rig.glass().Level(0, p);
      }
      ASSERT_TRUE(recent) << "tick " << tick << ", position " << p << ": " << rig.glass().Levels(0);
    }
  }
  // The ticker's text moves on beside the sweep.
  EXPECT_GE(frames.DistinctSince(1000), 19 * 6);
}

}  // namespace
}  // namespace vfd
