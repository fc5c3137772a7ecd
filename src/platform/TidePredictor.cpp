#include "platform/TidePredictor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace vfd {
namespace {

constexpr double kDegrees = M_PI / 180.0;

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

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

std::string RenderTidePage(const std::string& station, const std::string& units,
                           const std::vector<TideEvent>& events) {
  const std::string unit = units == "meters" ? "m" : units;
  std::string page = station + "\n(click for map)\n\n";
  for (const TideEvent& e : events) {
    // To the nearest minute.
    const time_t tt = static_cast<time_t>((e.time + 30) / 60 * 60);
    std::tm tm{};
    localtime_r(&tt, &tm);
    const int hour12 = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
    double level = std::round(e.level * 100) / 100;
    if (level == 0) level = 0;  // no "-0.00"
    char line[96];
    std::snprintf(line, sizeof line, "%04d-%02d-%02d %2d:%02d %s %s%.2f %s  %s Tide\n",
                  tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, hour12, tm.tm_min,
                  tm.tm_hour < 12 ? "AM" : "PM",
                  TideZoneField(tm.tm_zone ? tm.tm_zone : "", tm.tm_gmtoff).c_str(), level,
                  unit.c_str(), e.high ? "High" : "Low");
    page += line;
  }
  // Each entry the reader skips takes a character off the end with it: the closing note keeps
  // the last entry whole.
  page += "\nPredictions from harmonic constants; not for navigation.\n";
  return page;
}

int64_t LocalMidnight(int64_t now, int days) {
  const time_t tt = static_cast<time_t>(now);
  std::tm tm{};
  localtime_r(&tt, &tm);
  tm.tm_mday += days;
  tm.tm_hour = 0;
  tm.tm_min = 0;
  tm.tm_sec = 0;
  tm.tm_isdst = -1;
  return static_cast<int64_t>(mktime(&tm));
}

}  // namespace vfd
