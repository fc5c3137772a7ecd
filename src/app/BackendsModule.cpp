// The module of heavy backends: curl and its TLS stack, libxml2, ICU, sd-bus, TagLib, libtcd and
// libsensors come into a process only when this is opened.
#include "app/Backends.h"
#include "platform/CurlHttpClient.h"
#include "platform/IcuTransliterator.h"
#include "platform/LinuxSensors.h"
#include "platform/LocalTidePages.h"
#include "platform/MprisMediaPlayer.h"
#include "platform/WebDocumentParsers.h"

namespace {

using namespace vfd;

const app::BackendMakers kMakers{
    .version = app::kBackendsVersion,
    .http = [](EventLoop& loop) -> HttpClient* { return new CurlHttpClient(loop); },
    .documents = []() -> WebDocuments* { return new WebDocumentParsers(); },
    .scripts = []() -> Transliterator* { return new IcuTransliterator(); },
    .player = [](EventLoop& loop, MonotonicClock& clock) -> MediaPlayer* {
      return new MprisMediaPlayer(loop, clock);
    },
    .prefer_player =
        [](MediaPlayer& player, const std::string& name) {
          static_cast<MprisMediaPlayer&>(player).SetPreferredPlayer(name);
        },
    .local_tides = [](EventLoop& loop, const std::string& data_path) -> TidePageSource* {
      return new LocalTidePages(loop, data_path);
    },
    .sensors = []() -> SensorSource* { return new LinuxSensors(); },
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const vfd::app::BackendMakers* vfd_backends_v1() {
  return &kMakers;
}
