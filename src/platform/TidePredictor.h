#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/TideZone.h"

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

// The spread of the model's level over [from, to), sampled every hour: over a month, the
// station's range from spring to neap tides as a tide table shows it.
double LevelRange(const TideModel& model, int64_t from, int64_t to);

// The highs and lows a tide table lists, of the extremes of a reference curve. Where the curve
// all but stands still (the Gulf coast's tides turning from diurnal to semidiurnal and back), the
// slope's roots include high/low pairs a few hundredths of a foot apart that the tables do not
// list, and that a subordinate station's offsets would blow up into "tides" of half a foot. So,
// smallest first, every neighbouring pair whose rise is under `min_rise` goes, both its high and
// its low: the events either side of a pair are a low and a high, so highs and lows still
// alternate, and the larger swing they bound is what the tables show.
std::vector<TideEvent> DropMinorExtremes(std::vector<TideEvent> events, double min_rise);

// The rise below which a pair is not a tide of its own: 3 % of the station's range, and never
// more than the tables' resolution (a tenth of a foot, 3 cm), so that the small but real pairs
// of mixed tides on a coast of large ranges (Seattle's few tenths of a foot) stay.
double MinorRise(double range, const std::string& units);

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

// The description part of a page entry: height, unit and kind ("-0.21 ft  Low Tide"), in at
// most kTideDescriptionWidth characters for any height, so that the event fits a line of
// 20 characters, the time before it fills the other 20 of a 40-character line, and the 2x24's
// indent still leaves it whole. Feet are "ft", metres "m"; the decimals give way only to
// heights no water level reaches.
constexpr size_t kTideDescriptionWidth = 20;
std::string TideDescription(double level, const std::string& units, bool high);

// The tide table page for a station: a heading, "(click for map)", and one line per event in the
// station's own time zone, as tide tables give them: "2026-12-08  4:36 AM EST   0.69 ft  Low Tide".
std::string RenderTidePage(const std::string& station, const std::string& units,
                           const std::vector<TideEvent>& events, const TideZone& zone);

}  // namespace vfd
