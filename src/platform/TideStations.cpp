#include "platform/TideStations.h"

#include <tcd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <iterator>
#include <string_view>

#include "core/Charset.h"

namespace vfd {
namespace {

// Station names are ISO 8859-1 in the harmonics files xtide-data ships; a file written as UTF-8
// reads as it is.
std::string NameOf(const char* name) {
  return TextOfFile(name);
}

// Letter case and full stops do not count: "St. Petersburg" is "st petersburg".
std::string Normal(std::string_view s) {
  std::string out;
  for (char ch : s)
    if (ch != '.') out += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ')
    s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ')
    s.remove_suffix(1);
  return s;
}

struct Region {
  const char* name;  // as station names write it, lower case
  const char* code;  // postal abbreviation
};

// The regions station names end in, and what people type for them.
constexpr Region kRegions[] = {
    {"alabama", "al"},
    {"alaska", "ak"},
    {"arizona", "az"},
    {"arkansas", "ar"},
    {"california", "ca"},
    {"colorado", "co"},
    {"connecticut", "ct"},
    {"delaware", "de"},
    {"district of columbia", "dc"},
    {"florida", "fl"},
    {"georgia", "ga"},
    {"hawaii", "hi"},
    {"idaho", "id"},
    {"illinois", "il"},
    {"indiana", "in"},
    {"iowa", "ia"},
    {"kansas", "ks"},
    {"kentucky", "ky"},
    {"louisiana", "la"},
    {"maine", "me"},
    {"maryland", "md"},
    {"massachusetts", "ma"},
    {"michigan", "mi"},
    {"minnesota", "mn"},
    {"mississippi", "ms"},
    {"missouri", "mo"},
    {"montana", "mt"},
    {"nebraska", "ne"},
    {"nevada", "nv"},
    {"new hampshire", "nh"},
    {"new jersey", "nj"},
    {"new mexico", "nm"},
    {"new york", "ny"},
    {"north carolina", "nc"},
    {"north dakota", "nd"},
    {"ohio", "oh"},
    {"oklahoma", "ok"},
    {"oregon", "or"},
    {"pennsylvania", "pa"},
    {"rhode island", "ri"},
    {"south carolina", "sc"},
    {"south dakota", "sd"},
    {"tennessee", "tn"},
    {"texas", "tx"},
    {"utah", "ut"},
    {"vermont", "vt"},
    {"virginia", "va"},
    {"washington", "wa"},
    {"west virginia", "wv"},
    {"wisconsin", "wi"},
    {"wyoming", "wy"},
    {"puerto rico", "pr"},
    {"virgin islands", "vi"},
    {"guam", "gu"},
    {"american samoa", "as"},
    {"marianas", "mp"},
    {"fsm", "fm"},
    {"marshall islands", "mh"},
    {"alberta", "ab"},
    {"british columbia", "bc"},
    {"manitoba", "mb"},
    {"new brunswick", "nb"},
    {"newfoundland and labrador", "nl"},
    {"nova scotia", "ns"},
    {"northwest territories", "nt"},
    {"nunavut", "nu"},
    {"ontario", "on"},
    {"prince edward island", "pe"},
    {"quebec", "qc"},
    {"yukon", "yt"},
};
constexpr int kRegionCount = static_cast<int>(std::size(kRegions));

// The region `text` names in full or by its abbreviation, or -1.
int RegionNamed(std::string_view text) {
  for (int r = 0; r < kRegionCount; ++r)
    if (text == kRegions[r].name || text == kRegions[r].code) return r;
  return -1;
}

// A station name split into its place and its region: the last part of the name (without a
// mark such as " (sub)" after it) when that is a region, else no region.
struct SplitName {
  std::string place;
  int region = -1;
};

SplitName Split(const std::string& normal_name) {
  const size_t comma = normal_name.rfind(',');
  if (comma == std::string::npos) return {normal_name};
  std::string_view last = Trim(std::string_view(normal_name).substr(comma + 1));
  if (const size_t mark = last.find(" ("); mark != std::string_view::npos)
    last = last.substr(0, mark);
  const int region = RegionNamed(last);
  if (region < 0) return {normal_name};
  return {normal_name.substr(0, comma), region};
}

// What a query asks for: a place, and the regions it may be in (all when none is named).
struct Query {
  std::string place;
  std::vector<bool> regions;  // empty: any
};

// "Boston, MA", "Seattle WA", "Portland Oregon": the region after a comma or as the last words,
// with something before it. After a comma a region's beginning will do ("Boston, Mass"), so that
// the completion list follows the typing.
std::optional<Query> WithRegion(const std::string& q) {
  Query out;
  out.regions.assign(kRegionCount, false);
  if (const size_t comma = q.rfind(','); comma != std::string::npos) {
    const std::string_view tail = Trim(std::string_view(q).substr(comma + 1));
    out.place = std::string(Trim(std::string_view(q).substr(0, comma)));
    if (tail.empty() || out.place.empty()) return std::nullopt;
    if (const int r = RegionNamed(tail); r >= 0) {
      out.regions[static_cast<size_t>(r)] = true;
      return out;
    }
    bool any = false;
    for (int r = 0; r < kRegionCount; ++r)
      if (std::string_view(kRegions[r].name).starts_with(tail))
        any = out.regions[static_cast<size_t>(r)] = true;
    if (any) return out;
    return std::nullopt;
  }
  // The last one, two or three words, longest first.
  std::vector<size_t> starts;  // where each word begins
  for (size_t i = 0; i < q.size(); ++i)
    if (q[i] != ' ' && (i == 0 || q[i - 1] == ' ')) starts.push_back(i);
  for (size_t n = std::min<size_t>(3, starts.size() - 1); n >= 1 && starts.size() > 1; --n) {
    const size_t at = starts[starts.size() - n];
    if (const int r = RegionNamed(std::string_view(q).substr(at)); r >= 0) {
      out.place = std::string(Trim(std::string_view(q).substr(0, at)));
      out.regions[static_cast<size_t>(r)] = true;
      return out;
    }
  }
  return std::nullopt;
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

struct Hit {
  int rank;
  size_t index;
};

// The stations matching `query`, unsorted.
std::vector<Hit> Matches(const std::vector<TideStationName>& stations, const Query& query) {
  std::vector<Hit> hits;
  for (size_t i = 0; i < stations.size(); ++i) {
    const std::string name = Normal(stations[i].name);
    const SplitName split = Split(name);
    if (!query.regions.empty() &&
        (split.region < 0 || !query.regions[static_cast<size_t>(split.region)]))
      continue;
    int rank = name == query.place ? 0 : MatchRank(split.place, query.place);
    // A region searched as a place names all its stations, after every station whose own
    // place matches.
    if (rank < 0 && query.regions.empty() && MatchRank(name, query.place) >= 0) rank = 5;
    if (rank >= 0) hits.push_back({rank, i});
  }
  return hits;
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
  const std::string q(Trim(Normal(query)));
  if (q.empty()) return {};
  std::vector<Hit> hits;
  if (const std::optional<Query> regional = WithRegion(q)) hits = Matches(stations, *regional);
  if (hits.empty()) hits = Matches(stations, Query{q, {}});
  std::sort(hits.begin(), hits.end(), [&](const Hit& a, const Hit& b) {
    const TideStationName &x = stations[a.index], &y = stations[b.index];
    if (a.rank != b.rank) return a.rank < b.rank;
    if (x.reference != y.reference) return x.reference;
    if (x.dependents != y.dependents) return x.dependents > y.dependents;
    return a.index < b.index;
  });
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
  std::vector<int32_t> references;  // each station's reference record, -1 for none
  for (uint32_t i = 0; i < header.number_of_records; ++i) {
    TIDE_RECORD rec;
    if (read_tide_record(static_cast<NV_INT32>(i), &rec) < 0) continue;
    const char* units = get_level_units(rec.level_units);
    // Tidal currents are in knots; their "highs" are floods, not water levels.
    if (units && std::strstr(units, "knots")) continue;
    const char* zone = get_tzfile(rec.header.tzfile);
    std::string zone_name = zone ? zone : "";
    if (!zone_name.empty() && zone_name.front() == ':') zone_name.erase(0, 1);
    names_.push_back({.name = NameOf(rec.header.name),
                      .reference = rec.header.record_type == REFERENCE_STATION,
                      .zone = zone_name});
    records_.push_back(rec.header.record_number);
    references.push_back(
        rec.header.record_type == REFERENCE_STATION ? -1 : rec.header.reference_station);
  }
  for (int32_t reference : references) {
    if (reference < 0) continue;
    const auto at = std::find(records_.begin(), records_.end(), reference);
    if (at != records_.end()) ++names_[static_cast<size_t>(at - records_.begin())].dependents;
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
  out.zone = names_[index].zone;
  const bool reference = rec.header.record_type == REFERENCE_STATION;
  // The range is judged over the month around the page, springs and neaps both.
  const int64_t month = 15 * 86400;
  const std::optional<TideModel> model =
      ModelOf(reference ? rec.header.record_number : rec.header.reference_station, from - month,
              to + month);
  if (!model) return std::nullopt;
  const char* reference_units = units;
  if (!reference) {
    TIDE_RECORD ref;
    if (read_tide_record(rec.header.reference_station, &ref) >= 0)
      reference_units = get_level_units(ref.level_units);
  }
  const double min_rise = MinorRise(LevelRange(*model, from - month, to + month),
                                    reference_units ? reference_units : "");
  // A day either side, so that the pairs judged at the ends have their neighbours, and shifted
  // events near the ends count.
  const int64_t margin = 86400;
  std::vector<TideEvent> events =
      DropMinorExtremes(FindExtremes(*model, from - margin, to + margin), min_rise);
  if (!reference)
    events = ApplyOffsets(events, {.high_minutes = HhmmMinutes(rec.max_time_add),
                                   .low_minutes = HhmmMinutes(rec.min_time_add),
                                   .high_multiply = rec.max_level_multiply,
                                   .high_add = rec.max_level_add,
                                   .low_multiply = rec.min_level_multiply,
                                   .low_add = rec.min_level_add});
  for (const TideEvent& e : events)
    if (e.time >= from && e.time < to) out.events.push_back(e);
  return out;
}

}  // namespace vfd
