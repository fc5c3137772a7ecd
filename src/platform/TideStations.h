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
};

// The stations `query` names, best first: the whole name; the place before its first comma;
// the name starting with the query as a word; the query as a whole word anywhere; the query
// anywhere. Letter case does not count. Within each, reference stations come before subordinate
// ones, then the file's order. Returns indexes into `stations`; a blank query names none.
std::vector<size_t> RankStations(const std::vector<TideStationName>& stations,
                                 const std::string& query, size_t limit);

// The predictions a station's page is made of.
struct StationPredictions {
  std::string name;
  std::string units;
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
  // The highs and lows of station `index` (of Stations()) in [from, to).
  std::optional<StationPredictions> Predict(size_t index, int64_t from, int64_t to);

 private:
  std::optional<TideModel> ModelOf(int32_t record, int64_t from, int64_t to);

  bool open_ = false;
  std::vector<TideStationName> names_;
  std::vector<int32_t> records_;  // the file's record number of each station
};

}  // namespace vfd
