#include "support/VirtualEventLoop.h"

#include <chrono>

namespace vfd::testing {

VirtualEventLoop::VirtualEventLoop() = default;

VirtualEventLoop::~VirtualEventLoop() = default;

void VirtualEventLoop::TimerChanged(Timer& timer) {
  if (timer.Enabled() && timer.Interval() > 0) {
    scheduled_[&timer] = Entry{now_us_ + int64_t{timer.Interval()} * 1000, next_seq_++};
  } else {
    scheduled_.erase(&timer);
  }
}

void VirtualEventLoop::TimerDestroyed(Timer& timer) {
  scheduled_.erase(&timer);
}

void VirtualEventLoop::Post(std::function<void()> task) {
  std::lock_guard lock(posted_mutex_);
  posted_.push_back(std::move(task));
}

std::function<void()> VirtualEventLoop::TakePosted() {
  std::lock_guard lock(posted_mutex_);
  if (posted_.empty()) return {};
  std::function<void()> task = std::move(posted_.front());
  posted_.pop_front();
  return task;
}

void VirtualEventLoop::RunPosted() {
  while (std::function<void()> task = TakePosted())
    task();
}

void VirtualEventLoop::PumpEvents(int ms) {
  RunFor(ms);
}

void VirtualEventLoop::RunFor(int64_t ms) {
  RunUntil(now_us_ + ms * 1000);
}

void VirtualEventLoop::RunUntil(int64_t target_us) {
  for (;;) {
    RunPosted();
    Timer* next = nullptr;
    Entry best{};
    for (auto& [timer, entry] : scheduled_) {
      if (entry.due_us > target_us) continue;
      if (!next || entry.due_us < best.due_us ||
          (entry.due_us == best.due_us && entry.seq < best.seq)) {
        next = timer;
        best = entry;
      }
    }
    if (!next) break;
    if (best.due_us > now_us_) now_us_ = best.due_us;
    // The next period starts now; the handler may change that by touching the timer.
    scheduled_[next] = Entry{now_us_ + int64_t{next->Interval()} * 1000, next_seq_++};
    next->Fire();
  }
  if (target_us > now_us_) now_us_ = target_us;
}

bool VirtualEventLoop::Scheduled(const Timer& timer) const {
  return scheduled_.count(const_cast<Timer*>(&timer)) != 0;
}

int64_t VirtualEventLoop::DueMicros(const Timer& timer) const {
  auto it = scheduled_.find(const_cast<Timer*>(&timer));
  return it == scheduled_.end() ? -1 : it->second.due_us;
}

void VirtualEventLoop::SetWallClock(const LocalDateTime& at) {
  wall_start_ = at;
  wall_set_at_us_ = now_us_;
}

LocalDateTime VirtualEventLoop::Now() {
  using namespace std::chrono;
  const auto& w = wall_start_;
  sys_days day{year{w.year} / month{static_cast<unsigned>(w.month)} /
               std::chrono::day{static_cast<unsigned>(w.day)}};
  sys_seconds start = day + hours{w.hour} + minutes{w.minute} + seconds{w.second};
  sys_seconds now = start + seconds{(now_us_ - wall_set_at_us_) / 1'000'000};
  sys_days now_day = floor<days>(now);
  year_month_day ymd{now_day};
  hh_mm_ss<seconds> tod{now - now_day};
  return LocalDateTime{int(ymd.year()),
                       static_cast<int>(unsigned(ymd.month())),
                       static_cast<int>(unsigned(ymd.day())),
                       static_cast<int>(tod.hours().count()),
                       static_cast<int>(tod.minutes().count()),
                       static_cast<int>(tod.seconds().count())};
}

}  // namespace vfd::testing
