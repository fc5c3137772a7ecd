#pragma once

#include <cstdint>
#include <string>

namespace vfd {

// Byte access to the I/O registers of a PC parallel port, addressed as the hardware is: data at
// base + 0, status at base + 1, control at base + 2. The real one goes through the kernel's
// parport driver (or direct port I/O); tests record every access.
class ParallelPort {
 public:
  virtual ~ParallelPort() = default;

  // Makes the port at `base` the one to use. Returns false, with the reason in `why`, when the
  // program has no way to reach it; then writes do nothing and reads give 0xFF.
  virtual bool Select(uint16_t base, std::string* why) = 0;
  // Stops using any port.
  virtual void Release() = 0;

  virtual void Out(uint16_t address, uint8_t value) = 0;
  virtual uint8_t In(uint16_t address) = 0;
};

}  // namespace vfd
