#include "platform/ProcReadings.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace vfd {
namespace {

// Skips blanks, then reads an unsigned number; false when there is none.
bool NextNumber(std::string_view& text, uint64_t& value) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
    ++i;
  const char* begin = text.data() + i;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr == begin) return false;
  text.remove_prefix(static_cast<size_t>(ptr - text.data()));
  return true;
}

// `a + b`, or nullopt when the sum does not fit: a wrapped sum would be a figure no machine has.
std::optional<uint64_t> Sum(uint64_t a, uint64_t b) {
  if (b > UINT64_MAX - a) return std::nullopt;
  return a + b;
}

// The kB figure of the meminfo line `key` ("MemTotal:"), or nullopt.
std::optional<uint64_t> MemInfoValue(std::string_view text, std::string_view key) {
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = std::min(text.find('\n', at), text.size());
    std::string_view line = text.substr(at, end - at);
    if (line.starts_with(key)) {
      line.remove_prefix(key.size());
      uint64_t value = 0;
      if (NextNumber(line, value)) return value;
      return std::nullopt;
    }
    at = end + 1;
  }
  return std::nullopt;
}

}  // namespace

std::optional<CpuTimes> ParseProcStat(std::string_view text) {
  if (!text.starts_with("cpu ")) return std::nullopt;
  text.remove_prefix(4);
  // user nice system idle iowait irq softirq steal; guest time is counted in user already.
  std::array<uint64_t, 8> f{};
  size_t n = 0;
  while (n < f.size() && NextNumber(text, f[n]))
    ++n;
  if (n < 4) return std::nullopt;
  CpuTimes t;
  for (size_t i = 0; i < n; ++i) {
    const std::optional<uint64_t> total = Sum(t.total, f[i]);
    if (!total) return std::nullopt;
    t.total = *total;
  }
  // The idle and iowait counters are parts of the total, which holds them without wrapping.
  t.busy = t.total - f[3] - f[4];
  return t;
}

std::optional<double> ParseMemInfoInUse(std::string_view text) {
  const std::optional<uint64_t> total = MemInfoValue(text, "MemTotal:");
  if (!total || *total == 0) return std::nullopt;
  std::optional<uint64_t> available = MemInfoValue(text, "MemAvailable:");
  if (!available) {
    const std::optional<uint64_t> free = MemInfoValue(text, "MemFree:");
    if (!free) return std::nullopt;
    available = Sum(*free, MemInfoValue(text, "Buffers:").value_or(0));
    if (available) available = Sum(*available, MemInfoValue(text, "Cached:").value_or(0));
    if (!available) return std::nullopt;
  }
  const uint64_t used = *available >= *total ? 0 : *total - *available;
  // Counts beyond 2^53 round on their way to double, and the quotient may round past 100.
  return std::min(100.0, 100.0 * static_cast<double>(used) / static_cast<double>(*total));
}

std::optional<double> ParseLoadAverage(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  text.remove_prefix(first);
  double value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  // The kernel writes a count of waiting tasks: a sign or an infinity means this is no load.
  if (ec != std::errc() || ptr == text.data() || !std::isfinite(value) || value < 0)
    return std::nullopt;
  return value;
}

std::optional<std::string> ProcReadings::Read(const char* name) const {
  const std::string path = root_ + "/" + name;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  // The figures wanted stand in the first lines; /proc/stat goes on for pages on big machines.
  std::string text(4096, '\0');
  size_t have = 0;
  while (have < text.size()) {
    const ssize_t n = read(fd, text.data() + have, text.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    have += static_cast<size_t>(n);
  }
  close(fd);
  text.resize(have);
  return text;
}

std::optional<double> ProcReadings::CpuLoadPercent() {
  const std::optional<std::string> text = Read("stat");
  if (!text) return std::nullopt;
  const std::optional<CpuTimes> now = ParseProcStat(*text);
  if (!now) return std::nullopt;
  CpuTimes since = *now;
  if (previous_ && now->total >= previous_->total && now->busy >= previous_->busy) {
    since.total = now->total - previous_->total;
    since.busy = now->busy - previous_->busy;
  }
  previous_ = now;
  if (since.total == 0) return last_load_;
  last_load_ = 100.0 * static_cast<double>(since.busy) / static_cast<double>(since.total);
  return last_load_;
}

std::optional<double> ProcReadings::MemoryInUsePercent() const {
  const std::optional<std::string> text = Read("meminfo");
  return text ? ParseMemInfoInUse(*text) : std::nullopt;
}

std::optional<double> ProcReadings::LoadAverage() const {
  const std::optional<std::string> text = Read("loadavg");
  return text ? ParseLoadAverage(*text) : std::nullopt;
}

}  // namespace vfd
