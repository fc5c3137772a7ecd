#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vfd {

struct SerialOpenResult {
  enum class Status {
    kOk,
    kInUse,   // another program holds the port
    kFailed,  // any other reason (missing device, permission, not a tty...)
  };
  Status status = Status::kOk;
  std::string reason;  // the system's words for a failure
  bool permission_denied = false;

  bool ok() const { return status == Status::kOk; }
};

// A serial line at 8N1 without flow control. The real one is a tty opened with exclusive access;
// tests use recording fakes and the display emulator.
class SerialDevice {
 public:
  virtual ~SerialDevice() = default;

  virtual SerialOpenResult Open(const std::string& path, int baud) = 0;
  virtual bool IsOpen() const = 0;

  // How many bytes the line can take right now without holding a backlog of its own. The link
  // keeps everything beyond that in its own queue, where stale frames can still be dropped.
  virtual size_t Room() = 0;
  // The most Room() ever offers (with the line idle).
  virtual size_t Capacity() const = 0;

  // Hands bytes over without blocking. Returns the number taken (0 when the line is full), or -1
  // when the device failed (unplugged, hung up); LastError() then says why.
  virtual long Write(const uint8_t* data, size_t size) = 0;

  // Writes all of `data` and waits until the line has sent it and everything before it, for at
  // most `timeout_ms`. Used only just before closing. Returns false on time-out or failure.
  virtual bool WriteAllAndDrain(const uint8_t* data, size_t size, int timeout_ms) = 0;

  virtual void Close() = 0;
  virtual std::string LastError() const = 0;
};

}  // namespace vfd
