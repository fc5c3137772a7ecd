#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

#include "core/Clock.h"
#include "core/EventLoop.h"

namespace vfd::testing {

// A deterministic event loop on a virtual clock. Timers fire in order of due time, equal due
// times in the order they were scheduled; pauses (PumpEvents) advance the clock and fire what
// falls due meanwhile. Posted tasks run in the order they were posted, at the current virtual
// time, before the next timer. The loop is also the monotonic and the wall clock of the code under
// test.
class VirtualEventLoop : public EventLoop, public MonotonicClock, public WallClock {
 public:
  VirtualEventLoop();
  ~VirtualEventLoop() override;

  // EventLoop
  void Post(std::function<void()> task) override;
  void PumpEvents(int ms) override;
  bool Pumping() const override { return depth_ > 0; }
  void TimerChanged(Timer& timer) override;
  void TimerDestroyed(Timer& timer) override;

  // MonotonicClock
  int64_t MonotonicMicros() override { return now_us_; }

  // WallClock: the start time set by SetWallClock plus the virtual time elapsed since.
  LocalDateTime Now() override;
  void SetWallClock(const LocalDateTime& at);

  // Runs every timer that falls due within the next `ms` milliseconds, then leaves the clock
  // `ms` later.
  void RunFor(int64_t ms);
  // Runs the tasks posted so far (and those they post), without moving the clock.
  void RunPosted();
  // Time passes without any event being handled (code busy on the event thread).
  void Advance(int64_t micros) { now_us_ += micros; }

  int64_t NowMs() const { return now_us_ / 1000; }
  int64_t NowMicros() const { return now_us_; }
  // Whether `timer` is scheduled, and when it fires next (micros).
  bool Scheduled(const Timer& timer) const;
  int64_t DueMicros(const Timer& timer) const;

 private:
  struct Entry {
    int64_t due_us;
    uint64_t seq;
  };

  void RunUntil(int64_t target_us);

  // Takes the oldest posted task, if any.
  std::function<void()> TakePosted();

  int depth_ = 0;
  std::mutex posted_mutex_;
  std::deque<std::function<void()>> posted_;
  int64_t now_us_ = 0;
  uint64_t next_seq_ = 0;
  std::map<Timer*, Entry> scheduled_;
  LocalDateTime wall_start_{2026, 12, 6, 15, 45, 12};
  int64_t wall_set_at_us_ = 0;
};

}  // namespace vfd::testing
