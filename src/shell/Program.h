#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "core/EventLoop.h"
#include "core/Files.h"
#include "core/Http.h"
#include "core/LineServer.h"
#include "core/MediaPlayer.h"
#include "core/Random.h"
#include "core/SensorTable.h"
#include "core/Settings.h"
#include "core/TidePages.h"
#include "core/Transliterator.h"
#include "core/UserDialogs.h"
#include "core/WebDocuments.h"
#include "display/DisplayLink.h"
#include "display/ParallelLink.h"
#include "display/ParallelPort.h"
#include "display/SerialDevice.h"
#include "display/SerialLink.h"
#include "display/VfdSelect.h"
#include "effects/BrightnessEffects.h"
#include "effects/Clock.h"
#include "effects/CodeCracker.h"
#include "effects/Matrix.h"
#include "effects/ProgressBars.h"
#include "effects/Ticker.h"
#include "effects/VerticalScroll.h"
#include "shell/AboutBox.h"
#include "shell/AutoTimer.h"
#include "shell/Countdown.h"
#include "shell/FrmMain.h"
#include "shell/ModeController.h"
#include "shell/Rotation.h"
#include "shell/RunningState.h"
#include "shell/ServicesFile.h"
#include "shell/SysTray.h"
#include "sources/LcdprocClients.h"
#include "sources/MotherboardMonitor.h"
#include "sources/News.h"
#include "sources/Tides.h"
#include "sources/UpdateCheck.h"
#include "sources/Weather.h"
#include "sources/Winamp.h"

namespace vfd {

// What the program needs from the machine it runs on. The real backends live in the platform
// layer; tests pass fakes. Built with designated initializers, so that every service is named.
struct Services {
  EventLoop& loop;
  MonotonicClock& monotonic;
  WallClock& wall;
  RegionalFormats& formats;
  RandomSource& random;
  SerialDevice& serial;
  ParallelPort& parallel;
  MessageBoxes& boxes;
  TextFiles& files;
  FileDialogs& file_dialogs;
  HttpClient& http;
  // The parsers of what the web-fed functions fetch; without them every document is unreadable.
  WebDocuments& documents = NoWebDocuments::Instance();
  MediaPlayer& player;
  SensorSource& sensors;
  // Tide tables: predicted on this machine or fetched from a page service.
  TidePageSource& tides;
  // Writes the scripts the displays lack in what they show; without it such text shows as '?'.
  Transliterator& scripts = NoTransliterator::Instance();
  // The serial devices present now (USB adapters and the like), listed after COM1..COM4; asked
  // at start and every few seconds after, so that the list follows adapters plugged in or out.
  std::function<std::vector<std::string>()> list_serial_ports{};
  // The settings file, in the working directory.
  std::string settings_path = kSettingsFileName;
  // Where the current version's text is published, for the about box; empty: never asked.
  std::string update_url{};
  // Tells the media player backend which player the services file prefers.
  std::function<void(const std::string&)> prefer_player{};
  // The sockets of the LCDproc clients' server; without them the server never listens.
  LineServer& lcdproc_sockets = NoLineServer::Instance();
};

// The whole program: the main window's model, every subsystem, and the handlers that tie the
// window's controls to them.
class Program {
 public:
  explicit Program(Services services);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The main window's load step: settings read and applied, the display started, the stored
  // function running.
  void Start();
  // The main window's unload step: dialogs closed, settings written, the display put to rest.
  // Safe to call more than once; later calls do nothing.
  void Shutdown();
  bool ShutDown() const { return shut_down_; }
  // Why the settings could not be written at exit; empty when they were.
  const std::string& SaveError() const { return save_error_; }

  Services& services() { return services_; }
  FrmMain& main() { return main_; }
  DisplayLink& display() { return display_; }
  SerialLink& serial() { return serial_; }
  ParallelLink& parallel() { return parallel_; }
  FrmVFDSelect& vfd_select() { return vfd_select_; }
  ModeController& modes() { return modes_; }
  Ticker& ticker() { return ticker_; }
  BrightnessEffects& effects() { return effects_; }
  Clock& clock() { return clock_; }
  Matrix& matrix() { return matrix_; }
  CodeCracker& cracker() { return cracker_; }
  Countdown& countdown() { return countdown_; }
  FrmCountdown& countdown_config() { return frm_countdown_; }
  MotherboardMonitor& mbm() { return mbm_; }
  FrmMBMConfig& mbm_config() { return frm_mbm_config_; }
  ProgressBars& bars() { return bars_; }
  Winamp& winamp() { return winamp_; }
  Rotation& rotation() { return rotation_; }
  FrmRotateConfig& rotate_config() { return frm_rotate_config_; }
  AutoTimer& auto_timer() { return auto_timer_; }
  FrmTimer& timer_config() { return frm_timer_; }
  clsSysTray& tray() { return tray_; }
  const RunningState& running_state() const { return running_state_; }
  AboutBox& about() { return about_; }
  NewsFeed& hard_news() { return hard_news_; }
  NewsFeed& shack_news() { return shack_news_; }
  Weather& weather() { return weather_; }
  UpdateCheck& update_check() { return update_check_; }
  Tides& tides() { return tides_; }
  FrmTidesConfig& tides_config() { return frm_tides_config_; }
  LcdprocClients& lcdproc() { return lcdproc_; }
  // The settings as read at start; the values of functions not built yet pass through to the
  // file at exit from here.
  const Settings& settings() const { return settings_; }
  // Where the web-fed functions read from, as the services file says (read at start).
  const WebServiceUrls& web_services() const { return web_services_; }

 private:
  // Every handler of the main window's controls that no registration sets.
  void WireHandlers();
  void LoadSettings();
  // The services file beside the settings file; its problems go to the status line.
  void ReadServicesFile();
  // The web-fed functions take their addresses.
  void UseWebServices();
  // Which sensor each hardware monitor slot follows, from beside the settings file, and back
  // there at exit.
  void ReadSensorChoices();
  void WriteSensorChoices();
  // The values as they stand now, as the file gets them at exit.
  Settings CollectSettings() const;

  // The published version is asked for; its box comes when the reply does.
  void CheckForUpdate();

  // The tray icon object with the main window as its source; the icon shows once minimized.
  void CreateTrayIcon();
  void RemoveTrayIcon();

  Services services_;
  FrmMain main_;
  SerialLink serial_;
  ParallelLink parallel_;
  DisplayLink display_;
  FrmVFDSelect vfd_select_;
  ModeController modes_;
  Ticker ticker_;
  BrightnessEffects effects_;
  Settings settings_;
  WebServiceUrls web_services_;
  Clock clock_;
  Matrix matrix_;
  VerticalScroll vertical_scroll_;
  Countdown countdown_;
  FrmCountdown frm_countdown_;
  CodeCracker cracker_;
  MotherboardMonitor mbm_;
  FrmMBMConfig frm_mbm_config_;
  ProgressBars bars_;
  Winamp winamp_;
  Rotation rotation_;
  FrmRotateConfig frm_rotate_config_;
  AutoTimer auto_timer_;
  FrmTimer frm_timer_;
  clsSysTray tray_;  // gSysTray
  RunningState running_state_;
  AboutBox about_;
  NewsFeed hard_news_;
  NewsFeed shack_news_;
  Weather weather_;
  UpdateCheck update_check_;
  Tides tides_;
  FrmTidesConfig frm_tides_config_;
  LcdprocClients lcdproc_;
  // Whether a parallel port address was chosen in the list (at start or later). Until then the
  // stored address is kept as it was, even one the list does not offer.
  bool parallel_base_chosen_ = false;
  // Asks for the serial devices present while the program runs.
  Timer port_watch_{"PortWatch", kPortWatchMs};
  static constexpr int kPortWatchMs = 2000;
  bool shut_down_ = false;
  std::string save_error_;
  // Set at start when what the settings path names must not be written over.
  std::string settings_not_saved_because_;
  // Whether the sensor choices file was there at start: then it is written at exit even when no
  // slot follows a sensor any more, so that it says so.
  bool sensor_choices_read_ = false;
};

}  // namespace vfd
