#pragma once

#include <string>
#include <vector>

#include "core/Clock.h"
#include "core/EventLoop.h"
#include "core/Random.h"
#include "core/UserDialogs.h"
#include "display/DisplayLink.h"
#include "display/ParallelLink.h"
#include "display/ParallelPort.h"
#include "display/SerialDevice.h"
#include "display/SerialLink.h"
#include "display/VfdSelect.h"
#include "shell/FrmMain.h"

namespace vfd {

// What the program needs from the machine it runs on. The real backends live in the platform
// layer; tests pass fakes.
struct Services {
  EventLoop& loop;
  MonotonicClock& monotonic;
  WallClock& wall;
  RandomSource& random;
  SerialDevice& serial;
  ParallelPort& parallel;
  MessageBoxes& boxes;
  // Serial devices found at start (USB adapters and the like), listed after COM1..COM4.
  std::vector<std::string> serial_ports;
};

// The whole program: the main window's model, every subsystem, and the handlers that tie the
// window's controls to them.
class Program {
 public:
  explicit Program(Services services);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The main window's load step.
  void Start();
  // The main window's unload step. Safe to call more than once; later calls do nothing.
  void Shutdown();
  bool ShutDown() const { return shut_down_; }

  Services& services() { return services_; }
  FrmMain& main() { return main_; }
  DisplayLink& display() { return display_; }
  SerialLink& serial() { return serial_; }
  ParallelLink& parallel() { return parallel_; }
  FrmVFDSelect& vfd_select() { return vfd_select_; }

 private:
  void WireHandlers();

  Services services_;
  FrmMain main_;
  SerialLink serial_;
  ParallelLink parallel_;
  DisplayLink display_;
  FrmVFDSelect vfd_select_;
  bool shut_down_ = false;
};

}  // namespace vfd
