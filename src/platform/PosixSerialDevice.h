#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "display/SerialDevice.h"

namespace vfd {

// A serial port on a POSIX tty: raw 8N1, no flow control, opened for exclusive use.
//
// Output is paced at the line rate. The kernel reports the bytes a UART still holds, but a
// pseudo-terminal (the display simulator) reports none and buffers tens of kilobytes, so the
// device also keeps its own account of when the bytes handed over will have left the line at the
// open baud rate, and offers room only for what that line carries in a short slice of time.
class PosixSerialDevice : public SerialDevice {
 public:
  PosixSerialDevice();
  ~PosixSerialDevice() override;
  PosixSerialDevice(const PosixSerialDevice&) = delete;
  PosixSerialDevice& operator=(const PosixSerialDevice&) = delete;

  SerialOpenResult Open(const std::string& path, int baud) override;
  bool IsOpen() const override;
  size_t Room() override;
  size_t Capacity() const override { return RoomTarget(); }
  long Write(const uint8_t* data, size_t size) override;
  bool WriteAllAndDrain(const uint8_t* data, size_t size, int timeout_ms) override;
  void Close() override;
  std::string LastError() const override;

  // The line rate in effect: the requested one, or 9600 when that is not a standard rate.
  int Baud() const { return baud_; }
  // Where other programs leave UUCP lock files (LCK..ttyS0). "/var/lock" except in tests.
  void SetLockDirectory(std::string dir) { lock_dir_ = std::move(dir); }

  // Room() never offers more than the line carries in this time, so stale output cannot pile up
  // in the kernel where the link could no longer replace it.
  static constexpr int kRoomSliceMs = 50;
  // ... and never less than this, so that a whole text frame (44 bytes on the Matrix Orbital
  // displays) and a command fit at once even at 9600 baud: the link then wakes once a frame.
  static constexpr size_t kMinRoom = 48;

 private:
  size_t RoomTarget() const;
  // Bytes handed over that, by the line-rate model, have not left the line yet.
  size_t ModelledInFlight(int64_t now_ns) const;
  void Account(size_t bytes);
  // Whether a UUCP lock file for `path` names a live process; `lock_file` receives its path.
  bool LockedByOtherProgram(const std::string& path, std::string* lock_file) const;

  int fd_ = -1;
  int baud_ = 9600;
  bool flocked_ = false;
  bool write_refused_ = false;  // the last write found the kernel's buffer full
  int64_t ns_per_byte_ = 0;
  int64_t line_free_at_ns_ = 0;  // monotonic time when the bytes in flight will have left
  std::string lock_dir_ = "/var/lock";
  std::string error_;
};

}  // namespace vfd
