#include "platform/MprisMediaPlayer.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "core/Charset.h"
#include "platform/AudioFileFigures.h"

namespace vfd {
namespace {

constexpr std::string_view kNamePrefix = "org.mpris.MediaPlayer2.";
constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
constexpr const char* kTrackListInterface = "org.mpris.MediaPlayer2.TrackList";
constexpr const char* kPropertiesInterface = "org.freedesktop.DBus.Properties";
constexpr const char* kBusName = "org.freedesktop.DBus";

// The title's suffix stands where a player's own name ends a window title; the now-playing
// function cuts it off by its length, nine characters.
constexpr std::string_view kTitleSuffix = " - Player";
static_assert(kTitleSuffix.size() == 9);

int64_t SteadyMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// Text from a player as the program keeps it: well-formed UTF-8 with control characters as
// blanks (a tab or line break in a tag). What the display shows of it is the display's business.
std::string TidyText(std::string_view utf8) {
  std::string text = IsUtf8(utf8) ? std::string(utf8) : EncodeUtf8(DecodeUtf8(utf8));
  for (char& c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 0x20 || code == 0x7F) c = ' ';
  }
  return text;
}

// --- reading the bus's messages -------------------------------------------------------------

// One property value, of the kinds the players' properties come in.
struct Value {
  enum Kind { kNone, kInt, kDouble, kBool, kText, kTexts } kind = kNone;
  int64_t i = 0;
  double d = 0;
  bool b = false;
  std::string s;
  std::vector<std::string> list;

  // A number as a whole one; a double that is not finite or beyond int64 is not a number
  // (cast as it is, it would be undefined).
  std::optional<int64_t> Int() const {
    if (kind == kInt) return i;
    // 2^63 is the first double past INT64_MAX; -2^63 is INT64_MIN itself.
    if (kind == kDouble && std::isfinite(d) && d >= -9223372036854775808.0 &&
        d < 9223372036854775808.0)
      return static_cast<int64_t>(d);
    return std::nullopt;
  }
};

// Reads the array of strings (or object paths) the message stands at.
int ReadStrings(sd_bus_message* m, char element, std::vector<std::string>& out) {
  const char contents[2] = {element, 0};
  int r = sd_bus_message_enter_container(m, 'a', contents);
  if (r <= 0) return r < 0 ? r : -EBADMSG;
  const char* item = nullptr;
  while ((r = sd_bus_message_read_basic(m, element, &item)) > 0)
    out.emplace_back(item);
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

// Reads the variant the message stands at; kinds not needed here are skipped.
int ReadVariant(sd_bus_message* m, Value& v) {
  char type = 0;
  const char* contents = nullptr;
  int r = sd_bus_message_peek_type(m, &type, &contents);
  if (r <= 0 || type != SD_BUS_TYPE_VARIANT) return r < 0 ? r : -EBADMSG;
  const std::string signature = contents;
  if ((r = sd_bus_message_enter_container(m, SD_BUS_TYPE_VARIANT, signature.c_str())) < 0) return r;
  auto read = [&](auto& into) { return sd_bus_message_read_basic(m, signature[0], &into); };
  if (signature.size() == 1) {
    switch (signature[0]) {
      case 'x': {
        int64_t x = 0;
        r = read(x);
        v.kind = Value::kInt;
        v.i = x;
        break;
      }
      case 't': {
        uint64_t x = 0;
        r = read(x);
        v.kind = Value::kInt;
        v.i = static_cast<int64_t>(std::min<uint64_t>(x, INT64_MAX));
        break;
      }
      case 'i': {
        int32_t x = 0;
        r = read(x);
        v.kind = Value::kInt;
        v.i = x;
        break;
      }
      case 'u': {
        uint32_t x = 0;
        r = read(x);
        v.kind = Value::kInt;
        v.i = x;
        break;
      }
      case 'd': {
        double x = 0;
        r = read(x);
        v.kind = Value::kDouble;
        v.d = x;
        break;
      }
      case 'b': {
        int x = 0;
        r = read(x);
        v.kind = Value::kBool;
        v.b = x != 0;
        break;
      }
      case 's':
      case 'o': {
        const char* x = nullptr;
        r = read(x);
        v.kind = Value::kText;
        v.s = x ? x : "";
        break;
      }
      default:
        r = sd_bus_message_skip(m, signature.c_str());
        break;
    }
  } else if (signature == "as" || signature == "ao") {
    v.kind = Value::kTexts;
    r = ReadStrings(m, signature[1], v.list);
  } else {
    r = sd_bus_message_skip(m, signature.c_str());
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

// Walks the a{sv} dictionary the message stands at; `entry` must read (or skip) each value.
template <typename Entry>
int ReadDictionary(sd_bus_message* m, Entry entry) {
  int r = sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "{sv}");
  if (r <= 0) return r < 0 ? r : -EBADMSG;
  while ((r = sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, "sv")) > 0) {
    const char* key = nullptr;
    if ((r = sd_bus_message_read_basic(m, 's', &key)) < 0) return r;
    if ((r = entry(std::string(key ? key : ""))) < 0) return r;
    if ((r = sd_bus_message_exit_container(m)) < 0) return r;
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

// The track a player describes in its Metadata.
struct Metadata {
  std::string track_id;
  int64_t length_us = 0;
  std::string artist;
  std::string title;
  std::string url;
  int32_t track_number = 0;  // 0: not told
};

// A track number as players send it: a number of any integer type, or a text such as "7" or
// "7/12" (the count after the slash is not standard and goes unused).
int32_t TrackNumberOf(const Value& v) {
  int64_t number = 0;
  if (std::optional<int64_t> i = v.Int()) {
    number = *i;
  } else if (v.kind == Value::kText) {
    for (char c : v.s) {
      if (c < '0' || c > '9' || number > 32767) break;
      number = number * 10 + (c - '0');
    }
  }
  // Kept to what the display's playlist numbers hold.
  return static_cast<int32_t>(std::clamp<int64_t>(number, 0, 32767));
}

int ReadMetadata(sd_bus_message* m, Metadata& out) {
  return ReadDictionary(m, [&](const std::string& key) {
    Value v;
    const int r = ReadVariant(m, v);
    if (r < 0) return r;
    if (key == "mpris:trackid") {
      out.track_id = v.s;
    } else if (key == "mpris:length") {
      out.length_us = std::max<int64_t>(0, v.Int().value_or(0));
    } else if (key == "xesam:title") {
      out.title = v.s;
    } else if (key == "xesam:url") {
      out.url = v.s;
    } else if (key == "xesam:trackNumber") {
      out.track_number = TrackNumberOf(v);
    } else if (key == "xesam:artist") {
      // A list by the MPRIS rules; some players send one text.
      if (v.kind == Value::kText) v.list = {v.s};
      std::string joined;
      for (const std::string& name : v.list) {
        if (name.empty()) continue;
        if (!joined.empty()) joined += ", ";
        joined += name;
      }
      out.artist = joined;
    }
    return 0;
  });
}

// What one message says about the Player interface's properties.
struct PlayerUpdate {
  std::optional<MprisPlayerState::Status> status;
  std::optional<int64_t> position_us;
  std::optional<double> rate;
  std::optional<Metadata> metadata;
};

MprisPlayerState::Status StatusOf(std::string_view text) {
  if (text == "Playing") return MprisPlayerState::kPlaying;
  if (text == "Paused") return MprisPlayerState::kPaused;
  return MprisPlayerState::kStopped;
}

int ReadPlayerProperties(sd_bus_message* m, PlayerUpdate& update) {
  return ReadDictionary(m, [&](const std::string& key) {
    if (key == "Metadata") {
      char type = 0;
      const char* contents = nullptr;
      int r = sd_bus_message_peek_type(m, &type, &contents);
      if (r < 0) return r;
      if (type == SD_BUS_TYPE_VARIANT && contents && std::strcmp(contents, "a{sv}") == 0) {
        if ((r = sd_bus_message_enter_container(m, SD_BUS_TYPE_VARIANT, "a{sv}")) < 0) return r;
        update.metadata.emplace();
        if ((r = ReadMetadata(m, *update.metadata)) < 0) return r;
        return sd_bus_message_exit_container(m);
      }
      return sd_bus_message_skip(m, "v");
    }
    Value v;
    const int r = ReadVariant(m, v);
    if (r < 0) return r;
    if (key == "PlaybackStatus" && v.kind == Value::kText) {
      update.status = StatusOf(v.s);
    } else if (key == "Position" && v.Int()) {
      update.position_us = *v.Int();
    } else if (key == "Rate") {
      if (v.kind == Value::kDouble) update.rate = v.d;
      if (v.kind == Value::kInt) update.rate = static_cast<double>(v.i);
      // A rate that is no number says nothing; the position then moves as it did.
      if (update.rate && !std::isfinite(*update.rate)) update.rate.reset();
    }
    return 0;
  });
}

}  // namespace

// --- what the event thread keeps ------------------------------------------------------------

bool IsPreferredPlayer(std::string_view bus_name, std::string_view preferred) {
  if (preferred.empty() || !bus_name.starts_with(kNamePrefix)) return false;
  std::string_view part = bus_name.substr(kNamePrefix.size());
  // Players that may run more than once add an instance: org.mpris.MediaPlayer2.vlc.instance42.
  if (part.size() > preferred.size() && part[preferred.size()] == '.')
    part = part.substr(0, preferred.size());
  return EqualsIgnoringCase(part, preferred);
}

std::string MprisSongText(const MprisPlayerState& player) {
  std::string text;
  if (!player.title.empty())
    text = player.artist.empty() ? player.title : player.artist + " - " + player.title;
  if (text.empty()) text = FileNameOfUrl(player.url);
  if (text.empty()) text = player.identity;
  if (text.empty() && player.bus_name.starts_with(kNamePrefix))
    text = player.bus_name.substr(kNamePrefix.size());
  return TidyText(text);
}

std::string MprisWindowTitle(const MprisPlayerState& player) {
  return std::to_string(int64_t{player.playlist_index} + 1) + ". " + MprisSongText(player) +
         std::string(kTitleSuffix);
}

int64_t MprisPlayers::Extrapolate(const Known& known, int64_t now_us) {
  const MprisPlayerState& s = known.state;
  int64_t position = s.position_us;
  if (s.status == MprisPlayerState::kPlaying && now_us > known.read_at_us &&
      std::isfinite(s.rate)) {
    const double moved = static_cast<double>(now_us - known.read_at_us) * s.rate;
    // Some 30 years either way, and a sum that stays within int64 wherever the position was.
    int64_t step = static_cast<int64_t>(std::clamp(moved, -1e15, 1e15));
    if (__builtin_add_overflow(position, step, &position))
      position = step > 0 ? std::numeric_limits<int64_t>::max() : 0;
  }
  if (s.length_us > 0) position = std::min(position, s.length_us);
  return std::max<int64_t>(position, 0);
}

void MprisPlayers::Apply(std::vector<MprisPlayerState> incoming, int64_t now_us) {
  const std::string chosen_name = chosen_ >= 0 ? players_[size_t(chosen_)].state.bus_name : "";
  std::vector<Known> next;
  next.reserve(incoming.size());
  for (MprisPlayerState& s : incoming) {
    auto old = std::find_if(players_.begin(), players_.end(),
                            [&](const Known& k) { return k.state.bus_name == s.bus_name; });
    Known k;
    if (old == players_.end()) {
      k.read_at_us = now_us;
      k.status_changed_at_us = now_us;
    } else {
      k.read_at_us = old->read_at_us;
      k.status_changed_at_us = old->status_changed_at_us;
      if (s.position_reading != old->state.position_reading) {
        k.read_at_us = now_us;
      } else if (s.status != old->state.status || s.rate != old->state.rate) {
        // No new reading, but the position moves differently from now on: carry it to now.
        s.position_us = Extrapolate(*old, now_us);
        k.read_at_us = now_us;
      } else {
        s.position_us = old->state.position_us;
      }
      if (s.status != old->state.status) k.status_changed_at_us = now_us;
    }
    k.state = std::move(s);
    next.push_back(std::move(k));
  }
  players_ = std::move(next);
  chosen_ = -1;
  for (size_t i = 0; i < players_.size() && !chosen_name.empty(); ++i)
    if (players_[i].state.bus_name == chosen_name) chosen_ = static_cast<int>(i);
}

bool MprisPlayers::Choose(std::string_view preferred) {
  auto rank = [](MprisPlayerState::Status s) {
    return s == MprisPlayerState::kPlaying ? 2 : s == MprisPlayerState::kPaused ? 1 : 0;
  };
  int best = -1;
  for (size_t i = 0; i < players_.size(); ++i) {
    const Known& k = players_[i];
    if (IsPreferredPlayer(k.state.bus_name, preferred)) {
      best = static_cast<int>(i);
      break;
    }
    if (best < 0) {
      best = static_cast<int>(i);
      continue;
    }
    const Known& b = players_[size_t(best)];
    const int r = rank(k.state.status), rb = rank(b.state.status);
    if (r > rb || (r == rb && k.status_changed_at_us > b.status_changed_at_us))
      best = static_cast<int>(i);
  }
  chosen_ = best;
  return best >= 0;
}

const MprisPlayerState* MprisPlayers::Chosen() const {
  return chosen_ >= 0 ? &players_[size_t(chosen_)].state : nullptr;
}

int64_t MprisPlayers::PositionUs(int64_t now_us) const {
  return chosen_ >= 0 ? Extrapolate(players_[size_t(chosen_)], now_us) : 0;
}

// --- the file figures ---------------------------------------------------------------------

// Reads the figures of the players' local files on a thread of its own. A player names any
// path it likes, and even a regular file can take its time (a slow disk, a network mount that
// hangs): nothing TagLib does may hold up the bus or the exit. So the bus thread only asks and
// takes the answers, and at the exit this thread is waited for only briefly; one stuck in a
// read is left to end on its own, and all it touches is the state it shares.
class FiguresReader {
 public:
  // `notify` is written to (8 bytes, an eventfd's count) whenever answers are ready.
  explicit FiguresReader(int notify_fd) : shared_(std::make_shared<Shared>()) {
    shared_->notify_fd = dup(notify_fd);
    thread_ = std::thread([shared = shared_] { Run(*shared); });
  }

  ~FiguresReader() {
    {
      std::lock_guard lock(shared_->mutex);
      shared_->stop = true;
      shared_->asked.clear();
    }
    shared_->wake.notify_all();
    std::unique_lock lock(shared_->mutex);
    // A read in progress may go on for ever; a quarter second is all the exit gives it.
    if (shared_->ended_cv.wait_for(lock, std::chrono::milliseconds(250),
                                   [this] { return shared_->ended; })) {
      lock.unlock();
      thread_.join();
    } else {
      thread_.detach();
    }
  }
  FiguresReader(const FiguresReader&) = delete;
  FiguresReader& operator=(const FiguresReader&) = delete;

  // Asks for the figures of the file a track's address names. The newest questions count: a
  // player skipping through tracks faster than they are read leaves only the last few asked.
  void Ask(const std::string& url) {
    {
      std::lock_guard lock(shared_->mutex);
      auto& asked = shared_->asked;
      if (std::find(asked.begin(), asked.end(), url) != asked.end()) return;
      asked.push_back(url);
      while (asked.size() > kMaxAsked)
        asked.pop_front();
    }
    shared_->wake.notify_one();
  }

  // The answers ready since the last call: address and figures.
  std::vector<std::pair<std::string, AudioFileFigures>> Take() {
    std::lock_guard lock(shared_->mutex);
    return std::exchange(shared_->done, {});
  }

 private:
  static constexpr size_t kMaxAsked = 8;

  struct Shared {
    ~Shared() {
      if (notify_fd >= 0) close(notify_fd);
    }
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable ended_cv;
    std::deque<std::string> asked;
    std::vector<std::pair<std::string, AudioFileFigures>> done;
    bool stop = false;
    bool ended = false;
    int notify_fd = -1;
  };

  static void Run(Shared& shared) {
    std::unique_lock lock(shared.mutex);
    for (;;) {
      shared.wake.wait(lock, [&] { return shared.stop || !shared.asked.empty(); });
      if (shared.stop) break;
      const std::string url = std::move(shared.asked.front());
      shared.asked.pop_front();
      lock.unlock();
      AudioFileFigures figures;
      if (std::optional<std::string> path = LocalPathOfUrl(url))
        figures = ReadAudioFileFigures(*path);
      lock.lock();
      if (shared.stop) break;
      shared.done.emplace_back(url, figures);
      const uint64_t one = 1;
      [[maybe_unused]] ssize_t n = write(shared.notify_fd, &one, sizeof one);
    }
    shared.ended = true;
    shared.ended_cv.notify_all();
  }

  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

// --- the bus thread -------------------------------------------------------------------------

// Owns the bus connection and everything read from it. Nothing here runs on the event thread:
// each change goes over as a whole list of players through `deliver`.
class MprisMediaPlayer::BusThread {
 public:
  using Deliver = std::function<void(std::vector<MprisPlayerState>)>;

  BusThread(MprisOptions options, Deliver deliver)
      : options_(std::move(options)), deliver_(std::move(deliver)) {
    wake_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    figures_ = std::make_unique<FiguresReader>(wake_fd_);
    thread_ = std::thread([this] { Run(); });
  }

  // The bus thread only ever waits in poll, woken here: joining it cannot hang. The figures
  // reader, which can, is not waited for beyond a moment.
  ~BusThread() {
    stop_ = true;
    Wake();
    thread_.join();
    figures_.reset();
    if (wake_fd_ >= 0) close(wake_fd_);
  }

 private:
  // Whether the player serves the TrackList interface. One without it (mpv's plug-in) answers
  // with an error, and is not asked again while it stays on the bus.
  enum class TrackList { kUnknown, kServed, kAbsent };

  struct Player {
    MprisPlayerState state;
    std::string unique;     // the connection that owns the name; signals come from it
    bool answered = false;  // its Player properties have arrived
    // What the player says in HasTrackList; some players (VLC) serve the list all the same
    // while they say false, so the list is read whatever this says.
    bool has_track_list = false;
    TrackList track_list = TrackList::kUnknown;
    std::string track_id;
    int32_t track_number = 0;  // the track's own number from its metadata, 0 when not told
    std::vector<std::string> tracks;
    std::string figures_url;  // the address whose file figures the state holds
    int pending = 0;          // questions without answer yet
  };

  enum class Ask { kNames, kOwner, kRoot, kPlayer, kTracks, kPosition };

  // One question on its way: what it was and about whom. Freed with its slot.
  struct Call {
    BusThread* self;
    Ask ask;
    std::string name;
    std::string unique;
    uint64_t connection;  // the number of the connection it was put on
  };

  void Wake() {
    const uint64_t one = 1;
    if (wake_fd_ >= 0) {
      [[maybe_unused]] ssize_t n = write(wake_fd_, &one, sizeof one);
    }
  }

  void Run() {
    int64_t next_resync = SteadyMicros() + int64_t{options_.resync_ms} * 1000;
    while (!stop_) {
      if (!bus_ && !Connect()) {
        Sleep(options_.retry_ms * int64_t{1000});
        continue;
      }
      int r;
      while ((r = sd_bus_process(bus_, nullptr)) > 0 && !stop_) {
      }
      if (r < 0 || sd_bus_is_open(bus_) <= 0) {
        // The bus went away (its daemon ended, the session closed): no players until it is back.
        Disconnect();
        continue;
      }
      TakeFigures();
      SendWaiting();
      if (dirty_) Publish();
      const int64_t now = SteadyMicros();
      if (now >= next_resync) {
        Resync();
        next_resync = now + int64_t{options_.resync_ms} * 1000;
        continue;
      }
      int64_t wait = next_resync - now;
      uint64_t bus_due = 0;
      if (sd_bus_get_timeout(bus_, &bus_due) >= 0 && bus_due != UINT64_MAX) {
        // The bus's due time is on CLOCK_MONOTONIC, as the steady clock is on Linux.
        wait = std::min<int64_t>(wait, static_cast<int64_t>(bus_due) - now);
      }
      pollfd fds[2] = {{sd_bus_get_fd(bus_), static_cast<short>(sd_bus_get_events(bus_)), 0},
                       {wake_fd_, POLLIN, 0}};
      poll(fds, 2, static_cast<int>(std::clamp<int64_t>((wait + 999) / 1000, 0, 60000)));
      DrainWake();
    }
    // Going away: nobody is left to tell.
    if (bus_) Disconnect(false);
  }

  // Waits `micros` or until woken to stop.
  void Sleep(int64_t micros) {
    pollfd fd{wake_fd_, POLLIN, 0};
    poll(&fd, 1, static_cast<int>(std::clamp<int64_t>(micros / 1000, 0, 60000)));
    DrainWake();
  }

  void DrainWake() {
    uint64_t count = 0;
    [[maybe_unused]] ssize_t n = read(wake_fd_, &count, sizeof count);
  }

  // The figures read since, for the players still on that track.
  void TakeFigures() {
    for (const auto& [url, figures] : figures_->Take())
      for (auto& [name, player] : players_) {
        if (player.figures_url != url) continue;
        player.state.sample_rate_khz = figures.sample_rate_khz;
        player.state.bitrate_kbps = figures.bitrate_kbps;
        player.state.channels = figures.channels;
        dirty_ = true;
      }
  }

  bool Connect() {
    sd_bus* bus = nullptr;
    int r;
    if (options_.bus_address.empty()) {
      r = sd_bus_open_user(&bus);
    } else if ((r = sd_bus_new(&bus)) >= 0) {
      if ((r = sd_bus_set_address(bus, options_.bus_address.c_str())) >= 0 &&
          (r = sd_bus_set_bus_client(bus, 1)) >= 0)
        r = sd_bus_start(bus);
    }
    if (r < 0) {
      if (bus) sd_bus_close_unref(bus);
      return false;
    }
    bus_ = bus;
    sd_bus_set_method_call_timeout(bus_, uint64_t(options_.call_timeout_ms) * 1000);
    // Every player's signals, told apart by their sender.
    std::string names = "type='signal',sender='org.freedesktop.DBus',interface='" +
                        std::string(kBusName) +
                        "',member='NameOwnerChanged',arg0namespace='org.mpris.MediaPlayer2'";
    std::string properties = "type='signal',interface='" + std::string(kPropertiesInterface) +
                             "',member='PropertiesChanged',path='" + kObjectPath + "'";
    std::string seeked = "type='signal',interface='" + std::string(kPlayerInterface) +
                         "',member='Seeked',path='" + kObjectPath + "'";
    std::string tracks = "type='signal',interface='" + std::string(kTrackListInterface) +
                         "',path='" + kObjectPath + "'";
    if (sd_bus_add_match_async(bus_, nullptr, names.c_str(), &BusThread::OnNameOwnerChanged,
                               &BusThread::OnMatchInstalled, this) < 0 ||
        sd_bus_add_match_async(bus_, nullptr, properties.c_str(), &BusThread::OnPropertiesChanged,
                               &BusThread::OnMatchInstalled, this) < 0 ||
        sd_bus_add_match_async(bus_, nullptr, seeked.c_str(), &BusThread::OnSeeked,
                               &BusThread::OnMatchInstalled, this) < 0 ||
        sd_bus_add_match_async(bus_, nullptr, tracks.c_str(), &BusThread::OnTrackListSignal,
                               &BusThread::OnMatchInstalled, this) < 0) {
      Disconnect();
      return false;
    }
    Send(Ask::kNames, nullptr, {}, kBusName, "ListNames");
    return true;
  }

  void Disconnect(bool publish = true) {
    // Pending questions are dropped with their slots, and waiting ones with the connection.
    sd_bus_close_unref(bus_);
    bus_ = nullptr;
    waiting_.clear();
    in_flight_ = 0;
    ++connection_;
    players_.clear();
    if (publish) Publish();
  }

  void Publish() {
    dirty_ = false;
    std::vector<MprisPlayerState> list;
    for (const auto& [name, player] : players_)
      if (player.answered) list.push_back(player.state);
    if (list.empty() && published_empty_) return;
    published_empty_ = list.empty();
    deliver_(std::move(list));
  }

  // The playing players' positions checked against drift, and players that have not answered
  // yet asked again. A player still busy with an earlier question is left alone.
  void Resync() {
    for (auto& [name, player] : players_) {
      if (player.pending > 0) continue;
      if (!player.answered) {
        AskAll(player);
        continue;
      }
      // A list question that went unanswered (the player was busy) is asked again.
      if (player.track_list == TrackList::kUnknown) AskTracks(player);
      if (player.state.status == MprisPlayerState::kPlaying) AskPosition(player);
    }
  }

  // One question as it is put: kept while too many others are on their way.
  struct Question {
    Ask ask;
    std::string about;
    std::string unique;      // the connection asked about, for questions to a player
    bool to_player = false;  // else to the bus itself
    const char* interface;
    const char* member;
    std::vector<std::string> args;  // strings, as many as the member takes
    friend bool operator==(const Question&, const Question&) = default;
  };

  // Sends a question without waiting; its answer arrives in OnReply. `player` is the one asked
  // (nullptr for questions to the bus itself), `about` the name the question concerns.
  //
  // The bus daemon keeps only so many unanswered calls per connection (its limit of pending
  // replies) and refuses the rest: hundreds of players appearing at once would lose most of
  // their questions. So at most kMaxInFlight are out at a time and the rest wait here, each
  // only once; a question about a player that has gone by its turn is dropped.
  void Send(Ask ask, Player* player, const std::string& about, const char* interface,
            const char* member, std::vector<std::string> args = {}) {
    Question q{.ask = ask,
               .about = about,
               .unique = player ? player->unique : std::string(),
               .to_player = player != nullptr,
               .interface = interface,
               .member = member,
               .args = std::move(args)};
    if (in_flight_ < kMaxInFlight && waiting_.empty()) {
      if (Put(q) && player) ++player->pending;
      return;
    }
    if (std::find(waiting_.begin(), waiting_.end(), q) != waiting_.end()) return;
    waiting_.push_back(std::move(q));
    if (player) ++player->pending;
  }

  // Puts waiting questions while there is room.
  void SendWaiting() {
    while (in_flight_ < kMaxInFlight && !waiting_.empty() && bus_) {
      Question q = std::move(waiting_.front());
      waiting_.pop_front();
      Player* player = nullptr;
      if (q.to_player) {
        auto it = players_.find(q.about);
        if (it == players_.end() || it->second.unique != q.unique) continue;  // gone meanwhile
        player = &it->second;
      }
      if (!Put(q) && player) --player->pending;
    }
  }

  bool Put(const Question& q) {
    auto* call = new Call{this, q.ask, q.about, q.unique, connection_};
    sd_bus_slot* slot = nullptr;
    const char* destination = q.to_player ? q.about.c_str() : kBusName;
    const char* path = q.to_player ? kObjectPath : "/org/freedesktop/DBus";
    int r;
    if (q.args.empty())
      r = sd_bus_call_method_async(bus_, &slot, destination, path, q.interface, q.member,
                                   &BusThread::OnReply, call, nullptr);
    else if (q.args.size() == 1)
      r = sd_bus_call_method_async(bus_, &slot, destination, path, q.interface, q.member,
                                   &BusThread::OnReply, call, "s", q.args[0].c_str());
    else
      r = sd_bus_call_method_async(bus_, &slot, destination, path, q.interface, q.member,
                                   &BusThread::OnReply, call, "ss", q.args[0].c_str(),
                                   q.args[1].c_str());
    if (r < 0) {
      delete call;
      return false;
    }
    ++in_flight_;
    // The slot goes with the answer (or with the connection): the question is no longer out.
    sd_bus_slot_set_destroy_callback(slot, [](void* data) {
      auto* call = static_cast<Call*>(data);
      if (call->connection == call->self->connection_) --call->self->in_flight_;
      delete call;
    });
    sd_bus_slot_set_floating(slot, 1);
    sd_bus_slot_unref(slot);
    return true;
  }

  void AskAll(Player& player) {
    const std::string& name = player.state.bus_name;
    Send(Ask::kRoot, &player, name, kPropertiesInterface, "GetAll", {kRootInterface});
    AskPlayerProperties(player);
    if (player.track_list != TrackList::kAbsent) AskTracks(player);
  }

  void AskPlayerProperties(Player& player) {
    const std::string& name = player.state.bus_name;
    Send(Ask::kPlayer, &player, name, kPropertiesInterface, "GetAll", {kPlayerInterface});
  }

  void AskPosition(Player& player) {
    const std::string& name = player.state.bus_name;
    Send(Ask::kPosition, &player, name, kPropertiesInterface, "Get",
         {kPlayerInterface, "Position"});
  }

  void AskTracks(Player& player) {
    const std::string& name = player.state.bus_name;
    Send(Ask::kTracks, &player, name, kPropertiesInterface, "Get", {kTrackListInterface, "Tracks"});
  }

  void AddPlayer(const std::string& name, const std::string& unique) {
    auto it = players_.find(name);
    if (it != players_.end() && it->second.unique == unique) return;
    Player& player = players_[name];
    player = Player{};
    player.state.bus_name = name;
    player.unique = unique;
    dirty_ = true;
    AskAll(player);
  }

  // The players whose name the sending connection owns.
  std::vector<Player*> FromSender(sd_bus_message* m) {
    std::vector<Player*> found;
    const char* sender = sd_bus_message_get_sender(m);
    if (!sender) return found;
    for (auto& [name, player] : players_)
      if (player.unique == sender) found.push_back(&player);
    return found;
  }

  void ApplyUpdate(Player& player, const PlayerUpdate& update, bool whole) {
    // Volume and the like change often and matter not here.
    if (!update.metadata && !update.status && !update.rate && !update.position_us) return;
    MprisPlayerState& s = player.state;
    bool new_track = false;
    bool retitled = false;
    if (update.metadata) {
      const Metadata& md = *update.metadata;
      // Another track (by its id or address) starts from its beginning; a changed title alone
      // (a radio stream's next song) goes on where it was.
      new_track = md.track_id != player.track_id || md.url != s.url;
      retitled = md.title != s.title || md.artist != s.artist;
      player.track_id = md.track_id;
      player.track_number = md.track_number;
      s.length_us = md.length_us;
      s.artist = md.artist;
      s.title = md.title;
      s.url = md.url;
      if (s.url != player.figures_url) {
        // The figures follow the track when the file has been read; none until then.
        player.figures_url = s.url;
        s.sample_rate_khz = s.bitrate_kbps = s.channels = 0;
        if (LocalPathOfUrl(s.url)) figures_->Ask(s.url);
      }
      UpdatePlaylistFigures(player);
      // A list served without being announced comes without change signals either: it is read
      // again for each new track, so that the place in it stays right.
      if (new_track && !whole && player.track_list == TrackList::kServed && !player.has_track_list)
        AskTracks(player);
    }
    const bool status_changed = update.status && *update.status != s.status;
    if (update.status) s.status = *update.status;
    if (update.rate) s.rate = *update.rate;
    if (update.position_us) {
      s.position_us = std::max<int64_t>(0, *update.position_us);
      ++s.position_reading;
    } else if (!whole && (new_track || retitled || status_changed)) {
      // Players tell no position for a new track or a pause; a new track starts at 0 until the
      // player says where it is.
      if (new_track) {
        s.position_us = 0;
        ++s.position_reading;
      }
      AskPosition(player);
    }
    dirty_ = true;
  }

  // The place in the track list where the player serves one holding the track; else the
  // track's own number with no count (MPRIS metadata has no standard count to go with it); else
  // the one track that plays.
  void UpdatePlaylistFigures(Player& player) {
    MprisPlayerState& s = player.state;
    s.playlist_index = 0;
    s.playlist_length = 1;
    if (player.track_list == TrackList::kServed && !player.track_id.empty()) {
      auto at = std::find(player.tracks.begin(), player.tracks.end(), player.track_id);
      if (at != player.tracks.end()) {
        // Kept to what the display's playlist numbers hold.
        s.playlist_index =
            static_cast<int32_t>(std::min<ptrdiff_t>(at - player.tracks.begin(), 32766));
        s.playlist_length = static_cast<int32_t>(std::min<size_t>(player.tracks.size(), 32767));
        return;
      }
    }
    if (player.track_number > 0) {
      s.playlist_index = player.track_number - 1;
      s.playlist_length = 0;
    }
  }

  // Whether an error answer means only that the player did not answer in time (it may next
  // time), rather than that it lacks what was asked.
  static bool IsNoAnswer(sd_bus_message* m) {
    const sd_bus_error* error = sd_bus_message_get_error(m);
    return error && (sd_bus_error_has_name(error, SD_BUS_ERROR_NO_REPLY) ||
                     sd_bus_error_has_name(error, SD_BUS_ERROR_TIMEOUT));
  }

  // --- handlers (on this thread, inside sd_bus_process) ---

  static int OnMatchInstalled(sd_bus_message*, void*, sd_bus_error*) { return 0; }

  static int OnReply(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* call = static_cast<Call*>(data);
    call->self->Reply(m, *call);
    return 0;
  }

  void Reply(sd_bus_message* m, const Call& call) {
    // Questions to the bus itself: which players there are, and who owns each name.
    if (call.ask == Ask::kNames || call.ask == Ask::kOwner) {
      if (sd_bus_message_is_method_error(m, nullptr)) return;
      if (call.ask == Ask::kNames) {
        std::vector<std::string> names;
        if (ReadStrings(m, 's', names) < 0) return;
        for (const std::string& name : names)
          if (name.starts_with(kNamePrefix))
            Send(Ask::kOwner, nullptr, name, kBusName, "GetNameOwner", {name});
      } else {
        const char* unique = nullptr;
        if (sd_bus_message_read_basic(m, 's', &unique) > 0 && unique) AddPlayer(call.name, unique);
      }
      return;
    }
    auto it = players_.find(call.name);
    // An answer from a connection that no longer owns the name is stale.
    if (it == players_.end() || it->second.unique != call.unique) return;
    Player* player = &it->second;
    --player->pending;
    if (sd_bus_message_is_method_error(m, nullptr)) {
      if (call.ask == Ask::kTracks && !IsNoAnswer(m)) {
        player->track_list = TrackList::kAbsent;
        player->tracks.clear();
        UpdatePlaylistFigures(*player);
        dirty_ = true;
      }
      return;
    }
    switch (call.ask) {
      case Ask::kNames:
      case Ask::kOwner:
        break;
      case Ask::kRoot:
        ReadDictionary(m, [&](const std::string& key) {
          Value v;
          const int r = ReadVariant(m, v);
          if (r < 0) return r;
          if (key == "Identity") player->state.identity = v.s;
          if (key == "HasTrackList") player->has_track_list = v.kind == Value::kBool && v.b;
          return 0;
        });
        dirty_ = true;
        break;
      case Ask::kPlayer: {
        PlayerUpdate update;
        if (ReadPlayerProperties(m, update) < 0) return;
        if (!update.metadata) update.metadata.emplace();
        player->answered = true;
        ApplyUpdate(*player, update, true);
        break;
      }
      case Ask::kTracks: {
        Value v;
        if (ReadVariant(m, v) < 0) return;
        player->track_list = TrackList::kServed;
        player->tracks = std::move(v.list);
        UpdatePlaylistFigures(*player);
        dirty_ = true;
        break;
      }
      case Ask::kPosition: {
        Value v;
        if (ReadVariant(m, v) < 0 || !v.Int()) return;
        PlayerUpdate update;
        update.position_us = *v.Int();
        ApplyUpdate(*player, update, false);
        break;
      }
    }
  }

  static int OnNameOwnerChanged(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* self = static_cast<BusThread*>(data);
    const char *name = nullptr, *old_owner = nullptr, *new_owner = nullptr;
    if (sd_bus_message_read(m, "sss", &name, &old_owner, &new_owner) < 0 || !name) return 0;
    if (!std::string_view(name).starts_with(kNamePrefix)) return 0;
    if (!new_owner || !*new_owner) {
      if (self->players_.erase(name) > 0) self->dirty_ = true;
    } else {
      self->AddPlayer(name, new_owner);
    }
    return 0;
  }

  static int OnPropertiesChanged(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* self = static_cast<BusThread*>(data);
    std::vector<Player*> players = self->FromSender(m);
    if (players.empty()) return 0;
    const char* interface = nullptr;
    if (sd_bus_message_read_basic(m, 's', &interface) < 0 || !interface) return 0;
    const std::string_view which = interface;
    std::vector<std::string> invalidated;
    if (which == kPlayerInterface) {
      PlayerUpdate update;
      if (ReadPlayerProperties(m, update) < 0) return 0;
      ReadStrings(m, 's', invalidated);
      for (Player* p : players) {
        if (!p->answered) continue;  // its whole state is on the way
        self->ApplyUpdate(*p, update, false);
        // A property told only as changed, without its value: read them all again.
        for (const std::string& name : invalidated)
          if (name == "PlaybackStatus" || name == "Metadata" || name == "Rate") {
            self->AskPlayerProperties(*p);
            break;
          }
      }
    } else if (which == kTrackListInterface) {
      std::optional<std::vector<std::string>> tracks;
      ReadDictionary(m, [&](const std::string& key) {
        Value v;
        const int r = ReadVariant(m, v);
        if (r >= 0 && key == "Tracks") tracks = std::move(v.list);
        return r;
      });
      ReadStrings(m, 's', invalidated);
      for (Player* p : players) {
        if (tracks) {
          p->track_list = TrackList::kServed;
          p->tracks = *tracks;
          self->UpdatePlaylistFigures(*p);
          self->dirty_ = true;
        } else if (std::find(invalidated.begin(), invalidated.end(), "Tracks") !=
                   invalidated.end()) {
          self->AskTracks(*p);
        }
      }
    } else if (which == kRootInterface) {
      std::optional<bool> has_track_list;
      std::optional<std::string> identity;
      ReadDictionary(m, [&](const std::string& key) {
        Value v;
        const int r = ReadVariant(m, v);
        if (r >= 0 && key == "HasTrackList" && v.kind == Value::kBool) has_track_list = v.b;
        if (r >= 0 && key == "Identity") identity = v.s;
        return r;
      });
      for (Player* p : players) {
        if (identity) p->state.identity = *identity;
        if (has_track_list) {
          p->has_track_list = *has_track_list;
          // A list newly announced is read, even from a player that lacked one before.
          if (*has_track_list) {
            p->track_list = TrackList::kUnknown;
            self->AskTracks(*p);
          }
        }
        self->dirty_ = true;
      }
    }
    return 0;
  }

  static int OnSeeked(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* self = static_cast<BusThread*>(data);
    int64_t position = 0;
    if (sd_bus_message_read_basic(m, 'x', &position) <= 0) return 0;
    PlayerUpdate update;
    update.position_us = position;
    for (Player* p : self->FromSender(m))
      if (p->answered) self->ApplyUpdate(*p, update, false);
    return 0;
  }

  static int OnTrackListSignal(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* self = static_cast<BusThread*>(data);
    std::vector<Player*> players = self->FromSender(m);
    if (sd_bus_message_is_signal(m, kTrackListInterface, "TrackListReplaced") > 0) {
      std::vector<std::string> tracks;
      if (ReadStrings(m, 'o', tracks) < 0) return 0;
      for (Player* p : players) {
        p->track_list = TrackList::kServed;
        p->tracks = tracks;
        self->UpdatePlaylistFigures(*p);
        self->dirty_ = true;
      }
      return 0;
    }
    // Tracks added, removed or changed: the list is read again. The signal itself shows that
    // the player serves one.
    for (Player* p : players)
      self->AskTracks(*p);
    return 0;
  }

  MprisOptions options_;
  Deliver deliver_;
  std::atomic<bool> stop_{false};
  int wake_fd_ = -1;
  sd_bus* bus_ = nullptr;
  std::map<std::string, Player> players_;  // by bus name
  std::unique_ptr<FiguresReader> figures_;
  // Questions out and questions waiting for their turn (Send).
  static constexpr int kMaxInFlight = 16;
  int in_flight_ = 0;
  std::deque<Question> waiting_;
  uint64_t connection_ = 0;  // counts connections, so that a late slot counts for its own
  bool dirty_ = false;
  bool published_empty_ = true;
  std::thread thread_;  // last: it starts once everything above is in place
};

// --- the media player ---------------------------------------------------------------------

std::string MprisSnapshotPlayer::ChosenPlayer() const {
  const MprisPlayerState* p = players_.Chosen();
  return p ? p->bus_name : std::string();
}

void MprisSnapshotPlayer::Apply(std::vector<MprisPlayerState> players) {
  players_.Apply(std::move(players), clock_.MonotonicMicros());
}

bool MprisSnapshotPlayer::FindPlayer() {
  return players_.Choose(preferred_);
}

int32_t MprisSnapshotPlayer::QueryStatus() {
  const MprisPlayerState* p = players_.Chosen();
  return p ? p->status : 0;
}

int32_t MprisSnapshotPlayer::QueryPositionMs() {
  return ClampToInt32(players_.PositionUs(clock_.MonotonicMicros()) / 1000);
}

int32_t MprisSnapshotPlayer::QueryLengthSec() {
  const MprisPlayerState* p = players_.Chosen();
  // Rounded to the nearest second without the sum that would overflow for the longest lengths.
  return p ? ClampToInt32(p->length_us / 1000000 + (p->length_us % 1000000 >= 500000 ? 1 : 0)) : 0;
}

int32_t MprisSnapshotPlayer::QueryPlaylistLength() {
  const MprisPlayerState* p = players_.Chosen();
  return p ? p->playlist_length : 0;
}

int32_t MprisSnapshotPlayer::QueryPlaylistIndex() {
  const MprisPlayerState* p = players_.Chosen();
  return p ? p->playlist_index : 0;
}

int32_t MprisSnapshotPlayer::QuerySampleRate() {
  const MprisPlayerState* p = players_.Chosen();
  return p ? p->sample_rate_khz : 0;
}

int32_t MprisSnapshotPlayer::QueryBitrate() {
  const MprisPlayerState* p = players_.Chosen();
  return p ? p->bitrate_kbps : 0;
}

int32_t MprisSnapshotPlayer::QueryChannels() {
  const MprisPlayerState* p = players_.Chosen();
  return p ? p->channels : 0;
}

std::string MprisSnapshotPlayer::ReadWindowTitle() {
  const MprisPlayerState* p = players_.Chosen();
  return p ? MprisWindowTitle(*p) : std::string();
}

MprisMediaPlayer::MprisMediaPlayer(EventLoop& loop, MonotonicClock& clock, MprisOptions options)
    : MprisSnapshotPlayer(clock, options.preferred_player) {
  std::weak_ptr<int> alive = alive_;
  bus_ = std::make_unique<BusThread>(
      std::move(options), [this, &loop, alive](std::vector<MprisPlayerState> players) {
        // Runs on the event thread, where this object may be gone by then.
        loop.Post([this, alive, players = std::move(players)]() mutable {
          if (alive.lock()) Apply(std::move(players));
        });
      });
}

MprisMediaPlayer::~MprisMediaPlayer() {
  // The thread ends before anything it hands over to goes.
  bus_.reset();
}

}  // namespace vfd
