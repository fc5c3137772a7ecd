#include "app/MachineServices.h"

#include <cstdio>
#include <optional>

#include "platform/LocalTidePages.h"
#include "platform/SerialPortCatalog.h"
#include "shell/ServicesFile.h"
#include "sources/HttpTidePages.h"

namespace vfd::app {

InstanceLock::Result GuardSettings(InstanceLock& lock, const char* program) {
  std::string error;
  const InstanceLock::Result result = lock.Acquire(kSettingsFileName, &error);
  switch (result) {
    case InstanceLock::Result::kHeldElsewhere:
      break;
    case InstanceLock::Result::kFailed:
      std::fprintf(stderr, "%s: cannot guard the settings against a second instance: %s\n", program,
                   error.c_str());
      break;
    case InstanceLock::Result::kAcquired:
      // Only now can nobody else be halfway through replacing the settings file.
      PosixTextFiles::RemoveStaleTemporaries(kSettingsFileName);
      break;
  }
  return result;
}

namespace {

// The tides lines of the services file (the program reports that file's problems when it
// starts).
TideSourceConfig TideConfig(PosixTextFiles& files) {
  TideSourceConfig config;
  std::string error;
  const std::optional<std::string> text =
      files.Read(ServicesPathBeside(kSettingsFileName), &error, kMaxServicesBytes);
  const WebServiceUrls urls = text ? ParseServicesFile(*text).urls : WebServiceUrls{};
  if (!urls.tides.empty()) config.tides = urls.tides;
  if (!urls.tides_data.empty()) config.tides_data = urls.tides_data;
  return config;
}

void TellOnStderr(const std::string& line) {
  std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace

MachineServices::MachineServices(EventLoop& loop, MessageBoxes& boxes, FileDialogs& file_dialogs)
    : loop_(loop),
      boxes_(boxes),
      file_dialogs_(file_dialogs),
      random_(SeededRandom::ClockSeed()),
      web_(BackendModule::DefaultPaths(kWebModule), "no web", TellOnStderr),
      scripts_module_(BackendModule::DefaultPaths(kScriptsModule), "other scripts show as '?'",
                      TellOnStderr),
      player_module_(BackendModule::DefaultPaths(kPlayerModule), "no media player", TellOnStderr),
      tides_module_(BackendModule::DefaultPaths(kTidesModule), "no local tide tables",
                    TellOnStderr),
      sensors_module_(BackendModule::DefaultPaths(kSensorsModule), "no hardware sensors",
                      TellOnStderr),
      http_(web_, loop),
      documents_(web_),
      sensors_(sensors_module_),
      scripts_(scripts_module_),
      // Without a bus there is simply no player.
      player_(player_module_, loop, clock_),
      lcdproc_sockets_(loop) {
  const TideSourceConfig tide_config = TideConfig(files_);
  if (tide_config.IsLocal()) {
    tides_ = std::make_unique<LazyLocalTides>(tides_module_, loop_, tide_config.tides_data);
  } else {
    tides_ = std::make_unique<HttpTidePages>(http_, tide_config.tides);
  }
}

MachineServices::~MachineServices() = default;

Services MachineServices::ForProgram() {
  return Services{
      .loop = loop_,
      .monotonic = clock_,
      .wall = clock_,
      .formats = formats_,
      .random = random_,
      .serial = serial_,
      .parallel = parallel_,
      .boxes = boxes_,
      .files = files_,
      .file_dialogs = file_dialogs_,
      .http = http_,
      .documents = documents_,
      .player = player_,
      .sensors = sensors_,
      .tides = *tides_,
      .scripts = scripts_,
      .list_serial_ports = [] { return ListSerialDevices(); },
      .prefer_player = [this](const std::string& name) { player_.SetPreferredPlayer(name); },
      .lcdproc_sockets = lcdproc_sockets_};
}

}  // namespace vfd::app
