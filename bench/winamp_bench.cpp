// The now-playing function's tick at its fastest title speed (every 73 ms): the player's state
// comes from the copy the bus thread keeps up to date, so a tick asks nobody. Target: under 20
// microseconds per tick, frame handed to the port included.
#include <benchmark/benchmark.h>

#include "NullServices.h"
#include "platform/MprisMediaPlayer.h"
#include "platform/SystemClock.h"

namespace vfd::bench {
namespace {

// The program on null devices, its media player answering from a snapshot of one playing player.
struct WinampProgram {
  explicit WinampProgram(int16_t model, int16_t mode) : p(model, &player) {
    MprisPlayerState s;
    s.bus_name = "org.mpris.MediaPlayer2.bench";
    s.status = MprisPlayerState::kPlaying;
    s.position_us = 61'000'000;
    s.position_reading = 1;
    s.length_us = 245'000'000;
    s.artist = "Godspeed You! Black Emperor";
    s.title = "Storm: Lift Yr. Skinny Fists Like Antennas to Heaven";
    s.playlist_index = 6;
    s.playlist_length = 12;
    s.sample_rate_khz = 44;
    s.bitrate_kbps = 320;
    s.channels = 2;
    player.Apply({s});

    Winamp& w = program.winamp();
    w.title_style = "Scroll";
    w.mode = mode;
    program.main().Timer4.SetInterval(73);
    for (int i = 0; i < 3; ++i)
      w.WinampTick();  // the title is scrolling
  }
  SystemClock clock;
  MprisSnapshotPlayer player{clock};
  NullProgram p;
  Program& program = p.program;
};

void BM_WinampTick_Scroll_2x40_Mode1(benchmark::State& state) {
  WinampProgram p(kModelIeeParallel, 1);
  for (auto _ : state)
    p.program.winamp().WinampTick();
}
BENCHMARK(BM_WinampTick_Scroll_2x40_Mode1);

void BM_WinampTick_Scroll_2x20_Mode2(benchmark::State& state) {
  WinampProgram p(kModelOrbital2x20, 2);
  p.program.main().lstComport.SetListIndex(0);
  for (auto _ : state)
    p.program.winamp().WinampTick();
}
BENCHMARK(BM_WinampTick_Scroll_2x20_Mode2);

void BM_WinampTick_Scroll_4x20_Mode3(benchmark::State& state) {
  WinampProgram p(kModelOrbital4x20, 3);
  p.program.main().lstComport.SetListIndex(0);
  for (auto _ : state)
    p.program.winamp().WinampTick();
}
BENCHMARK(BM_WinampTick_Scroll_4x20_Mode3);

}  // namespace
}  // namespace vfd::bench
