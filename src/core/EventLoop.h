#pragma once

#include <cstdint>

#include "core/Timer.h"

namespace vfd {

// The program's single event thread as the core sees it: it runs timers, and it can pause while
// still handling events.
class EventLoop : public TimerHost {
 public:
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
