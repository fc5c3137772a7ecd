#include "platform/LinuxParallelPort.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define VFD_HAVE_PORT_IO 1
#else
#define VFD_HAVE_PORT_IO 0
#endif

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include "display/ParallelLink.h"
#include "platform/SystemError.h"

namespace vfd {
namespace {

// Register offsets from the base address.
constexpr uint16_t kData = 0;
constexpr uint16_t kStatus = 1;
constexpr uint16_t kControl = 2;
constexpr int kRegisterCount = 3;

// The N of "parportN", or -1.
long PortNumber(const std::string& name) {
  static constexpr std::string_view kPrefix = "parport";
  if (name.size() <= kPrefix.size() || name.compare(0, kPrefix.size(), kPrefix) != 0) return -1;
  long n = 0;
  for (size_t i = kPrefix.size(); i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9' || n > 1'000'000) return -1;
    n = n * 10 + (name[i] - '0');
  }
  return n;
}

// The start of a small text file; empty when it cannot be read.
std::string ReadSmallFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  char buf[128];
  ssize_t n;
  do {
    n = ::read(fd, buf, sizeof buf);
  } while (n < 0 && errno == EINTR);
  ::close(fd);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

std::string AddressText(uint16_t base) {
  return ParallelLink::HexText(static_cast<int16_t>(base));
}

}  // namespace

LinuxParallelPort::LinuxParallelPort() = default;

LinuxParallelPort::LinuxParallelPort(std::string proc_root, std::string dev_root)
    : proc_root_(std::move(proc_root)), dev_root_(std::move(dev_root)) {}

LinuxParallelPort::~LinuxParallelPort() {
  Release();
}

std::optional<uint16_t> LinuxParallelPort::ParseBaseAddress(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
    ++i;
  size_t first_digit = i;
  unsigned long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<unsigned long>(text[i] - '0');
    if (value > 0xFFFF) return std::nullopt;
  }
  if (i == first_digit) return std::nullopt;
  if (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\n') return std::nullopt;
  return static_cast<uint16_t>(value);
}

std::string LinuxParallelPort::DeviceForBase(uint16_t base) const {
  std::string dir = proc_root_ + "/sys/dev/parport";
  std::vector<long> ports;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      long n = PortNumber(e->d_name);
      if (n >= 0) ports.push_back(n);
    }
    closedir(d);
  }
  std::sort(ports.begin(), ports.end());
  for (long n : ports) {
    std::string name = "parport" + std::to_string(n);
    std::optional<uint16_t> port_base =
        ParseBaseAddress(ReadSmallFile(dir + "/" + name + "/base-addr"));
    if (port_base && *port_base == base) return dev_root_ + "/" + name;
  }
  return {};
}

bool LinuxParallelPort::OpenPpdev(const std::string& device, const std::string& address,
                                  std::string* why) {
  const std::string which = device + " (address " + address + ")";
  // Exclusive access first: nothing else may then touch the port between our accesses. The
  // kernel refuses it while another driver (lp, typically) has the port registered, even when
  // idle; then the port is shared.
  for (bool exclusive : {true, false}) {
    int fd;
    do {
      fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
      int err = errno;
      *why = which + " cannot be opened: " + SystemErrorText(err);
      if (err == EACCES || err == EPERM)
        *why +=
            ". Your user needs to be in the lp group (sudo usermod -aG lp $USER, then log in "
            "again)";
      else if (err == ENOENT || err == ENXIO || err == ENODEV)
        *why += " (the ppdev kernel module provides it: sudo modprobe ppdev)";
      return false;
    }
    bool excl = exclusive && ioctl(fd, PPEXCL) == 0;
    // Note that a claim waits while another program holds the port claimed; the lp driver
    // claims it only while printing.
    if (ioctl(fd, PPCLAIM) == 0) {
      int forward = 0;
      ioctl(fd, PPDATADIR, &forward);
      fd_ = fd;
      return true;
    }
    int err = errno;
    ::close(fd);
    if (!excl) {
      *why = which + " cannot be claimed: " + SystemErrorText(err);
      return false;
    }
  }
  return false;
}

bool LinuxParallelPort::OpenDirectIo(uint16_t base) {
#if VFD_HAVE_PORT_IO
  return geteuid() == 0 && ioperm(base, kRegisterCount, 1) == 0;
#else
  (void)base;
  return false;
#endif
}

bool LinuxParallelPort::Select(uint16_t base, std::string* why) {
  Release();
  const std::string address = AddressText(base);
  std::string reason;
  std::string device = DeviceForBase(base);
  if (!device.empty()) {
    if (OpenPpdev(device, address, &reason)) {
      access_ = Access::kPpdev;
      base_ = base;
      return true;
    }
  } else {
    reason = "no " + dev_root_ + "/parportN has the address " + address +
             " (the parport_pc and ppdev kernel modules provide them: sudo modprobe parport_pc "
             "ppdev)";
  }
  if (direct_io_allowed_ && OpenDirectIo(base)) {
    access_ = Access::kDirectIo;
    base_ = base;
    return true;
  }
  if (why) *why = std::move(reason);
  return false;
}

void LinuxParallelPort::Release() {
  switch (access_) {
    case Access::kPpdev:
      ioctl(fd_, PPRELEASE);
      ::close(fd_);
      fd_ = -1;
      break;
    case Access::kDirectIo:
#if VFD_HAVE_PORT_IO
      ioperm(base_, kRegisterCount, 0);
#endif
      break;
    case Access::kNone:
      break;
  }
  access_ = Access::kNone;
  base_ = 0;
}

void LinuxParallelPort::Out(uint16_t address, uint8_t value) {
  const uint16_t offset = static_cast<uint16_t>(address - base_);
  if (offset != kData && offset != kControl) return;
  switch (access_) {
    case Access::kPpdev: {
      unsigned char v = value;
      ioctl(fd_, offset == kData ? PPWDATA : PPWCONTROL, &v);
      break;
    }
    case Access::kDirectIo:
#if VFD_HAVE_PORT_IO
      outb(value, address);
#endif
      break;
    case Access::kNone:
      break;
  }
}

uint8_t LinuxParallelPort::In(uint16_t address) {
  // 0xFF reads as "ready" to every status wait, so nothing can hang on a port that is not there.
  constexpr uint8_t kNothing = 0xFF;
  if (static_cast<uint16_t>(address - base_) != kStatus) return kNothing;
  switch (access_) {
    case Access::kPpdev: {
      unsigned char v = kNothing;
      if (ioctl(fd_, PPRSTATUS, &v) != 0) return kNothing;
      return v;
    }
    case Access::kDirectIo:
#if VFD_HAVE_PORT_IO
      return inb(address);
#else
      return kNothing;
#endif
    case Access::kNone:
      return kNothing;
  }
  return kNothing;
}

}  // namespace vfd
