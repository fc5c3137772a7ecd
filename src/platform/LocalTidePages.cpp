#include "platform/LocalTidePages.h"

#include <ctime>

#include "platform/TideZone.h"

namespace vfd {

LocalTidePages::LocalTidePages(EventLoop& loop, std::string data_path, std::function<int64_t()> now)
    : loop_(loop), path_(std::move(data_path)), now_(std::move(now)) {
  if (!now_) now_ = [] { return static_cast<int64_t>(std::time(nullptr)); };
  worker_ = std::thread([this] { Run(); });
}

LocalTidePages::~LocalTidePages() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    jobs_.clear();
  }
  wake_.notify_all();
  worker_.join();
}

void LocalTidePages::Run() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (stopping_) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    job();
  }
}

void LocalTidePages::Preload() {
  std::lock_guard lock(mutex_);
  jobs_.push_back([this] { Make(""); });
  wake_.notify_one();
}

void LocalTidePages::Page(const std::string& place, std::function<void(TidePage)> on_done) {
  std::lock_guard lock(mutex_);
  jobs_.push_back([this, place, on_done = std::move(on_done)]() mutable {
    TidePage page = Make(place);
    loop_.Post([on_done = std::move(on_done), page = std::move(page)] { on_done(page); });
  });
  wake_.notify_one();
}

TidePage LocalTidePages::Make(const std::string& place) {
  TidePage page;
  if (!db_.IsOpen()) {
    std::string error;
    if (!db_.Open(path_, &error)) {
      page.error = error + " (install the package xtide-data)";
      return page;
    }
    std::lock_guard lock(mutex_);
    names_ = db_.Stations();
  }
  if (place.empty()) return page;
  const std::vector<size_t> found = RankStations(db_.Stations(), place, 1);
  if (found.empty()) {
    page.error = "no tide station matches \"" + place + "\"";
    page.no_station = true;
    return page;
  }
  // Yesterday through tomorrow, in the station's days: a tide table gives the station's own
  // time, and "today" is the station's today.
  const TideZone zone(db_.Stations()[found.front()].zone);
  const int64_t now = now_();
  const std::optional<StationPredictions> p =
      db_.Predict(found.front(), zone.Midnight(now, -1), zone.Midnight(now, 2));
  if (!p) {
    page.error = "no predictions for " + db_.Stations()[found.front()].name;
    return page;
  }
  const TideZone::Local here = zone.At(now);
  page.ok = true;
  page.station = p->name;
  page.station_now = TidePage::StationNow{.day = here.day, .hour = here.hour};
  page.text = RenderTidePage(p->name, p->units, p->events, zone);
  return page;
}

std::vector<std::string> LocalTidePages::Complete(const std::string& typed, size_t limit) {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (size_t i : RankStations(names_, typed, limit))
    out.push_back(names_[i].name);
  return out;
}

}  // namespace vfd
