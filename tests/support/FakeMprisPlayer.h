#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vfd::testing {

// A small media player on a test's own bus: it publishes the MPRIS v2 interfaces the way players
// do (properties, their change signals, Seeked, the optional track list) and answers questions
// only while the test lets it (Process), so a test can also play a player that hangs.
class FakeMprisPlayer {
 public:
  struct Track {
    std::string id;  // an object path
    std::string artist;
    std::string title;
    int64_t length_us = 0;
    std::string url;
    int32_t number = 0;  // xesam:trackNumber, sent when not 0
    // mpris:length sent as a double instead, as some players do (any double at all).
    std::optional<double> length_double{};
  };

  // Connects to `bus_address` and takes the name org.mpris.MediaPlayer2.<name>. With
  // `track_list` it serves the TrackList interface, and says so in HasTrackList unless
  // `announce_track_list` is false (as VLC does).
  FakeMprisPlayer(const std::string& bus_address, const std::string& name, bool track_list = false,
                  bool announce_track_list = true);
  ~FakeMprisPlayer();
  FakeMprisPlayer(const FakeMprisPlayer&) = delete;
  FakeMprisPlayer& operator=(const FakeMprisPlayer&) = delete;

  bool Connected() const { return bus_ != nullptr; }
  // Answers what has been asked and sends what is queued.
  void Process();

  // Changes announced on the bus as a player announces them.
  void SetStatus(const std::string& status);  // "Playing", "Paused", "Stopped"
  void SetRate(double rate);
  void SetTrack(const Track& track);
  void Seek(int64_t position_us);  // the position jumps: Seeked
  void ReplaceTracks(const std::vector<std::string>& ids, const std::string& current);
  // The position as asked for; players do not announce its steady movement.
  int64_t position_us = 0;
  // How often the position was asked for, and any property of the TrackList interface (also
  // while the player lacks it).
  int position_questions = 0;
  int track_list_questions = 0;

  std::string identity = "Fake Player";
  std::string status = "Stopped";
  double rate = 1.0;
  Track track;
  std::vector<std::string> tracks;

 private:
  static int Get(sd_bus* bus, const char* path, const char* interface, const char* property,
                 sd_bus_message* reply, void* data, sd_bus_error* error);
  void Changed(const char* interface, const char* property);
  static int Count(sd_bus_message* m, void* data, sd_bus_error* error);

  sd_bus* bus_ = nullptr;
  std::vector<sd_bus_slot*> slots_;
  bool track_list_;
  bool announce_track_list_;
};

}  // namespace vfd::testing
