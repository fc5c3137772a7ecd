#include "display/SerialLink.h"

#include <algorithm>
#include <charconv>

namespace vfd {
namespace {

// The first wait before the line is asked again; every later one is computed from the line rate.
constexpr int kFirstDrainWaitMs = 2;
// The longest wait for a line that takes nothing: a stuck adapter, or a reader that never reads
// a pseudo-terminal, is asked once a second rather than every millisecond.
constexpr int kLongestStallWaitMs = 1000;

}  // namespace

SerialLink::SerialLink(SerialDevice& device, EventLoop& loop)
    : device_(device), drain_timer_("SerialDrain", kFirstDrainWaitMs) {
  drain_timer_.SetExact(true);  // a wait for the line, not a rate
  drain_timer_.on_tick = [this] { Drain(); };
  drain_timer_.AttachHost(&loop);
}

SerialLink::~SerialLink() = default;

void SerialLink::SetSerialPort(std::string port) {
  if (!IsSerialOpen()) port_ = std::move(port);
}

void SerialLink::SetSerialSettings(std::string settings) {
  if (!IsSerialOpen()) settings_ = std::move(settings);
}

std::string SerialLink::DevicePath(const std::string& port) {
  if (port.size() == 4 && port.starts_with("COM") && port[3] >= '1' && port[3] <= '4')
    return "/dev/ttyS" + std::string(1, static_cast<char>(port[3] - 1));
  if (port.starts_with("/")) return port;
  return {};
}

std::string SerialLink::DeviceName() const {
  std::string path = DevicePath(port_);
  return path.empty() ? port_ : path;
}

int SerialLink::BaudOf(const std::string& settings) {
  int baud = 0;
  auto [ptr, ec] = std::from_chars(settings.data(), settings.data() + settings.size(), baud);
  (void)ptr;
  if (ec != std::errc() || baud <= 0) return 9600;
  return baud;
}

SerialOpenResult SerialLink::OpenSerial() {
  if (IsSerialOpen()) return {};
  std::string path = DevicePath(port_);
  if (path.empty()) {
    SerialOpenResult result;
    result.status = SerialOpenResult::Status::kFailed;
    result.reason = "no such port";
    return result;
  }
  ClearQueue();
  return device_.Open(path, BaudOf(settings_));
}

void SerialLink::CloseSerial() {
  if (!IsSerialOpen()) {
    ClearQueue();
    return;
  }
  std::string rest;
  for (const Entry& e : queue_)
    rest.append(e.bytes, e.sent, std::string::npos);
  ClearQueue();
  // Time the rest needs on the line, twice over, plus a margin; never more than three seconds
  // so that an unplugged adapter cannot hold up a model change or the exit.
  int baud = BaudOf(settings_);
  int64_t needed_ms = static_cast<int64_t>(rest.size()) * 10 * 1000 / baud;
  int timeout_ms = static_cast<int>(std::min<int64_t>(3000, 2 * needed_ms + 250));
  device_.WriteAllAndDrain(reinterpret_cast<const uint8_t*>(rest.data()), rest.size(), timeout_ms);
  device_.Close();
}

void SerialLink::SerialSend(std::string_view bytes) {
  Enqueue(bytes, nullptr);
}

void SerialLink::SendFrame(std::string_view bytes) {
  Enqueue(bytes, &frame_slot_);
}

void SerialLink::SendCharLevel(std::string_view bytes, int position) {
  Enqueue(bytes, &level_slots_[position]);
}

size_t SerialLink::QueuedBytes() const {
  return queued_bytes_;
}

void SerialLink::Enqueue(std::string_view bytes, uint64_t* slot) {
  if (!IsSerialOpen() || bytes.empty()) return;
  Entry* older = slot && *slot >= front_number_ ? &queue_[*slot - front_number_] : nullptr;
  // Only an entry that has not started to go out may be replaced: a half-sent one must finish,
  // or the display would take the rest of it for something else.
  if (older && older->sent == 0) {
    queued_bytes_ = queued_bytes_ - older->bytes.size() + bytes.size();
    older->bytes.assign(bytes);
  } else {
    queue_.push_back(Entry{std::string(bytes), 0});
    queued_bytes_ += bytes.size();
    if (slot) *slot = front_number_ + queue_.size() - 1;
  }
  if (*drain_deferred_) return;
  if (!Timer::AnyTicking()) {
    // While the drain timer runs the line is busy, and the timer comes back when it has room.
    if (!drain_timer_.Enabled()) Drain();
    return;
  }
  // Bytes queued by a timer's tick go out when the tick is over, even while the line is busy:
  // what one tick queues (a frame and twenty brightness levels), or what the functions ticking
  // together draw, then costs one write instead of one each, and a line the ticks keep busy is
  // topped up on their beat without wake-ups of its own.
  *drain_deferred_ = true;
  Timer::AfterTicks([this, deferred = std::weak_ptr<bool>(drain_deferred_)] {
    const std::shared_ptr<bool> still = deferred.lock();
    if (!still || !*still) return;
    *still = false;
    Drain();
  });
}

void SerialLink::Drain() {
  if (queue_.empty() || !device_.IsOpen()) {
    drain_timer_.SetEnabled(false);
    return;
  }
  // Whatever the line can take goes out in one write, across as many entries as fit: a frame
  // and the level commands around it cost one system call, not one each.
  size_t room = device_.Room();
  bool moved = false;
  if (room > 0) {
    chunk_.clear();
    for (const Entry& e : queue_) {
      const size_t take = std::min(room - chunk_.size(), e.bytes.size() - e.sent);
      chunk_.append(e.bytes, e.sent, take);
      if (chunk_.size() == room) break;
    }
    long taken = device_.Write(reinterpret_cast<const uint8_t*>(chunk_.data()), chunk_.size());
    if (taken < 0) {
      Fail();
      return;
    }
    moved = taken > 0;
    for (auto left = static_cast<size_t>(taken); left > 0;) {
      Entry& front = queue_.front();
      const size_t n = std::min(left, front.bytes.size() - front.sent);
      front.sent += n;
      left -= n;
      queued_bytes_ -= n;
      if (front.sent == front.bytes.size()) {
        queue_.pop_front();
        ++front_number_;
      }
    }
    room -= static_cast<size_t>(taken);
  }
  if (queue_.empty()) {
    stalls_ = 0;
    drain_timer_.SetEnabled(false);
    return;
  }
  stalls_ = moved ? 0 : stalls_ + 1;
  // Wake when the line can take what waits, or as much as it ever takes, in one write: a whole
  // frame where it fits. Waking sooner would hand over a few bytes at a time for nothing but
  // system calls and wake-ups.
  const size_t useful = std::min(queued_bytes_, device_.Capacity());
  const int64_t missing = useful > room ? static_cast<int64_t>(useful - room) : 1;
  const int64_t micros_per_byte = 10'000'000 / BaudOf(settings_);
  auto wait_ms =
      static_cast<int>(std::clamp<int64_t>((missing * micros_per_byte + 999) / 1000, 1, 1000));
  // A line that took nothing twice in a row is not moving at the rate it was opened at: each
  // further wait doubles, up to a second, and the first write it takes again ends the backing
  // off. A line that merely runs slow always takes something when asked, and never gets here.
  if (stalls_ > 1)
    wait_ms = static_cast<int>(
        std::min<int64_t>(kLongestStallWaitMs, int64_t{std::max(wait_ms, kFirstDrainWaitMs)}
                                                   << std::min(stalls_ - 1, 10)));
  // A fresh period from now, also when a tick drained meanwhile: a line that ticks keep topping
  // up never needs the timer.
  drain_timer_.SetInterval(wait_ms);
  drain_timer_.SetEnabled(true);
}

void SerialLink::Fail() {
  std::string reason = device_.LastError();
  ClearQueue();
  device_.Close();
  failed.Emit(reason);
}

void SerialLink::ClearQueue() {
  stalls_ = 0;
  front_number_ += queue_.size();
  queue_.clear();
  queued_bytes_ = 0;
  drain_timer_.SetEnabled(false);
}

}  // namespace vfd
