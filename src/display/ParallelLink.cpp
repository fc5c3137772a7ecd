#include "display/ParallelLink.h"

#include <cstdio>

namespace vfd {

ParallelLink::ParallelLink(ParallelPort& port, MonotonicClock& clock)
    : port_(port), clock_(clock) {}

void ParallelLink::SetBase(int16_t base) {
  base_ = base;
  available_ = false;
  if (base == 0) {
    port_.Release();
    return;
  }
  std::string why;
  available_ = port_.Select(static_cast<uint16_t>(base), &why);
  if (!available_) unavailable.Emit(why);
}

void ParallelLink::WriteData(uint8_t value) {
  port_.Out(static_cast<uint16_t>(base_), value);
}

void ParallelLink::WriteControl(uint8_t value) {
  port_.Out(static_cast<uint16_t>(base_ + 2), value);
}

uint8_t ParallelLink::ReadStatus() {
  return port_.In(static_cast<uint16_t>(base_ + 1));
}

void ParallelLink::StrobeWrite(uint8_t value) {
  WriteData(value);
  WriteControl(0x01);
  WriteControl(0x00);
}

void ParallelLink::HdWrite(uint8_t value, uint8_t control1, uint8_t control2) {
  WriteData(value);
  WriteControl(control1);
  WriteControl(control2);
}

template <typename Done>
bool ParallelLink::WaitUntil(Done done) {
  // The first read is free of any clock call: a ready display answers at once, and this keeps
  // the common case of a frame as cheap as the bare register accesses.
  if (done(ReadStatus())) return true;
  int64_t deadline = clock_.MonotonicMicros() + kStatusWaitMicros;
  for (;;) {
    if (done(ReadStatus())) return true;
    if (clock_.MonotonicMicros() >= deadline) {
      timed_out.Emit();
      return false;
    }
  }
}

bool ParallelLink::WaitStatusHigh() {
  return WaitUntil([](uint8_t s) { return s > 0x7F; });
}

bool ParallelLink::WaitStatusNot7F() {
  return WaitUntil([](uint8_t s) { return s != 0x7F; });
}

std::string ParallelLink::HexText(int16_t base) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "&H%X", static_cast<unsigned>(static_cast<uint16_t>(base)));
  return buf;
}

}  // namespace vfd
