#pragma once

#include "shell/Program.h"

namespace vfd::bench {

// Devices that take everything at once and keep nothing, so that a benchmark measures only the
// program's own work for a frame or a command.
class NullSerial : public SerialDevice {
 public:
  SerialOpenResult Open(const std::string&, int) override {
    open_ = true;
    return {};
  }
  bool IsOpen() const override { return open_; }
  size_t Room() override { return 1 << 20; }
  size_t Capacity() const override { return 1 << 20; }
  long Write(const uint8_t*, size_t size) override { return static_cast<long>(size); }
  bool WriteAllAndDrain(const uint8_t*, size_t, int) override { return true; }
  void Close() override { open_ = false; }
  std::string LastError() const override { return {}; }

 private:
  bool open_ = false;
};

class NullParallel : public ParallelPort {
 public:
  bool Select(uint16_t, std::string*) override { return true; }
  void Release() override {}
  void Out(uint16_t, uint8_t value) override { sink_ = value; }
  uint8_t In(uint16_t) override { return 0xFF; }

 private:
  volatile uint8_t sink_ = 0;
};

// A real generator, so that random draws cost what they cost in the program.
class Lcg : public RandomSource {
 public:
  double Next() override {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state_ >> 11) * 0x1.0p-53;
  }

 private:
  uint64_t state_ = 42;
};

class NullLoop : public EventLoop,
                 public MonotonicClock,
                 public WallClock,
                 public MessageBoxes,
                 public TextFiles,
                 public FileDialogs {
 public:
  void Post(std::function<void()> task) override { task(); }
  void PumpEvents(int) override {}
  bool Pumping() const override { return false; }
  void TimerChanged(Timer&) override {}
  void TimerDestroyed(Timer&) override {}
  int64_t MonotonicMicros() override { return 0; }
  LocalDateTime Now() override { return {}; }
  void ShowMessage(const std::string&, const std::string&) override {}
  std::optional<std::string> Read(const std::string&, std::string*, size_t) override {
    return std::nullopt;
  }
  bool WriteAtomically(const std::string&, const std::string&, std::string*) override {
    return true;
  }
  bool IsRegularFile(const std::string&) override { return false; }
  bool Rename(const std::string&, const std::string&, std::string*) override { return false; }

  std::optional<std::string> OpenFile(const std::string&, const std::string&,
                                      const std::string&) override {
    return std::nullopt;
  }
};

// The program on null devices with `model` chosen and its port open or address set; the media
// player and the sensors are none unless given.
struct NullProgram {
  explicit NullProgram(int16_t model, MediaPlayer* with_player = nullptr,
                       SensorSource* with_sensors = nullptr)
      : program(Services{.loop = loop,
                         .monotonic = loop,
                         .wall = loop,
                         .formats = formats,
                         .random = random,
                         .serial = serial,
                         .parallel = parallel,
                         .boxes = loop,
                         .files = loop,
                         .file_dialogs = loop,
                         .http = http,
                         .player = with_player ? *with_player : player,
                         .sensors = with_sensors ? *with_sensors : sensors,
                         .tides = tides}) {
    const ModelRow* row = FindModel(model);
    program.display().screen_type = row->screen;
    program.display().display_model = model;
    if (row->link == LinkKind::kSerial) program.serial().SetSerialPort("COM1");
    program.display().InitDisplayModel();
    if (row->link == LinkKind::kParallel) program.main().lstPPort.SetListIndex(0);
  }
  NullLoop loop;
  NullSerial serial;
  NullParallel parallel;
  Lcg random;
  UsRegionalFormats formats;
  NoHttp http{loop};
  NoTidePages tides{loop};
  NoMediaPlayer player;
  NoSensors sensors;
  Program program;
};

}  // namespace vfd::bench
