#include "platform/LinuxSensors.h"

#include <sensors/sensors.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "core/Charset.h"

namespace vfd {
namespace {

constexpr size_t kNameLength = 12;
// A read within this time keeps the readings coming at the active pace.
constexpr std::chrono::seconds kActiveLinger{3};

// libsensors keeps one state for the whole process: the first user sets it up, the last one tears
// it down, and one thread at a time uses it.
std::mutex g_library_mutex;
int g_library_users = 0;
// Grows each time the library reads the chips anew; chip handles from before are gone then.
int g_library_generation = 0;

// Sets the library up (the caller holds the mutex).
void InitLibrary() {
  if (sensors_init(nullptr) != 0) {
    // A configuration that does not parse leaves nothing usable; go on without hardware.
    sensors_cleanup();
  }
}

// The label as text: UTF-8 (a label that is not is taken as Windows-1252), control characters as
// blanks, runs of blanks as one, none at either end.
std::string TidyLabel(const std::string& label) {
  const std::string text = TextOfFile(label);
  std::string out;
  for (char ch : text) {
    const auto code = static_cast<unsigned char>(ch);
    const char c = code < 0x20 || code == 0x7F ? ' ' : ch;
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out.push_back(c);
  }
  while (!out.empty() && out.back() == ' ')
    out.pop_back();
  return out;
}

// The first kNameLength characters (not bytes: a name may be in any script).
std::string Cut(std::string text) {
  size_t characters = 0, end = 0;
  while (end < text.size() && characters < kNameLength) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
      ++end;
    ++characters;
  }
  text.resize(end);
  while (!text.empty() && text.back() == ' ')
    text.pop_back();
  return text;
}

// Renames, with `rename`, every feature of [first, last) whose name another one shares.
template <typename It, typename F>
void RenameAlike(It first, It last, F rename) {
  std::map<std::string, int> count;
  for (It f = first; f != last; ++f)
    ++count[f->name];
  for (It f = first; f != last; ++f)
    if (count[f->name] > 1) f->name = rename(*f);
}

// The subfeature that holds a feature's current reading.
const sensors_subfeature* InputOf(const sensors_chip_name* chip, const sensors_feature* feature) {
  auto get = [&](sensors_subfeature_type type) {
    const sensors_subfeature* sub = sensors_get_subfeature(chip, feature, type);
    return sub && (sub->flags & SENSORS_MODE_R) ? sub : nullptr;
  };
  switch (feature->type) {
    case SENSORS_FEATURE_IN:
      return get(SENSORS_SUBFEATURE_IN_INPUT);
    case SENSORS_FEATURE_FAN:
      return get(SENSORS_SUBFEATURE_FAN_INPUT);
    case SENSORS_FEATURE_TEMP:
      return get(SENSORS_SUBFEATURE_TEMP_INPUT);
    case SENSORS_FEATURE_POWER:
      if (const sensors_subfeature* sub = get(SENSORS_SUBFEATURE_POWER_INPUT)) return sub;
      return get(SENSORS_SUBFEATURE_POWER_AVERAGE);
    case SENSORS_FEATURE_ENERGY:
      return get(SENSORS_SUBFEATURE_ENERGY_INPUT);
    case SENSORS_FEATURE_CURR:
      return get(SENSORS_SUBFEATURE_CURR_INPUT);
    case SENSORS_FEATURE_HUMIDITY:
      return get(SENSORS_SUBFEATURE_HUMIDITY_INPUT);
    case SENSORS_FEATURE_VID:
      return get(SENSORS_SUBFEATURE_VID);
    default:
      return nullptr;
  }
}

}  // namespace

std::optional<uint8_t> TableTypeOf(int libsensors_feature_type) {
  switch (libsensors_feature_type) {
    case SENSORS_FEATURE_TEMP:
      return 1;
    case SENSORS_FEATURE_IN:
    case SENSORS_FEATURE_VID:
      return 2;
    case SENSORS_FEATURE_FAN:
      return 3;
    case SENSORS_FEATURE_HUMIDITY:
      return 5;
    case SENSORS_FEATURE_POWER:
    case SENSORS_FEATURE_ENERGY:
    case SENSORS_FEATURE_CURR:
      return 0;
    default:
      return std::nullopt;
  }
}

std::vector<HwmonFeature> ArrangeHwmon(std::vector<HwmonFeature> features) {
  std::stable_sort(features.begin(), features.end(),
                   [](const HwmonFeature& a, const HwmonFeature& b) { return a.chip < b.chip; });
  for (auto first = features.begin(); first != features.end();) {
    auto last = std::find_if(first, features.end(),
                             [&](const HwmonFeature& f) { return f.chip != first->chip; });
    for (auto f = first; f != last; ++f) {
      const std::string label = TidyLabel(f->label);
      f->label = label.empty() ? f->feature : label;
      f->name = Cut(f->label);
    }
    RenameAlike(first, last, [](const HwmonFeature& f) {
      return f.label == f.feature ? Cut(f.feature) : Cut(f.feature + " " + f.label);
    });
    RenameAlike(first, last, [](const HwmonFeature& f) { return Cut(f.feature); });
    first = last;
  }
  return features;
}

std::array<SensorEntry, 3> SystemEntries(ProcReadings& proc) {
  return {
      SensorEntry{5, "CPU Load", proc.CpuLoadPercent().value_or(0), "system", "cpu-load"},
      SensorEntry{5, "Memory Used", proc.MemoryInUsePercent().value_or(0), "system", "memory-used"},
      SensorEntry{0, "Load Average", proc.LoadAverage().value_or(0), "system", "load-average"}};
}

std::string HwmonSignature(const std::string& hwmon_root) {
  namespace fs = std::filesystem;
  std::vector<std::string> lines;
  std::error_code ec;
  for (fs::directory_iterator it(hwmon_root, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code link_ec;
    const fs::path target = fs::read_symlink(it->path(), link_ec);
    lines.push_back(it->path().filename().string() + " " + (link_ec ? "" : target.string()));
  }
  std::sort(lines.begin(), lines.end());
  std::string signature;
  for (const std::string& line : lines)
    signature += line + "\n";
  return signature;
}

SensorTable AssembleTable(std::span<const SensorEntry> hwmon, std::span<const SensorEntry> system) {
  SensorTable table{};
  size_t n = 0;
  for (std::span<const SensorEntry> part : {hwmon, system})
    for (const SensorEntry& entry : part)
      if (n < table.size()) table[n++] = entry;
  return table;
}

// The features the table offers, in its order, and where libsensors reads each one.
struct LinuxSensors::Chips {
  struct Source {
    const sensors_chip_name* chip;
    int subfeature;
  };
  std::vector<Source> sources;       // in table order
  std::vector<SensorEntry> entries;  // names and types; values filled per sample
  bool attached = false;
  int generation = -1;  // the library's generation the chip handles belong to

  void Attach() {
    std::lock_guard lock(g_library_mutex);
    attached = true;
    if (g_library_users++ == 0) InitLibrary();
    Enumerate();
  }

  // The library reads the chips anew: one that came since is found, one that went is no more.
  // Every backend's handles are stale then; each lists its features again before its next read.
  void Rescan() {
    std::lock_guard lock(g_library_mutex);
    sensors_cleanup();
    InitLibrary();
    ++g_library_generation;
    Enumerate();
  }

  // Lists the features (the caller holds the mutex).
  void Enumerate() {
    generation = g_library_generation;
    sources.clear();
    entries.clear();
    std::vector<HwmonFeature> found;
    std::vector<Source> by_source;
    int chip_nr = 0;
    while (const sensors_chip_name* chip = sensors_get_detected_chips(nullptr, &chip_nr)) {
      char chip_name[256];
      if (sensors_snprintf_chip_name(chip_name, sizeof chip_name, chip) < 0) continue;
      int feature_nr = 0;
      while (const sensors_feature* feature = sensors_get_features(chip, &feature_nr)) {
        const std::optional<uint8_t> type = TableTypeOf(feature->type);
        const sensors_subfeature* input = type ? InputOf(chip, feature) : nullptr;
        if (!input) continue;
        char* label = sensors_get_label(chip, feature);
        found.push_back({.chip = chip_name,
                         .feature = feature->name,
                         .label = label ? label : feature->name,
                         .type = *type,
                         .source = static_cast<int>(by_source.size()),
                         .name = {}});
        std::free(label);
        by_source.push_back({chip, input->number});
      }
    }
    for (HwmonFeature& f : ArrangeHwmon(std::move(found))) {
      // Entries beyond the table's end are never offered, so never read either.
      if (entries.size() == static_cast<size_t>(kSensorEntries)) break;
      entries.push_back({f.type, std::move(f.name), 0, f.chip, f.feature});
      sources.push_back(by_source[f.source]);
    }
  }

  void Detach() {
    if (!attached) return;
    std::lock_guard lock(g_library_mutex);
    sources.clear();
    if (--g_library_users == 0) sensors_cleanup();
    attached = false;
  }

  void Read() {
    std::lock_guard lock(g_library_mutex);
    if (generation != g_library_generation) Enumerate();
    for (size_t i = 0; i < sources.size(); ++i) {
      double value = 0;
      // A fan that reports a fault or a sensor that is gone for now reads 0, keeping its place.
      if (sensors_get_value(sources[i].chip, sources[i].subfeature, &value) < 0 ||
          !std::isfinite(value))
        value = 0;
      entries[i].value = value;
    }
  }
};

LinuxSensors::LinuxSensors(LinuxSensorsOptions options)
    : options_(std::move(options)), proc_(options_.proc_root) {
  thread_ = std::thread([this] { Run(); });
  // The first frame and the settings dialog's lists want real names; a driver that takes too
  // long only leaves them empty for a moment.
  std::unique_lock lock(mutex_);
  wake_.wait_for(lock, options_.first_wait, [this] { return ready_; });
}

LinuxSensors::~LinuxSensors() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

SensorTable LinuxSensors::ReadTable() {
  std::lock_guard lock(mutex_);
  last_read_ = std::chrono::steady_clock::now();
  if (resting_ && !wanted_) {
    wanted_ = true;
    wake_.notify_all();
  }
  return latest_;
}

int LinuxSensors::HwmonEntries() {
  std::unique_lock lock(mutex_);
  wake_.wait_for(lock, options_.first_wait, [this] { return ready_; });
  return hwmon_entries_;
}

SensorTable LinuxSensors::Sample(Chips& chips) {
  chips.Read();
  const std::array<SensorEntry, 3> system = SystemEntries(proc_);
  return AssembleTable(chips.entries, system);
}

void LinuxSensors::Run() {
  Chips chips;
  std::string hwmon = HwmonSignature(options_.hwmon_root);
  chips.Attach();
  auto next_look = std::chrono::steady_clock::now() + options_.rescan_period;
  for (;;) {
    if (std::chrono::steady_clock::now() >= next_look) {
      // Looking costs a directory listing; reading the chips anew costs far more, so only when
      // the list changed.
      std::string now = HwmonSignature(options_.hwmon_root);
      if (now != hwmon) {
        hwmon = std::move(now);
        chips.Rescan();
      }
      next_look = std::chrono::steady_clock::now() + options_.rescan_period;
    }
    SensorTable table = Sample(chips);
    std::unique_lock lock(mutex_);
    latest_ = std::move(table);
    hwmon_entries_ = static_cast<int>(chips.entries.size());
    ready_ = true;
    wake_.notify_all();
    const bool active = last_read_ != std::chrono::steady_clock::time_point{} &&
                        std::chrono::steady_clock::now() - last_read_ < kActiveLinger;
    resting_ = !active;
    wanted_ = false;
    wake_.wait_for(lock, active ? options_.active_period : options_.idle_period,
                   [this] { return stop_ || wanted_; });
    resting_ = false;
    if (stop_) break;
  }
  chips.Detach();
}

}  // namespace vfd
