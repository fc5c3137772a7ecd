#pragma once

#include "core/Clock.h"
#include "core/EventLoop.h"

namespace vfd {

// The machine's clocks: local time from the C library (the TZ setting applies), monotonic time
// from the steady clock.
class SystemClock : public WallClock, public MonotonicClock {
 public:
  LocalDateTime Now() override;
  int64_t MonotonicMicros() override;
};

}  // namespace vfd
