// The hardware monitor's frame: one reading of the sensor table, eight slots formatted, the two
// lines handed to the port. Target: a frame in under 50 microseconds with a few dozen sensors.
#include <benchmark/benchmark.h>

#include <string>

#include "NullServices.h"
#include "platform/LinuxSensors.h"
#include "platform/ProcReadings.h"

namespace vfd::bench {
namespace {

// A machine with 40 hardware readings of every kind and the system readings after them.
class FortySensors : public SensorSource {
 public:
  FortySensors() {
    for (int i = 0; i < 40; ++i) {
      const uint8_t types[] = {1, 2, 3, 5, 0};
      table_[i] = {types[i % 5], "Sensor " + std::to_string(i), 12.3456 * (i + 1)};
    }
  }
  SensorTable ReadTable() override { return table_; }

 private:
  SensorTable table_{};
};

// The program on null devices, showing the monitor on the Matrix Orbital 2x20, with `sensors`.
struct MonitorProgram {
  explicit MonitorProgram(SensorSource& sensors) : p(kModelOrbital2x20, nullptr, &sensors) {
    // Eight slots of mixed kinds; the last is the 1-minute load average.
    p.program.mbm().sensor = {"01 a", "02 b", "03 c", "04 d", "05 e", "06 f", "07 g", "08 h"};
  }
  NullProgram p;
  Program& program = p.program;
};

void BM_MbmTick_FortySensors(benchmark::State& state) {
  FortySensors sensors;
  MonitorProgram p(sensors);
  for (auto _ : state)
    p.program.mbm().MbmTick();
}
BENCHMARK(BM_MbmTick_FortySensors);

// This machine's own sensors through libsensors and /proc; the label says how many the hardware
// gave.
void BM_MbmTick_LinuxSensors(benchmark::State& state) {
  LinuxSensors sensors;
  const int hwmon = sensors.HwmonEntries();
  MonitorProgram p(sensors);
  for (auto _ : state)
    p.program.mbm().MbmTick();
  state.SetLabel(std::to_string(hwmon) + " hwmon entries");
}
BENCHMARK(BM_MbmTick_LinuxSensors);

// What the backend's own thread spends on the system readings of one sample.
void BM_ProcReadings(benchmark::State& state) {
  ProcReadings proc;
  for (auto _ : state)
    benchmark::DoNotOptimize(SystemEntries(proc));
}
BENCHMARK(BM_ProcReadings);

}  // namespace
}  // namespace vfd::bench
