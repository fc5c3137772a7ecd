// The Linux sensor backend: the /proc readings against fake proc trees, the table's order and
// names, and libsensors on this machine's own hardware where it has any.
#include <stdlib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/LinuxSensors.h"
#include "platform/ProcReadings.h"
#include "sources/MbmAccess.h"

namespace vfd {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct TempDir {
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "vfd-sensors-XXXXXX").string();
    EXPECT_NE(mkdtemp(pattern.data()), nullptr);
    root = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  void File(const std::string& rel, const std::string& content) const {
    std::ofstream(root / rel, std::ios::binary | std::ios::trunc) << content;
  }
  fs::path root;
};

constexpr const char* kMemInfo =
    "MemTotal:       16000000 kB\n"
    "MemFree:         2000000 kB\n"
    "MemAvailable:   12000000 kB\n"
    "Buffers:          500000 kB\n"
    "Cached:          3000000 kB\n";

// A /proc with the three files, CPU time as given: user nice system idle iowait.
void WriteProc(const TempDir& dir, const std::string& cpu) {
  dir.File("stat", "cpu  " + cpu + " 0 0 0 0 0\ncpu0 " + cpu + " 0 0 0 0 0\nintr 1 2 3\n");
  dir.File("meminfo", kMemInfo);
  dir.File("loadavg", "0.52 0.40 0.31 2/345 6789\n");
}

TEST(ProcReadingsTest, ParsersTakeTheFiguresTheyNeedAndRefuseWhatIsNotThere) {
  const auto t = ParseProcStat("cpu  100 5 50 800 45 0 0 0 0 0\ncpu0 1 2 3 4\n");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->total, 1000u);
  EXPECT_EQ(t->busy, 155u);  // idle and waiting for I/O are not busy
  const auto old_kernel = ParseProcStat("cpu 10 0 10 80\n");
  ASSERT_TRUE(old_kernel);
  EXPECT_EQ(old_kernel->busy, 20u);
  for (const char* bad : {"", "cpu0 1 2 3 4\n", "cpu 1 2 3\n", "intr 1 2 3 4 5"})
    EXPECT_FALSE(ParseProcStat(bad)) << bad;

  EXPECT_DOUBLE_EQ(*ParseMemInfoInUse(kMemInfo), 25.0);
  // Kernels before MemAvailable: free memory, buffers and page cache are available.
  EXPECT_DOUBLE_EQ(*ParseMemInfoInUse("MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 100 kB\n"
                                      "Cached: 300 kB\n"),
                   50.0);
  EXPECT_DOUBLE_EQ(*ParseMemInfoInUse("MemTotal: 1000 kB\nMemAvailable: 2000 kB\n"), 0.0);
  EXPECT_FALSE(ParseMemInfoInUse("MemTotal: 0 kB\nMemAvailable: 0 kB\n"));
  EXPECT_FALSE(ParseMemInfoInUse("MemFree: 10 kB\n"));
  // "SwapTotal:" is not "MemTotal:".
  EXPECT_FALSE(ParseMemInfoInUse("SwapTotal: 10 kB\nMemAvailable: 5 kB\n"));

  EXPECT_DOUBLE_EQ(*ParseLoadAverage("0.52 0.40 0.31 2/345 6789\n"), 0.52);
  EXPECT_DOUBLE_EQ(*ParseLoadAverage("12.00 1 1"), 12.0);
  EXPECT_FALSE(ParseLoadAverage(""));
  EXPECT_FALSE(ParseLoadAverage("load"));
}

TEST(ProcReadingsTest, FiguresNoKernelWritesAreRefusedRatherThanWrapped) {
  // Counters whose sum does not fit would wrap into a small total with a busy part beyond it.
  EXPECT_FALSE(ParseProcStat("cpu 18446744073709551615 1 0 0\n"));
  EXPECT_FALSE(ParseProcStat("cpu 1 0 0 18446744073709551615 1\n"));
  const auto whole = ParseProcStat("cpu 18446744073709551614 0 0 1\n");
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->busy, 18446744073709551614u);
  EXPECT_EQ(whole->total, 18446744073709551615u);
  // Free memory, buffers and cache that add up beyond any machine.
  EXPECT_FALSE(
      ParseMemInfoInUse("MemTotal: 1000 kB\nMemFree: 18446744073709551615 kB\n"
                        "Cached: 2 kB\n"));
  // A load is a count of waiting tasks, never negative.
  EXPECT_FALSE(ParseLoadAverage("-27 1 1"));
  EXPECT_FALSE(ParseLoadAverage("-0.5"));
}

TEST(ProcReadingsTest, CpuLoadCoversTheTimeSinceThePreviousReading) {
  TempDir proc;
  WriteProc(proc, "100 0 100 800 0");
  ProcReadings readings(proc.root.string());
  EXPECT_DOUBLE_EQ(*readings.CpuLoadPercent(), 20.0);  // the first time: since boot
  WriteProc(proc, "175 0 100 825 0");                  // 75 of the next 100 ticks busy
  EXPECT_DOUBLE_EQ(*readings.CpuLoadPercent(), 75.0);
  // No tick has passed: the figure stays instead of dividing by nothing.
  EXPECT_DOUBLE_EQ(*readings.CpuLoadPercent(), 75.0);
  // Counters that went backwards (a CPU went offline) start over from boot.
  WriteProc(proc, "50 0 0 150 0");
  EXPECT_DOUBLE_EQ(*readings.CpuLoadPercent(), 25.0);
  WriteProc(proc, "50 0 0 250 0");
  EXPECT_DOUBLE_EQ(*readings.CpuLoadPercent(), 0.0);
  EXPECT_DOUBLE_EQ(*readings.MemoryInUsePercent(), 25.0);
  EXPECT_DOUBLE_EQ(*readings.LoadAverage(), 0.52);

  ProcReadings none((proc.root / "missing").string());
  EXPECT_FALSE(none.CpuLoadPercent());
  EXPECT_FALSE(none.MemoryInUsePercent());
  EXPECT_FALSE(none.LoadAverage());
  std::array<SensorEntry, 3> zero = SystemEntries(none);
  EXPECT_EQ(zero[0].name, "CPU Load");
  EXPECT_EQ(zero[0].value, 0);
  EXPECT_EQ(zero[2].value, 0);
}

TEST(SensorTableTest, ChipsComeInTheOrderOfTheirNamesAndNamesTellAChipsFeaturesApart) {
  auto feature = [](std::string chip, std::string name, std::string label) {
    return HwmonFeature{.chip = std::move(chip),
                        .feature = std::move(name),
                        .label = std::move(label),
                        .type = 1,
                        .source = 0,
                        .name = {}};
  };
  // Listed as the kernel numbered them this boot: the NVMe drive came up before the CPU.
  std::vector<HwmonFeature> found = {
      feature("nvme-pci-0100", "temp1", "Composite"),
      feature("coretemp-isa-0000", "temp1", "Package id 0"),
      feature("coretemp-isa-0000", "temp2", "Core 0"),
      feature("coretemp-isa-0000", "temp3", "Core 1"),
      feature("nct6798-isa-0290", "in0", "Vcore"),
      feature("nct6798-isa-0290", "in1", "+12V"),
      feature("nct6798-isa-0290", "in2", "+12V"),
      feature("nct6798-isa-0290", "in3", " \t"),
      feature("nct6798-isa-0290", "temp1", "System  Temp\n"),
      feature("nct6798-isa-0290", "temp2", "PCH Chip Temperature"),
      feature("nct6798-isa-0290", "temp3", "PCH Chip Temperature Two"),
      feature("nct6798-isa-0290", "temp4",
              "Wasser \xC2\xB0"
              "C"),
  };
  for (size_t i = 0; i < found.size(); ++i)
    found[i].source = static_cast<int>(i);
  const std::vector<HwmonFeature> table = ArrangeHwmon(found);
  std::vector<std::string> names;
  std::vector<int> sources;
  for (const HwmonFeature& f : table) {
    names.push_back(f.name);
    sources.push_back(f.source);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Package id 0", "Core 0", "Core 1",  // coretemp
                                             "Vcore", "in1 +12V", "in2 +12V", "in3", "System Temp",
                                             "temp2 PCH Ch", "temp3 PCH Ch",
                                             "Wasser \xC2\xB0"
                                             "C",             // nct6798
                                             "Composite"}));  // nvme
  EXPECT_EQ(sources, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0}));
  for (const std::string& name : names)
    EXPECT_LE(name.size(), 12u) << name;

  // Where the feature's name in front still leaves two alike, the feature's name alone does it.
  const std::vector<HwmonFeature> odd = ArrangeHwmon({feature("it87-isa-0a30", "in1", "+12V"),
                                                      feature("it87-isa-0a30", "in2", "+12V"),
                                                      feature("it87-isa-0a30", "in4", "in1 +12V")});
  EXPECT_EQ(odd[0].name, "in1");
  EXPECT_EQ(odd[1].name, "in2 +12V");
  EXPECT_EQ(odd[2].name, "in4");

  // The same labels on two chips are told apart by their numbers in the list, not renamed.
  const std::vector<HwmonFeature> drives =
      ArrangeHwmon({feature("nvme-pci-0200", "temp1", "Composite"),
                    feature("nvme-pci-0100", "temp1", "Composite")});
  EXPECT_EQ(drives[0].name, "Composite");
  EXPECT_EQ(drives[1].name, "Composite");
  EXPECT_EQ(drives[0].chip, "nvme-pci-0100");
}

TEST(SensorTableTest, HardwareFirstThenTheSystemAndNoMoreThanNinetyNine) {
  TempDir proc;
  WriteProc(proc, "100 0 100 800 0");
  ProcReadings readings(proc.root.string());
  const std::array<SensorEntry, 3> system = SystemEntries(readings);
  EXPECT_EQ(system[0].name, "CPU Load");
  EXPECT_EQ(system[0].type, 5);
  EXPECT_DOUBLE_EQ(system[0].value, 20.0);
  EXPECT_EQ(system[1].name, "Memory Used");
  EXPECT_EQ(system[1].type, 5);
  EXPECT_DOUBLE_EQ(system[1].value, 25.0);
  EXPECT_EQ(system[2].name, "Load Average");
  EXPECT_EQ(system[2].type, 0);
  EXPECT_DOUBLE_EQ(system[2].value, 0.52);

  const std::vector<SensorEntry> hwmon = {{1, "Core 0", 41}, {3, "fan1", 1200}};
  SensorTable table = AssembleTable(hwmon, system);
  EXPECT_EQ(table[0].name, "Core 0");
  EXPECT_EQ(table[1].value, 1200);
  EXPECT_EQ(table[2].name, "CPU Load");
  EXPECT_EQ(table[4].name, "Load Average");
  EXPECT_EQ(table[5].name, "");
  EXPECT_EQ(table[98].type, 0);

  const std::vector<SensorEntry> many(97, SensorEntry{2, "in", 1});
  table = AssembleTable(many, system);
  EXPECT_EQ(table[96].name, "in");
  EXPECT_EQ(table[97].name, "CPU Load");
  EXPECT_EQ(table[98].name, "Memory Used");

  table = AssembleTable({}, {});
  for (const SensorEntry& e : table)
    EXPECT_TRUE(e.type == 0 && e.name.empty() && e.value == 0);
}

// The table as the backend makes it from what libsensors lists, in the order it lists it.
SensorTable TableFrom(std::vector<HwmonFeature> found) {
  for (size_t i = 0; i < found.size(); ++i)
    found[i].source = static_cast<int>(i);
  std::vector<SensorEntry> hwmon;
  for (HwmonFeature& f : ArrangeHwmon(std::move(found)))
    hwmon.push_back({f.type, f.name, 0, f.chip, f.feature});
  ProcReadings none("/nonexistent");
  const std::array<SensorEntry, 3> system = SystemEntries(none);
  return AssembleTable(hwmon, system);
}

TEST(SensorTableTest, EntriesTellTheirOriginSoThatAChoiceFindsItsSensorWhereverItStands) {
  auto f = [](std::string chip, std::string name, std::string label) {
    return HwmonFeature{.chip = std::move(chip),
                        .feature = std::move(name),
                        .label = std::move(label),
                        .type = 1,
                        .source = 0,
                        .name = {}};
  };
  const HwmonFeature package = f("coretemp-isa-0000", "temp1", "Package id 0");
  const HwmonFeature core = f("coretemp-isa-0000", "temp2", "Core 0");
  const HwmonFeature drive = f("nvme-pci-0100", "temp1", "Composite");
  const HwmonFeature board = f("acpitz-acpi-0", "temp1", "");

  const SensorTable first = TableFrom({drive, package, core});
  EXPECT_EQ(first[1].name, "Core 0");
  EXPECT_EQ(OriginOf(first[1]), (SensorOrigin{"coretemp-isa-0000", "temp2"}));
  EXPECT_EQ(OriginOf(first[3]), (SensorOrigin{"system", "cpu-load"}));
  const std::string choice = SensorChoiceItem(1, first[1]);
  const SensorOrigin origin = OriginOf(first[1]);
  const std::string load = SensorChoiceItem(3, first[3]);
  EXPECT_EQ(FindSensorChoice(choice, origin, first), 1);

  // The chips listed in another order after a reboot: the same table.
  EXPECT_EQ(FindSensorChoice(choice, origin, TableFrom({package, core, drive})), 1);
  // A chip that sorts first comes later: everything after it moves, the choices with it.
  const SensorTable later = TableFrom({drive, package, core, board});
  EXPECT_EQ(later[0].chip, "acpitz-acpi-0");
  EXPECT_EQ(FindSensorChoice(choice, origin, later), 2);
  EXPECT_EQ(FindSensorChoice(load, {"system", "cpu-load"}, later), 4);
  // Its chip gone: absent, not another sensor under its number.
  const SensorTable gone = TableFrom({drive, board});
  EXPECT_EQ(FindSensorChoice(choice, origin, gone), kSensorAbsent);
  EXPECT_EQ(FindSensorChoice(load, {"system", "cpu-load"}, gone), 2);
  // A driver that numbers its features anew: the chip and the name still find it.
  HwmonFeature renumbered = core;
  renumbered.feature = "temp5";
  EXPECT_EQ(FindSensorChoice(choice, origin, TableFrom({package, renumbered})), 1);
  // A choice without an origin names its entry by number, as the settings file always did.
  EXPECT_EQ(FindSensorChoice(choice, {}, later), 1);
  EXPECT_EQ(FindSensorChoice(kNoSensor, origin, later), -1);
}

TEST(HwmonSignatureTest, ChangesWhenADeviceComesOrGoesOnly) {
  TempDir sys;
  const std::string root = sys.root.string();
  const std::string empty = HwmonSignature(root);
  fs::create_directory_symlink("../../devices/platform/coretemp.0/hwmon/hwmon0",
                               sys.root / "hwmon0");
  fs::create_directory_symlink("../../devices/pci0000:00/nvme/hwmon/hwmon1", sys.root / "hwmon1");
  const std::string two = HwmonSignature(root);
  EXPECT_NE(two, empty);
  EXPECT_EQ(HwmonSignature(root), two);
  // The same number for another device (a driver reloaded as another came) is a change too.
  fs::remove(sys.root / "hwmon1");
  fs::create_directory_symlink("../../devices/platform/nct6775.656/hwmon/hwmon1",
                               sys.root / "hwmon1");
  const std::string replaced = HwmonSignature(root);
  EXPECT_NE(replaced, two);
  fs::remove(sys.root / "hwmon0");
  EXPECT_NE(HwmonSignature(root), replaced);
  EXPECT_EQ(HwmonSignature((sys.root / "missing").string()), "");
}

TEST(LinuxSensorsTest, TheSystemReadingsFollowTheHardwareAndKeepComing) {
  TempDir proc;
  WriteProc(proc, "100 0 100 800 0");
  LinuxSensors sensors({.proc_root = proc.root.string(),
                        .active_period = 10ms,
                        .idle_period = 10ms,
                        .first_wait = 10s});
  const int n = sensors.HwmonEntries();
  if (n > kSensorEntries - 3) GTEST_SKIP() << "this machine's hardware fills the whole table";
  SensorTable table = sensors.ReadTable();
  EXPECT_EQ(table[n].name, "CPU Load");
  EXPECT_DOUBLE_EQ(table[n].value, 20.0);
  EXPECT_DOUBLE_EQ(table[n + 1].value, 25.0);
  EXPECT_EQ(table[n + 2].name, "Load Average");
  EXPECT_DOUBLE_EQ(table[n + 2].value, 0.52);

  // Readings are taken anew while the table is read: the load of the latest interval arrives.
  WriteProc(proc, "160 0 100 840 0");
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (sensors.ReadTable()[n].value != 60.0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(5ms);
  EXPECT_DOUBLE_EQ(sensors.ReadTable()[n].value, 60.0);
}

TEST(LinuxSensorsTest, ThisMachinesOwnSystemReadings) {
  LinuxSensors sensors;
  const int n = sensors.HwmonEntries();
  if (n > kSensorEntries - 3) GTEST_SKIP() << "this machine's hardware fills the whole table";
  const SensorTable table = sensors.ReadTable();
  EXPECT_EQ(table[n].name, "CPU Load");
  EXPECT_GE(table[n].value, 0);
  EXPECT_LE(table[n].value, 100);
  EXPECT_EQ(table[n + 1].name, "Memory Used");
  EXPECT_GT(table[n + 1].value, 0);
  EXPECT_LE(table[n + 1].value, 100);
  EXPECT_GE(table[n + 2].value, 0);
}

TEST(LinuxSensorsTest, ThisMachinesHardwareThroughLibsensors) {
  // Two backends at once share the library's one state; either may go first.
  auto first = std::make_unique<LinuxSensors>();
  LinuxSensors second;
  const int n = second.HwmonEntries();
  EXPECT_EQ(first->HwmonEntries(), n);
  first.reset();
  if (n == 0)
    GTEST_SKIP() << "libsensors finds no hwmon chips here (a virtual machine or container "
                    "without /sys/class/hwmon); the system readings are tested on their own";
  const SensorTable table = second.ReadTable();
  for (int i = 0; i < n; ++i) {
    const SensorEntry& e = table[i];
    EXPECT_FALSE(e.name.empty()) << i;
    EXPECT_LE(e.name.size(), 12u) << e.name;
    EXPECT_TRUE(e.type == 0 || e.type == 1 || e.type == 2 || e.type == 3 || e.type == 5) << e.name;
    std::printf("%02d %-12s type %d: %g\n", i + 1, e.name.c_str(), e.type, e.value);
  }
  // The order is the same for a second backend, as after a restart.
  const SensorTable again = LinuxSensors().ReadTable();
  for (int i = 0; i < n; ++i)
    EXPECT_EQ(again[i].name, table[i].name) << i;
}

}  // namespace
}  // namespace vfd
