#pragma once

#include <string>

#include "display/SerialDevice.h"

namespace vfd {

// A serial port on a POSIX tty: raw 8N1, no flow control, opened for exclusive use.
class PosixSerialDevice : public SerialDevice {
 public:
  PosixSerialDevice();
  ~PosixSerialDevice() override;

  SerialOpenResult Open(const std::string& path, int baud) override;
  bool IsOpen() const override;
  size_t Room() override;
  long Write(const uint8_t* data, size_t size) override;
  bool WriteAllAndDrain(const uint8_t* data, size_t size, int timeout_ms) override;
  void Close() override;
  std::string LastError() const override;

 private:
  int fd_ = -1;
  int baud_ = 9600;
  std::string error_;
};

}  // namespace vfd
