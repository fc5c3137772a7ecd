// The program: the real machine's services, the core, and the Qt windows over it.
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>

#include "core/Version.h"
#include "platform/CurlHttpClient.h"
#include "platform/IcuTransliterator.h"
#include "platform/InstanceLock.h"
#include "platform/LinuxParallelPort.h"
#include "platform/LinuxSensors.h"
#include "platform/LocalTidePages.h"
#include "platform/LocaleFormats.h"
#include "platform/MprisMediaPlayer.h"
#include "platform/PosixSerialDevice.h"
#include "platform/PosixTextFiles.h"
#include "platform/SeededRandom.h"
#include "platform/SerialPortCatalog.h"
#include "platform/SystemClock.h"
#include "platform/TcpLineServer.h"
#include "platform/WebDocumentParsers.h"
#include "shell/Program.h"
#include "shell/ServicesFile.h"
#include "sources/HttpTidePages.h"
#include "ui/CountdownView.h"
#include "ui/HeadlessPreview.h"
#include "ui/MainWindowView.h"
#include "ui/MbmConfigView.h"
#include "ui/NewsConfigView.h"
#include "ui/QtEventLoop.h"
#include "ui/QtFileDialogs.h"
#include "ui/QtMessageBoxes.h"
#include "ui/ScheduleViews.h"
#include "ui/ShutdownSignals.h"
#include "ui/StatusLog.h"
#include "ui/TidesConfigView.h"
#include "ui/TrayIconView.h"
#include "ui/VfdSelectView.h"
#include "ui/WeatherConfigView.h"
#include "ui/WinampConfigView.h"

namespace {

// Without a display server Qt would refuse to start; the program then runs without windows and
// shows the preview on the terminal.
void ChooseOffscreenWithoutDisplay() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The window's busiest part is the preview, a few small areas repainted up to 40 times a second.
// Through X shared memory Qt waits for the X server before every paint (it may not touch the
// image while the server reads it); sending those few kilobytes over the connection costs far
// less: a third fewer wake-ups and a quarter less CPU, measured. The variable only concerns X11
// and is left alone when the user set it.
void AvoidSharedMemoryRoundTrips() {
  if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
}

constexpr const char* kUsage =
    "Usage: vfdvorlinx [--quiet]\n"
    "\n"
    "Keeps a vacuum fluorescent display on a serial or parallel port busy: a ticker, a clock,\n"
    "The Matrix, brightness effects and more, one display function at a time.\n"
    "\n"
    "The settings are kept in vfdsettings.txt in the directory the program starts in. Without a\n"
    "display server the program runs without a window and prints the display's picture on\n"
    "standard output; status messages always go to standard error.\n"
    "\n"
    "  --quiet     without a window: print no picture, only status messages\n"
    "  --help      show this help and exit\n"
    "  --version   show the version and exit\n";

struct Options {
  bool quiet = false;
  bool help = false;
  bool version = false;
  std::string unknown;
};

// The program's own options; Qt's (such as -platform) are left for QApplication.
Options ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--quiet") == 0) {
      o.quiet = true;
    } else if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
      o.help = true;
    } else if (std::strcmp(a, "--version") == 0) {
      o.version = true;
    } else if (std::strncmp(a, "--", 2) == 0 && o.unknown.empty()) {
      o.unknown = a;
    }
  }
  return o;
}

bool IsHeadless() {
  const QString platform = QGuiApplication::platformName();
  return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

}  // namespace

int main(int argc, char** argv) {
  // Help and version touch neither the settings nor any port, and need no display server.
  const Options options = ParseOptions(argc, argv);
  if (!options.unknown.empty()) {
    std::fprintf(stderr, "vfdvorlinx: unknown option %s\n\n%s", options.unknown.c_str(), kUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (options.version) {
    std::printf("vfdvorlinx %s\n", vfd::kProgramVersion);
    return 0;
  }

  ChooseOffscreenWithoutDisplay();
  AvoidSharedMemoryRoundTrips();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("VFD Vorlinx"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/vfdvorlinx.png")));
  QApplication::setDesktopFileName(QStringLiteral("vfdvorlinx"));
  const bool headless = IsHeadless();

  // One instance per settings file: a second one would overwrite the first one's file at exit
  // and fight it for the port.
  vfd::InstanceLock lock;
  std::string lock_error;
  switch (lock.Acquire(vfd::kSettingsFileName, &lock_error)) {
    case vfd::InstanceLock::Result::kHeldElsewhere: {
      const char* text = "VFD Vorlinx is already running with these settings";
      if (headless) {
        std::fprintf(stderr, "vfdvorlinx: %s.\n", text);
      } else {
        QMessageBox::information(nullptr, QStringLiteral("VFD Vorlinx"),
                                 QString::fromUtf8(text) + QLatin1Char('.'));
      }
      return 1;
    }
    case vfd::InstanceLock::Result::kFailed:
      std::fprintf(stderr, "vfdvorlinx: cannot guard the settings against a second instance: %s\n",
                   lock_error.c_str());
      break;
    case vfd::InstanceLock::Result::kAcquired:
      // Only now can nobody else be halfway through replacing the settings file.
      vfd::PosixTextFiles::RemoveStaleTemporaries(vfd::kSettingsFileName);
      break;
  }

  vfd::ui::QtEventLoop loop;
  vfd::SystemClock clock;
  vfd::LocaleFormats formats;
  vfd::SeededRandom random(vfd::SeededRandom::ClockSeed());
  vfd::PosixSerialDevice serial;
  vfd::LinuxParallelPort parallel;
  vfd::ui::QtMessageBoxes boxes(headless);
  vfd::PosixTextFiles files;
  vfd::ui::QtFileDialogs file_dialogs(headless);
  // The web, on a thread of its own.
  vfd::CurlHttpClient http(loop);
  vfd::WebDocumentParsers documents;
  vfd::LinuxSensors sensors;
  vfd::IcuTransliterator scripts;
  // Tide tables predicted here from the harmonics file, or from a page service, as the services
  // file's tides lines say (the program reports that file's problems when it starts).
  vfd::TideSourceConfig tide_config;
  {
    std::string error;
    const std::optional<std::string> text =
        files.Read(vfd::ServicesPathBeside(vfd::kSettingsFileName), &error, vfd::kMaxServicesBytes);
    const vfd::WebServiceUrls urls =
        text ? vfd::ParseServicesFile(*text).urls : vfd::WebServiceUrls{};
    if (!urls.tides.empty()) tide_config.tides = urls.tides;
    if (!urls.tides_data.empty()) tide_config.tides_data = urls.tides_data;
  }
  std::unique_ptr<vfd::TidePageSource> tide_pages;
  if (tide_config.IsLocal()) {
    auto local = std::make_unique<vfd::LocalTidePages>(loop, tide_config.tides_data);
    local->Preload();
    tide_pages = std::move(local);
  } else {
    tide_pages = std::make_unique<vfd::HttpTidePages>(http, tide_config.tides);
  }
  vfd::TidePageSource& tides = *tide_pages;
  // Any player on the session bus; without a bus there is simply no player.
  vfd::MprisMediaPlayer player(loop, clock);
  // The LCDproc clients' sockets, on a thread of their own.
  vfd::TcpLineServer lcdproc_sockets(loop);
  vfd::Program program(vfd::Services{
      .loop = loop,
      .monotonic = clock,
      .wall = clock,
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
      .list_serial_ports = [] { return vfd::ListSerialDevices(); },
      .prefer_player = [&player](const std::string& name) { player.SetPreferredPlayer(name); },
      .lcdproc_sockets = lcdproc_sockets});

  // The windows exist only with a screen: without one nobody would see them, and keeping them
  // in step with the models would cost on every frame.
  struct Windows {
    explicit Windows(vfd::Program& program)
        : main(program),
          vfd_select(program.vfd_select(), &main),
          countdown(program.countdown_config(), &main),
          mbm_config(program.mbm_config(), &main),
          winamp_config(program.winamp().config(), &main),
          rotate_config(program.rotate_config(), &main),
          timer_config(program.timer_config(), &main),
          hard_news_config(program.hard_news().config(), &main),
          shack_news_config(program.shack_news().config(), &main),
          weather_config(program.weather().config(), &main),
          tides_config(program.tides_config(), &main),
          tray(program.tray(), &main) {}
    vfd::ui::MainWindowView main;
    vfd::ui::VfdSelectView vfd_select;
    vfd::ui::CountdownView countdown;
    vfd::ui::MbmConfigView mbm_config;
    vfd::ui::WinampConfigView winamp_config;
    vfd::ui::RotateConfigView rotate_config;
    vfd::ui::TimerConfigView timer_config;
    vfd::ui::NewsConfigView hard_news_config;
    vfd::ui::NewsConfigView shack_news_config;
    vfd::ui::WeatherConfigView weather_config;
    vfd::ui::TidesConfigView tides_config;
    // The tray icon stands for the window while it is minimized.
    vfd::ui::TrayIconView tray;
  };
  std::unique_ptr<Windows> windows;
  if (!headless) windows = std::make_unique<Windows>(program);
  vfd::ui::StatusLog status_log(program.main().lblStatus);
  std::unique_ptr<vfd::ui::HeadlessPreview> preview;
  if (headless && !options.quiet)
    preview = std::make_unique<vfd::ui::HeadlessPreview>(
        program.main(),
        [&program]() -> const vfd::CharacterSet& { return program.display().Charset(); });

  // A signal ends the program the way closing its window does. The window ignores a close while
  // it is already shutting down, so a repeated Ctrl-C cannot cut the shutdown short; without a
  // window the same rules hold here.
  bool ending = false;
  std::function<void()> end_without_window = [&] {
    if (ending) return;
    // A handler pausing for the display finishes first, as with the window.
    if (loop.Pumping()) {
      QTimer::singleShot(20, [&] { end_without_window(); });
      return;
    }
    ending = true;
    program.Shutdown();
    QCoreApplication::quit();
  };
  vfd::ui::ShutdownSignals shutdown_signals([&](int) {
    if (windows)
      windows->main.close();
    else
      end_without_window();
  });

  if (windows) windows->main.show();
  program.Start();
  QApplication::exec();
  // The application may also end without the window closing (the session ends).
  program.Shutdown();
  if (!program.SaveError().empty()) {
    std::fprintf(stderr, "vfdvorlinx: the settings could not be saved: %s\n",
                 program.SaveError().c_str());
    return 1;
  }
  return 0;
}
