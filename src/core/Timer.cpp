#include "core/Timer.h"

namespace vfd {

Timer::~Timer() {
  if (host_) host_->TimerDestroyed(*this);
}

void Timer::SetInterval(int interval_ms) {
  // A new interval restarts the period even when the value is the same; the rotation and the
  // code cracker rely on a fresh period after setting it.
  interval_ = interval_ms;
  if (enabled_) Notify();
}

void Timer::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Notify();
}

void Timer::Fire() {
  if (!enabled_ || in_tick_ || !on_tick) return;
  in_tick_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{in_tick_};
  on_tick();
}

void Timer::AttachHost(TimerHost* host) {
  host_ = host;
  if (host_) host_->TimerChanged(*this);
}

void Timer::Notify() {
  if (host_) host_->TimerChanged(*this);
  changed.Emit();
}

}  // namespace vfd
