#pragma once

#include <memory>
#include <string>

#include "app/LazyBackends.h"
#include "core/EventLoop.h"
#include "core/UserDialogs.h"
#include "platform/InstanceLock.h"
#include "platform/LinuxParallelPort.h"
#include "platform/LocaleFormats.h"
#include "platform/PosixSerialDevice.h"
#include "platform/PosixTextFiles.h"
#include "platform/SeededRandom.h"
#include "platform/SystemClock.h"
#include "platform/TcpLineServer.h"
#include "shell/Program.h"

namespace vfd::app {

// Takes the one-instance lock on the settings in the working directory. A second instance
// would overwrite the first one's file at exit and fight it for the port. kFailed is told on
// stderr under `program`'s name (the program then runs unguarded); kHeldElsewhere is for the
// caller to tell, in its own way.
InstanceLock::Result GuardSettings(InstanceLock& lock, const char* program);

// The text a second instance tells, without the full stop.
inline constexpr const char* kAlreadyRunning = "VFD Vorlinx is already running with these settings";

// The real machine's services for the program, whichever event loop runs it: ports, files, the
// web on a thread of its own, sensors, scripts, tide tables (predicted here or fetched, as the
// services file beside the settings says) and any media player on the session bus. Built in
// the working directory, after GuardSettings.
class MachineServices {
 public:
  // The local tide data is read when tides are first asked for, never at start.
  MachineServices(EventLoop& loop, MessageBoxes& boxes, FileDialogs& file_dialogs);
  ~MachineServices();
  MachineServices(const MachineServices&) = delete;
  MachineServices& operator=(const MachineServices&) = delete;

  Services ForProgram();
  MonotonicClock& monotonic() { return clock_; }

 private:
  EventLoop& loop_;
  MessageBoxes& boxes_;
  FileDialogs& file_dialogs_;
  SystemClock clock_;
  LocaleFormats formats_;
  SeededRandom random_;
  PosixSerialDevice serial_;
  LinuxParallelPort parallel_;
  PosixTextFiles files_;
  // The heavy backends come from a module opened on first use: a clock or The Matrix never
  // pays for curl, ICU, libxml2, sd-bus or TagLib.
  BackendModule web_;
  BackendModule scripts_module_;
  BackendModule player_module_;
  BackendModule tides_module_;
  BackendModule sensors_module_;
  LazyHttpClient http_;
  LazyWebDocuments documents_;
  LazySensors sensors_;
  LazyTransliterator scripts_;
  std::unique_ptr<TidePageSource> tides_;
  LazyMediaPlayer player_;
  // The LCDproc clients' sockets, on a thread of their own.
  TcpLineServer lcdproc_sockets_;
};

}  // namespace vfd::app
