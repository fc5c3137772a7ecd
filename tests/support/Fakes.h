#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Files.h"
#include "core/Http.h"
#include "core/MediaPlayer.h"
#include "core/Random.h"
#include "core/SensorTable.h"
#include "core/TidePages.h"
#include "core/UserDialogs.h"
#include "display/ParallelPort.h"
#include "display/SerialDevice.h"
#include "display/emulator/Decoders.h"
#include "support/VirtualEventLoop.h"

namespace vfd::testing {

// A serial line that records every byte handed to it. With a baud rate set it takes bytes only
// as fast as such a line carries them (on the virtual clock), keeping at most `line_buffer`
// bytes in flight, like a UART with a small buffer.
class FakeSerialDevice : public SerialDevice {
 public:
  explicit FakeSerialDevice(VirtualEventLoop& loop) : loop_(loop) {}

  SerialOpenResult Open(const std::string& path, int baud) override;
  bool IsOpen() const override { return open_; }
  size_t Room() override;
  size_t Capacity() const override { return throttle ? line_buffer : 1 << 20; }
  long Write(const uint8_t* data, size_t size) override;
  bool WriteAllAndDrain(const uint8_t* data, size_t size, int timeout_ms) override;
  void Close() override;
  std::string LastError() const override { return error_; }

  // Test controls.
  std::set<std::string> in_use;   // paths another program holds
  std::set<std::string> missing;  // paths that do not exist
  std::set<std::string> denied;   // paths without permission
  bool throttle = false;          // take bytes at the line's pace
  size_t line_buffer = 16;        // bytes in flight while throttled
  bool fail_next_write = false;   // the adapter is pulled out
  bool stuck = false;  // takes nothing, though Room offers room (a line that never drains)
  std::function<void(std::string_view)> on_bytes;  // sees every byte that goes out

  // What happened.
  std::string written;  // every byte, in order, over all opens
  std::string path;     // of the last open
  int baud = 0;
  int opens = 0;
  int closes = 0;
  std::vector<std::string> opened_paths;
  int last_drain_timeout_ms = -1;
  int writes = 0;  // calls of Write

  // Forgets what was written.
  void Reset() { written.clear(); }

 private:
  void Take(const uint8_t* data, size_t size);

  VirtualEventLoop& loop_;
  bool open_ = false;
  std::string error_;
  int64_t line_free_at_us_ = 0;  // when the bytes in flight will have left
};

// Register-level parallel port: records every access to the selected port, answers status reads
// from a script (or from an attached emulator, or 0xFF), and lets one microsecond pass on the
// virtual clock per access, as a real port access takes about that long. Like the real one, it
// ignores writes and reads 0xFF while no port is selected.
class FakeParallelPort : public ParallelPort {
 public:
  explicit FakeParallelPort(VirtualEventLoop& loop) : loop_(loop) {}

  bool Select(uint16_t base, std::string* why) override;
  void Release() override { selected_ = 0; }
  void Out(uint16_t address, uint8_t value) override;
  uint8_t In(uint16_t address) override;

  struct Access {
    bool write;
    uint16_t address;
    uint8_t value;
    friend bool operator==(const Access&, const Access&) = default;
  };

  // Test controls.
  std::set<uint16_t> unreachable;          // bases that Select refuses
  std::deque<uint8_t> status_script;       // answers for the next status reads
  std::function<uint8_t()> status_source;  // answers after the script runs out
  DisplayEmulator* emulator = nullptr;     // sees the writes at the selected base

  // What happened.
  std::vector<Access> accesses;
  uint16_t selected() const { return selected_; }
  // Only the writes, as (address, value).
  std::vector<std::pair<uint16_t, uint8_t>> Writes() const;
  // How many status reads were made.
  size_t Reads() const;
  // The data bytes that a strobe pulse (control 0x01) latched, in hex: "18 01 08".
  std::string Strobed() const;
  void Reset() { accesses.clear(); }

 private:
  VirtualEventLoop& loop_;
  uint16_t selected_ = 0;
};

class FakeMessageBoxes : public MessageBoxes {
 public:
  void ShowMessage(const std::string& text, const std::string& title) override {
    shown.emplace_back(title, text);
  }
  std::vector<std::pair<std::string, std::string>> shown;  // (title, text)
};

// Random numbers from a script, then a fixed value.
class ScriptedRandom : public RandomSource {
 public:
  double Next() override {
    if (script.empty()) return fallback;
    double v = script.front();
    script.pop_front();
    return v;
  }
  // Queues `n` draws that look random, the same ones every run, for a function that must keep
  // changing over a long run.
  void ScriptNoise(size_t n);
  std::deque<double> script;
  double fallback = 0.0;
};

// Files in memory. A write can be made to fail, as a full disk would.
class MemoryFiles : public TextFiles {
 public:
  std::optional<std::string> Read(const std::string& path, std::string* error,
                                  size_t max_bytes) override {
    ++reads;
    if (unreadable.count(path)) {
      if (error) *error = "Permission denied";
      return std::nullopt;
    }
    if (special.count(path)) {
      if (error) *error = "not a regular file";
      return std::nullopt;
    }
    auto it = files.find(path);
    if (it == files.end()) {
      if (error) error->clear();
      return std::nullopt;
    }
    if (it->second.size() > max_bytes) {
      if (error) *error = "larger than " + std::to_string(max_bytes / 1024) + " KiB";
      return std::nullopt;
    }
    return it->second;
  }
  bool WriteAtomically(const std::string& path, const std::string& content,
                       std::string* error) override {
    ++writes;
    if (fail_writes) {
      if (error) *error = "No space left on device";
      return false;
    }
    if (special.count(path)) {
      if (error) *error = "not a regular file";
      return false;
    }
    files[path] = content;
    return true;
  }
  bool IsRegularFile(const std::string& path) override {
    return !special.count(path) && (files.count(path) || unreadable.count(path));
  }
  bool Rename(const std::string& from, const std::string& to, std::string* error) override {
    if (fail_renames || !(files.count(from) || unreadable.count(from) || special.count(from))) {
      if (error) *error = fail_renames ? "Permission denied" : "No such file or directory";
      return false;
    }
    ++renames;
    const auto move = [&](auto& set) {
      if (set.erase(from)) set.insert(to);
    };
    move(unreadable);
    move(special);
    if (auto it = files.find(from); it != files.end()) {
      files[to] = std::move(it->second);
      files.erase(from);
    }
    return true;
  }
  std::map<std::string, std::string> files;
  std::set<std::string> unreadable;
  std::set<std::string> special;  // devices, pipes: not regular files
  bool fail_writes = false;
  bool fail_renames = false;
  int writes = 0;
  int renames = 0;
  int reads = 0;
};

// The file dialog: answers with a scripted choice (nullopt: the user cancels).
class FakeFileDialogs : public FileDialogs {
 public:
  std::optional<std::string> OpenFile(const std::string& title, const std::string& filter,
                                      const std::string& proposed_name) override {
    asked.push_back(title + "|" + filter + "|" + proposed_name);
    return answer;
  }
  std::optional<std::string> answer;
  std::vector<std::string> asked;
};

// The web, answered by the test: every GET waits until the test replies to it. Replies arrive
// on the event loop, as the real client's do.
class FakeHttp : public HttpClient {
 public:
  explicit FakeHttp(VirtualEventLoop& loop) : loop_(loop) {}
  using HttpClient::Get;
  void Get(const std::string& url, HttpBody form,
           std::function<void(HttpResult)> on_done) override {
    requested.push_back(url);
    forms.push_back(form);
    pending.push_back({url, std::move(on_done)});
  }
  void CancelAll() override {
    cancelled += static_cast<int>(pending.size());
    pending.clear();
  }
  // Answers the oldest waiting request (false when none waits); the answer runs on the loop.
  bool Reply(HttpResult result) {
    if (pending.empty()) return false;
    auto on_done = std::move(pending.front().second);
    pending.pop_front();
    loop_.Post([on_done = std::move(on_done), result = std::move(result)] { on_done(result); });
    return true;
  }

  std::vector<std::string> requested;  // every URL asked for, in order
  std::vector<HttpBody> forms;         // how each asked for its body
  std::deque<std::pair<std::string, std::function<void(HttpResult)>>> pending;
  int cancelled = 0;

 private:
  VirtualEventLoop& loop_;
};

// Tide tables answered by the test: every request waits until the test replies to it; replies
// arrive on the event loop.
class FakeTidePages : public TidePageSource {
 public:
  explicit FakeTidePages(VirtualEventLoop& loop) : loop_(loop) {}
  void Page(const std::string& place, std::function<void(TidePage)> on_done) override {
    requested.push_back(place);
    pending.push_back(std::move(on_done));
  }
  std::vector<std::string> Complete(const std::string& typed, size_t limit) override {
    std::vector<std::string> out;
    for (const std::string& name : stations)
      if (out.size() < limit && name.starts_with(typed)) out.push_back(name);
    return out;
  }
  // Answers the oldest waiting request (false when none waits).
  bool Reply(TidePage page) {
    if (pending.empty()) return false;
    auto on_done = std::move(pending.front());
    pending.pop_front();
    loop_.Post([on_done = std::move(on_done), page = std::move(page)] { on_done(page); });
    return true;
  }

  std::vector<std::string> requested;
  std::deque<std::function<void(TidePage)>> pending;
  std::vector<std::string> stations;

 private:
  VirtualEventLoop& loop_;
};

// A media player whose answers the test sets, or that passes every question on to `real` (a
// backend under test) when that is set.
class FakeMediaPlayer : public MediaPlayer {
 public:
  bool FindPlayer() override { return real ? real->FindPlayer() : running; }
  int32_t QueryStatus() override { return real ? real->QueryStatus() : status; }
  int32_t QueryPositionMs() override { return real ? real->QueryPositionMs() : position_ms; }
  int32_t QueryLengthSec() override { return real ? real->QueryLengthSec() : length_sec; }
  int32_t QueryPlaylistLength() override {
    return real ? real->QueryPlaylistLength() : playlist_length;
  }
  int32_t QueryPlaylistIndex() override {
    return real ? real->QueryPlaylistIndex() : playlist_index;
  }
  int32_t QuerySampleRate() override { return real ? real->QuerySampleRate() : sample_rate; }
  int32_t QueryBitrate() override { return real ? real->QueryBitrate() : bitrate; }
  int32_t QueryChannels() override { return real ? real->QueryChannels() : channels; }
  std::string ReadWindowTitle() override {
    if (real) return real->ReadWindowTitle();
    return running ? title : std::string();
  }

  MediaPlayer* real = nullptr;
  bool running = false;
  int32_t status = 0, position_ms = 0, length_sec = 0, playlist_length = 0, playlist_index = 0;
  int32_t sample_rate = 0, bitrate = 0, channels = 0;
  std::string title;
};

// Sensor readings the test sets; counts how often the table is read.
class FakeSensors : public SensorSource {
 public:
  SensorTable ReadTable() override {
    ++reads;
    return table;
  }
  SensorTable table{};
  int reads = 0;
};

// Hex text of bytes: "0E 16 41".
std::string HexOf(std::string_view bytes);

}  // namespace vfd::testing
