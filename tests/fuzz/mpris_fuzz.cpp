// What the now-playing function reads of the media players, from player states as the bus
// reader fills them in: any integer for a position (a player may send any), any double for the
// rate (NaN and infinities included), a length of 0 or more, any bytes for the texts. The input
// is a series of hand-overs, each some players and the time that passes after it. Besides never
// crashing: the position is within the track, the title is one line of UTF-8 text.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "core/Charset.h"
#include "platform/MprisMediaPlayer.h"

namespace {

struct FuzzClock : vfd::MonotonicClock {
  int64_t now_us = 1'000'000;
  int64_t MonotonicMicros() override { return now_us; }
};

vfd::MprisPlayerState PlayerFrom(vfd::fuzz::FuzzInput& in) {
  static const char* const kNames[] = {"vlc", "mpv", "vlc.instance42", "spotify"};
  vfd::MprisPlayerState p;
  const uint8_t name = in.Byte();
  p.bus_name = "org.mpris.MediaPlayer2." + (name < 4 ? std::string(kNames[name]) : in.Text(40));
  p.identity = in.Text();
  static constexpr vfd::MprisPlayerState::Status kStatus[] = {vfd::MprisPlayerState::kStopped,
                                                              vfd::MprisPlayerState::kPlaying,
                                                              vfd::MprisPlayerState::kPaused};
  p.status = kStatus[in.Byte() % 3];
  p.position_us = in.Raw<int64_t>();
  p.position_reading = in.Byte();
  p.rate = in.Raw<double>();
  p.length_us = std::max<int64_t>(0, in.Raw<int64_t>());
  p.artist = in.Text();
  p.title = in.Text();
  p.url = in.Text();
  p.playlist_index = in.Raw<int32_t>();
  p.playlist_length = in.Raw<int32_t>();
  p.sample_rate_khz = in.Raw<int32_t>();
  p.bitrate_kbps = in.Raw<int32_t>();
  p.channels = in.Raw<int32_t>();
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vfd::fuzz::FuzzInput in(data, size);
  FuzzClock clock;
  vfd::MprisSnapshotPlayer player(clock, in.Text(20));
  for (int round = 0; round < 16 && !in.Empty(); ++round) {
    std::vector<vfd::MprisPlayerState> players;
    for (int n = in.Byte() % 4; n > 0; --n)
      players.push_back(PlayerFrom(in));
    player.Apply(std::move(players));
    clock.now_us += in.Raw<uint32_t>();

    if (!player.FindPlayer()) continue;
    const int32_t position_ms = player.QueryPositionMs();
    const int32_t length_s = player.QueryLengthSec();
    vfd::fuzz::Require(position_ms >= 0 && length_s >= 0, "position and length are not negative");
    vfd::fuzz::Require(length_s == 0 || length_s == INT32_MAX || position_ms / 1000 <= length_s,
                       "the position is within the track");
    (void)player.QueryStatus();
    (void)player.QueryPlaylistLength();
    (void)player.QueryPlaylistIndex();
    const std::string title = player.ReadWindowTitle();
    vfd::fuzz::Require(vfd::IsUtf8(title), "the title is UTF-8 text");
    vfd::fuzz::Require(title.find_first_of(std::string("\r\n\0", 3)) == std::string::npos,
                       "the title is one line");
  }
  return 0;
}
