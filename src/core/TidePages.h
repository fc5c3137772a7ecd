#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/EventLoop.h"

namespace vfd {

// One tide table page for a place: a plain-text table with the marker "(click for map)" and then
// one event a line, yesterday through tomorrow, in the layout the tides function reads.
struct TidePage {
  bool ok = false;
  std::string text{};     // the page, as text (UTF-8)
  std::string station{};  // the station the page is for, when the source knows it
  std::string error{};    // why there is no page ("no tide station matches ..."), when not ok
  // Not a passing failure: the source has no station for the place, and asking again soon
  // will not find one.
  bool no_station = false;
  // The station's own day of the month and hour when the page was made, for a page whose times
  // are the station's local time: "today" and "the current hour" are the station's then, not
  // this computer's. Empty for a page in this computer's time.
  struct StationNow {
    int day = 1;
    int hour = 0;
  };
  std::optional<StationNow> station_now{};
};

// Where tide tables come from: predictions made on this machine, or a page service on the web.
// Answers never block the event thread.
class TidePageSource {
 public:
  virtual ~TidePageSource() = default;
  // Asks for the page of `place`. `on_done` runs exactly once, later, on the event thread and
  // never inside this call.
  virtual void Page(const std::string& place, std::function<void(TidePage)> on_done) = 0;
  // Station names that `typed` could mean, best first, at most `limit`; empty when the source
  // has no list of its own (or has not read it yet).
  virtual std::vector<std::string> Complete(const std::string& /*typed*/, size_t /*limit*/) {
    return {};
  }
};

// No tide tables at all: every request fails, quietly.
class NoTidePages : public TidePageSource {
 public:
  explicit NoTidePages(EventLoop& loop) : loop_(loop) {}
  void Page(const std::string&, std::function<void(TidePage)> on_done) override {
    loop_.Post([on_done = std::move(on_done)] { on_done(TidePage{}); });
  }

 private:
  EventLoop& loop_;
};

}  // namespace vfd
