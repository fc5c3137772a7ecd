#include "ui/QtEventLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

namespace vfd::ui {
namespace {

// Below this the default coarse timers (5 % slack) would visibly slow the fast display functions;
// above it coarse timers let the system batch wake-ups.
constexpr int kPreciseBelowMs = 100;

}  // namespace

QtEventLoop::QtEventLoop() : receiver_(std::make_unique<QObject>()) {}

QtEventLoop::~QtEventLoop() = default;

void QtEventLoop::Post(std::function<void()> task) {
  // A queued call is delivered on the receiver's thread (this one) whichever thread posts it.
  QMetaObject::invokeMethod(receiver_.get(), std::move(task), Qt::QueuedConnection);
}

void QtEventLoop::TimerChanged(Timer& timer) {
  auto& slot = timers_[&timer];
  if (!slot) {
    slot = std::make_unique<QTimer>();
    QObject::connect(slot.get(), &QTimer::timeout, [&timer] { timer.Fire(); });
  }
  QTimer& qt_timer = *slot;
  if (timer.Enabled() && timer.Interval() > 0) {
    qt_timer.setTimerType(timer.Interval() < kPreciseBelowMs ? Qt::PreciseTimer : Qt::CoarseTimer);
    // start() restarts a running timer, which gives the fresh period a new interval asks for.
    qt_timer.start(timer.Interval());
  } else {
    qt_timer.stop();
  }
}

void QtEventLoop::TimerDestroyed(Timer& timer) {
  timers_.erase(&timer);
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
