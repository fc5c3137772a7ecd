#include "core/Random.h"

#include <cmath>

namespace vfd {

int64_t NearestEven(double x) {
  // nearbyint follows the current rounding mode, which is round-half-to-even unless someone
  // changed it; do it by hand so the result never depends on global state.
  double floor_x = std::floor(x);
  double diff = x - floor_x;
  auto lower = static_cast<int64_t>(floor_x);
  if (diff < 0.5) return lower;
  if (diff > 0.5) return lower + 1;
  return (lower % 2 == 0) ? lower : lower + 1;
}

}  // namespace vfd
