#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "display/ParallelPort.h"

namespace vfd {

// A PC parallel port reached through the kernel's ppdev driver (/dev/parportN), or by direct
// port I/O when running as root and no ppdev port has the address.
class LinuxParallelPort : public ParallelPort {
 public:
  LinuxParallelPort();
  // With the roots of /proc and /dev elsewhere, for tests on a fake tree.
  LinuxParallelPort(std::string proc_root, std::string dev_root);
  ~LinuxParallelPort() override;
  LinuxParallelPort(const LinuxParallelPort&) = delete;
  LinuxParallelPort& operator=(const LinuxParallelPort&) = delete;

  bool Select(uint16_t base, std::string* why) override;
  void Release() override;
  void Out(uint16_t address, uint8_t value) override;
  uint8_t In(uint16_t address) override;

  enum class Access { kNone, kPpdev, kDirectIo };
  Access access() const { return access_; }

  // The ppdev device whose port has `base` ("/dev/parport0"), or empty when none has.
  std::string DeviceForBase(uint16_t base) const;
  // The base address in the text of a parportN/base-addr file: its first number ("888\t1912").
  static std::optional<uint16_t> ParseBaseAddress(std::string_view text);
  // Whether Select may fall back to direct port I/O. Tests turn it off so that their outcome
  // does not depend on running as root on a PC.
  void SetDirectIoAllowed(bool allowed) { direct_io_allowed_ = allowed; }

 private:
  // Opens and claims `device`; false with the reason in `why`.
  bool OpenPpdev(const std::string& device, const std::string& address, std::string* why);
  bool OpenDirectIo(uint16_t base);

  std::string proc_root_ = "/proc";
  std::string dev_root_ = "/dev";
  bool direct_io_allowed_ = true;
  Access access_ = Access::kNone;
  uint16_t base_ = 0;
  int fd_ = -1;
};

}  // namespace vfd
