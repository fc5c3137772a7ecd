// A module of heavy backends, built once for each group (VFD_MODULE_WEB and the others): the
// group's libraries come into a process only when its module is opened.
#include "app/Backends.h"
#if defined(VFD_MODULE_WEB)
#include "platform/CurlHttpClient.h"
#include "platform/WebDocumentParsers.h"
#elif defined(VFD_MODULE_SCRIPTS)
#include "platform/IcuTransliterator.h"
#elif defined(VFD_MODULE_PLAYER)
#include "platform/MprisMediaPlayer.h"
#elif defined(VFD_MODULE_TIDES)
#include "platform/LocalTidePages.h"
#elif defined(VFD_MODULE_SENSORS)
#include "platform/LinuxSensors.h"
#endif

namespace {

using namespace vfd;

const app::BackendMakers kMakers {
  .version = app::kBackendsVersion,
#if defined(VFD_MODULE_WEB)
  .http = [](EventLoop& loop) -> HttpClient* { return new CurlHttpClient(loop); },
  .documents = []() -> WebDocuments* { return new WebDocumentParsers(); },
#elif defined(VFD_MODULE_SCRIPTS)
  .scripts = []() -> Transliterator* { return new IcuTransliterator(); },
#elif defined(VFD_MODULE_PLAYER)
  .player = [](EventLoop& loop, MonotonicClock& clock) -> MediaPlayer* {
    return new MprisMediaPlayer(loop, clock);
  },
  .prefer_player = [](MediaPlayer& player, const std::string& name) {
    static_cast<MprisMediaPlayer&>(player).SetPreferredPlayer(name);
  },
#elif defined(VFD_MODULE_TIDES)
  .local_tides = [](EventLoop& loop, const std::string& data_path) -> TidePageSource* {
    return new LocalTidePages(loop, data_path);
  },
#elif defined(VFD_MODULE_SENSORS)
  .sensors = []() -> SensorSource* { return new LinuxSensors(); },
#endif
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const vfd::app::BackendMakers* vfd_backends_v1() {
  return &kMakers;
}
