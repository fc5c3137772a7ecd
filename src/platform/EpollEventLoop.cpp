#include "platform/EpollEventLoop.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <vector>

#include "core/Timer.h"

namespace vfd {
namespace {

// Below this a timer is an animation: on the beat unless Exact. The same line the windowed
// program's loop draws.
constexpr int kFastBelowMs = 100;
constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

int64_t NowNanos() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

}  // namespace

EpollEventLoop::EpollEventLoop() {
  epoll_fd_ = epoll_create1(EPOLL_CLOEXEC);
  wake_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (!Valid()) return;
  epoll_event wake_event{};
  wake_event.events = EPOLLIN;
  wake_event.data.fd = wake_fd_;
  epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, wake_fd_, &wake_event);
}

EpollEventLoop::~EpollEventLoop() {
  for (int fd : {epoll_fd_, wake_fd_})
    if (fd >= 0) close(fd);
}

int64_t EpollEventLoop::MonotonicMicros() {
  return NowNanos() / 1000;
}

void EpollEventLoop::Post(std::function<void()> task) {
  bool was_empty;
  {
    std::lock_guard<std::mutex> lock(posted_mutex_);
    was_empty = posted_.empty();
    posted_.push_back(std::move(task));
  }
  // One wake-up per batch of posts: while tasks wait, the loop is already bound to look.
  if (was_empty && wake_fd_ >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(wake_fd_, &one, sizeof one);
  }
}

void EpollEventLoop::Quit() {
  {
    std::lock_guard<std::mutex> lock(posted_mutex_);
    quit_requested_ = true;
  }
  if (wake_fd_ >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(wake_fd_, &one, sizeof one);
  }
}

void EpollEventLoop::TimerChanged(Timer& timer) {
  const bool running = timer.Enabled() && timer.Interval() > 0;
  const int64_t now = NowNanos();
  if (running && timer.Interval() < kFastBelowMs && !timer.Exact()) {
    own_.erase(&timer);
    beat_.Start(timer, timer.Interval(), now);
    return;
  }
  beat_.Stop(timer);
  if (!running) {
    own_.erase(&timer);
    return;
  }
  const int64_t interval = static_cast<int64_t>(timer.Interval()) * 1'000'000;
  // A wait is measured to the point; a slow rate may be served a little early by a wake-up that
  // happens anyway (the clock's half second beside a one-second refresh).
  const int64_t slack = timer.Exact() || timer.Interval() < kFastBelowMs ? 0 : interval / 20;
  own_[&timer] = Own{interval, now + interval, slack, ++starts_};
}

void EpollEventLoop::TimerDestroyed(Timer& timer) {
  beat_.Stop(timer);
  own_.erase(&timer);
}

void EpollEventLoop::Run(int ms) {
  const int64_t until = ms >= 0 ? NowNanos() + static_cast<int64_t>(ms) * 1'000'000 : kNever;
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(posted_mutex_);
      if (quit_requested_) {
        quit_requested_ = false;
        return;
      }
    }
    if (!Valid() || NowNanos() >= until) return;
    RunOnce(until);
  }
}

void EpollEventLoop::PumpEvents(int ms) {
  ++depth_;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{depth_};
  if (!Valid()) return;
  const int64_t now = NowNanos();
  if (ms <= 0) {
    RunOnce(now);  // what is there already, without waiting
    return;
  }
  const int64_t end = now + static_cast<int64_t>(ms) * 1'000'000;
  while (NowNanos() < end)
    RunOnce(end);
}

int EpollEventLoop::Wait(int64_t until_ns, epoll_event* events, int capacity) {
  if (until_ns == kNever) return epoll_wait(epoll_fd_, events, capacity, -1);
  const int64_t wait_ns = std::max<int64_t>(0, until_ns - NowNanos());
  if (precise_wait_) {
    timespec timeout{};
    timeout.tv_sec = wait_ns / 1'000'000'000;
    timeout.tv_nsec = wait_ns % 1'000'000'000;
    const int count = epoll_pwait2(epoll_fd_, events, capacity, &timeout, nullptr);
    if (count >= 0 || errno != ENOSYS) return count;
    precise_wait_ = false;  // a kernel before 5.11
  }
  // Whole milliseconds, rounded up: waking before the beat would only mean waking again.
  const int64_t wait_ms = std::min<int64_t>((wait_ns + 999'999) / 1'000'000, 1'000'000'000);
  return epoll_wait(epoll_fd_, events, capacity, static_cast<int>(wait_ms));
}

void EpollEventLoop::RunOnce(int64_t until_ns) {
  int64_t next = beat_.NextDue().value_or(kNever);
  for (const auto& [timer, own] : own_)
    next = std::min(next, own.next_ns);
  bool wait = until_ns > NowNanos();
  {
    // Tasks left from the last pass (posted while it ran them) were announced then already.
    std::lock_guard<std::mutex> lock(posted_mutex_);
    if (!posted_.empty()) wait = false;
  }
  // The wait's own timeout is the timer: no descriptor to arm and read on every wake-up.
  epoll_event events[1];
  const int count = Wait(wait ? std::min(next, until_ns) : 0, events, 1);
  if (count > 0) {
    uint64_t value;
    [[maybe_unused]] ssize_t got = read(wake_fd_, &value, sizeof value);
  }
  // EINTR (a signal) is one more wake-up, nothing more: what is due is still handled below.
  RunPosted();
  FireDue(NowNanos());
}

void EpollEventLoop::RunPosted() {
  // The tasks there now, one at a time from the front of the queue: a task that pauses then lets
  // the rest through in their order, and those posted meanwhile wait for the next pass, so timers
  // are never starved.
  size_t count;
  {
    std::lock_guard<std::mutex> lock(posted_mutex_);
    count = posted_.size();
  }
  for (; count > 0; --count) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> lock(posted_mutex_);
      if (posted_.empty()) return;  // a pause inside an earlier task ran them
      task = std::move(posted_.front());
      posted_.pop_front();
    }
    task();
  }
}

void EpollEventLoop::FireDue(int64_t now_ns) {
  std::vector<Due> due;
  for (const TimerBeat::Due& tick : beat_.TakeDue(now_ns))
    due.push_back(Due{tick.timer, tick.start, true});
  struct Slow {
    int64_t due_ns;
    Due due;
  };
  std::vector<Slow> slow;
  for (auto& [timer, own] : own_) {
    if (own.next_ns > now_ns + own.slack_ns) continue;
    slow.push_back(Slow{own.next_ns, Due{const_cast<Timer*>(timer), own.start, false}});
    // Ticks missed while the loop was busy are skipped, not made up, as the beat does.
    const int64_t behind = std::max<int64_t>(0, now_ns - own.next_ns);
    own.next_ns += (behind / own.interval_ns + 1) * own.interval_ns;
  }
  std::sort(slow.begin(), slow.end(), [](const Slow& a, const Slow& b) {
    return a.due_ns != b.due_ns ? a.due_ns < b.due_ns : a.due.start < b.due.start;
  });
  for (const Slow& s : slow)
    due.push_back(s.due);
  if (due.empty()) return;
  // What the ticks of this wake-up leave for afterwards (the line's output, the preview) is done
  // once for all of them.
  Timer::Batch batch;
  for (const Due& tick : due) {
    // An earlier handler may have stopped, restarted or destroyed this timer.
    if (StillDue(tick)) tick.timer->Fire();
  }
}

bool EpollEventLoop::StillDue(const Due& due) const {
  if (due.on_beat) return beat_.Current(TimerBeat::Due{due.timer, due.start});
  auto it = own_.find(due.timer);
  return it != own_.end() && it->second.start == due.start;
}

}  // namespace vfd
