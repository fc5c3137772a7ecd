// The program without a window and without Qt, for machines with no desktop: the same core and
// the same machine services as the windowed program, on an event loop of its own.
#include <cstdio>
#include <memory>
#include <string>

#include "app/ConsoleDialogs.h"
#include "app/HeadlessPreview.h"
#include "app/MachineServices.h"
#include "app/Options.h"
#include "app/ShutdownSignals.h"
#include "app/StatusLog.h"
#include "core/Timer.h"
#include "core/Version.h"
#include "platform/EpollEventLoop.h"
#include "shell/Program.h"

namespace {

constexpr const char* kName = "vfdvorlinxd";

}  // namespace

int main(int argc, char** argv) {
  // Help and version touch neither the settings nor any port.
  const vfd::app::Options options = vfd::app::ParseOptions(argc, argv);
  if (!options.error.empty()) {
    std::fprintf(stderr, "%s: %s\n\n%s", kName, options.error.c_str(),
                 vfd::app::UsageText(kName, false).c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(vfd::app::UsageText(kName, false).c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("%s %s\n", kName, vfd::kProgramVersion);
    return 0;
  }
  std::string error;
  if (!vfd::app::EnterSettingsDirectory(options, &error)) {
    std::fprintf(stderr, "%s: %s\n", kName, error.c_str());
    return 1;
  }

  vfd::InstanceLock lock;
  if (vfd::app::GuardSettings(lock, kName) == vfd::InstanceLock::Result::kHeldElsewhere) {
    std::fprintf(stderr, "%s: %s.\n", kName, vfd::app::kAlreadyRunning);
    return 1;
  }

  vfd::EpollEventLoop loop;
  if (!loop.Valid()) {
    std::fprintf(stderr, "%s: cannot set up the event loop\n", kName);
    return 1;
  }
  vfd::app::ConsoleMessageBoxes boxes;
  vfd::app::NoFileDialogs file_dialogs;
  // The tide data is read when the first tide page is asked for: on the small machines this
  // program is for, memory counts for more than the first page's wait.
  vfd::app::MachineServices machine(loop, boxes, file_dialogs);
  vfd::Program program(machine.ForProgram());

  vfd::app::StatusLog status_log(program.main().lblStatus);
  std::unique_ptr<vfd::app::HeadlessPreview> preview;
  if (!options.quiet)
    preview = std::make_unique<vfd::app::HeadlessPreview>(
        program.main(),
        [&program]() -> const vfd::CharacterSet& { return program.display().Charset(); }, loop,
        machine.monotonic());

  // A signal ends the program through its orderly shutdown, once: a repeated Ctrl-C cannot cut
  // it short. A handler pausing for the display finishes first.
  bool ending = false;
  vfd::Timer retry("tmrEndRetry", 20);
  retry.SetExact(true);
  auto end = [&] {
    if (ending) return;
    if (loop.Pumping()) {
      retry.SetEnabled(true);
      return;
    }
    ending = true;
    program.Shutdown();
    loop.Quit();
  };
  retry.on_tick = [&] {
    retry.SetEnabled(false);
    end();
  };
  retry.AttachHost(&loop);
  vfd::app::ShutdownSignals shutdown_signals(loop, [&](int) { end(); });

  program.Start();
  loop.Run();
  program.Shutdown();
  if (!program.SaveError().empty()) {
    std::fprintf(stderr, "%s: the settings could not be saved: %s\n", kName,
                 program.SaveError().c_str());
    return 1;
  }
  return 0;
}
