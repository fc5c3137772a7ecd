#pragma once

#include <memory>
#include <unordered_map>

#include "core/EventLoop.h"

class QObject;
class QTimer;

namespace vfd::ui {

// The core's event loop on top of Qt's: every core timer gets a QTimer of its own, and pauses run
// a nested Qt event loop so that timers and user input keep being handled while the core waits.
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
  int depth_ = 0;
  std::unique_ptr<QObject> receiver_;
  std::unordered_map<Timer*, std::unique_ptr<QTimer>> timers_;
};

}  // namespace vfd::ui
