#pragma once

#include <functional>
#include <string>

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

  // The tick handler.
  std::function<void()> on_tick;

  // Called by the host when the period has elapsed. A tick that arrives while the handler of
  // this same timer is still running (it paused and let events through) is skipped, so a handler
  // never runs inside itself.
  void Fire();
  bool Ticking() const { return in_tick_; }

  void AttachHost(TimerHost* host);

  // For views that show timer state (diagnostics only).
  Signal<> changed;

 private:
  void Notify();

  std::string name_;
  int interval_;
  bool enabled_ = false;
  bool in_tick_ = false;
  TimerHost* host_ = nullptr;
};

}  // namespace vfd
