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

#include "app/HeadlessPreview.h"
#include "app/MachineServices.h"
#include "app/Options.h"
#include "app/ShutdownSignals.h"
#include "app/StatusLog.h"
#include "core/Version.h"
#include "shell/Program.h"
#include "ui/CountdownView.h"
#include "ui/MainWindowView.h"
#include "ui/MbmConfigView.h"
#include "ui/NewsConfigView.h"
#include "ui/QtEventLoop.h"
#include "ui/QtFileDialogs.h"
#include "ui/QtMessageBoxes.h"
#include "ui/ScheduleViews.h"
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

bool IsHeadless() {
  const QString platform = QGuiApplication::platformName();
  return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

}  // namespace

int main(int argc, char** argv) {
  // Help and version touch neither the settings nor any port, and need no display server.
  const vfd::app::Options options = vfd::app::ParseOptions(argc, argv);
  if (!options.error.empty()) {
    std::fprintf(stderr, "vfdvorlinx: %s\n\n%s", options.error.c_str(),
                 vfd::app::UsageText("vfdvorlinx", true).c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(vfd::app::UsageText("vfdvorlinx", true).c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("vfdvorlinx %s\n", vfd::kProgramVersion);
    return 0;
  }
  std::string directory_error;
  if (!vfd::app::EnterSettingsDirectory(options, &directory_error)) {
    std::fprintf(stderr, "vfdvorlinx: %s\n", directory_error.c_str());
    return 1;
  }

  ChooseOffscreenWithoutDisplay();
  AvoidSharedMemoryRoundTrips();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("VFD Vorlinx"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/vfdvorlinx.png")));
  QApplication::setDesktopFileName(QStringLiteral("vfdvorlinx"));
  const bool headless = IsHeadless();

  vfd::InstanceLock lock;
  if (vfd::app::GuardSettings(lock, "vfdvorlinx") == vfd::InstanceLock::Result::kHeldElsewhere) {
    if (headless) {
      std::fprintf(stderr, "vfdvorlinx: %s.\n", vfd::app::kAlreadyRunning);
    } else {
      QMessageBox::information(nullptr, QStringLiteral("VFD Vorlinx"),
                               QString::fromUtf8(vfd::app::kAlreadyRunning) + QLatin1Char('.'));
    }
    return 1;
  }

  vfd::ui::QtEventLoop loop;
  vfd::ui::QtMessageBoxes boxes(headless);
  vfd::ui::QtFileDialogs file_dialogs(headless);
  vfd::app::MachineServices machine(loop, boxes, file_dialogs);
  vfd::Program program(machine.ForProgram());

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
  vfd::app::StatusLog status_log(program.main().lblStatus);
  std::unique_ptr<vfd::app::HeadlessPreview> preview;
  if (headless && !options.quiet)
    preview = std::make_unique<vfd::app::HeadlessPreview>(
        program.main(),
        [&program]() -> const vfd::CharacterSet& { return program.display().Charset(); }, loop,
        machine.monotonic());

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
  vfd::app::ShutdownSignals shutdown_signals(loop, [&](int) {
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
