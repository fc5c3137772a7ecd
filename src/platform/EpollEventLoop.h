#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <unordered_map>

#include "core/EventLoop.h"
#include "core/TimerBeat.h"

struct epoll_event;

namespace vfd {

// The core's event loop without any toolkit: one epoll descriptor waiting on an eventfd (tasks
// posted from other threads), with the next timer due (or the end of a pause) as the wait's
// timeout, to the nanosecond (epoll_pwait2; whole milliseconds on kernels before 5.11). A wake-up
// for a timer then costs no system call besides the wait itself.
//
// It keeps the promises the windowed program's loop keeps: the fast periodic timers (below
// 100 ms, the animations) tick on the common beat so that related rates share their wake-ups;
// every tick of one wake-up runs inside one Timer::Batch, so work deferred with AfterTicks is done
// once for all of them; Exact timers measure their period from when they were started; slower
// timers may fire up to 5 % of their interval early when the loop is awake anyway, which saves
// the wake-up of their own. Pauses run the loop nested until their end, so timers and posted
// tasks keep being handled. The loop must outlive every timer attached to it.
class EpollEventLoop : public EventLoop, public MonotonicClock {
 public:
  EpollEventLoop();
  ~EpollEventLoop() override;
  EpollEventLoop(const EpollEventLoop&) = delete;
  EpollEventLoop& operator=(const EpollEventLoop&) = delete;

  // False when the kernel refused the descriptors; Run then returns at once.
  bool Valid() const { return epoll_fd_ >= 0 && wake_fd_ >= 0; }

  // Handles events until Quit; at most `ms` milliseconds when `ms` is not negative.
  void Run(int ms = -1);
  // Ends Run after the event being handled; pauses still last their time. Any thread.
  void Quit();

  void Post(std::function<void()> task) override;
  void TimerChanged(Timer& timer) override;
  void TimerDestroyed(Timer& timer) override;
  void PumpEvents(int ms) override;
  bool Pumping() const override { return depth_ > 0; }

  int64_t MonotonicMicros() override;

 private:
  // A timer with a schedule of its own (slow or exact).
  struct Own {
    int64_t interval_ns;
    int64_t next_ns;
    int64_t slack_ns;
    uint64_t start;
  };
  struct Due {
    Timer* timer;
    uint64_t start;
    bool on_beat;
  };

  // Waits for the next event or until `until_ns`, whichever is first, and handles what is there.
  void RunOnce(int64_t until_ns);
  // epoll_wait until `until_ns` (kNever: no timeout; in the past: none at all).
  int Wait(int64_t until_ns, struct epoll_event* events, int capacity);
  void RunPosted();
  void FireDue(int64_t now_ns);
  bool StillDue(const Due& due) const;

  int epoll_fd_ = -1;
  int wake_fd_ = -1;
  int depth_ = 0;
  bool precise_wait_ = true;

  std::mutex posted_mutex_;
  std::deque<std::function<void()>> posted_;
  bool quit_requested_ = false;  // under posted_mutex_

  TimerBeat beat_;
  std::unordered_map<const Timer*, Own> own_;
  uint64_t starts_ = 0;
};

}  // namespace vfd
