#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace vfd {

class Timer;

// Ticks periodic timers on a common beat: each tick falls on a whole multiple of the timer's
// interval, counted from one origin. Timers whose intervals are multiples of one another (The
// Matrix every 25 ms, Knightrider every 50 ms) then tick in the same wake-up instead of in two
// that drift past each other. Only the first period is shifted to reach the beat: it lasts
// between half an interval and one and a half; after that every period is the interval.
//
// Times are nanoseconds on a monotonic clock. Nothing here keeps time or calls a timer: the event
// loop asks when the next tick is due, and which timers are due when it wakes.
class TimerBeat {
 public:
  // Starts a new period for `timer` (replacing any it had) at `now_ns`.
  void Start(Timer& timer, int interval_ms, int64_t now_ns);
  void Stop(Timer& timer);
  bool Holds(const Timer& timer) const { return entries_.count(&timer) != 0; }

  // When the earliest tick is due; nothing when no timer runs.
  std::optional<int64_t> NextDue() const;

  // The timers due at `now_ns`, in the order they were started, each moved on to its next tick.
  // Ticks missed while the loop was busy are skipped, not made up, and the beat is kept.
  struct Due {
    Timer* timer;
    uint64_t start;  // which Start() this tick belongs to
  };
  std::vector<Due> TakeDue(int64_t now_ns);

  // Whether `due` still stands: its timer was neither stopped nor started again since.
  bool Current(const Due& due) const;

 private:
  struct Entry {
    int64_t interval_ns;
    int64_t next_ns;
    uint64_t start;
  };
  std::unordered_map<const Timer*, Entry> entries_;
  uint64_t starts_ = 0;
};

}  // namespace vfd
