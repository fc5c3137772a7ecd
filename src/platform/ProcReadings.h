#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vfd {

// CPU time from the first line of /proc/stat, in clock ticks since boot.
struct CpuTimes {
  uint64_t busy = 0;
  uint64_t total = 0;
};

// The aggregate "cpu" line of /proc/stat; nullopt when the text does not start with one.
std::optional<CpuTimes> ParseProcStat(std::string_view text);
// Memory in use in percent of all memory, from /proc/meminfo: what is not available to new
// programs (MemAvailable, or free plus buffers and page cache on kernels that do not say).
std::optional<double> ParseMemInfoInUse(std::string_view text);
// The 1-minute load average, the first number of /proc/loadavg.
std::optional<double> ParseLoadAverage(std::string_view text);

// The readings every Linux machine has, from the proc file system under `proc_root` ("/proc"
// except in tests). Reads are plain file reads that the kernel answers at once.
class ProcReadings {
 public:
  explicit ProcReadings(std::string proc_root = "/proc") : root_(std::move(proc_root)) {}

  // Percent of CPU time spent busy since the previous call; the first call (and one after the
  // counters went backwards, as they may when a CPU goes offline) covers the time since boot.
  // Two calls within the same clock tick repeat the previous figure.
  std::optional<double> CpuLoadPercent();
  std::optional<double> MemoryInUsePercent() const;
  std::optional<double> LoadAverage() const;

 private:
  std::optional<std::string> Read(const char* name) const;

  std::string root_;
  std::optional<CpuTimes> previous_;
  double last_load_ = 0;
};

}  // namespace vfd
