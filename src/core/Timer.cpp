#include "core/Timer.h"

namespace vfd {

thread_local int Timer::ticks_running_ = 0;
thread_local std::vector<std::function<void()>> Timer::after_ticks_;

void Timer::AfterTicks(std::function<void()> work) {
  if (ticks_running_ == 0) {
    work();
    return;
  }
  after_ticks_.push_back(std::move(work));
}

void Timer::EndTick() {
  if (--ticks_running_ > 0) return;
  // Work may queue more work; it runs too, in order.
  for (size_t i = 0; i < after_ticks_.size(); ++i) {
    std::function<void()> work = std::move(after_ticks_[i]);
    ++ticks_running_;  // work that ticks or batches again defers to this round
    work();
    --ticks_running_;
  }
  after_ticks_.clear();
}

Timer::Batch::Batch() {
  ++ticks_running_;
}

Timer::Batch::~Batch() {
  EndTick();
}

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
  ++ticks_running_;
  struct Reset {
    bool& flag;
    ~Reset() {
      flag = false;
      EndTick();
    }
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
