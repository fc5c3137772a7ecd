#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/EventLoop.h"
#include "core/TidePages.h"
#include "platform/TideDataReader.h"
#include "platform/TideStations.h"

namespace vfd {

// Where the tide tables come from, as the services file chooses: "local" (predicted here from a
// harmonics file) or the base URL of a page service.
struct TideSourceConfig {
  static constexpr const char* kDefaultData = "/usr/share/xtide/harmonics-dwf-20191229-free.tcd";
  std::string tides = "local";
  std::string tides_data = kDefaultData;
  bool IsLocal() const { return tides.empty() || tides == "local"; }
};

// Tide table pages predicted on this machine. The harmonics file is read only when tides are
// asked for (a page, or names to complete), on a thread of its own, and only ever by a child
// process (TideDataReader), so that a damaged file makes the pages fail, not the program. Every
// page is made on that thread and handed back through the event loop.
class LocalTidePages : public TidePageSource {
 public:
  // `now` gives the current Unix time (the real clock unless a test sets one).
  LocalTidePages(EventLoop& loop, std::string data_path, std::function<int64_t()> now = {});
  ~LocalTidePages() override;
  LocalTidePages(const LocalTidePages&) = delete;
  LocalTidePages& operator=(const LocalTidePages&) = delete;

  void Page(const std::string& place, std::function<void(TidePage)> on_done) override;
  std::vector<std::string> Complete(const std::string& typed, size_t limit) override;
  // Reads the station list now, so that the location box can complete names at once. Asking
  // Complete does the same.
  void Preload();

 private:
  void Run();
  TidePage Make(const std::string& place);

  EventLoop& loop_;
  std::string path_;
  std::function<int64_t()> now_;
  TideDataReader reader_;  // the worker's alone, but for Cancel
  // The station list as last read, and the file it was read from; the worker's alone.
  std::vector<TideStationName> stations_;
  std::string stations_of_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  std::vector<TideStationName> names_;  // a copy for Complete, under mutex_
  bool names_asked_ = false;            // under mutex_
  std::thread worker_;
};

}  // namespace vfd
