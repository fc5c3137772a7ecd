#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/Signal.h"

namespace vfd {

class Timer;

// Whatever schedules timers (the real event loop or the virtual one of the tests) hears about
// every change of a timer's interval or enabled state.
class TimerHost {
 public:
  virtual ~TimerHost() = default;
  virtual void TimerChanged(Timer& timer) = 0;
  virtual void TimerDestroyed(Timer& timer) = 0;
};

// A periodic window timer: it ticks every Interval() ms while Enabled(). All timers start
// disabled. Enabling a disabled timer, or changing the interval of an enabled one, starts a new
// period from now; enabling an enabled timer changes nothing.
class Timer {
 public:
  Timer(std::string name, int interval_ms) : name_(std::move(name)), interval_(interval_ms) {}
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  const std::string& Name() const { return name_; }
  int Interval() const { return interval_; }
  void SetInterval(int interval_ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // A timer that measures a wait (not a rate) has its period start exactly when it is started.
  // The others may have their first period shifted by up to half an interval so that timers of
  // related rates tick together (see TimerBeat); the virtual loop of the tests never shifts.
  bool Exact() const { return exact_; }
  void SetExact(bool exact) { exact_ = exact; }

  // The tick handler.
  std::function<void()> on_tick;

  // Called by the host when the period has elapsed. A tick that arrives while the handler of
  // this same timer is still running (it paused and let events through) is skipped, so a handler
  // never runs inside itself.
  void Fire();
  bool Ticking() const { return in_tick_; }
  // Whether the tick handler of any timer is running on this thread (also one paused inside
  // another's, or a batch of them).
  static bool AnyTicking() { return ticks_running_ > 0; }
  // Runs `work` once the ticks running now are over (at once when none is): work that ticks
  // cause, such as handing their output to the line, is then done once for all of them.
  static void AfterTicks(std::function<void()> work);

  // Ticks fired while one lives count as one for AfterTicks: an event loop that fires several
  // timers in one wake-up holds one around them.
  class Batch {
   public:
    Batch();
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
  };

  void AttachHost(TimerHost* host);

  // For views that show timer state (diagnostics only).
  Signal<> changed;

 private:
  void Notify();

  std::string name_;
  int interval_;
  bool enabled_ = false;
  bool exact_ = false;
  bool in_tick_ = false;
  TimerHost* host_ = nullptr;
  static void EndTick();

  static thread_local int ticks_running_;
  static thread_local std::vector<std::function<void()>> after_ticks_;
};

}  // namespace vfd
