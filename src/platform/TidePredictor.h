#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vfd {

// One harmonic constituent of a station: its speed, the station's amplitude and Greenwich epoch,
// and the equilibrium argument (at 00:00 UTC on 1 January) and node factor of every year the
// tables cover.
struct TideConstituent {
  double speed = 0;                   // degrees per hour
  double amplitude = 0;               // in the station's units
  double epoch = 0;                   // degrees, referred to UTC
  std::vector<double> equilibrium{};  // degrees, index = year - first_year
  std::vector<double> node{};         // index = year - first_year
};

// A reference station's harmonic constants. The water level at a moment is the datum plus the
// sum over the constituents of f·A·cos(speed·t + V0 − epoch), with t the hours since the start
// of that moment's year (UTC) and f, V0 that year's node factor and equilibrium argument. Years
// outside the tables use the nearest year they hold.
struct TideModel {
  int first_year = 1970;
  double datum = 0;
  std::vector<TideConstituent> constituents{};

  double Level(int64_t unix_seconds) const;
  // The level's rate of change, units per hour.
  double Slope(int64_t unix_seconds) const;
};

struct TideEvent {
  int64_t time = 0;  // Unix seconds
  double level = 0;
  bool high = false;
};

// The highs and lows in [from, to): the roots of the slope, each to the second.
std::vector<TideEvent> FindExtremes(const TideModel& model, int64_t from, int64_t to);

// A subordinate station's differences from its reference station: minutes added to the times of
// highs and lows, and their levels multiplied (a multiplier of 0 means none is given) and added
// to.
struct TideOffsets {
  int high_minutes = 0;
  int low_minutes = 0;
  double high_multiply = 1;
  double high_add = 0;
  double low_multiply = 1;
  double low_add = 0;
};
std::vector<TideEvent> ApplyOffsets(const std::vector<TideEvent>& reference,
                                    const TideOffsets& offsets);

// The zone field of a page entry: six characters whose first capital T is the third, so that
// the tides function's reader finds the time before it and the height three characters after
// it, whatever the zone is called. An abbreviation that cannot be placed so is written as its
// offset from UTC ("UT+3"), or "LT" (local time) when even that does not fit.
std::string TideZoneField(const std::string& abbreviation, long utc_offset_seconds);

// The tide table page for a station: a heading, "(click for map)", and one line per event in the
// local time zone (TZ applies): "2026-12-08  4:36 AM EST   0.69 feet  Low Tide".
std::string RenderTidePage(const std::string& station, const std::string& units,
                           const std::vector<TideEvent>& events);

// Unix seconds of local midnight starting the day `days` after the day holding `now`.
int64_t LocalMidnight(int64_t now, int days);

}  // namespace vfd
