#include "shell/Program.h"

namespace vfd {
namespace {

DisplayPanel PanelOf(FrmMain& m) {
  return DisplayPanel{m.Line1,          m.Line2,
                      m.DivLine,        m.lstComport,
                      m.lstSpeed,       m.lstPPort,
                      m.cmdBrightness,  m.cmdClearMemory,
                      m.cmdSelfTest,    m.cmdRandomBrightness,
                      m.cmdKnightrider, m.Timer5,
                      m.Timer8,         m.FunctionTimers(),
                      m.lblStatus};
}

}  // namespace

Program::Program(Services services)
    : services_(std::move(services)),
      serial_(services_.serial, services_.loop),
      parallel_(services_.parallel, services_.monotonic),
      display_(PanelOf(main_), serial_, parallel_, services_.loop, services_.boxes),
      vfd_select_(display_) {
  for (Timer* timer : main_.AllTimers())
    timer->AttachHost(&services_.loop);
  for (const std::string& port : services_.serial_ports)
    display_.EnsurePortEntry(port);
  WireHandlers();
}

Program::~Program() {
  // Timers detach from the loop as they go; the port must not be left open behind the program.
  if (serial_.IsSerialOpen()) serial_.CloseSerial();
}

void Program::WireHandlers() {
  FrmMain& m = main_;
  m.cmdBrightness.on_click = [this] { display_.StepBrightness(); };
  m.cmdClearMemory.on_click = [this] { display_.ClearDisplayMemory(); };
  m.cmdSelfTest.on_click = [this] { display_.ToggleSelfTest(); };
  m.cmdModel.on_click = [this] { vfd_select_.Show(); };
  m.lstComport.on_select = [this] { display_.SelectComPort(); };
  m.lstSpeed.on_select = [this] { display_.SelectSpeed(); };
  m.lstPPort.on_select = [this] { display_.SelectParallelBase(); };
}

void Program::Start() {
  main_.SetCaption(std::string("VFD Vorlinx Version ") + kProgramVersion);
  display_.InitDisplayModel();
  display_.ShowSplash();
  display_.ApplyBrightness();
}

void Program::Shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  vfd_select_.Unload();
  for (Timer* timer : main_.AllTimers())
    timer->SetEnabled(false);
  if (serial_.IsSerialOpen()) serial_.CloseSerial();
}

}  // namespace vfd
