#pragma once

#include <string>

#include "core/EventLoop.h"
#include "core/Http.h"
#include "core/MediaPlayer.h"
#include "core/SensorTable.h"
#include "core/TidePages.h"
#include "core/Transliterator.h"
#include "core/WebDocuments.h"

namespace vfd::app {

// What the module of heavy backends hands out: each maker builds one backend, owned by the
// caller. The module stays loaded for the life of the process, so the objects' code never goes
// away under them. Bump the version with any change to this table.
inline constexpr int kBackendsVersion = 1;
inline constexpr const char* kBackendsEntry = "vfd_backends_v1";
// One module for each group of libraries, so that the first use of one group (the media player
// at start) does not bring in the others. A module fills in only its own makers.
inline constexpr const char* kWebModule = "vfdvorlinx-web.so";          // curl, libxml2
inline constexpr const char* kScriptsModule = "vfdvorlinx-scripts.so";  // ICU
inline constexpr const char* kPlayerModule = "vfdvorlinx-player.so";    // sd-bus, TagLib
inline constexpr const char* kTidesModule = "vfdvorlinx-tides.so";      // libtcd, ICU
inline constexpr const char* kSensorsModule = "vfdvorlinx-sensors.so";  // libsensors

struct BackendMakers {
  int version = 0;
  HttpClient* (*http)(EventLoop& loop) = nullptr;
  WebDocuments* (*documents)() = nullptr;
  Transliterator* (*scripts)() = nullptr;
  MediaPlayer* (*player)(EventLoop& loop, MonotonicClock& clock) = nullptr;
  void (*prefer_player)(MediaPlayer& player, const std::string& name) = nullptr;
  TidePageSource* (*local_tides)(EventLoop& loop, const std::string& data_path) = nullptr;
  SensorSource* (*sensors)() = nullptr;
};

using BackendsEntry = const BackendMakers* (*)();

}  // namespace vfd::app
