#include "platform/TideStations.h"

#include <tcd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>

#include "core/Charset.h"

namespace vfd {
namespace {

// Station names are ISO 8859-1 in the harmonics files xtide-data ships; a file written as UTF-8
// reads as it is.
std::string NameOf(const char* name) {
  return TextOfFile(name);
}

std::string Lower(std::string s) {
  for (char& ch : s)
    ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return s;
}

bool IsWordChar(char ch) {
  return std::isalnum(static_cast<unsigned char>(ch)) != 0;
}

// Whether `q` occurs in `name` at `at` with no letter or digit either side.
bool WholeWordAt(const std::string& name, const std::string& q, size_t at) {
  const bool before = at == 0 || !IsWordChar(name[at - 1]);
  const size_t end = at + q.size();
  const bool after = end >= name.size() || !IsWordChar(name[end]);
  return before && after;
}

// 0 best .. 4 worst; -1 for no match.
int MatchRank(const std::string& name, const std::string& q) {
  if (name == q) return 0;
  if (name.compare(0, name.find(','), q) == 0) return 1;
  size_t at = name.find(q);
  if (at == std::string::npos) return -1;
  if (at == 0 && WholeWordAt(name, q, 0)) return 2;
  for (; at != std::string::npos; at = name.find(q, at + 1))
    if (WholeWordAt(name, q, at)) return 3;
  return 4;
}

// "hhmm" (signed) to minutes.
int HhmmMinutes(int32_t hhmm) {
  const int32_t a = hhmm < 0 ? -hhmm : hhmm;
  const int minutes = static_cast<int>(a / 100 * 60 + a % 100);
  return hhmm < 0 ? -minutes : minutes;
}

int UtcYear(int64_t t) {
  const time_t tt = static_cast<time_t>(t);
  std::tm tm{};
  gmtime_r(&tt, &tm);
  return tm.tm_year + 1900;
}

}  // namespace

std::vector<size_t> RankStations(const std::vector<TideStationName>& stations,
                                 const std::string& query, size_t limit) {
  std::string q = Lower(query);
  while (!q.empty() && q.back() == ' ')
    q.pop_back();
  while (!q.empty() && q.front() == ' ')
    q.erase(q.begin());
  if (q.empty()) return {};
  struct Hit {
    int rank;
    size_t index;
  };
  std::vector<Hit> hits;
  for (size_t i = 0; i < stations.size(); ++i) {
    const int rank = MatchRank(Lower(stations[i].name), q);
    if (rank >= 0) hits.push_back({rank * 2 + (stations[i].reference ? 0 : 1), i});
  }
  std::stable_sort(hits.begin(), hits.end(),
                   [](const Hit& a, const Hit& b) { return a.rank < b.rank; });
  std::vector<size_t> out;
  for (size_t i = 0; i < hits.size() && out.size() < limit; ++i)
    out.push_back(hits[i].index);
  return out;
}

TideDatabase::~TideDatabase() {
  if (open_) close_tide_db();
}

bool TideDatabase::Open(const std::string& path, std::string* error) {
  if (open_) return true;
  std::string name = path;
  if (!open_tide_db(name.data())) {
    *error = "cannot read the tide data " + path;
    return false;
  }
  open_ = true;
  const DB_HEADER_PUBLIC header = get_tide_db_header();
  for (uint32_t i = 0; i < header.number_of_records; ++i) {
    TIDE_RECORD rec;
    if (read_tide_record(static_cast<NV_INT32>(i), &rec) < 0) continue;
    const char* units = get_level_units(rec.level_units);
    // Tidal currents are in knots; their "highs" are floods, not water levels.
    if (units && std::strstr(units, "knots")) continue;
    names_.push_back({NameOf(rec.header.name), rec.header.record_type == REFERENCE_STATION});
    records_.push_back(rec.header.record_number);
  }
  return true;
}

std::optional<TideModel> TideDatabase::ModelOf(int32_t record, int64_t from, int64_t to) {
  TIDE_RECORD rec;
  if (read_tide_record(record, &rec) < 0 || rec.header.record_type != REFERENCE_STATION)
    return std::nullopt;
  const DB_HEADER_PUBLIC header = get_tide_db_header();
  TideModel model;
  // Only the years the predictions need are copied out of the tables.
  const int last = header.start_year + static_cast<int>(header.number_of_years) - 1;
  const int y0 = std::clamp(UtcYear(from) - 1, header.start_year, last);
  const int y1 = std::clamp(UtcYear(to) + 1, header.start_year, last);
  model.first_year = y0;
  model.datum = rec.datum_offset;
  // Epochs given for a zone's meridian are turned into epochs for UTC.
  const double zone_hours = HhmmMinutes(rec.zone_offset) / 60.0;
  for (uint32_t c = 0; c < header.constituents; ++c) {
    if (rec.amplitude[c] == 0) continue;
    TideConstituent k;
    k.speed = get_speed(static_cast<NV_INT32>(c));
    k.amplitude = rec.amplitude[c];
    k.epoch = rec.epoch[c] - k.speed * zone_hours;
    for (int y = y0 - header.start_year; y <= y1 - header.start_year; ++y) {
      k.equilibrium.push_back(get_equilibrium(static_cast<NV_INT32>(c), y));
      k.node.push_back(get_node_factor(static_cast<NV_INT32>(c), y));
    }
    model.constituents.push_back(std::move(k));
  }
  if (model.constituents.empty()) return std::nullopt;
  return model;
}

std::optional<StationPredictions> TideDatabase::Predict(size_t index, int64_t from, int64_t to) {
  if (!open_ || index >= records_.size()) return std::nullopt;
  TIDE_RECORD rec;
  if (read_tide_record(records_[index], &rec) < 0) return std::nullopt;
  StationPredictions out;
  out.name = NameOf(rec.header.name);
  const char* units = get_level_units(rec.level_units);
  out.units = units ? units : "";
  if (rec.header.record_type == REFERENCE_STATION) {
    const std::optional<TideModel> model = ModelOf(rec.header.record_number, from, to);
    if (!model) return std::nullopt;
    out.events = FindExtremes(*model, from, to);
    return out;
  }
  const std::optional<TideModel> model = ModelOf(rec.header.reference_station, from, to);
  if (!model) return std::nullopt;
  TideOffsets offsets{.high_minutes = HhmmMinutes(rec.max_time_add),
                      .low_minutes = HhmmMinutes(rec.min_time_add),
                      .high_multiply = rec.max_level_multiply,
                      .high_add = rec.max_level_add,
                      .low_multiply = rec.min_level_multiply,
                      .low_add = rec.min_level_add};
  // The reference's events a little either side, so that shifted ones near the ends count.
  const int64_t margin = 6 * 3600;
  for (const TideEvent& e : ApplyOffsets(FindExtremes(*model, from - margin, to + margin), offsets))
    if (e.time >= from && e.time < to) out.events.push_back(e);
  return out;
}

}  // namespace vfd
