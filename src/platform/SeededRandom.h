#pragma once

#include <cstdint>
#include <random>

#include "core/Random.h"

namespace vfd {

// One seeded generator for the whole program.
class SeededRandom : public RandomSource {
 public:
  explicit SeededRandom(uint64_t seed) : engine_(seed) {}
  // Seeded from the clock, as the program does once at start.
  static uint64_t ClockSeed();
  double Next() override;

 private:
  std::mt19937_64 engine_;
};

}  // namespace vfd
