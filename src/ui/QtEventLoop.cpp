#include "ui/QtEventLoop.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

namespace vfd::ui {
namespace {

// Below this the default coarse timers (5 % slack) would visibly slow the fast display functions;
// above it coarse timers let the system batch wake-ups.
constexpr int kPreciseBelowMs = 100;

int64_t NowNanos() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

QtEventLoop::QtEventLoop()
    : receiver_(std::make_unique<QObject>()), beat_timer_(std::make_unique<QTimer>()) {
  beat_timer_->setSingleShot(true);
  beat_timer_->setTimerType(Qt::PreciseTimer);
  QObject::connect(beat_timer_.get(), &QTimer::timeout, [this] { OnBeat(); });
}

QtEventLoop::~QtEventLoop() = default;

void QtEventLoop::Post(std::function<void()> task) {
  // A queued call is delivered on the receiver's thread (this one) whichever thread posts it.
  QMetaObject::invokeMethod(receiver_.get(), std::move(task), Qt::QueuedConnection);
}

void QtEventLoop::TimerChanged(Timer& timer) {
  const bool running = timer.Enabled() && timer.Interval() > 0;
  const bool on_beat = running && timer.Interval() < kPreciseBelowMs && !timer.Exact();
  if (on_beat) {
    if (auto it = timers_.find(&timer); it != timers_.end()) it->second->stop();
    beat_.Start(timer, timer.Interval(), NowNanos());
    ArmBeat();
    return;
  }
  if (beat_.Holds(timer)) {
    beat_.Stop(timer);
    ArmBeat();
  }
  auto& slot = timers_[&timer];
  if (!slot) {
    slot = std::make_unique<QTimer>();
    QObject::connect(slot.get(), &QTimer::timeout, [&timer] { timer.Fire(); });
  }
  QTimer& qt_timer = *slot;
  if (running) {
    qt_timer.setTimerType(timer.Interval() < kPreciseBelowMs ? Qt::PreciseTimer : Qt::CoarseTimer);
    // start() restarts a running timer, which gives the fresh period a new interval asks for.
    qt_timer.start(timer.Interval());
  } else {
    qt_timer.stop();
  }
}

void QtEventLoop::TimerDestroyed(Timer& timer) {
  timers_.erase(&timer);
  if (beat_.Holds(timer)) {
    beat_.Stop(timer);
    ArmBeat();
  }
}

void QtEventLoop::ArmBeat() {
  const std::optional<int64_t> due = beat_.NextDue();
  if (!due) {
    beat_timer_->stop();
    return;
  }
  // Whole milliseconds, rounded up: waking before the beat would only mean waking again.
  const int64_t wait_ns = std::max<int64_t>(0, *due - NowNanos());
  beat_timer_->start(static_cast<int>((wait_ns + 999'999) / 1'000'000));
}

void QtEventLoop::OnBeat() {
  const std::vector<TimerBeat::Due> due = beat_.TakeDue(NowNanos());
  // Armed now too, for the beats that fall while a handler pauses.
  ArmBeat();
  {
    // What these ticks leave for afterwards (the line's output) is done once for all of them.
    Timer::Batch batch;
    for (const TimerBeat::Due& tick : due) {
      // An earlier handler of this beat may have stopped, restarted or destroyed this timer.
      if (beat_.Current(tick)) tick.timer->Fire();
    }
  }
  // And again after the handlers, so that Qt measures the wait from when they are done: measured
  // from before, its rounding to whole milliseconds would wake the loop early for nothing.
  ArmBeat();
}

void QtEventLoop::PumpEvents(int ms) {
  ++depth_;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{depth_};
  if (ms <= 0) {
    QCoreApplication::processEvents();
    return;
  }
  QEventLoop pause;
  QTimer::singleShot(ms, Qt::PreciseTimer, &pause, &QEventLoop::quit);
  pause.exec();
}

}  // namespace vfd::ui
