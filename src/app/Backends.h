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
inline constexpr const char* kBackendsFile = "vfdvorlinx-backends.so";

struct BackendMakers {
  int version;
  HttpClient* (*http)(EventLoop& loop);
  WebDocuments* (*documents)();
  Transliterator* (*scripts)();
  MediaPlayer* (*player)(EventLoop& loop, MonotonicClock& clock);
  void (*prefer_player)(MediaPlayer& player, const std::string& name);
  TidePageSource* (*local_tides)(EventLoop& loop, const std::string& data_path);
  SensorSource* (*sensors)();
};

using BackendsEntry = const BackendMakers* (*)();

}  // namespace vfd::app
