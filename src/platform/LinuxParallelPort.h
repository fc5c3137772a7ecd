#pragma once

#include <cstdint>
#include <string>

#include "display/ParallelPort.h"

namespace vfd {

// A PC parallel port reached through the kernel's ppdev driver (/dev/parportN), or by direct
// port I/O when running as root and no ppdev port has the address.
class LinuxParallelPort : public ParallelPort {
 public:
  LinuxParallelPort();
  ~LinuxParallelPort() override;

  bool Select(uint16_t base, std::string* why) override;
  void Release() override;
  void Out(uint16_t address, uint8_t value) override;
  uint8_t In(uint16_t address) override;
};

}  // namespace vfd
