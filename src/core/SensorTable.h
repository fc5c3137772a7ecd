#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vfd {

// One hardware reading as the sensor function shows it. The type code decides the number
// format: 1 temperature, 2 voltage, 3 fan speed, 5 percentage, 0 and others a plain number.
struct SensorEntry {
  uint8_t type = 0;
  std::string name;  // at most 12 characters
  double value = 0;
};

// The sensor table: 99 entries in a stable order, so that a stored choice keeps naming the same
// sensor. A machine with no readings gives the all-zero table (every entry type 0, no name,
// value 0).
inline constexpr int kSensorEntries = 99;
using SensorTable = std::array<SensorEntry, kSensorEntries>;

class SensorSource {
 public:
  virtual ~SensorSource() = default;
  // The readings now. Never blocks: the backend reads only what the kernel answers at once.
  virtual SensorTable ReadTable() = 0;
};

// No readings at all: the all-zero table.
class NoSensors : public SensorSource {
 public:
  SensorTable ReadTable() override { return {}; }
};

}  // namespace vfd
