// The program: the real machine's services, the core, and the Qt windows over it.
#include <cstdio>
#include <memory>

#include <QApplication>
#include <QGuiApplication>

#include "platform/LinuxParallelPort.h"
#include "platform/LocaleFormats.h"
#include "platform/MprisMediaPlayer.h"
#include "platform/PosixSerialDevice.h"
#include "platform/PosixTextFiles.h"
#include "platform/SeededRandom.h"
#include "platform/SerialPortCatalog.h"
#include "platform/SystemClock.h"
#include "shell/Program.h"
#include "ui/CountdownView.h"
#include "ui/HeadlessPreview.h"
#include "ui/MainWindowView.h"
#include "ui/QtEventLoop.h"
#include "ui/QtFileDialogs.h"
#include "ui/QtMessageBoxes.h"
#include "ui/ShutdownSignals.h"
#include "ui/VfdSelectView.h"
#include "ui/WinampConfigView.h"

namespace {

// Without a display server Qt would refuse to start; the program then runs without windows and
// shows the preview on the terminal.
void ChooseOffscreenWithoutDisplay() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

bool IsHeadless() {
  const QString platform = QGuiApplication::platformName();
  return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

}  // namespace

int main(int argc, char** argv) {
  ChooseOffscreenWithoutDisplay();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("VFD Vorlinx"));
  const bool headless = IsHeadless();

  vfd::ui::QtEventLoop loop;
  vfd::SystemClock clock;
  vfd::LocaleFormats formats;
  vfd::SeededRandom random(vfd::SeededRandom::ClockSeed());
  vfd::PosixSerialDevice serial;
  vfd::LinuxParallelPort parallel;
  vfd::ui::QtMessageBoxes boxes(headless);
  vfd::PosixTextFiles files;
  vfd::ui::QtFileDialogs file_dialogs(headless);
  // The web and hardware sensors get their Linux backends with the functions that read them;
  // until then these stand-ins answer as a machine without them would.
  vfd::NoHttp http(loop);
  vfd::NoSensors sensors;
  // Any player on the session bus; without a bus there is simply no player.
  vfd::MprisMediaPlayer player(loop, clock);
  vfd::Program program(vfd::Services{.loop = loop,
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
                                     .player = player,
                                     .sensors = sensors,
                                     .serial_ports = vfd::ListSerialDevices()});

  vfd::ui::MainWindowView main_window(program);
  vfd::ui::VfdSelectView vfd_select(program.vfd_select(), &main_window);
  vfd::ui::CountdownView countdown(program.countdown_config(), &main_window);
  vfd::ui::WinampConfigView winamp_config(program.winamp().config(), &main_window);
  std::unique_ptr<vfd::ui::HeadlessPreview> preview;
  if (headless) preview = std::make_unique<vfd::ui::HeadlessPreview>(program.main());

  // A signal ends the program the way closing its window does. The window ignores a close while
  // it is already shutting down, so a repeated Ctrl-C cannot cut the shutdown short.
  vfd::ui::ShutdownSignals shutdown_signals([&main_window](int) { main_window.close(); });

  main_window.show();
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
