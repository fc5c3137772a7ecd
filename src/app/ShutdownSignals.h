#pragma once

#include <functional>
#include <memory>
#include <thread>

#include "core/EventLoop.h"

namespace vfd::app {

// Turns SIGINT, SIGTERM and SIGHUP into a call on the event thread, so that they end the program
// through its orderly shutdown instead of killing it midway. The signal handler only writes to a
// pipe; a thread of this object's own sleeps on the pipe and posts each signal to the event loop,
// which works the same under any loop and costs no wake-up while no signal comes. Every signal
// calls `on_signal`; the caller decides what a repeat means. One instance per process. When it is
// destroyed the signals are ignored from then on: the program is on its way out and its last
// steps must not be cut short.
class ShutdownSignals {
 public:
  ShutdownSignals(EventLoop& loop, std::function<void(int signal)> on_signal);
  ~ShutdownSignals();
  ShutdownSignals(const ShutdownSignals&) = delete;
  ShutdownSignals& operator=(const ShutdownSignals&) = delete;

  // False when the pipe or the handlers could not be set up; the signals then act as usual.
  bool Active() const { return reader_.joinable(); }

 private:
  void Read();

  EventLoop& loop_;
  // Held weakly by the posted calls, which may still be queued when this goes.
  std::shared_ptr<std::function<void(int)>> on_signal_;
  int read_fd_ = -1;
  int write_fd_ = -1;
  std::thread reader_;
};

}  // namespace vfd::app
