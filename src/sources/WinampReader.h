#pragma once

#include <cstdint>
#include <string>

#include "core/MediaPlayer.h"

namespace vfd {

// The current track as the now-playing function shows it, kept between refreshes.
struct NowPlayingRecord {
  // The player's title, whole (playlist-number prefix and player suffix still on it); "Error"
  // when the player gave an empty one.
  std::string Title;
  int16_t Bitrate = 0;     // kbps
  int16_t SampleRate = 0;  // kHz
  int16_t Channels = 0;
  int16_t PlaylistPos = 0;  // 1-based
  int16_t PlaylistLength = 0;
  int16_t PositionSec = 0;
  int16_t LengthSec = 0;  // 0 when the player does not know it
  std::string ElapsedText;
  std::string LengthText;
};

// The whole minutes in x minutes (x not negative): never rounded up, so 119 s is 1 minute.
int16_t WholeMinutes(double x);
// Seconds as minutes and seconds: at least two digits of minutes, two of seconds ("05:00",
// "100:00").
std::string MinutesAndSeconds(int seconds);

// The player reader: finds the player, asks it about the current track and keeps the answers.
// It only asks; it never changes anything in the player.
class WinampReader {
 public:
  explicit WinampReader(MediaPlayer& player) : player_(player) {}

  // Reads the player into the record. False, with the record left as it was, when no player
  // runs.
  bool RefreshNowPlaying();
  // The player's title, or empty when no player runs.
  std::string ReadTitle();
  bool FindPlayer() { return player_.FindPlayer(); }
  int32_t QueryStatus() { return player_.QueryStatus(); }

  NowPlayingRecord now_playing;  // NowPlaying

 private:
  MediaPlayer& player_;
};

}  // namespace vfd
