#include "platform/LinuxParallelPort.h"

namespace vfd {

// Placeholder until the ppdev backend lands.
LinuxParallelPort::LinuxParallelPort() = default;
LinuxParallelPort::~LinuxParallelPort() = default;
bool LinuxParallelPort::Select(uint16_t, std::string* why) {
  if (why) *why = "parallel ports are not supported yet";
  return false;
}
void LinuxParallelPort::Release() {}
void LinuxParallelPort::Out(uint16_t, uint8_t) {}
uint8_t LinuxParallelPort::In(uint16_t) { return 0xFF; }

}  // namespace vfd
