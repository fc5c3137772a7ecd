#include "platform/TidePredictor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "core/Clock.h"

namespace vfd {
namespace {

constexpr double kDegrees = M_PI / 180.0;

int UtcYear(int64_t t) {
  const time_t tt = static_cast<time_t>(t);
  std::tm tm{};
  gmtime_r(&tt, &tm);
  return tm.tm_year + 1900;
}

struct YearTerms {
  size_t index;
  double hours;  // since the start of the year, UTC
};

YearTerms TermsAt(const TideModel& model, int64_t t) {
  const int year = UtcYear(t);
  const int64_t start = DaysFromCivil(year, 1, 1) * 86400;
  size_t years = model.constituents.empty() ? 1 : model.constituents.front().node.size();
  const long index = std::clamp<long>(year - model.first_year, 0, static_cast<long>(years) - 1);
  return {static_cast<size_t>(std::max(index, 0L)), static_cast<double>(t - start) / 3600.0};
}

}  // namespace

double TideModel::Level(int64_t t) const {
  const YearTerms y = TermsAt(*this, t);
  double level = datum;
  for (const TideConstituent& c : constituents) {
    const double arg = c.speed * y.hours + c.equilibrium[y.index] - c.epoch;
    level += c.node[y.index] * c.amplitude * std::cos(std::fmod(arg, 360.0) * kDegrees);
  }
  return level;
}

double TideModel::Slope(int64_t t) const {
  const YearTerms y = TermsAt(*this, t);
  double slope = 0;
  for (const TideConstituent& c : constituents) {
    const double arg = c.speed * y.hours + c.equilibrium[y.index] - c.epoch;
    slope -= c.node[y.index] * c.amplitude * c.speed * kDegrees *
             std::sin(std::fmod(arg, 360.0) * kDegrees);
  }
  return slope;
}

std::vector<TideEvent> FindExtremes(const TideModel& model, int64_t from, int64_t to) {
  // No tide turns twice within ten minutes, so a change of the slope's sign between samples
  // brackets exactly one extreme, which bisection then pins to the second.
  constexpr int64_t kStep = 600;
  std::vector<TideEvent> events;
  int64_t a = from;
  double sa = model.Slope(a);
  while (a < to) {
    const int64_t b = a + kStep;
    const double sb = model.Slope(b);
    if ((sa > 0 && sb <= 0) || (sa < 0 && sb >= 0)) {
      int64_t lo = a, hi = b;
      const bool rising = sa > 0;
      while (hi - lo > 1) {
        const int64_t mid = lo + (hi - lo) / 2;
        if ((model.Slope(mid) > 0) == rising)
          lo = mid;
        else
          hi = mid;
      }
      const int64_t at = std::abs(model.Slope(lo)) < std::abs(model.Slope(hi)) ? lo : hi;
      if (at >= from && at < to) events.push_back({at, model.Level(at), rising});
    }
    a = b;
    sa = sb;
  }
  return events;
}

double LevelRange(const TideModel& model, int64_t from, int64_t to) {
  double low = 0, high = 0;
  bool first = true;
  for (int64_t t = from; t < to; t += 3600) {
    const double level = model.Level(t);
    low = first ? level : std::min(low, level);
    high = first ? level : std::max(high, level);
    first = false;
  }
  return high - low;
}

std::vector<TideEvent> DropMinorExtremes(std::vector<TideEvent> events, double min_rise) {
  for (;;) {
    size_t smallest = events.size();
    double rise = min_rise;
    for (size_t k = 0; k + 1 < events.size(); ++k) {
      const double r = std::abs(events[k + 1].level - events[k].level);
      if (r < rise) {
        rise = r;
        smallest = k;
      }
    }
    if (smallest == events.size()) return events;
    const auto at = events.begin() + static_cast<std::ptrdiff_t>(smallest);
    events.erase(at, at + 2);
  }
}

double MinorRise(double range, const std::string& units) {
  const double resolution = units == "feet" ? 0.1 : 0.03;
  return std::min(0.03 * range, resolution);
}

std::vector<TideEvent> ApplyOffsets(const std::vector<TideEvent>& reference, const TideOffsets& o) {
  std::vector<TideEvent> out;
  out.reserve(reference.size());
  for (TideEvent e : reference) {
    const double multiply = e.high ? o.high_multiply : o.low_multiply;
    e.level = e.level * (multiply == 0 ? 1 : multiply) + (e.high ? o.high_add : o.low_add);
    e.time += 60LL * (e.high ? o.high_minutes : o.low_minutes);
    out.push_back(e);
  }
  return out;
}

std::string TideZoneField(const std::string& abbreviation, long utc_offset_seconds) {
  auto placed = [](const std::string& zone) -> std::string {
    const size_t t = zone.find('T');
    if (t == std::string::npos || t > 2 || zone.size() - t - 1 > 3) return {};
    std::string field = std::string(2 - t, ' ') + zone;
    field.resize(6, ' ');
    return field;
  };
  std::string field = placed(abbreviation);
  if (field.empty() && utc_offset_seconds % 3600 == 0) {
    const long hours = utc_offset_seconds / 3600;
    field = placed(std::string("UT") + (hours < 0 ? "-" : "+") + std::to_string(std::labs(hours)));
  }
  if (field.empty()) field = placed("LT");
  return field;
}

std::string TideDescription(double level, const std::string& units, bool high) {
  const std::string unit = units == "feet"                          ? "ft"
                           : units == "meters" || units == "metres" ? "m"
                                                                    : units;
  const char* kind = high ? "High" : "Low";
  std::string text;
  for (int decimals = 2; decimals >= 0; --decimals) {
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(level * scale) / scale;
    if (rounded == 0) rounded = 0;  // no "-0.00"
    for (const char* gap : {"  ", " "}) {
      char buffer[96];
      std::snprintf(buffer, sizeof buffer, "%.*f %s%s%s Tide", decimals, rounded, unit.c_str(), gap,
                    kind);
      text = buffer;
      if (text.size() <= kTideDescriptionWidth) return text;
    }
  }
  return text;
}

std::string RenderTidePage(const std::string& station, const std::string& units,
                           const std::vector<TideEvent>& events, const TideZone& zone) {
  std::string page =
      station + "\nTimes are local to the station (" + zone.Name() + ")\n" + "(click for map)\n\n";
  for (const TideEvent& e : events) {
    // To the nearest minute.
    const TideZone::Local at = zone.At((e.time + 30) / 60 * 60);
    const int hour12 = at.hour % 12 == 0 ? 12 : at.hour % 12;
    char line[64];
    std::snprintf(line, sizeof line, "%04d-%02d-%02d %2d:%02d %s %s", at.year, at.month, at.day,
                  hour12, at.minute, at.hour < 12 ? "AM" : "PM",
                  TideZoneField(at.abbreviation, at.utc_offset).c_str());
    page += line + TideDescription(e.level, units, e.high) + "\n";
  }
  // Each entry the reader skips takes a character off the end with it: the closing note keeps
  // the last entry whole.
  page += "\nPredictions from harmonic constants; not for navigation.\n";
  return page;
}

}  // namespace vfd
