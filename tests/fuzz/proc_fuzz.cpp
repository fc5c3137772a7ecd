// The /proc readers on arbitrary text: never crash, and every figure is one the load bars can
// draw (a percentage within 0..100, counters that do not run backwards).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "FuzzInput.h"
#include "platform/ProcReadings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  using vfd::fuzz::Require;
  if (const auto cpu = vfd::ParseProcStat(text))
    Require(cpu->busy <= cpu->total, "CPU busy time within the total");
  if (const auto used = vfd::ParseMemInfoInUse(text))
    Require(std::isfinite(*used) && *used >= 0 && *used <= 100, "memory in use is a percentage");
  if (const auto load = vfd::ParseLoadAverage(text))
    Require(std::isfinite(*load) && *load >= 0, "a load average is a finite count, not negative");
  return 0;
}
