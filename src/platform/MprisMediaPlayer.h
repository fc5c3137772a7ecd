#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/EventLoop.h"
#include "core/MediaPlayer.h"

namespace vfd {

// One media player as the session bus last described it (MPRIS v2). The bus thread fills these
// in and hands copies to the event thread; texts are UTF-8 as the bus carries them.
struct MprisPlayerState {
  enum Status : int32_t { kStopped = 0, kPlaying = 1, kPaused = 3 };

  std::string bus_name;  // org.mpris.MediaPlayer2.<player>
  std::string identity;  // the player's own name, "VLC media player"
  Status status = kStopped;
  // The last position the player told, and a count that grows with every such reading, so that
  // the receiving side knows when to take a fresh time for it.
  int64_t position_us = 0;
  uint64_t position_reading = 0;
  double rate = 1.0;
  int64_t length_us = 0;  // 0: unknown
  std::string artist;
  std::string title;
  std::string url;
  // The place in the player's track list; without one, the track's own number less one with a
  // length of 0 (no count told); without either, the one track of a list of one.
  int32_t playlist_index = 0;  // 0-based
  int32_t playlist_length = 1;
  int32_t sample_rate_khz = 0;
  int32_t bitrate_kbps = 0;
  int32_t channels = 0;
};

// The players on the bus as the event thread knows them: the newest states, each with the time
// its position was read, so that the position of a playing track moves on between readings.
// Every answer comes from memory.
class MprisPlayers {
 public:
  // Takes the bus's current list; players missing from it are gone. `now_us` is the monotonic
  // time of arrival.
  void Apply(std::vector<MprisPlayerState> players, int64_t now_us);
  // Chooses the player to show: the preferred one when it is on the bus, else a playing one
  // before a paused one before a stopped one, among equals the one whose state changed last.
  // False when there is none.
  bool Choose(std::string_view preferred);
  // The chosen player, until the next choice; it stays chosen while it is on the bus. nullptr
  // when none is.
  const MprisPlayerState* Chosen() const;
  // The chosen player's position now: the last reading carried on at the playback rate while
  // playing, kept within the track. 0 without a chosen player.
  int64_t PositionUs(int64_t now_us) const;
  size_t Size() const { return players_.size(); }

 private:
  struct Known {
    MprisPlayerState state;
    int64_t read_at_us = 0;  // when `state.position_us` held
    int64_t status_changed_at_us = 0;
  };
  static int64_t Extrapolate(const Known& known, int64_t now_us);

  std::vector<Known> players_;
  int chosen_ = -1;
};

// Whether a bus name's player part ("vlc" of org.mpris.MediaPlayer2.vlc, also of
// org.mpris.MediaPlayer2.vlc.instance42) is `preferred`, ignoring case.
bool IsPreferredPlayer(std::string_view bus_name, std::string_view preferred);
// The song text the display shows for a player: "artist - title", the title alone, else the
// file name of the track's address, else the player's name; converted to the display's single
// bytes (characters it lacks as '?', control characters as blanks).
std::string MprisSongText(const MprisPlayerState& player);
// The title as the now-playing function reads it: the 1-based playlist number, ". ", the song
// text and a 9-character suffix.
std::string MprisWindowTitle(const MprisPlayerState& player);

struct MprisOptions {
  // The bus to use; empty for the session bus named by the environment.
  std::string bus_address{};
  // The player to show whenever it is on the bus (the part after org.mpris.MediaPlayer2.).
  std::string preferred_player{};
  // How long to wait before trying again without a bus, and between position check-ups of the
  // playing players (which also retry players that have not answered yet).
  int retry_ms = 3000;
  int resync_ms = 5000;
  // How long one question to a player may go unanswered.
  int call_timeout_ms = 2000;
};

// The media player interface answered from the players as last handed over: which one to show,
// and everything about it, from memory. Event thread only.
class MprisSnapshotPlayer : public MediaPlayer {
 public:
  explicit MprisSnapshotPlayer(MonotonicClock& clock, std::string preferred = {})
      : clock_(clock), preferred_(std::move(preferred)) {}

  // The player to show whenever it is on the bus; empty for none.
  void SetPreferredPlayer(std::string name) { preferred_ = std::move(name); }
  // The bus name of the player the last FindPlayer chose; empty for none.
  std::string ChosenPlayer() const;
  // The bus's current players, as the bus thread hands them over.
  void Apply(std::vector<MprisPlayerState> players);

  bool FindPlayer() override;
  int32_t QueryStatus() override;
  int32_t QueryPositionMs() override;
  int32_t QueryLengthSec() override;
  int32_t QueryPlaylistLength() override;
  int32_t QueryPlaylistIndex() override;
  int32_t QuerySampleRate() override;
  int32_t QueryBitrate() override;
  int32_t QueryChannels() override;
  std::string ReadWindowTitle() override;

 private:
  MonotonicClock& clock_;
  std::string preferred_;
  MprisPlayers players_;
};

// Media players on Linux: every player that publishes MPRIS v2 on the D-Bus session bus (mpv,
// VLC, Rhythmbox, Audacious, Spotify, browsers, ...). A thread of its own follows the bus (the
// players' signals, and questions that never wait for an answer), and hands each change to the
// event thread; the queries answer from that copy, so a hung player never stalls a frame. Without
// a session bus there is simply no player, and the bus is looked for again every few seconds.
class MprisMediaPlayer : public MprisSnapshotPlayer {
 public:
  MprisMediaPlayer(EventLoop& loop, MonotonicClock& clock, MprisOptions options = {});
  ~MprisMediaPlayer() override;
  MprisMediaPlayer(const MprisMediaPlayer&) = delete;
  MprisMediaPlayer& operator=(const MprisMediaPlayer&) = delete;

 private:
  class BusThread;
  // Hand-overs that arrive on the event thread after this object has gone find it expired.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  std::unique_ptr<BusThread> bus_;
};

}  // namespace vfd
