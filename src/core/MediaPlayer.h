#pragma once

#include <cstdint>
#include <string>

namespace vfd {

// A media player as the now-playing function asks it: whether one runs, and eight numbers and a
// title about its current track. The answers come from what the backend already knows (it
// follows the player on its own thread), so a query never waits on the player.
class MediaPlayer {
 public:
  virtual ~MediaPlayer() = default;
  // Whether a player runs; the queries below answer about the one found last.
  virtual bool FindPlayer() = 0;
  // 0 when stopped; any other value when playing or paused.
  virtual int32_t QueryStatus() = 0;
  virtual int32_t QueryPositionMs() = 0;
  // 0 when the player does not know the length.
  virtual int32_t QueryLengthSec() = 0;
  // 0 when the player tells no count: it has no track list, only the track's own number.
  virtual int32_t QueryPlaylistLength() = 0;
  // 0-based: the place in the track list, or else the track's own number less one.
  virtual int32_t QueryPlaylistIndex() = 0;
  virtual int32_t QuerySampleRate() = 0;
  virtual int32_t QueryBitrate() = 0;
  virtual int32_t QueryChannels() = 0;
  // The player's title as text (UTF-8): the 1-based playlist number, ". ",
  // the song text and a 9-character suffix. Empty when no player runs.
  virtual std::string ReadWindowTitle() = 0;
};

// No player on this machine: every caller sees a player that is not running.
class NoMediaPlayer : public MediaPlayer {
 public:
  bool FindPlayer() override { return false; }
  int32_t QueryStatus() override { return 0; }
  int32_t QueryPositionMs() override { return 0; }
  int32_t QueryLengthSec() override { return 0; }
  int32_t QueryPlaylistLength() override { return 0; }
  int32_t QueryPlaylistIndex() override { return 0; }
  int32_t QuerySampleRate() override { return 0; }
  int32_t QueryBitrate() override { return 0; }
  int32_t QueryChannels() override { return 0; }
  std::string ReadWindowTitle() override { return {}; }
};

}  // namespace vfd
