#include "platform/SeededRandom.h"

#include <chrono>

namespace vfd {

uint64_t SeededRandom::ClockSeed() {
  return static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

double SeededRandom::Next() {
  // 53 random bits scaled into [0, 1): never 1.0, unlike some distribution implementations.
  return static_cast<double>(engine_() >> 11) * 0x1.0p-53;
}

}  // namespace vfd
