#pragma once

#include <functional>

#include <QObject>

class QSocketNotifier;

namespace vfd::ui {

// Turns SIGINT, SIGTERM and SIGHUP into a call on the event thread, so that they end the program
// through its orderly shutdown instead of killing it midway. The signal handler only writes to a
// pipe; the event loop reads it. Every signal calls `on_signal`; the caller decides what a repeat
// means. One instance per process. When it is destroyed the signals are ignored from then on: the
// program is on its way out and its last steps must not be cut short.
class ShutdownSignals : public QObject {
 public:
  explicit ShutdownSignals(std::function<void(int signal)> on_signal);
  ~ShutdownSignals() override;
  ShutdownSignals(const ShutdownSignals&) = delete;
  ShutdownSignals& operator=(const ShutdownSignals&) = delete;

  // False when the pipe or the handlers could not be set up; the signals then act as usual.
  bool Active() const { return notifier_ != nullptr; }

 private:
  void Drain();

  std::function<void(int)> on_signal_;
  int read_fd_ = -1;
  int write_fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace vfd::ui
