// The serial output queue under The Matrix's load on the IEE serial display (20 per-character
// levels and a text frame every other 25 ms tick, a frame alone on the ticks between) on a line
// that takes bytes only at its own pace. Reported: the text frames a second that reach the display
// (the line's share for text: about 8 at 9600 baud and 20 at 19200) and the time per enqueue.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <utility>

#include "NullServices.h"
#include "display/Bytes.h"

namespace vfd::bench {
namespace {

// Timers on a clock that moves only when told to, so that an iteration covers seconds of the
// program's life without waiting for them.
class VirtualTime : public NullLoop {
 public:
  void TimerChanged(Timer& timer) override {
    if (timer.Enabled() && timer.Interval() > 0)
      due_[&timer] = {now_us_ + int64_t{timer.Interval()} * 1000, next_seq_++};
    else
      due_.erase(&timer);
  }
  void TimerDestroyed(Timer& timer) override { due_.erase(&timer); }
  void Post(std::function<void()> task) override { task(); }
  void PumpEvents(int ms) override { RunFor(ms); }
  int64_t MonotonicMicros() override { return now_us_; }

  // Fires every timer that falls due within `ms`, in order, and leaves the clock `ms` later.
  void RunFor(int64_t ms) {
    const int64_t end = now_us_ + ms * 1000;
    for (;;) {
      auto next = std::min_element(due_.begin(), due_.end(), [](const auto& a, const auto& b) {
        return a.second < b.second;
      });
      if (next == due_.end() || next->second.first > end) break;
      Timer* timer = next->first;
      now_us_ = next->second.first;
      next->second = {now_us_ + int64_t{timer->Interval()} * 1000, next_seq_++};
      timer->Fire();
    }
    now_us_ = end;
  }

 private:
  std::map<Timer*, std::pair<int64_t, uint64_t>> due_;  // (when, order of scheduling)
  int64_t now_us_ = 0;
  uint64_t next_seq_ = 0;
};

// A line that takes bytes only as fast as it sends them, with a UART's 16 bytes in flight, and
// counts the IEE text frames (home, then 40 characters) that go out whole.
class PacedSerial : public SerialDevice {
 public:
  explicit PacedSerial(VirtualTime& time) : time_(time) {}

  SerialOpenResult Open(const std::string&, int baud) override {
    open_ = true;
    per_byte_us_ = 10'000'000 / baud;
    free_at_us_ = time_.MonotonicMicros();
    return {};
  }
  bool IsOpen() const override { return open_; }
  size_t Capacity() const override { return kBuffer; }
  size_t Room() override {
    int64_t in_flight_us = std::max<int64_t>(0, free_at_us_ - time_.MonotonicMicros());
    auto in_flight = static_cast<size_t>((in_flight_us + per_byte_us_ - 1) / per_byte_us_);
    return in_flight >= kBuffer ? 0 : kBuffer - in_flight;
  }
  long Write(const uint8_t* data, size_t size) override {
    size = std::min(size, Room());
    free_at_us_ =
        std::max(free_at_us_, time_.MonotonicMicros()) + per_byte_us_ * static_cast<int64_t>(size);
    for (size_t i = 0; i < size; ++i)
      Count(data[i]);
    return static_cast<long>(size);
  }
  bool WriteAllAndDrain(const uint8_t*, size_t, int) override { return true; }
  void Close() override { open_ = false; }
  std::string LastError() const override { return {}; }

  int64_t frames = 0;

 private:
  static constexpr size_t kBuffer = 16;

  void Count(uint8_t b) {
    if (body_left_ > 0) {
      if (--body_left_ == 0) ++frames;
    } else if (last_ == 0x1D && b == 0x16) {
      body_left_ = 40;
    }
    last_ = b;
  }

  VirtualTime& time_;
  bool open_ = false;
  int64_t per_byte_us_ = 1;
  int64_t free_at_us_ = 0;
  uint8_t last_ = 0;
  int body_left_ = 0;
};

// The whole program running The Matrix on the IEE serial display at the speed in the range
// argument; one iteration is one second on the program's clock.
void BM_MatrixOnPacedLine(benchmark::State& state) {
  VirtualTime time;
  PacedSerial line(time);
  NullParallel parallel;
  Lcg random;
  UsRegionalFormats formats;
  NoHttp http{time};
  NoTidePages tides{time};
  NoMediaPlayer player;
  NoSensors sensors;
  Program program{Services{.loop = time,
                           .monotonic = time,
                           .wall = time,
                           .formats = formats,
                           .random = random,
                           .serial = line,
                           .parallel = parallel,
                           .boxes = time,
                           .files = time,
                           .file_dialogs = time,
                           .http = http,
                           .player = player,
                           .sensors = sensors,
                           .tides = tides}};
  program.display().screen_type = kScreen2x20;
  program.display().display_model = kModelIeeSerial;
  program.display().InitDisplayModel();
  ListBox& speeds = program.main().lstSpeed;
  speeds.SetListIndex(speeds.Find(state.range(0) == 19200 ? "19200" : " 9600"));
  program.matrix().InitStreams();
  program.main().cmdMatrix.Click();
  time.RunFor(1000);  // past the splash and the first frames
  const int64_t frames_before = line.frames;
  for (auto _ : state)
    time.RunFor(1000);
  state.counters["frames_per_s"] =
      static_cast<double>(line.frames - frames_before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_MatrixOnPacedLine)->Arg(9600)->Arg(19200)->Unit(benchmark::kMicrosecond);

// One iteration is one call to the queue in The Matrix's order; the line's draining between the
// ticks is shared out among the calls.
void BM_EnqueueUnderMatrixLoad(benchmark::State& state) {
  VirtualTime time;
  PacedSerial line(time);
  SerialLink link(line, time);
  link.OpenSerial();
  std::vector<std::string> levels;
  for (int p = 0; p < 20; ++p)
    levels.push_back(Bytes({0x19, 0x30, static_cast<uint8_t>(p), static_cast<uint8_t>(p % 8)}));
  const std::string frame = Bytes({0x1D, 0x16}) + std::string(40, '\xB1');
  int call = 0;
  for (auto _ : state) {
    if (call < 20) {
      link.SendCharLevel(levels[static_cast<size_t>(call)], call);
    } else {
      link.SendFrame(frame);
      time.RunFor(25);
    }
    call = call == 21 ? 0 : call + 1;
  }
  const double seconds = static_cast<double>(time.MonotonicMicros()) / 1e6;
  state.counters["frames_per_s"] = seconds > 0 ? static_cast<double>(line.frames) / seconds : 0;
}
BENCHMARK(BM_EnqueueUnderMatrixLoad);

}  // namespace
}  // namespace vfd::bench
