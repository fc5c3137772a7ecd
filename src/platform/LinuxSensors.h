#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "core/SensorTable.h"
#include "platform/ProcReadings.h"

namespace vfd {

// One hardware monitoring feature (a temperature, a voltage, a fan...) as the table offers it.
struct HwmonFeature {
  std::string chip;     // libsensors' name of the chip: "coretemp-isa-0000"
  std::string feature;  // the feature's own name on the chip: "temp2", "in1"
  std::string label;    // its label after the user's configuration ("Core 0"), or its own name
  uint8_t type = 0;     // the table's type code
  int source = 0;       // which reading of the backend it is
  std::string name;     // the table's name for it (filled by ArrangeHwmon)
};

// The table's type code for a libsensors feature type: temperatures 1, voltages (and the CPU's
// voltage identification) 2, fans 3, humidity 5 (a percentage), power, energy and current 0.
// Features that are no reading (intrusion alarms, beep switches) get none.
std::optional<uint8_t> TableTypeOf(int libsensors_feature_type);

// Puts the features in table order and names them. Chips are ordered by their libsensors name,
// which stays the same from one boot to the next while the kernel's hwmon numbers may not; a
// chip's features keep their order. A name is the label as text (UTF-8), blanks tidied, cut
// to 12 characters. Where two features of one chip would get the same name, the feature's own
// name goes in front ("in1 +12V"); where even that leaves them alike, the feature's name alone.
std::vector<HwmonFeature> ArrangeHwmon(std::vector<HwmonFeature> features);

// The readings every machine has, as table entries: "CPU Load" and "Memory Used" in percent,
// "Load Average" over one minute. One that cannot be read reads 0.
std::array<SensorEntry, 3> SystemEntries(ProcReadings& proc);

// The table: the hardware entries in order, then the system entries; what does not fit in the
// 99 entries is not offered.
SensorTable AssembleTable(std::span<const SensorEntry> hwmon, std::span<const SensorEntry> system);

// What the hwmon class directory holds: its entries and the devices they stand for. A chip that
// comes or goes (a driver loaded later, a device plugged in) changes it; readings do not.
std::string HwmonSignature(const std::string& hwmon_root);

struct LinuxSensorsOptions {
  std::string proc_root = "/proc";
  // How often the readings are taken while the table is being read (the display reads it once a
  // second, the settings dialog ten times), and while nobody has read it for a while.
  std::chrono::milliseconds active_period{500};
  std::chrono::milliseconds idle_period{5000};
  // How long the constructor waits for the first readings.
  std::chrono::milliseconds first_wait{2000};
  // Where the kernel lists its hwmon devices, and how often it is looked at for chips that came
  // or went; libsensors reads the chips again when the list changed.
  std::string hwmon_root = "/sys/class/hwmon";
  std::chrono::milliseconds rescan_period{3000};
};

// The machine's sensors through libsensors (the kernel's hwmon drivers, with the labels,
// computations and ignores of the user's sensors3.conf applied), followed by the system
// readings from /proc. Chips that appear or go while the program runs are found within a few
// seconds.
//
// Some hwmon drivers take milliseconds or more to answer a read, so the readings are taken on a
// thread of the backend's own and ReadTable answers at once with the latest of them. The thread
// takes them twice a second while the table is being read and rests otherwise.
class LinuxSensors : public SensorSource {
 public:
  explicit LinuxSensors(LinuxSensorsOptions options = {});
  ~LinuxSensors() override;
  LinuxSensors(const LinuxSensors&) = delete;
  LinuxSensors& operator=(const LinuxSensors&) = delete;

  SensorTable ReadTable() override;

  // How many entries the hardware gave (0 on a machine or container without hwmon), once the
  // first readings are in.
  int HwmonEntries();

 private:
  struct Chips;
  void Run();
  SensorTable Sample(Chips& chips);

  LinuxSensorsOptions options_;
  ProcReadings proc_;
  std::mutex mutex_;
  std::condition_variable wake_;
  SensorTable latest_{};
  int hwmon_entries_ = 0;
  bool ready_ = false;
  bool stop_ = false;
  bool resting_ = false;  // the thread waits out the idle period
  bool wanted_ = false;   // a read asks the resting thread for fresh readings
  std::chrono::steady_clock::time_point last_read_{};
  std::thread thread_;
};

}  // namespace vfd
