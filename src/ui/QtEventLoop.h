#pragma once

#include <memory>
#include <unordered_map>

#include "core/EventLoop.h"
#include "core/TimerBeat.h"

class QObject;
class QTimer;

namespace vfd::ui {

// The core's event loop on top of Qt's: the fast periodic timers (below 100 ms: the animations)
// tick on a common beat driven by one QTimer, so that related rates share their wake-ups; every
// other core timer gets a QTimer of its own. Pauses run a nested Qt event loop so that timers and
// user input keep being handled while the core waits.
// Posted tasks are queued events of a receiver on the event thread, so they run in order, also
// inside a pause. The loop must outlive every timer attached to it; tasks still queued when it
// goes are dropped.
class QtEventLoop : public EventLoop {
 public:
  QtEventLoop();
  ~QtEventLoop() override;
  QtEventLoop(const QtEventLoop&) = delete;
  QtEventLoop& operator=(const QtEventLoop&) = delete;

  void Post(std::function<void()> task) override;
  void TimerChanged(Timer& timer) override;
  void TimerDestroyed(Timer& timer) override;
  void PumpEvents(int ms) override;
  bool Pumping() const override { return depth_ > 0; }

 private:
  void ArmBeat();
  void OnBeat();

  int depth_ = 0;
  std::unique_ptr<QObject> receiver_;
  std::unordered_map<Timer*, std::unique_ptr<QTimer>> timers_;
  TimerBeat beat_;
  std::unique_ptr<QTimer> beat_timer_;
};

}  // namespace vfd::ui
