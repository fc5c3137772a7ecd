#include "platform/PosixSerialDevice.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "platform/SystemError.h"

namespace vfd {
namespace {

using Status = SerialOpenResult::Status;

// The standard rates the termios interface knows. Anything else opens at 9600, the rate every
// supported display starts at.
struct Rate {
  int baud;
  speed_t speed;
};
constexpr Rate kRates[] = {
    {50, B50},           {75, B75},         {110, B110},       {134, B134},     {150, B150},
    {200, B200},         {300, B300},       {600, B600},       {1200, B1200},   {1800, B1800},
    {2400, B2400},       {4800, B4800},     {9600, B9600},     {19200, B19200}, {38400, B38400},
    {57600, B57600},     {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B500000
    {500000, B500000},
#endif
#ifdef B576000
    {576000, B576000},
#endif
#ifdef B921600
    {921600, B921600},
#endif
#ifdef B1000000
    {1000000, B1000000},
#endif
#ifdef B1152000
    {1152000, B1152000},
#endif
#ifdef B1500000
    {1500000, B1500000},
#endif
#ifdef B2000000
    {2000000, B2000000},
#endif
#ifdef B2500000
    {2500000, B2500000},
#endif
#ifdef B3000000
    {3000000, B3000000},
#endif
#ifdef B3500000
    {3500000, B3500000},
#endif
#ifdef B4000000
    {4000000, B4000000},
#endif
};

constexpr Rate kDefaultRate{9600, B9600};

Rate RateFor(int baud) {
  for (const Rate& r : kRates)
    if (r.baud == baud) return r;
  return kDefaultRate;
}

int64_t NowNanos() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

void SleepNanos(int64_t ns) {
  if (ns <= 0) return;
  timespec ts{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
  // An interrupted sleep is simply shorter; every caller re-checks its deadline.
  nanosleep(&ts, nullptr);
}

// Bytes the kernel still holds for the line, or -1 when the driver cannot tell.
int KernelQueued(int fd) {
  int queued = 0;
  if (ioctl(fd, TIOCOUTQ, &queued) != 0) return -1;
  return std::max(queued, 0);
}

// The PID in a UUCP lock file: ten ASCII digits in the usual (HDB) form, or a binary int as
// older programs wrote it. 0 when the content is neither.
pid_t LockFilePid(const char* content, size_t size) {
  size_t i = 0;
  while (i < size && std::isspace(static_cast<unsigned char>(content[i])))
    ++i;
  if (i < size && std::isdigit(static_cast<unsigned char>(content[i]))) {
    long pid = 0;
    while (i < size && std::isdigit(static_cast<unsigned char>(content[i])) && pid <= INT_MAX)
      pid = pid * 10 + (content[i++] - '0');
    while (i < size && std::isspace(static_cast<unsigned char>(content[i])))
      ++i;
    if (i == size && pid > 0 && pid <= INT_MAX) return static_cast<pid_t>(pid);
  }
  if (size == sizeof(int)) {
    int pid = 0;
    std::memcpy(&pid, content, sizeof pid);
    if (pid > 0) return pid;
  }
  return 0;
}

bool ProcessAlive(pid_t pid) {
  // EPERM: the process exists but belongs to someone else.
  return kill(pid, 0) == 0 || errno == EPERM;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

SerialOpenResult Result(Status status, std::string reason, bool permission_denied = false) {
  SerialOpenResult r;
  r.status = status;
  r.reason = std::move(reason);
  r.permission_denied = permission_denied;
  return r;
}

}  // namespace

PosixSerialDevice::PosixSerialDevice() = default;

PosixSerialDevice::~PosixSerialDevice() {
  Close();
}

bool PosixSerialDevice::LockedByOtherProgram(const std::string& path,
                                             std::string* lock_file) const {
  // Lock files are named after the device itself, so a /dev/serial/by-id link must be resolved.
  std::string device = path;
  if (char* real = realpath(path.c_str(), nullptr)) {
    device = real;
    free(real);
  }
  *lock_file = lock_dir_ + "/LCK.." + BaseName(device);
  int fd = ::open(lock_file->c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return false;
  char content[64];
  ssize_t n;
  do {
    n = ::read(fd, content, sizeof content);
  } while (n < 0 && errno == EINTR);
  ::close(fd);
  if (n <= 0) return false;
  pid_t pid = LockFilePid(content, static_cast<size_t>(n));
  // A lock naming this very process is a leftover whose PID has been reused.
  return pid > 0 && pid != getpid() && ProcessAlive(pid);
}

SerialOpenResult PosixSerialDevice::Open(const std::string& path, int baud) {
  Close();
  error_.clear();

  std::string lock_file;
  if (LockedByOtherProgram(path, &lock_file))
    return Result(Status::kInUse, "locked by another program (" + lock_file + ")");

  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    int err = errno;
    // EBUSY is what another program's TIOCEXCL gives everyone but root.
    if (err == EBUSY) return Result(Status::kInUse, SystemErrorText(err));
    return Result(Status::kFailed, SystemErrorText(err), err == EACCES || err == EPERM);
  }
  auto fail = [fd](Status status, std::string reason) {
    ::close(fd);
    return Result(status, std::move(reason));
  };

  if (!isatty(fd)) return fail(Status::kFailed, "not a serial device");

  // TIOCEXCL does not stop root, so the advisory lock is what keeps a second copy of this
  // program (or any other well-behaved one) off the port.
  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0 && errno == EWOULDBLOCK) return fail(Status::kInUse, "in use by another program");
  bool flocked = rc == 0;
  ioctl(fd, TIOCEXCL);

  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return fail(Status::kFailed, SystemErrorText(errno));
  cfmakeraw(&tio);
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  Rate rate = RateFor(baud);
  cfsetispeed(&tio, rate.speed);
  cfsetospeed(&tio, rate.speed);
  if (tcsetattr(fd, TCSANOW, &tio) != 0) return fail(Status::kFailed, SystemErrorText(errno));
  tcflush(fd, TCIFLUSH);

  fd_ = fd;
  flocked_ = flocked;
  baud_ = rate.baud;
  ns_per_byte_ = 10'000'000'000 / baud_;  // start bit, 8 data bits, stop bit
  line_free_at_ns_ = NowNanos();
  return {};
}

bool PosixSerialDevice::IsOpen() const {
  return fd_ >= 0;
}

size_t PosixSerialDevice::RoomTarget() const {
  size_t slice = static_cast<size_t>(int64_t{baud_} / 10 * kRoomSliceMs / 1000);
  return std::max(slice, kMinRoom);
}

size_t PosixSerialDevice::ModelledInFlight(int64_t now_ns) const {
  int64_t left = line_free_at_ns_ - now_ns;
  if (left <= 0) return 0;
  return static_cast<size_t>((left + ns_per_byte_ - 1) / ns_per_byte_);
}

void PosixSerialDevice::Account(size_t bytes) {
  line_free_at_ns_ =
      std::max(line_free_at_ns_, NowNanos()) + ns_per_byte_ * static_cast<int64_t>(bytes);
}

size_t PosixSerialDevice::Room() {
  if (fd_ < 0) return 0;
  // After a write the kernel refused, the model's word is not enough: a line that does not
  // move (a stuck adapter, a pseudo-terminal nobody reads) has room only once the kernel says it
  // is writable again. A hang-up or error is let through, for the write to report it.
  if (write_refused_) {
    pollfd p{fd_, POLLOUT, 0};
    if (poll(&p, 1, 0) == 0 && !(p.revents & (POLLOUT | POLLERR | POLLHUP | POLLNVAL))) return 0;
    write_refused_ = false;
  }
  size_t target = RoomTarget();
  // A UART and the model agree; on a pseudo-terminal the kernel says 0 and the model does the
  // work. A driver that cannot report its queue leaves the model alone too.
  size_t pending = ModelledInFlight(NowNanos());
  int queued = KernelQueued(fd_);
  if (queued > 0) pending = std::max(pending, static_cast<size_t>(queued));
  return pending >= target ? 0 : target - pending;
}

long PosixSerialDevice::Write(const uint8_t* data, size_t size) {
  if (fd_ < 0) {
    error_ = "the port is not open";
    return -1;
  }
  if (size == 0) return 0;
  for (;;) {
    ssize_t n = ::write(fd_, data, size);
    if (n >= 0) {
      Account(static_cast<size_t>(n));
      return static_cast<long>(n);
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      write_refused_ = true;
      return 0;
    }
    error_ = SystemErrorText(errno);
    return -1;
  }
}

bool PosixSerialDevice::WriteAllAndDrain(const uint8_t* data, size_t size, int timeout_ms) {
  if (fd_ < 0) {
    error_ = "the port is not open";
    return false;
  }
  const int64_t deadline = NowNanos() + int64_t{std::max(timeout_ms, 0)} * 1'000'000;
  auto timed_out = [this] {
    error_ = "timed out sending to the port";
    return false;
  };

  size_t done = 0;
  while (done < size) {
    long n = Write(data + done, size - done);
    if (n < 0) return false;
    done += static_cast<size_t>(n);
    if (done == size) break;
    int64_t left_ns = deadline - NowNanos();
    if (left_ns <= 0) return timed_out();
    pollfd p{fd_, POLLOUT, 0};
    int wait_ms = static_cast<int>(std::min<int64_t>((left_ns + 999'999) / 1'000'000, INT_MAX));
    int ready = poll(&p, 1, wait_ms);
    if (ready < 0 && errno != EINTR) {
      error_ = SystemErrorText(errno);
      return false;
    }
    // A hung-up line may never become writable; its next write would only say so later.
    if (ready > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLOUT)) {
      error_ = "the line hung up";
      return false;
    }
  }

  // tcdrain() would be simpler but can wait for ever on a line that no longer moves.
  constexpr int64_t kPollNs = 2'000'000;
  for (;;) {
    int64_t now = NowNanos();
    int queued = KernelQueued(fd_);
    int64_t model_left = line_free_at_ns_ - now;
    if (queued <= 0 && model_left <= 0) return true;
    if (now >= deadline) return timed_out();
    int64_t nap = queued > 0 ? kPollNs : model_left;
    SleepNanos(std::min(nap, deadline - now));
  }
}

void PosixSerialDevice::Close() {
  if (fd_ < 0) return;
  if (flocked_) flock(fd_, LOCK_UN);
  ioctl(fd_, TIOCNXCL);
  // Whatever is still queued is given up: the link has already waited its bounded time, and
  // close() would otherwise wait (up to 30 s by default) for a line that may be dead. Only when
  // the driver reports output pending, though: a pseudo-terminal reports none, yet a flush there
  // discards what its reader has not picked up yet, the last frame sent before closing.
  if (KernelQueued(fd_) != 0) tcflush(fd_, TCOFLUSH);
  // Not retried on EINTR: on Linux the descriptor is released either way.
  ::close(fd_);
  fd_ = -1;
  flocked_ = false;
  write_refused_ = false;
  line_free_at_ns_ = 0;
}

std::string PosixSerialDevice::LastError() const {
  return error_;
}

}  // namespace vfd
