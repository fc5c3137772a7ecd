#include "core/TimerBeat.h"

#include <algorithm>

namespace vfd {
namespace {

// Ticks due this close together are taken in one wake-up; less than any interval in use.
constexpr int64_t kTogetherNs = 500'000;

}  // namespace

void TimerBeat::Start(Timer& timer, int interval_ms, int64_t now_ns) {
  const int64_t interval = std::max<int64_t>(interval_ms, 1) * 1'000'000;
  // The first beat at least half an interval away, so that a period never collapses to nothing.
  const int64_t next = ((now_ns + interval / 2) / interval + 1) * interval;
  entries_[&timer] = Entry{interval, next, ++starts_};
}

void TimerBeat::Stop(Timer& timer) {
  entries_.erase(&timer);
}

std::optional<int64_t> TimerBeat::NextDue() const {
  std::optional<int64_t> earliest;
  for (const auto& [timer, entry] : entries_)
    if (!earliest || entry.next_ns < *earliest) earliest = entry.next_ns;
  return earliest;
}

std::vector<TimerBeat::Due> TimerBeat::TakeDue(int64_t now_ns) {
  std::vector<Due> due;
  for (auto& [timer, entry] : entries_) {
    if (entry.next_ns > now_ns + kTogetherNs) continue;
    due.push_back(Due{const_cast<Timer*>(timer), entry.start});
    const int64_t behind = std::max<int64_t>(0, now_ns + kTogetherNs - entry.next_ns);
    entry.next_ns += (behind / entry.interval_ns + 1) * entry.interval_ns;
  }
  std::sort(due.begin(), due.end(), [](const Due& a, const Due& b) { return a.start < b.start; });
  return due;
}

bool TimerBeat::Current(const Due& due) const {
  auto it = entries_.find(due.timer);
  return it != entries_.end() && it->second.start == due.start;
}

}  // namespace vfd
