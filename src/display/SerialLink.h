#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/EventLoop.h"
#include "core/Signal.h"
#include "core/Timer.h"
#include "display/SerialDevice.h"

namespace vfd {

// The serial side of the link: which port and line settings are chosen, open and close, and an
// output queue that never blocks the event thread.
//
// A slow line (9600 baud carries about 960 bytes/s) cannot keep up with the fastest display
// functions. So that the display stays current instead of lagging further and further behind, a
// text frame that has not started to go out is replaced when a newer frame is queued, and so is
// an unsent per-character brightness command when a newer one for the same position is queued.
// The newer one takes the older one's place in the queue and goes out when the older one would
// have. Sent to the end instead, a frame would fall behind the levels queued since, and the next
// frame would move it back again before it reached the head: a function that draws text and
// levels faster than the line carries them would show one still picture. An entry that has
// started to go out is always finished first. Device commands go out in call order; a
// replacement may go out before commands that were queued after the entry it replaced.
class SerialLink {
 public:
  SerialLink(SerialDevice& device, EventLoop& loop);
  ~SerialLink();
  SerialLink(const SerialLink&) = delete;
  SerialLink& operator=(const SerialLink&) = delete;

  // The chosen port: "COM1".."COM4", a device path, or empty for none (the default): with none
  // chosen, nothing is opened.
  const std::string& Port() const { return port_; }
  void SetSerialPort(std::string port);
  // Line settings text such as "9600,n,8,1". Default "9600,n,8,1".
  const std::string& Settings() const { return settings_; }
  void SetSerialSettings(std::string settings);

  bool IsSerialOpen() const { return device_.IsOpen(); }
  SerialOpenResult OpenSerial();
  // Sends what is still queued (waiting a bounded time) and closes. Never fails.
  void CloseSerial();

  // A device command, splash text, glyph load or any other bytes that must all arrive.
  void SerialSend(std::string_view bytes);
  // One whole text frame (all the bytes that paint the screen once).
  void SendFrame(std::string_view bytes);
  // A per-character brightness command for `position`.
  void SendCharLevel(std::string_view bytes, int position);

  // Bytes waiting in the program's queue (not yet handed to the line).
  size_t QueuedBytes() const;
  // The device path that a port text names: "COM1".."COM4" are the first four serial ports,
  // a text starting with "/" is a device path. Empty for anything else.
  static std::string DevicePath(const std::string& port);
  // The device the chosen port names, for messages: its path, or the port text itself.
  std::string DeviceName() const;
  // The baud rate of a settings text ("19200,n,8,1" gives 19200); 9600 when unreadable.
  static int BaudOf(const std::string& settings);

  // Raised when the device failed while sending; the link has closed the port by then.
  Signal<const std::string&> failed;

 private:
  struct Entry {
    std::string bytes;
    size_t sent = 0;
  };

  // Queues `bytes`. `slot` (null for bytes that must all arrive) holds the number of the entry
  // that these bytes supersede: while that one is unsent they take its place, otherwise they join
  // the end and the slot takes their number.
  void Enqueue(std::string_view bytes, uint64_t* slot);
  void Drain();
  void Fail();
  void ClearQueue();

  SerialDevice& device_;
  // Whether a drain waits for the running ticks to end; shared with that work, which must not
  // touch a link that is gone.
  std::shared_ptr<bool> drain_deferred_ = std::make_shared<bool>(false);
  std::string port_;
  std::string settings_ = "9600,n,8,1";
  std::deque<Entry> queue_;
  size_t queued_bytes_ = 0;  // not yet handed to the line
  std::string chunk_;        // one write's bytes, kept to reuse its memory
  // Entries are numbered from 1 as they join the queue, so that a number finds its entry without
  // a search and one that has left the queue has a number below the front's.
  uint64_t front_number_ = 1;
  uint64_t frame_slot_ = 0;                        // the latest frame's number; 0: none yet
  std::unordered_map<int, uint64_t> level_slots_;  // the latest level's number, by position
  Timer drain_timer_;
  int stalls_ = 0;  // drains in a row that handed nothing to the line
};

}  // namespace vfd
