#include "platform/LocalTidePages.h"

#include <ctime>

#include "platform/TideZone.h"

namespace vfd {

LocalTidePages::LocalTidePages(EventLoop& loop, std::string data_path, std::function<int64_t()> now)
    : loop_(loop), path_(std::move(data_path)), now_(std::move(now)), reader_(path_) {
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
  // A child still reading is killed: the exit never waits for the file.
  reader_.Cancel();
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
  names_asked_ = true;
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
  // The list is read again whenever the file is another (replaced, updated, mended).
  const std::optional<std::string> identity = reader_.Identity(&page.error);
  if (!identity) return page;
  if (*identity != stations_of_) {
    std::optional<TideDataReader::Stations> read = reader_.ReadStations(&page.error);
    if (!read) return page;
    stations_ = std::move(read->names);
    stations_of_ = read->identity;
    std::lock_guard lock(mutex_);
    names_ = stations_;
  }
  if (place.empty()) return page;
  const std::vector<size_t> found = RankStations(stations_, place, 1);
  if (found.empty()) {
    page.error = "no tide station matches \"" + place + "\"";
    page.no_station = true;
    return page;
  }
  const TideStationName& station = stations_[found.front()];
  // Yesterday through tomorrow, in the station's days: a tide table gives the station's own
  // time, and "today" is the station's today.
  const TideZone zone(station.zone);
  const int64_t now = now_();
  std::string error;
  const std::optional<StationPredictions> p = reader_.Predict(
      found.front(), station.name, zone.Midnight(now, -1), zone.Midnight(now, 2), &error);
  if (!p) {
    // The list goes with the file it came from: a file changed meanwhile is read anew next time.
    stations_of_.clear();
    page.error = error;
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
  std::unique_lock lock(mutex_);
  // Someone is typing a place: the list is read now, and completes from the next keystroke on.
  if (!names_asked_) {
    lock.unlock();
    Preload();
    lock.lock();
  }
  std::vector<std::string> out;
  for (size_t i : RankStations(names_, typed, limit))
    out.push_back(names_[i].name);
  return out;
}

}  // namespace vfd
