#pragma once

#include <cstdint>
#include <functional>

#include "core/Timer.h"

namespace vfd {

// The program's single event thread as the core sees it: it runs timers, it can pause while
// still handling events, and it takes work handed over from other threads.
//
// The core is single-threaded and lock-free: blocking work (network, D-Bus, big files) runs only
// inside platform backends, on threads of their own, and its result comes back through Post.
class EventLoop : public TimerHost {
 public:
  // Runs `task` on the event thread soon after, never inside this call; tasks run in the order
  // they were posted. The one member that may be called from any thread.
  virtual void Post(std::function<void()> task) = 0;
  // Waits `ms` milliseconds while timer ticks and user events keep being handled.
  virtual void PumpEvents(int ms) = 0;
  // Whether a handler is pausing in PumpEvents right now (events handled now run inside it).
  virtual bool Pumping() const = 0;
};

// Monotonic time for short waits; never wraps at midnight.
class MonotonicClock {
 public:
  virtual ~MonotonicClock() = default;
  virtual int64_t MonotonicMicros() = 0;
};

}  // namespace vfd
