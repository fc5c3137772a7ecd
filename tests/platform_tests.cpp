// The Linux backends against real pseudo-terminals and fake /dev and /proc trees.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "display/SerialLink.h"
#include "display/emulator/Decoders.h"
#include "platform/LinuxParallelPort.h"
#include "platform/PosixSerialDevice.h"
#include "platform/SerialPortCatalog.h"
#include "shell/Program.h"
#include "support/Fakes.h"
#include "support/VirtualEventLoop.h"

namespace vfd {
namespace {

namespace fs = std::filesystem;
using Status = SerialOpenResult::Status;
using Clock = std::chrono::steady_clock;

struct TempDir {
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "vfd-platform-XXXXXX").string();
    EXPECT_NE(mkdtemp(pattern.data()), nullptr);
    root = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  std::string operator/(const std::string& rel) const { return (root / rel).string(); }
  void File(const std::string& rel, const std::string& content = "") const {
    fs::create_directories((root / rel).parent_path());
    std::ofstream(root / rel, std::ios::binary) << content;
  }
  void Link(const std::string& rel, const std::string& target) const {
    fs::create_directories((root / rel).parent_path());
    fs::create_symlink(target, root / rel);
  }
  fs::path root;
};

// XDG_RUNTIME_DIR as a test needs it (nullptr: unset), restored afterwards.
struct ScopedRuntimeDir {
  explicit ScopedRuntimeDir(const char* value) {
    if (const char* old = getenv("XDG_RUNTIME_DIR")) {
      saved = old;
      had = true;
    }
    value ? setenv("XDG_RUNTIME_DIR", value, 1) : unsetenv("XDG_RUNTIME_DIR");
  }
  ~ScopedRuntimeDir() {
    had ? setenv("XDG_RUNTIME_DIR", saved.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
  }
  std::string saved;
  bool had = false;
};

// The device under test opens the slave side; the test reads the master.
struct Pty {
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    EXPECT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
    char name[128] = {};
    EXPECT_EQ(ptsname_r(master, name, sizeof name), 0);
    slave = name;
  }
  ~Pty() { CloseMaster(); }
  void CloseMaster() {
    if (master >= 0) close(master);
    master = -1;
  }
  // What has arrived, waiting (within reason) until there are `want` bytes.
  std::string Read(size_t want = 0) {
    std::string out;
    char buf[4096];
    auto limit = Clock::now() + std::chrono::seconds(10);
    for (;;) {
      ssize_t n = read(master, buf, sizeof buf);
      if (n > 0) {
        out.append(buf, static_cast<size_t>(n));
        continue;
      }
      if (out.size() >= want || Clock::now() > limit) return out;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  int master = -1;
  std::string slave;
};

std::string Pattern(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i)
    s[i] = static_cast<char>(i * 7 + i / 251);
  return s;
}

const uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const uint8_t*>(s.data());
}

int64_t MillisSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(PosixSerialDeviceTest, RawLineCarriesEveryByteValueInOrder) {
  Pty pty;
  PosixSerialDevice device;
  ASSERT_TRUE(device.Open(pty.slave, 12345).ok());
  EXPECT_EQ(device.Baud(), 9600);  // not a standard rate

  // Including what a cooked tty would translate or act on (\n, \r, ^C, ^S).
  std::string all;
  for (int i = 0; i < 512; ++i)
    all.push_back(static_cast<char>(i));
  EXPECT_EQ(device.Write(Bytes(all), all.size()), static_cast<long>(all.size()));
  EXPECT_EQ(pty.Read(all.size()), all);

  device.Close();
  device.Close();
  EXPECT_FALSE(device.IsOpen());
  EXPECT_EQ(device.Room(), 0u);
  EXPECT_EQ(device.Write(Bytes(all), 1), -1);
}

TEST(PosixSerialDeviceTest, RoomIsWhatTheLineCarriesInASliceAndRefillsAtTheLineRate) {
  Pty pty;
  PosixSerialDevice device;
  ASSERT_TRUE(device.Open(pty.slave, 300).ok());
  EXPECT_EQ(device.Room(), PosixSerialDevice::kMinRoom);
  ASSERT_TRUE(device.Open(pty.slave, 921600).ok());
  EXPECT_EQ(device.Room(), 92160u * PosixSerialDevice::kRoomSliceMs / 1000);

  // The pseudo-terminal would take kilobytes at once: the line-rate model holds output back.
  ASSERT_TRUE(device.Open(pty.slave, 9600).ok());
  ASSERT_EQ(device.Room(), 48u);  // at least a whole frame
  std::string frame = Pattern(48);
  ASSERT_EQ(device.Write(Bytes(frame), frame.size()), 48);
  EXPECT_LT(device.Room(), 24u);
  std::this_thread::sleep_for(std::chrono::milliseconds(90));  // 48 bytes take 50 ms
  EXPECT_EQ(device.Room(), 48u);
  EXPECT_EQ(pty.Read(frame.size()), frame);
}

TEST(PosixSerialDeviceTest, PortHeldElsewhereIsInUse) {
  Pty pty;
  PosixSerialDevice first, second;
  ASSERT_TRUE(first.Open(pty.slave, 9600).ok());
  EXPECT_EQ(second.Open(pty.slave, 9600).status, Status::kInUse);
  EXPECT_FALSE(second.IsOpen());
  first.Close();
  EXPECT_TRUE(second.Open(pty.slave, 9600).ok());
  second.Close();

  // A UUCP lock file counts while the process it names lives (the parent, here).
  TempDir locks;
  second.SetLockDirectory(locks.root.string());
  const std::string lock = "LCK.." + fs::path(pty.slave).filename().string();
  auto lock_with = [&](int pid, bool binary) {
    char ascii[16];
    std::snprintf(ascii, sizeof ascii, "%10d\n", pid);
    locks.File(lock, binary ? std::string(reinterpret_cast<const char*>(&pid), sizeof pid)
                            : std::string(ascii));
  };
  lock_with(getppid(), false);
  SerialOpenResult r = second.Open(pty.slave, 9600);
  EXPECT_EQ(r.status, Status::kInUse);
  EXPECT_NE(r.reason.find(lock), std::string::npos) << r.reason;
  lock_with(getppid(), true);
  EXPECT_EQ(second.Open(pty.slave, 9600).status, Status::kInUse);

  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(0);
  ASSERT_EQ(waitpid(child, nullptr, 0), child);
  lock_with(child, false);
  EXPECT_TRUE(second.Open(pty.slave, 9600).ok()) << "stale lock";
  locks.File(lock, "garbage\n");
  EXPECT_TRUE(second.Open(pty.slave, 9600).ok());
}

TEST(PosixSerialDeviceTest, FailedOpensSayWhy) {
  TempDir dir;
  PosixSerialDevice device;
  SerialOpenResult missing = device.Open(dir / "ttyUSB7", 9600);
  EXPECT_EQ(missing.status, Status::kFailed);
  EXPECT_EQ(missing.reason, "No such file or directory");
  EXPECT_FALSE(missing.permission_denied);

  dir.File("plain", "x");
  SerialOpenResult plain = device.Open(dir / "plain", 9600);
  EXPECT_EQ(plain.status, Status::kFailed);
  EXPECT_EQ(plain.reason, "not a serial device");
  EXPECT_FALSE(device.IsOpen());

  if (geteuid() != 0) {  // root opens anything
    fs::permissions(dir.root / "plain", fs::perms::none);
    EXPECT_TRUE(device.Open(dir / "plain", 9600).permission_denied);
  }
}

TEST(PosixSerialDeviceTest, DrainWaitsForTheLineButNeverBeyondItsTimeOut) {
  Pty pty;
  PosixSerialDevice device;
  ASSERT_TRUE(device.Open(pty.slave, 9600).ok());
  std::string tail = Pattern(96);  // 100 ms on the line
  auto start = Clock::now();
  EXPECT_TRUE(device.WriteAllAndDrain(Bytes(tail), tail.size(), 2000));
  EXPECT_GE(MillisSince(start), 95);
  EXPECT_EQ(pty.Read(tail.size()), tail);

  // Nobody reads the master, so the kernel buffer fills and stays full.
  std::string flood = Pattern(1 << 20);
  start = Clock::now();
  EXPECT_FALSE(device.WriteAllAndDrain(Bytes(flood), flood.size(), 200));
  EXPECT_LT(MillisSince(start), 5000);

  // The other end goes away.
  pty.CloseMaster();
  EXPECT_EQ(device.Write(Bytes(tail), tail.size()), -1);
  EXPECT_FALSE(device.LastError().empty());
  start = Clock::now();
  EXPECT_FALSE(device.WriteAllAndDrain(Bytes(tail), tail.size(), 500));
  EXPECT_LT(MillisSince(start), 5000);
  device.Close();
  EXPECT_FALSE(device.IsOpen());
}

struct LinkOnPty {
  explicit LinkOnPty(const char* settings) {
    link.SetSerialPort(pty.slave);
    link.SetSerialSettings(settings);
    EXPECT_TRUE(link.OpenSerial().ok());
  }
  Pty pty;
  testing::VirtualEventLoop loop;
  PosixSerialDevice device;
  SerialLink link{device, loop};
};

TEST(PosixSerialLinkTest, LargeOutputWaitsInTheLinkAndArrivesWhole) {
  LinkOnPty t("921600,n,8,1");
  const std::string data = Pattern(60'000);
  t.link.SerialSend(data);
  // Only about a line slice (2304 bytes) went to the kernel.
  EXPECT_GE(t.link.QueuedBytes(), data.size() - 2 * 2304);

  std::string received;
  auto limit = Clock::now() + std::chrono::seconds(20);
  while (received.size() < data.size() && Clock::now() < limit) {
    t.loop.RunFor(2);
    received += t.pty.Read();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(t.link.QueuedBytes(), 0u);
  EXPECT_TRUE(received == data);

  // Closing sends what is still queued first, and the reader still gets all of it.
  const std::string tail = Pattern(5'000);
  t.link.SerialSend(tail);
  t.link.CloseSerial();
  EXPECT_FALSE(t.link.IsSerialOpen());
  EXPECT_TRUE(t.pty.Read(tail.size()) == tail);
}

TEST(PosixSerialLinkTest, VanishedOtherEndClosesTheLinkAndReportsWhy) {
  LinkOnPty t("9600,n,8,1");
  std::vector<std::string> failures;
  t.link.failed.Connect([&](const std::string& why) { failures.push_back(why); });
  t.pty.CloseMaster();
  t.link.SendFrame(Pattern(80));
  t.loop.RunFor(100);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_FALSE(failures[0].empty());
  EXPECT_FALSE(t.link.IsSerialOpen());
  auto start = Clock::now();
  t.link.CloseSerial();
  EXPECT_LT(MillisSince(start), 5000);
}

// The whole program on the real serial backend, its port a symbolic link (as a udev by-id name
// or the simulator's link is) to one end of a pseudo-terminal.
struct ProgramOnLinkedPty {
  ProgramOnLinkedPty() {
    fs::create_symlink(first.slave, port);
    Settings s;
    s.DisplayModelCode = kModelOrbital2x20;
    s.ComPort = port;
    s.ComSpeed = "19200";
    s.BrightnessLevel = 2;
    s.StartFunctionCode = "3";
    s.CrackOnLoadCaption = "Standard Load";
    files.files["vfdsettings.txt"] = FormatSettings(s);
    program.Start();
  }
  // Runs the program while its bytes leave on the real line, and shows what `pty` received on
  // a fresh display.
  std::string Run(Pty& pty, int virtual_ms) {
    auto glass = DisplayEmulator::ForModel(kModelOrbital2x20);
    for (int t = 0; t < virtual_ms; t += 10) {
      loop.RunFor(10);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      glass->FeedSerial(pty.Read());
    }
    return glass->glass().Text();
  }

  TempDir tmp;
  std::string port = tmp / "vfd-port";
  Pty first;
  testing::VirtualEventLoop loop;
  testing::ScriptedRandom random;
  UsRegionalFormats formats;
  PosixSerialDevice serial;
  testing::FakeParallelPort parallel{loop};
  testing::FakeMessageBoxes boxes;
  testing::MemoryFiles files;
  testing::FakeFileDialogs file_dialogs;
  testing::FakeHttp http{loop};
  testing::FakeTidePages tides{loop};
  testing::FakeMediaPlayer player;
  testing::FakeSensors sensors;
  Program program{Services{.loop = loop,
                           .monotonic = loop,
                           .wall = loop,
                           .formats = formats,
                           .random = random,
                           .serial = serial,
                           .parallel = parallel,
                           .boxes = boxes,
                           .files = files,
                           .file_dialogs = file_dialogs,
                           .http = http,
                           .player = player,
                           .sensors = sensors,
                           .tides = tides}};
};

TEST(ReconnectOnPtyTest, ALinkRemovedAndPointedAtANewLineIsFollowed) {
  ProgramOnLinkedPty t;
  ASSERT_TRUE(t.program.serial().IsSerialOpen());
  EXPECT_NE(t.Run(t.first, 600).find("3:45"), std::string::npos);

  // The adapter is pulled: its line goes, and so does its name.
  t.first.CloseMaster();
  fs::remove(t.port);
  t.loop.RunFor(1000);
  ASSERT_FALSE(t.program.serial().IsSerialOpen());
  EXPECT_NE(t.program.main().lblStatus.Caption().find("Trying again"), std::string::npos)
      << t.program.main().lblStatus.Caption();
  t.loop.RunFor(4000);
  EXPECT_FALSE(t.program.serial().IsSerialOpen());

  // It comes back as a new line under the same name.
  Pty second;
  fs::create_symlink(second.slave, t.port);
  const std::string shown = t.Run(second, 2500);
  EXPECT_TRUE(t.program.serial().IsSerialOpen());
  EXPECT_EQ(t.program.main().lblStatus.Caption(), "Reconnected to " + t.port);
  EXPECT_NE(shown.find("3:4"), std::string::npos) << shown;  // the clock again
  t.program.Shutdown();
  EXPECT_EQ(ParseSettings(t.files.files.at("vfdsettings.txt")).settings.ComPort, t.port);
}

TEST(SerialPortCatalogTest, ListsAdaptersByIdLinksAndLiveSimulatorPortsInOrder) {
  TempDir tmp;
  for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyUSB", "ttyUSBx"})
    tmp.File(std::string("dev/") + name);
  tmp.Link("dev/serial/by-id/usb-FTDI_FT232R-if00-port0", "../../ttyUSB2");
  tmp.Link("dev/serial/by-id/usb-Arduino_Uno-if00", "../../ttyACM0");
  tmp.Link("run/vfdsim/model4", tmp / "dev/ttyUSB10");
  tmp.Link("run/vfdsim/model1", tmp / "dev/ttyUSB2");
  tmp.Link("run/vfdsim/stale", tmp / "gone");
  tmp.File("run/vfdsim/notes", "not a port");
  ScopedRuntimeDir runtime((tmp / "run").c_str());

  EXPECT_EQ(
      ListSerialDevices(tmp / "dev"),
      (std::vector<std::string>{tmp / "dev/ttyUSB2", tmp / "dev/ttyUSB10", tmp / "dev/ttyACM0",
                                tmp / "dev/serial/by-id/usb-Arduino_Uno-if00",
                                tmp / "dev/serial/by-id/usb-FTDI_FT232R-if00-port0",
                                tmp / "run/vfdsim/model1", tmp / "run/vfdsim/model4"}));
  EXPECT_TRUE(ListSerialDevices(tmp / "nodev").size() == 2);  // the simulator's only
}

TEST(SerialPortCatalogTest, SimulatorDirectoryFollowsTheRuntimeDirectory) {
  const std::string fallback = "/tmp/vfdsim-" + std::to_string(getuid());
  {
    ScopedRuntimeDir runtime("/run/user/4711");
    EXPECT_EQ(SimulatorPortDirectory(), "/run/user/4711/vfdsim");
  }
  {
    ScopedRuntimeDir runtime(nullptr);
    EXPECT_EQ(SimulatorPortDirectory(), fallback);
  }
  ScopedRuntimeDir runtime("");
  EXPECT_EQ(SimulatorPortDirectory(), fallback);
}

TEST(LinuxParallelPortTest, BaseAddressIsTheFirstDecimalNumber) {
  using P = LinuxParallelPort;
  EXPECT_EQ(P::ParseBaseAddress("888\t1912\n"), 888);
  EXPECT_EQ(P::ParseBaseAddress(" 956"), 956);
  for (const char* bad : {"", "\n", "0x378", "70000\t0"})
    EXPECT_EQ(P::ParseBaseAddress(bad), std::nullopt) << bad;
}

class LinuxParallelPortTreeTest : public ::testing::Test {
 protected:
  LinuxParallelPortTreeTest() {
    tmp_.File("proc/sys/dev/parport/parport0/base-addr", "888\t1912\n");
    tmp_.File("proc/sys/dev/parport/parport1/base-addr", "632\t1656\n");
    tmp_.File("proc/sys/dev/parport/parport2/base-addr", "junk\n");
    tmp_.File("proc/sys/dev/parport/default/spintime", "500\n");
    tmp_.File("dev/parport0");  // not a ppdev device; parport1 has no node at all
    port_.SetDirectIoAllowed(false);
  }
  void ExpectInert() {
    EXPECT_EQ(port_.access(), LinuxParallelPort::Access::kNone);
    for (uint16_t base : {0x378, 0x278, 0x3BC}) {
      port_.Out(base, 0x55);
      port_.Out(base + 2, 0x01);
      EXPECT_EQ(port_.In(base + 1), 0xFF);
    }
  }
  TempDir tmp_;
  LinuxParallelPort port_{tmp_ / "proc", tmp_ / "dev"};
};

TEST_F(LinuxParallelPortTreeTest, MapsBaseAddressesToPpdevDevices) {
  EXPECT_EQ(port_.DeviceForBase(0x378), tmp_ / "dev/parport0");
  EXPECT_EQ(port_.DeviceForBase(0x278), tmp_ / "dev/parport1");
  EXPECT_EQ(port_.DeviceForBase(0x3BC), "");
  EXPECT_EQ(LinuxParallelPort(tmp_ / "noproc", tmp_ / "dev").DeviceForBase(0x378), "");
}

TEST_F(LinuxParallelPortTreeTest, UnreachableAddressFailsSayingWhyAndStaysInert) {
  std::string why;
  EXPECT_FALSE(port_.Select(0x3BC, &why));
  for (const char* part : {"&H3BC", "parport_pc", "ppdev"})
    EXPECT_NE(why.find(part), std::string::npos) << why;
  ExpectInert();

  EXPECT_FALSE(port_.Select(0x278, &why));
  EXPECT_NE(why.find(tmp_ / "dev/parport1"), std::string::npos) << why;
  EXPECT_NE(why.find("No such file or directory"), std::string::npos) << why;
  ExpectInert();

  EXPECT_FALSE(port_.Select(0x378, &why));
  EXPECT_NE(why.find(tmp_ / "dev/parport0"), std::string::npos) << why;
  EXPECT_NE(why.find("claimed"), std::string::npos) << why;
  ExpectInert();
  EXPECT_FALSE(port_.Select(0x2BC, nullptr));
  ExpectInert();
}

}  // namespace
}  // namespace vfd
