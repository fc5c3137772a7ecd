#include "platform/PosixSerialDevice.h"

namespace vfd {

// Placeholder until the tty backend lands.
PosixSerialDevice::PosixSerialDevice() = default;
PosixSerialDevice::~PosixSerialDevice() = default;
SerialOpenResult PosixSerialDevice::Open(const std::string&, int) {
  SerialOpenResult r;
  r.status = SerialOpenResult::Status::kFailed;
  r.reason = "not implemented";
  return r;
}
bool PosixSerialDevice::IsOpen() const { return false; }
size_t PosixSerialDevice::Room() { return 0; }
long PosixSerialDevice::Write(const uint8_t*, size_t) { return -1; }
bool PosixSerialDevice::WriteAllAndDrain(const uint8_t*, size_t, int) { return false; }
void PosixSerialDevice::Close() {}
std::string PosixSerialDevice::LastError() const { return error_; }

}  // namespace vfd
