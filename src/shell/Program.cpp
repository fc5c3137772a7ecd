#include "shell/Program.h"

#include "shell/SettingsFile.h"

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
      vfd_select_(display_),
      modes_(main_, display_),
      ticker_(main_, display_, services_.loop, services_.files, services_.file_dialogs),
      effects_(main_, display_, services_.random),
      clock_(main_, display_, ticker_, services_.wall, services_.formats),
      matrix_(main_, display_, services_.random),
      vertical_scroll_(display_, ticker_),
      countdown_(display_, services_.wall, settings_),
      frm_countdown_(settings_),
      cracker_(main_, display_, ticker_, services_.random),
      bars_(display_, services_.loop) {
  for (Timer* timer : main_.AllTimers())
    timer->AttachHost(&services_.loop);
  for (const std::string& port : services_.serial_ports)
    display_.EnsurePortEntry(port);
  // Before the settings are read the level is that of a program that has set none yet.
  display_.brightness_level = 0;
  modes_.SetTick(1, [this] { ticker_.Tick(); });
  modes_.SetTick(2, [this] { matrix_.Tick(); });
  modes_.SetTick(3, [this] { clock_.Tick(); });
  modes_.SetTick(10, [this] { vertical_scroll_.Tick(); });
  modes_.SetTick(15, [this] { countdown_.Tick(); });
  modes_.SetTick(16, [this] { cracker_.Tick(); });
  modes_.on_code_cracker_activated = [this] { cracker_.crack_target = ticker_.current_message; };
  cracker_.start_resumed_function = [this](int16_t code) {
    modes_.StartFunctionByCode(std::to_string(code));
  };
  // Choosing a function or typing while start-up's crack runs ends the hand-over; otherwise the
  // echo would stay off and a later crack would still start the stored function.
  modes_.before_activate = [this] { cracker_.CancelHandOver(); };
  main_.txtMessage.on_change = [this] {
    cracker_.CancelHandOver();
    ticker_.LiveMessageEcho();
  };

  FrmMain& m = main_;
  m.cmdBrightness.on_click = [this] { display_.StepBrightness(); };
  m.cmdClearMemory.on_click = [this] { display_.ClearDisplayMemory(); };
  m.cmdSelfTest.on_click = [this] { display_.ToggleSelfTest(); };
  m.cmdModel.on_click = [this] { vfd_select_.Show(); };
  m.cmdCountConfig.on_click = [this] {
    frm_countdown_.Show();
    display_.ApplyBrightness();
  };
  m.lstComport.on_select = [this] { display_.SelectComPort(); };
  m.lstSpeed.on_select = [this] { display_.SelectSpeed(); };
  m.lstPPort.on_select = [this] { display_.SelectParallelBase(); };
}

Program::~Program() {
  // The port must not be left open (its last bytes unsent) behind the program.
  if (serial_.IsSerialOpen()) serial_.CloseSerial();
}

void Program::Start() {
  // The random source was seeded from the clock when the platform created it.
  matrix_.InitStreams();
  ticker_.SetMessage(main_.txtMessage.Text());
  main_.SetCaption(std::string("VFD Vorlinx Version ") + kProgramVersion);
  ticker_.startup_complete = 0;
  OpenedSettings opened = OpenSettingsFile(services_.files, services_.settings_path);
  settings_ = std::move(opened.settings);
  if (!opened.status.empty()) display_.ReportStatus(opened.status);
  LoadSettings();
  modes_.rotation_slot = 1;
  CreateTrayIcon();
}

void Program::LoadSettings() {
  const Settings& s = settings_;
  FrmMain& m = main_;
  // L1: the first 21 values.
  display_.display_model = s.DisplayModelCode;
  display_.screen_type = s.ScreenTypeCode;
  // L2: the stored port choice, as if the user chose it. A device path that is not present any
  // more still gets its entry, so that the choice stays visible and is kept at exit.
  if (s.ComPort.starts_with("/")) display_.EnsurePortEntry(s.ComPort);
  m.lstComport.SetListIndex(m.lstComport.Find(s.ComPort));
  m.lstSpeed.SetListIndex(m.lstSpeed.Find(s.ComSpeed));
  // L3: the entry whose address is the stored one; another value selects nothing.
  if (int index = m.lstPPort.Find(ParallelLink::HexText(s.ParallelPortBase)); index >= 0)
    m.lstPPort.SetListIndex(index);
  // L4
  display_.InitDisplayModel();
  display_.ShowSplash();
  // L5
  m.cmdUpdate.SetCaption(s.UpdateCheckCaption);
  CheckForUpdate();
  // L6
  m.SetWindowState(s.MainWindowState);
  // L7
  m.cmdClockMode.SetCaption(s.ClockModeCaption);
  m.cmdRandomBrightness.SetCaption(s.LiquifyCaption);
  m.cmdAutoSleep.SetCaption(s.ExitSleepCaption);
  m.cmdCrackStart.SetCaption(s.CrackOnLoadCaption);
  m.cmdKnightrider.SetCaption(s.KnightriderCaption);
  m.cmdGlow.SetCaption(s.GlowCaption);
  m.cmdMatrixDirection.SetCaption(s.MatrixDirection);
  // L8: the effects that ran at exit run again, whatever the model.
  if (s.LiquifyCaption == "Oww, My Eyes!") m.Timer5.SetEnabled(true);
  if (s.KnightriderCaption == "Shut Up KITT!") m.Timer8.SetEnabled(true);
  if (s.GlowCaption == "It's Alive! Quick, Kill It!") m.Timer11.SetEnabled(true);
  // L9
  m.Timer4.SetInterval(s.WinampTitleStyle == "Fixed" ? 1000 : s.WinampScrollInterval);
  // L10
  m.cmdSleepTimer.SetCaption(s.AutoTimerCaption);
  if (s.AutoTimerCaption == "AutoTimer On") m.Timer18.SetEnabled(true);
  // L11, L12
  display_.brightness_level = s.BrightnessLevel;
  display_.ApplyBrightness();
  // L13, L14
  PrereadWinamp();
  UploadWinampPatterns();
  // L16: the message box takes the stored message; its change handler stops the function
  // timers (none runs yet) and sets the message, without an echo during start-up.
  m.txtMessage.SetText(s.MessageText);
  if (m.cmdCrackStart.Caption() != "Crack Code on Load") {
    // L17
    modes_.StartFunctionByCode(s.StartFunctionCode);
    ticker_.startup_complete = 1;
  } else {
    // L18: the code cracker reveals the message first and then starts the stored function.
    cracker_.crack_on_load_pending = true;
    cracker_.resume_function_code = LeadingNumber(s.StartFunctionCode);
    cracker_.crack_target = m.txtMessage.Text();
    m.Timer16.SetEnabled(true);
  }
}

Settings Program::CollectSettings() const {
  Settings s = settings_;
  const FrmMain& m = main_;
  s.ComPort = m.lstComport.Text();
  s.ComSpeed = m.lstSpeed.Text();
  s.ClockModeCaption = m.cmdClockMode.Caption();
  s.UpdateCheckCaption = m.cmdUpdate.Caption();
  s.LiquifyCaption = m.cmdRandomBrightness.Caption();
  s.ExitSleepCaption = m.cmdAutoSleep.Caption();
  s.CrackOnLoadCaption = m.cmdCrackStart.Caption();
  s.KnightriderCaption = m.cmdKnightrider.Caption();
  s.GlowCaption = m.cmdGlow.Caption();
  s.AutoTimerCaption = m.cmdSleepTimer.Caption();
  s.MatrixDirection = m.cmdMatrixDirection.Caption();
  s.MessageText = m.txtMessage.Text();
  s.MainWindowState = static_cast<int16_t>(m.WindowState());
  s.StartFunctionCode = modes_.RunningFunctionCode();
  // Leaving during start-up's crack keeps the function it was about to start, not the crack.
  if (s.StartFunctionCode == "16" && cracker_.HandingOver())
    s.StartFunctionCode = std::to_string(cracker_.resume_function_code);
  s.ParallelPortBase = parallel_.Base();
  s.DisplayModelCode = display_.display_model;
  s.ScreenTypeCode = display_.screen_type;
  s.BrightnessLevel = display_.brightness_level;
  return s;
}

void Program::Shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  RemoveTrayIcon();
  // Values typed into an open dialog without Apply are lost.
  frm_countdown_.Unload();
  vfd_select_.Unload();
  if (!SaveSettingsFile(services_.files, services_.settings_path, CollectSettings(),
                        &save_error_)) {
    display_.ReportStatus("Could not save the settings: " + save_error_);
  }
  const bool sleep_on_exit = main_.cmdAutoSleep.Caption() == "Sleep on Exit";
  if (display_.display_model == kModelIeeParallel && sleep_on_exit) modes_.StopFunctions();
  display_.RestAtExit(sleep_on_exit);
  // Nothing runs after the window is gone; the port's last bytes go out before it closes.
  for (Timer* timer : main_.AllTimers())
    timer->SetEnabled(false);
  if (serial_.IsSerialOpen()) serial_.CloseSerial();
}

}  // namespace vfd
