#pragma once

#include <cstdint>

namespace vfd {

// The program's one source of randomness: uniform numbers in [0, 1).
class RandomSource {
 public:
  virtual ~RandomSource() = default;
  virtual double Next() = 0;
};

// x taken to the nearest integer, halves going to the even integer.
int64_t NearestEven(double x);

}  // namespace vfd
