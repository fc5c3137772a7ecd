#include "app/ShutdownSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

namespace vfd::app {
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

ShutdownSignals::ShutdownSignals(EventLoop& loop, std::function<void(int)> on_signal)
    : loop_(loop), on_signal_(std::make_shared<std::function<void(int)>>(std::move(on_signal))) {
  int fds[2];
  // Blocking reads for the thread; the handler's end never blocks.
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  read_fd_ = fds[0];
  write_fd_ = fds[1];
  fcntl(write_fd_, F_SETFL, O_NONBLOCK);
  // The thread takes no signal itself: they go to the event thread, whose handler writes.
  sigset_t all, previous;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &previous);
  reader_ = std::thread([this] { Read(); });
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  g_write_fd.store(write_fd_);
  SetHandler(OnSignal);
}

ShutdownSignals::~ShutdownSignals() {
  if (!reader_.joinable()) return;
  SetHandler(SIG_IGN);
  g_write_fd.store(-1);
  // The reader sees the end of the pipe and stops.
  close(write_fd_);
  reader_.join();
  close(read_fd_);
}

void ShutdownSignals::Read() {
  std::weak_ptr<std::function<void(int)>> weak = on_signal_;
  uint8_t bytes[16];
  for (;;) {
    const ssize_t count = read(read_fd_, bytes, sizeof bytes);
    if (count == 0) return;
    if (count < 0) {
      if (errno == EINTR) continue;
      return;
    }
    for (ssize_t i = 0; i < count; ++i) {
      const int signal = bytes[i];
      loop_.Post([weak, signal] {
        if (auto call = weak.lock(); call && *call) (*call)(signal);
      });
    }
  }
}

}  // namespace vfd::app
