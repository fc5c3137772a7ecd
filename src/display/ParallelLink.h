#pragma once

#include <cstdint>
#include <string>

#include "core/EventLoop.h"
#include "core/Signal.h"
#include "display/ParallelPort.h"

namespace vfd {

// The register-level primitives that the parallel display dialects are built from, on the port
// whose base address is `ParallelPortBase` (0 = none chosen).
//
// The two status waits are bounded: a display that is switched off or absent can hold the busy
// state for ever. Each wait gives up after kStatusWaitMicros and reports false; the caller then
// abandons the rest of its frame or command.
class ParallelLink {
 public:
  // The IEE display reports ready within microseconds per character and within a few
  // milliseconds after a clear; ten milliseconds is far beyond both, yet short enough that a
  // dead display costs a 25 ms animation tick less than half of its time.
  static constexpr int64_t kStatusWaitMicros = 10'000;

  ParallelLink(ParallelPort& port, MonotonicClock& clock);

  int16_t Base() const { return base_; }
  // Sets `ParallelPortBase`. 0 stops using the port. Reports through `unavailable` when the
  // address cannot be reached.
  void SetBase(int16_t base);
  bool Available() const { return available_; }

  void WriteData(uint8_t value);
  void WriteControl(uint8_t value);
  uint8_t ReadStatus();
  // Data byte, then a strobe pulse on control bit 0.
  void StrobeWrite(uint8_t value);
  // Data byte, then the two control values.
  void HdWrite(uint8_t value, uint8_t control1, uint8_t control2);
  // Until the status byte has bit 7 set. False on time-out.
  bool WaitStatusHigh();
  // While the status byte is exactly 0x7F. False on time-out.
  bool WaitStatusNot7F();

  // Raised with a reason when the chosen base cannot be reached.
  Signal<const std::string&> unavailable;
  // Raised when a status wait gave up.
  Signal<> timed_out;

  // "&H378" for 888, as the port list writes addresses.
  static std::string HexText(int16_t base);

 private:
  template <typename Done>
  bool WaitUntil(Done done);

  ParallelPort& port_;
  MonotonicClock& clock_;
  int16_t base_ = 0;
  bool available_ = false;
};

}  // namespace vfd
