#include "ui/ShutdownSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

#include <QSocketNotifier>

namespace vfd::ui {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The handler can reach nothing but this.
std::atomic<int> g_write_fd{-1};

extern "C" void OnSignal(int signal) {
  const int saved_errno = errno;
  const int fd = g_write_fd.load(std::memory_order_relaxed);
  if (fd >= 0) {
    const auto byte = static_cast<uint8_t>(signal);
    // A full pipe already holds a pending request; losing this one loses nothing.
    [[maybe_unused]] ssize_t written = write(fd, &byte, 1);
  }
  errno = saved_errno;
}

void SetHandler(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kSignals)
    sigaction(signal, &action, nullptr);
}

}  // namespace

ShutdownSignals::ShutdownSignals(std::function<void(int)> on_signal)
    : on_signal_(std::move(on_signal)) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  read_fd_ = fds[0];
  write_fd_ = fds[1];
  g_write_fd.store(write_fd_);
  notifier_ = new QSocketNotifier(read_fd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });
  SetHandler(OnSignal);
}

ShutdownSignals::~ShutdownSignals() {
  if (!notifier_) return;
  SetHandler(SIG_IGN);
  g_write_fd.store(-1);
  delete notifier_;
  close(read_fd_);
  close(write_fd_);
}

void ShutdownSignals::Drain() {
  uint8_t bytes[16];
  ssize_t count;
  while ((count = read(read_fd_, bytes, sizeof bytes)) > 0) {
    for (ssize_t i = 0; i < count; ++i)
      if (on_signal_) on_signal_(bytes[i]);
  }
}

}  // namespace vfd::ui
