#pragma once

#include <memory>
#include <string>

#include "platform/IcuTransliterator.h"
#include "platform/WebDocumentParsers.h"
#include "shell/Program.h"
#include "support/FakeLineServer.h"
#include "support/Fakes.h"
#include "support/VirtualEventLoop.h"

namespace vfd::testing {

// The whole program on the virtual event loop, with recording fakes for every device.
struct Rig {
  VirtualEventLoop loop;
  ScriptedRandom random;
  UsRegionalFormats formats;
  FakeSerialDevice serial{loop};
  FakeParallelPort parallel{loop};
  FakeMessageBoxes boxes;
  MemoryFiles files;
  FakeFileDialogs file_dialogs;
  FakeHttp http{loop};
  WebDocumentParsers documents;
  FakeMediaPlayer player;
  FakeSensors sensors;
  FakeTidePages tides{loop};
  IcuTransliterator scripts;
  FakeLineServer lcdproc_sockets;
  // The serial devices the machine has, as the port list asks for them.
  std::vector<std::string> present_ports;
  // Before the program: the program's last bytes (closing the port) still reach it.
  std::unique_ptr<DisplayEmulator> emulator;
  std::unique_ptr<Program> program =
      std::make_unique<Program>(Services{.loop = loop,
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
                                         .documents = documents,
                                         .player = player,
                                         .sensors = sensors,
                                         .tides = tides,
                                         .scripts = scripts,
                                         .list_serial_ports = [this] { return present_ports; },
                                         .lcdproc_sockets = lcdproc_sockets});

  FrmMain& main() { return program->main(); }
  DisplayLink& display() { return program->display(); }

  // Chooses a model and geometry directly (as an applied selection would) and runs the model's
  // start-up, without going through the dialog; a serial model on COM1 unless a port is chosen.
  void UseModel(int16_t model) {
    const ModelRow* row = FindModel(model);
    display().screen_type = row->screen;
    display().display_model = model;
    // A serial display sits on the first port, as if the user had chosen it before.
    if (row->link == LinkKind::kSerial && program->serial().Port().empty())
      program->serial().SetSerialPort("COM1");
    display().InitDisplayModel();
  }

  // Sends what reaches the display into an emulator of `model` from now on.
  DisplayEmulator& Emulate(int16_t model) {
    emulator = DisplayEmulator::ForModel(model);
    serial.on_bytes = [this](std::string_view bytes) { emulator->FeedSerial(bytes); };
    parallel.emulator = emulator.get();
    return *emulator;
  }
  const Glass& glass() const { return emulator->glass(); }
};

}  // namespace vfd::testing
