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
  // Where the reading comes from, which stays the same when the table's numbering shifts (a chip
  // found in another order, or one that comes or goes): the chip ("coretemp-isa-0000", "system"
  // for the machine's own readings) and the feature's own name on it ("temp2"). Empty when the
  // source does not tell.
  std::string chip{};
  std::string feature{};
};

// The sensor table: 99 entries, in an order kept as stable as the source can keep it. A stored
// choice follows its sensor by chip and feature where the numbering shifts all the same. A
// machine with no readings gives the all-zero table (every entry type 0, no name, value 0).
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
