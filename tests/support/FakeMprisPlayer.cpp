#include "support/FakeMprisPlayer.h"

#include <cstring>

namespace vfd::testing {
namespace {

constexpr const char* kPath = "/org/mpris/MediaPlayer2";
constexpr const char* kRoot = "org.mpris.MediaPlayer2";
constexpr const char* kPlayer = "org.mpris.MediaPlayer2.Player";
constexpr const char* kTrackList = "org.mpris.MediaPlayer2.TrackList";

}  // namespace

int FakeMprisPlayer::Get(sd_bus*, const char*, const char*, const char* property,
                         sd_bus_message* reply, void* data, sd_bus_error*) {
  auto* self = static_cast<FakeMprisPlayer*>(data);
  const std::string_view p = property;
  if (p == "Identity") return sd_bus_message_append(reply, "s", self->identity.c_str());
  if (p == "HasTrackList")
    return sd_bus_message_append(reply, "b", int{self->track_list_ && self->announce_track_list_});
  if (p == "PlaybackStatus") return sd_bus_message_append(reply, "s", self->status.c_str());
  if (p == "Rate") return sd_bus_message_append(reply, "d", self->rate);
  if (p == "Position") {
    ++self->position_questions;
    return sd_bus_message_append(reply, "x", self->position_us);
  }
  if (p == "Metadata") {
    const Track& t = self->track;
    if (t.id.empty()) return sd_bus_message_append(reply, "a{sv}", 0);
    if (t.length_double)
      return sd_bus_message_append(reply, "a{sv}", 4, "mpris:trackid", "o", t.id.c_str(),
                                   "mpris:length", "d", *t.length_double, "xesam:artist", "as", 1,
                                   t.artist.c_str(), "xesam:title", "s", t.title.c_str());
    if (t.number != 0)
      return sd_bus_message_append(
          reply, "a{sv}", 6, "mpris:trackid", "o", t.id.c_str(), "mpris:length", "x", t.length_us,
          "xesam:artist", "as", 1, t.artist.c_str(), "xesam:title", "s", t.title.c_str(),
          "xesam:url", "s", t.url.c_str(), "xesam:trackNumber", "i", t.number);
    return sd_bus_message_append(reply, "a{sv}", 5, "mpris:trackid", "o", t.id.c_str(),
                                 "mpris:length", "x", t.length_us, "xesam:artist", "as", 1,
                                 t.artist.c_str(), "xesam:title", "s", t.title.c_str(), "xesam:url",
                                 "s", t.url.c_str());
  }
  if (p == "Tracks") {
    int r = sd_bus_message_open_container(reply, 'a', "o");
    for (const std::string& id : self->tracks)
      if (r >= 0) r = sd_bus_message_append(reply, "o", id.c_str());
    return r < 0 ? r : sd_bus_message_close_container(reply);
  }
  return -ENOENT;
}

int FakeMprisPlayer::Count(sd_bus_message* m, void* data, sd_bus_error*) {
  auto* self = static_cast<FakeMprisPlayer*>(data);
  if (sd_bus_message_is_method_call(m, "org.freedesktop.DBus.Properties", nullptr) > 0) {
    const char* interface = nullptr;
    if (sd_bus_message_read_basic(m, 's', &interface) > 0 && interface &&
        std::string_view(interface) == kTrackList)
      ++self->track_list_questions;
    // The call is answered after this look at it, from its first argument on.
    sd_bus_message_rewind(m, 1);
  }
  return 0;
}

FakeMprisPlayer::FakeMprisPlayer(const std::string& bus_address, const std::string& name,
                                 bool track_list, bool announce_track_list)
    : track_list_(track_list), announce_track_list_(announce_track_list) {
  static const sd_bus_vtable kRootTable[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_PROPERTY("Identity", "s", &FakeMprisPlayer::Get, 0, SD_BUS_VTABLE_PROPERTY_CONST),
      SD_BUS_PROPERTY("HasTrackList", "b", &FakeMprisPlayer::Get, 0, SD_BUS_VTABLE_PROPERTY_CONST),
      SD_BUS_VTABLE_END};
  static const sd_bus_vtable kPlayerTable[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_PROPERTY("PlaybackStatus", "s", &FakeMprisPlayer::Get, 0,
                      SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
      SD_BUS_PROPERTY("Rate", "d", &FakeMprisPlayer::Get, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
      SD_BUS_PROPERTY("Metadata", "a{sv}", &FakeMprisPlayer::Get, 0,
                      SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
      SD_BUS_PROPERTY("Position", "x", &FakeMprisPlayer::Get, 0, 0),
      SD_BUS_SIGNAL("Seeked", "x", 0),
      SD_BUS_VTABLE_END};
  static const sd_bus_vtable kTrackListTable[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_PROPERTY("Tracks", "ao", &FakeMprisPlayer::Get, 0,
                      SD_BUS_VTABLE_PROPERTY_EMITS_INVALIDATION),
      SD_BUS_SIGNAL("TrackListReplaced", "aoo", 0), SD_BUS_VTABLE_END};

  sd_bus* bus = nullptr;
  if (sd_bus_new(&bus) < 0) return;
  if (sd_bus_set_address(bus, bus_address.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 ||
      sd_bus_start(bus) < 0) {
    sd_bus_unref(bus);
    return;
  }
  bus_ = bus;
  auto add = [this](const char* interface, const sd_bus_vtable* table) {
    sd_bus_slot* slot = nullptr;
    if (sd_bus_add_object_vtable(bus_, &slot, kPath, interface, table, this) >= 0)
      slots_.push_back(slot);
  };
  sd_bus_slot* filter = nullptr;
  if (sd_bus_add_filter(bus_, &filter, &FakeMprisPlayer::Count, this) >= 0)
    slots_.push_back(filter);
  add(kRoot, kRootTable);
  add(kPlayer, kPlayerTable);
  if (track_list_) add(kTrackList, kTrackListTable);
  // The name last, as players do once they can answer.
  if (sd_bus_request_name(bus_, ("org.mpris.MediaPlayer2." + name).c_str(), 0) < 0) {
    for (sd_bus_slot* slot : slots_)
      sd_bus_slot_unref(slot);
    slots_.clear();
    sd_bus_flush_close_unref(bus_);
    bus_ = nullptr;
  }
}

FakeMprisPlayer::~FakeMprisPlayer() {
  for (sd_bus_slot* slot : slots_)
    sd_bus_slot_unref(slot);
  if (bus_) sd_bus_flush_close_unref(bus_);
}

void FakeMprisPlayer::Process() {
  if (!bus_) return;
  while (sd_bus_process(bus_, nullptr) > 0) {
  }
  sd_bus_flush(bus_);
}

void FakeMprisPlayer::Changed(const char* interface, const char* property) {
  if (!bus_) return;
  sd_bus_emit_properties_changed(bus_, kPath, interface, property, nullptr);
  sd_bus_flush(bus_);
}

void FakeMprisPlayer::SetStatus(const std::string& value) {
  status = value;
  Changed(kPlayer, "PlaybackStatus");
}

void FakeMprisPlayer::SetRate(double value) {
  rate = value;
  Changed(kPlayer, "Rate");
}

void FakeMprisPlayer::SetTrack(const Track& value) {
  track = value;
  Changed(kPlayer, "Metadata");
}

void FakeMprisPlayer::Seek(int64_t position) {
  position_us = position;
  if (!bus_) return;
  sd_bus_emit_signal(bus_, kPath, kPlayer, "Seeked", "x", position);
  sd_bus_flush(bus_);
}

void FakeMprisPlayer::ReplaceTracks(const std::vector<std::string>& ids,
                                    const std::string& current) {
  tracks = ids;
  if (!bus_) return;
  sd_bus_message* m = nullptr;
  if (sd_bus_message_new_signal(bus_, &m, kPath, kTrackList, "TrackListReplaced") < 0) return;
  int r = sd_bus_message_open_container(m, 'a', "o");
  for (const std::string& id : ids)
    if (r >= 0) r = sd_bus_message_append(m, "o", id.c_str());
  if (r >= 0) r = sd_bus_message_close_container(m);
  if (r >= 0) r = sd_bus_message_append(m, "o", current.c_str());
  if (r >= 0) sd_bus_send(bus_, m, nullptr);
  sd_bus_message_unref(m);
  sd_bus_flush(bus_);
}

}  // namespace vfd::testing
