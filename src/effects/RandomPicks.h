#pragma once

#include <cstdint>

#include "core/Random.h"

namespace vfd {

// A random brightness level 0..7 for one character: nearest(r x 7), so 0 and 7 come half as
// often as the others.
inline uint8_t PickRandomLevel(RandomSource& random) {
  return static_cast<uint8_t>(NearestEven(random.Next() * 7));
}

}  // namespace vfd
