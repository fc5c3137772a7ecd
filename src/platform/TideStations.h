#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/TidePredictor.h"

namespace vfd {

// A tide station as the station list keeps it.
struct TideStationName {
  std::string name;
  bool reference = false;
  // Subordinate stations whose tables are made from this one's: a city's principal station is
  // the one its neighbours are referred to (The Battery for New York, Pier 21 for Galveston).
  int dependents = 0;
  std::string zone{};  // the zone of the station's local time ("America/Anchorage")
};

// The stations `query` names, best first. A query may end in a US state, territory or Canadian
// province, by name or postal abbreviation, after a comma or not ("Boston, MA", "Seattle WA",
// "Portland Oregon"): then only that region's stations count, and the rest of the query is the
// place (when none of them matches, the whole query is searched as a name). The place is looked
// for in a station's name without its region (the last part of the name), by: the whole name;
// the place before its first comma; the name starting with the place as a word; the place as a
// whole word anywhere; the place anywhere; and last, the region alone naming it ("Maine").
// Letter case and full stops do not count ("st petersburg"). Within each, reference stations
// come first, the principal ones (most dependents) before the others, then the file's order.
// Returns indexes into `stations`; a blank query names none.
std::vector<size_t> RankStations(const std::vector<TideStationName>& stations,
                                 const std::string& query, size_t limit);

// The predictions a station's page is made of.
struct StationPredictions {
  std::string name;
  std::string units;
  std::string zone;  // the zone of the station's local time, "" when the file gives none
  std::vector<TideEvent> events;
};

// A harmonics file (.tcd) read with libtcd: opened once, its station list kept in memory. The
// library keeps one open file for the whole process, so one instance at a time, used from one
// thread.
class TideDatabase {
 public:
  TideDatabase() = default;
  ~TideDatabase();
  TideDatabase(const TideDatabase&) = delete;
  TideDatabase& operator=(const TideDatabase&) = delete;

  // False, with the reason, when the file cannot be read.
  bool Open(const std::string& path, std::string* error);
  bool IsOpen() const { return open_; }
  // Tide stations only: the tidal current stations of the file are left out.
  const std::vector<TideStationName>& Stations() const { return names_; }
  // The highs and lows of station `index` (of Stations()) in [from, to), as a tide table lists
  // them (DropMinorExtremes, judged on the reference station's curve).
  std::optional<StationPredictions> Predict(size_t index, int64_t from, int64_t to);

 private:
  std::optional<TideModel> ModelOf(int32_t record, int64_t from, int64_t to);

  bool open_ = false;
  std::vector<TideStationName> names_;
  std::vector<int32_t> records_;  // the file's record number of each station
};

}  // namespace vfd
