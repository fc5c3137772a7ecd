#include "shell/Program.h"

#include "shell/SensorChoicesFile.h"
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
      display_(PanelOf(main_), serial_, parallel_, services_.loop, services_.boxes,
               services_.scripts),
      vfd_select_(display_),
      modes_(main_, display_),
      ticker_({main_.cmdTicker, main_.Timer1, main_.txtMessage, main_.txtFile, main_.cmdCustomMode,
               main_.cmdCustomTextFile},
              display_, services_.files, services_.file_dialogs),
      effects_({main_.cmdGlow, main_.cmdRandomBrightness, main_.cmdKnightrider, main_.Timer5,
                main_.Timer8, main_.Timer9, main_.Timer11},
               display_, services_.random),
      clock_({main_.cmdClock, main_.Timer3, main_.cmdClockMode}, display_, ticker_, services_.wall,
             services_.formats),
      matrix_({main_.cmdMatrix, main_.Timer2, main_.cmdMatrixDirection}, display_,
              services_.random),
      vertical_scroll_({main_.cmdVertScroll, main_.Timer10}, display_, ticker_),
      countdown_({main_.cmdCount, main_.Timer15, main_.cmdCountConfig}, display_, services_.wall,
                 frm_countdown_),
      frm_countdown_(countdown_),
      cracker_({main_.cmdCodeCrack, main_.Timer16}, display_, ticker_, services_.random),
      mbm_({main_.cmdMBM, main_.Timer6, main_.cmdMBMConfig}, display_, services_.sensors,
           frm_mbm_config_),
      frm_mbm_config_(mbm_, services_.loop),
      bars_(display_),
      winamp_({main_.cmdWinamp, main_.Timer4, main_.cmdWinampConfig}, display_, bars_,
              services_.player, services_.wall, services_.formats),
      rotation_(main_, modes_, display_),
      frm_rotate_config_(rotation_, services_.boxes),
      auto_timer_(main_, modes_, services_.wall),
      frm_timer_(auto_timer_, services_.formats, services_.boxes),
      running_state_(main_, modes_, tray_, display_),
      about_(display_, services_.http, services_.boxes),
      hard_news_(kHardNewsSite,
                 {main_.cmdHardNews, main_.Timer13, main_.tmrHN, main_.cmdHardNewsConfig}, display_,
                 services_.http, services_.documents, services_.wall, services_.formats),
      shack_news_(kShacknewsSite,
                  {main_.cmdShacknews, main_.Timer14, main_.tmrSN, main_.cmdShacknewsConfig},
                  display_, services_.http, services_.documents, services_.wall, services_.formats),
      weather_({main_.cmdWeather, main_.Timer17, main_.tmrWeather, main_.cmdWeatherConfig},
               display_, services_.http, services_.documents, services_.wall, services_.formats,
               services_.loop),
      update_check_(main_.cmdUpdate, services_.http, services_.boxes),
      tides_({main_.cmdTides, main_.Timer12, main_.tmrTide, main_.cmdTideConfig}, display_,
             services_.tides, services_.wall, services_.formats, services_.boxes,
             frm_tides_config_),
      frm_tides_config_(tides_),
      lcdproc_({main_.cmdLcdproc, main_.Timer19}, display_, bars_, services_.lcdproc_sockets) {
  for (Timer* timer : main_.AllTimers())
    timer->AttachHost(&services_.loop);
  if (services_.list_serial_ports) {
    display_.RefreshPortList(services_.list_serial_ports());
    port_watch_.on_tick = [this] { display_.RefreshPortList(services_.list_serial_ports()); };
    port_watch_.AttachHost(&services_.loop);
    port_watch_.SetEnabled(true);
  }
  // Before the settings are read the level is that of a program that has set none yet.
  display_.brightness_level = 0;

  modes_.Register(ticker_.Registration());
  modes_.Register(matrix_.Registration());
  modes_.Register(clock_.Registration());
  modes_.Register(winamp_.Registration());
  // The now-playing function draws another function's frames while no player is shown.
  winamp_.run_tick = [this](int16_t code) { modes_.RunTick(code); };
  modes_.Register(vertical_scroll_.Registration());
  modes_.Register(countdown_.Registration());
  modes_.Register(cracker_.Registration());
  modes_.Register(mbm_.Registration());
  modes_.Register(hard_news_.Registration());
  modes_.Register(shack_news_.Registration());
  modes_.Register(weather_.Registration());
  modes_.Register(tides_.Registration());
  modes_.Register(lcdproc_.Registration());
  // The clients' foreground screens hold the glass over whatever runs, then it goes on.
  lcdproc_.take_glass = [this] { modes_.SuspendFunctions(); };
  lcdproc_.give_back_glass = [this] { modes_.ResumeFunctions(); };
  lcdproc_.asleep = [this] { return main_.cmdSleep.Caption() == "Wake"; };
  lcdproc_.TakeoverTimer().AttachHost(&services_.loop);
  modes_.RegisterDialog(vfd_select_, &main_.cmdModel, false);
  modes_.RegisterDialog(frm_rotate_config_, &main_.cmdSetRotate, false);
  modes_.RegisterDialog(frm_timer_, &main_.cmdSleepTimerConfig, true);
  update_check_.report_failure = [this](const std::string& text) { display_.ReportStatus(text); };
  WireHandlers();
  running_state_.Watch();
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
  Settings defaults;
  SetDefaultCountdownTarget(defaults, services_.wall.Now());
  OpenedSettings opened = OpenSettingsFile(services_.files, services_.settings_path, defaults);
  settings_ = std::move(opened.settings);
  settings_not_saved_because_ = std::move(opened.not_saved_because);
  if (!opened.status.empty()) display_.ReportStatus(opened.status);
  ReadServicesFile();
  UseWebServices();
  LoadSettings();
  modes_.rotation_slot = 1;
  // Last, so that a port another server holds is what the status line says.
  lcdproc_.Listen(web_services_.lcdproc);
  CreateTrayIcon();
}

void Program::CreateTrayIcon() {
  tray_.SetSourceWindow(main_);
  tray_.ChangeIcon(RunningState::kAwakeIcon);
  // The tip and the icon say from the start what runs (the stored function, or the crack).
  running_state_.Update();
}

void Program::RemoveTrayIcon() {
  tray_.RemoveFromSysTray();
}

void Program::ReadServicesFile() {
  const std::string path = ServicesPathBeside(services_.settings_path);
  std::string error;
  const std::optional<std::string> text = services_.files.Read(path, &error, kMaxServicesBytes);
  if (!text) {
    // A file that is simply not there means every default.
    if (!error.empty()) display_.ReportStatus(std::string(kServicesFileName) + ": " + error);
    return;
  }
  ServicesFileContents contents = ParseServicesFile(*text);
  web_services_ = std::move(contents.urls);
  for (const std::string& problem : contents.problems)
    display_.ReportStatus(problem);
}

void Program::UseWebServices() {
  for (size_t model = 0; model < web_services_.charset.size(); ++model) {
    if (const std::optional<CharsetChoice> choice = CharsetByName(web_services_.charset[model]))
      display_.SetCharsetChoice(static_cast<int16_t>(model), *choice);
  }
  hard_news_.url = web_services_.hardnews;
  shack_news_.url = web_services_.shacknews;
  weather_.service = web_services_.weather;
  weather_.geocoding_url = web_services_.weather_geocoding;
  weather_.forecast_url = web_services_.weather_forecast;
  update_check_.url = web_services_.update;
  lcdproc_.default_duration = web_services_.lcdproc_duration * 8;
  rotation_.lcdproc_time = static_cast<int16_t>(web_services_.lcdproc_rotation * 100);
  if (services_.prefer_player) services_.prefer_player(web_services_.player);
  // The about box asks the same version file; an address given by the caller wins.
  about_.update_url = services_.update_url.empty() ? web_services_.update : services_.update_url;
}

void Program::ReadSensorChoices() {
  const std::string path = SensorChoicesPathBeside(services_.settings_path);
  std::string error;
  const std::optional<std::string> text =
      services_.files.Read(path, &error, kMaxSensorChoicesBytes);
  if (!text) {
    // Not there: every choice names its entry by number, as older versions wrote them.
    if (!error.empty()) display_.ReportStatus(std::string(kSensorChoicesFileName) + ": " + error);
    return;
  }
  sensor_choices_read_ = true;
  mbm_.origin = ParseSensorChoices(*text, mbm_.sensor);
}

void Program::WriteSensorChoices() {
  bool any = sensor_choices_read_;
  for (const SensorOrigin& origin : mbm_.origin)
    any = any || !origin.Empty();
  if (!any) return;
  std::string error;
  if (!services_.files.WriteAtomically(SensorChoicesPathBeside(services_.settings_path),
                                       FormatSensorChoices(mbm_.sensor, mbm_.origin), &error))
    display_.ReportStatus("Could not save the sensor choices: " + error);
}

void Program::CheckForUpdate() {
  update_check_.CheckForUpdate(kProgramVersion);
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
  // L6: a window minimized at exit goes back into the tray, but only where there is a tray to
  // bring it back from.
  m.SetWindowState(s.MainWindowState == 1 && !tray_.available ? 0 : s.MainWindowState);
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
  // L9: every function takes its own values (the now-playing function its timer's period).
  modes_.LoadFunctionSettings(s);
  ReadSensorChoices();
  // L10
  m.cmdSleepTimer.SetCaption(s.AutoTimerCaption);
  if (s.AutoTimerCaption == "AutoTimer On") m.Timer18.SetEnabled(true);
  // L11, L12
  display_.brightness_level = s.BrightnessLevel;
  display_.ApplyBrightness();
  // L13, L14
  winamp_.PrereadAtStart();
  winamp_.UploadPatternsAtStart();
  // L15: the values that only the schedulers use, before a stored rotation takes its first step.
  rotation_.Load(s);
  auto_timer_.Load(s);
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
  modes_.StoreFunctionSettings(s);
  rotation_.Store(s);
  auto_timer_.Store(s);
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
  // Asleep, nothing runs; what runs again on waking is what the next start should run (the
  // tray's menu sleeps the display on the way to its Exit).
  s.StartFunctionCode =
      m.cmdSleep.Caption() == "Wake" ? modes_.SleepResumeCode() : modes_.RunningFunctionCode();
  // Leaving during start-up's crack keeps the function it was about to start, not the crack.
  if (s.StartFunctionCode == "16" && cracker_.HandingOver())
    s.StartFunctionCode = std::to_string(cracker_.resume_function_code);
  if (parallel_base_chosen_) s.ParallelPortBase = parallel_.Base();
  s.DisplayModelCode = display_.display_model;
  s.ScreenTypeCode = display_.screen_type;
  s.BrightnessLevel = display_.brightness_level;
  return s;
}

void Program::Shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  // Replies that come after this would find nothing to feed; nothing waits on the network.
  services_.http.CancelAll();
  // The clients hear the program go; their screens would have nowhere to show.
  lcdproc_.StopListening();
  lcdproc_.TakeoverTimer().SetEnabled(false);
  RemoveTrayIcon();
  // Values typed into an open dialog without Apply are lost.
  modes_.CloseDialogs();
  if (!settings_not_saved_because_.empty()) {
    save_error_ = settings_not_saved_because_;
    display_.ReportStatus("The settings were not saved: " + save_error_);
  } else if (!SaveSettingsFile(services_.files, services_.settings_path, CollectSettings(),
                               &save_error_)) {
    display_.ReportStatus("Could not save the settings: " + save_error_);
  } else {
    // After the settings: a choices file that names other choices than the settings file does
    // is simply not used.
    WriteSensorChoices();
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
