// Tide predictions made on this machine: the harmonic sum and its extremes on a station whose
// answers are known in closed form, the page layout read back by the tides function's reader in
// several time zones, the station search, and Northport from the installed harmonics file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/LocalTidePages.h"
#include "platform/TideDataReader.h"
#include "platform/TidePredictor.h"
#include "platform/TideStations.h"
#include "sources/Tides.h"
#include "support/Rig.h"
#include "support/VirtualEventLoop.h"

namespace vfd {
namespace {

constexpr int64_t kJan1st2026 = 1767225600;  // 2026-01-01 00:00 UTC
constexpr double kM2 = 28.9841042;           // degrees per hour

// Amplitude 2, datum 1, epoch 30°, no equilibrium argument in 2026 (and 2027's the phase the
// constituent has reached by then): highs of 3 when M2·t = 30° + k·360° (t in hours since the
// start of 2026), lows of -1 half a period later.
TideModel OneConstituent(double node_2026 = 1, double node_2027 = 1) {
  TideModel m;
  m.first_year = 2026;
  m.datum = 1;
  m.constituents.push_back({.speed = kM2,
                            .amplitude = 2,
                            .epoch = 30,
                            .equilibrium = {0, std::fmod(kM2 * 365 * 24, 360.0)},
                            .node = {node_2026, node_2027}});
  return m;
}

class TimeZone {
 public:
  explicit TimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~TimeZone() {
    if (old_.empty())
      unsetenv("TZ");
    else
      setenv("TZ", old_.c_str(), 1);
    tzset();
  }

 private:
  std::string old_;
};

TEST(TidePredictorTest, OneConstituentGivesItsExtremesInClosedForm) {
  const TideModel m = OneConstituent();
  const std::vector<TideEvent> events = FindExtremes(m, kJan1st2026, kJan1st2026 + 86400);
  ASSERT_EQ(events.size(), 4u);
  const double period_s = 360.0 / kM2 * 3600;
  for (size_t k = 0; k < events.size(); ++k) {
    const double expected = 30.0 / kM2 * 3600 + static_cast<double>(k) * period_s / 2;
    EXPECT_NEAR(static_cast<double>(events[k].time - kJan1st2026), expected, 2.0) << k;
    EXPECT_EQ(events[k].high, k % 2 == 0);
    EXPECT_NEAR(events[k].level, k % 2 == 0 ? 3.0 : -1.0, 1e-6);
  }
  EXPECT_NEAR(m.Level(kJan1st2026), 1 + 2 * std::cos(30 * M_PI / 180), 1e-9);
}

TEST(TidePredictorTest, TheYearsNodeFactorTakesOverAtNewYearWithoutLosingATide) {
  // 2027's node factor is 10 % larger: heights step at midnight, the rhythm does not.
  const TideModel m = OneConstituent(1.0, 1.1);
  const int64_t new_year = kJan1st2026 + 365 * 86400;
  EXPECT_NEAR(m.Level(new_year - 1), m.Level(new_year), 0.25);
  const std::vector<TideEvent> events = FindExtremes(m, new_year - 86400, new_year + 86400);
  ASSERT_GE(events.size(), 7u);
  for (size_t k = 1; k < events.size(); ++k) {
    EXPECT_NE(events[k].high, events[k - 1].high);
    EXPECT_NEAR(static_cast<double>(events[k].time - events[k - 1].time), 180.0 / kM2 * 3600,
                120.0);
  }
  EXPECT_NEAR(events.back().level, events.back().high ? 3.2 : -1.2, 1e-6);
}

TEST(TidePredictorTest, SubordinateOffsetsShiftTimesAndScaleLevels) {
  const std::vector<TideEvent> ref{{1000, 6.0, true}, {23000, 0.5, false}};
  const std::vector<TideEvent> sub = ApplyOffsets(
      ref, {.high_minutes = -5, .low_minutes = 4, .high_multiply = 1.07, .low_multiply = 0});
  EXPECT_EQ(sub[0].time, 700);
  EXPECT_NEAR(sub[0].level, 6.42, 1e-9);
  EXPECT_EQ(sub[1].time, 23240);
  EXPECT_NEAR(sub[1].level, 0.5, 1e-9);  // a multiplier of 0 is none
}

TEST(TidePredictorTest, StallsOfTheCurveAreNotTides) {
  // A stand in the rising tide (1.60, 1.63) and another in the falling one (1.50, 1.47), then a
  // small but real pair of a mixed tide (0.9 to 1.3).
  const std::vector<TideEvent> events{
      {0, -0.6, false}, {1, 1.60, true},   {2, 1.63, false}, {3, 1.87, true}, {4, 1.50, false},
      {5, 1.47, true},  {6, -0.65, false}, {7, 0.9, true},   {8, 1.3, false}, {9, 1.80, true}};
  const std::vector<TideEvent> kept = DropMinorExtremes(events, 0.08);
  std::vector<int64_t> times;
  for (const TideEvent& e : kept)
    times.push_back(e.time);
  EXPECT_EQ(times, (std::vector<int64_t>{0, 3, 6, 7, 8, 9}));
  for (size_t k = 1; k < kept.size(); ++k)
    EXPECT_NE(kept[k].high, kept[k - 1].high) << k;
  // Pairs dropped one after another until none is left below the rise.
  EXPECT_EQ(
      DropMinorExtremes({{0, 0, false}, {1, 0.05, true}, {2, 0.02, false}, {3, 2, true}}, 0.08)
          .size(),
      2u);
  EXPECT_TRUE(DropMinorExtremes({}, 0.1).empty());
  // 3 % of the range, but never more than a tenth of a foot or 3 cm.
  EXPECT_NEAR(MinorRise(2.5, "feet"), 0.075, 1e-9);
  EXPECT_NEAR(MinorRise(17, "feet"), 0.1, 1e-9);
  EXPECT_NEAR(MinorRise(0.5, "meters"), 0.015, 1e-9);
  EXPECT_NEAR(MinorRise(5, "meters"), 0.03, 1e-9);
}

TEST(TidePageLayoutTest, TheDescriptionFitsTwentyCharactersForAnyHeight) {
  EXPECT_EQ(TideDescription(29.7249, "feet", true), "29.72 ft  High Tide");
  EXPECT_EQ(TideDescription(-10.518, "feet", true), "-10.52 ft  High Tide");
  EXPECT_EQ(TideDescription(-0.004, "feet", false), "0.00 ft  Low Tide");
  EXPECT_EQ(TideDescription(-1.234, "meters", false), "-1.23 m  Low Tide");
  EXPECT_EQ(TideDescription(-123.456, "feet", true), "-123.46 ft High Tide");
  EXPECT_EQ(TideDescription(-12345.6, "feet", true), "-12346 ft  High Tide");
  for (double level : {-99999.0, -1234.5, -10.0, 0.0, 9.99, 35.2, 999.99})
    for (const char* units : {"feet", "meters"})
      EXPECT_LE(TideDescription(level, units, true).size(), kTideDescriptionWidth) << level;
}

TEST(TidePageLayoutTest, TheReaderFindsTimeAndHeightInEveryZone) {
  // 2026-12-08 09:36 UTC, a low of -0.21; a high of 10.5 metres 6 hours later. The page is in
  // the zone it is given, whatever TZ says.
  TimeZone process("Asia/Tokyo");
  struct Case {
    const char* zone;
    const char* field;
    int day, hour;
    const char* line1;
  };
  const Case cases[] = {
      {"America/New_York", "EST   ", 8, 4, "2026-12-08  4:36 AM "},
      {"Etc/UTC", " UTC  ", 8, 9, "2026-12-08  9:36 AM "},
      {"Europe/Paris", "GMT+1 ", 8, 10, "2026-12-08 10:36 AM "},
      {"Asia/Riyadh", "GMT+3 ", 8, 12, "2026-12-08 12:36 PM "},
      {":America/Anchorage", " UT-9 ", 8, 0, "2026-12-08 12:36 AM "},
      {"Asia/Kathmandu", " LT   ", 8, 15, "2026-12-08  3:21 PM "},
      {"Pacific/Guam", "GMT+10", 8, 19, "2026-12-08  7:36 PM "},
  };
  const int64_t low = 1796722560;
  for (const Case& c : cases) {
    const TideZone zone(c.zone);
    const TideZone::Local at = zone.At(low);
    EXPECT_EQ(TideZoneField(at.abbreviation, at.utc_offset), c.field) << c.zone;
    EXPECT_EQ(at.hour, c.hour) << c.zone;
    const std::string page = RenderTidePage(
        "Somewhere", "meters", {{low, -0.2104, false}, {low + 6 * 3600, 10.5, true}}, zone);
    const TideReading r = ReadTidePage(page, c.day, 0);
    ASSERT_EQ(r.outcome, TideReading::Outcome::kLines) << c.zone << "\n" << page;
    EXPECT_EQ(r.line1, c.line1) << c.zone;
    EXPECT_EQ(r.line2, "-0.21 m  Low Tide") << c.zone;
    const TideReading later = ReadTidePage(page, c.day, (c.hour + 1) % 24);
    if (c.hour < 18) {
      EXPECT_EQ(later.line2, "10.50 m  High Tide") << c.zone;
    }
  }
  const std::string page = RenderTidePage("Northport", "feet", {{1796722560, 0.69, false}},
                                          TideZone("America/New_York"));
  EXPECT_NE(page.find("2026-12-08  4:36 AM EST   0.69 ft  Low Tide\n"), std::string::npos);
  const TideReading r = ReadTidePage(page, 8, 4);
  EXPECT_EQ(r.line1, "2026-12-08  4:36 AM ");
  EXPECT_EQ(r.line2, "0.69 ft  Low Tide");
}

TEST(StationSearchTest, WholeWordsAndReferenceStationsFirst) {
  const std::vector<TideStationName> stations{
      {"Northport Point Bridge, Maine", false},
      {"Port Northportage", true},
      {"Northport, Northport Bay, Long Island, New York (sub)", false},
      {"Northport, Northport Bay, Long Island, New York", true},
      {"Bridgeport, Connecticut", true},
  };
  const std::vector<size_t> hits = RankStations(stations, "northport", 10);
  ASSERT_EQ(hits.size(), 4u);
  EXPECT_EQ(hits[0], 3u);
  EXPECT_EQ(hits[1], 2u);
  EXPECT_EQ(hits[2], 0u);
  EXPECT_EQ(hits[3], 1u);
  EXPECT_EQ(RankStations(stations, "BRIDGEPORT", 10), std::vector<size_t>{4});
  EXPECT_TRUE(RankStations(stations, "  ", 10).empty());
  EXPECT_TRUE(RankStations(stations, "Atlantis", 10).empty());
}

// The installed harmonics file, when there is one.
std::string DataFile() {
  const std::string path = TideSourceConfig::kDefaultData;
  return std::filesystem::exists(path) ? path : "";
}

TEST(TideDatabaseTest, NorthportKeepsTheSemidiurnalRhythm) {
  const std::string path = DataFile();
  if (path.empty()) GTEST_SKIP() << "no harmonics file at " << TideSourceConfig::kDefaultData;
  TideDatabase db;
  std::string error;
  ASSERT_TRUE(db.Open(path, &error)) << error;
  const std::vector<size_t> hits = RankStations(db.Stations(), "Northport", 3);
  ASSERT_FALSE(hits.empty());
  EXPECT_EQ(db.Stations()[hits[0]].name, "Northport, Northport Bay, Long Island, New York");
  // Ten days around New Year.
  const int64_t from = kJan1st2026 + 360 * 86400;
  const auto p = db.Predict(hits[0], from, from + 10 * 86400);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->units, "feet");
  ASSERT_GE(p->events.size(), 36u);
  ASSERT_LE(p->events.size(), 40u);
  std::vector<int64_t> highs;
  for (size_t k = 0; k < p->events.size(); ++k) {
    const TideEvent& e = p->events[k];
    if (k > 0) {
      EXPECT_NE(e.high, p->events[k - 1].high);
    }
    if (e.high) {
      highs.push_back(e.time);
      EXPECT_GT(e.level, 5.0);
      EXPECT_LT(e.level, 10.5);
    } else {
      EXPECT_GT(e.level, -2.5);
      EXPECT_LT(e.level, 2.0);
    }
  }
  // On average 12 h 25 min from high to high, each interval within an hour of it.
  const double mean =
      static_cast<double>(highs.back() - highs.front()) / static_cast<double>(highs.size() - 1);
  EXPECT_NEAR(mean, 12 * 3600 + 25 * 60, 300);
  for (size_t k = 1; k < highs.size(); ++k)
    EXPECT_NEAR(static_cast<double>(highs[k] - highs[k - 1]), 12 * 3600 + 25 * 60, 3600);
}

TEST(LocalTidePagesTest, APageForNorthportReadsBackAndAnUnknownPlaceIsSaid) {
  const std::string path = DataFile();
  if (path.empty()) GTEST_SKIP() << "no harmonics file at " << TideSourceConfig::kDefaultData;
  TimeZone zone("EST5EDT,M3.2.0,M11.1.0");
  testing::VirtualEventLoop loop;
  // 2026-12-08 14:50 EST.
  LocalTidePages pages(loop, path, [] { return int64_t{1796759400}; });
  std::vector<TidePage> got;
  pages.Page("northport", [&](TidePage p) { got.push_back(std::move(p)); });
  pages.Page("Atlantis", [&](TidePage p) { got.push_back(std::move(p)); });
  for (int i = 0; i < 2000 && got.size() < 2; ++i) {
    loop.RunPosted();
    if (got.size() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(got.size(), 2u);
  ASSERT_TRUE(got[0].ok) << got[0].error;
  EXPECT_EQ(got[0].station, "Northport, Northport Bay, Long Island, New York");
  const TideReading r = ReadTidePage(got[0].text, 8, 14);
  ASSERT_EQ(r.outcome, TideReading::Outcome::kLines) << got[0].text;
  EXPECT_TRUE(r.line1.starts_with("2026-12-0")) << r.line1;
  EXPECT_TRUE(r.line2.ends_with(" ft  High Tide") || r.line2.ends_with(" ft  Low Tide")) << r.line2;
  EXPECT_FALSE(got[1].ok);
  EXPECT_EQ(got[1].error, "no tide station matches \"Atlantis\"");
  EXPECT_EQ(pages.Complete("Northport, North", 5).front(),
            "Northport, Northport Bay, Long Island, New York");
}

TEST(StationSearchTest, PlacesAsPeopleTypeThem) {
  const std::string path = DataFile();
  if (path.empty()) GTEST_SKIP() << "no harmonics file at " << TideSourceConfig::kDefaultData;
  TideDatabase db;
  std::string error;
  ASSERT_TRUE(db.Open(path, &error)) << error;
  struct Case {
    const char* query;
    const char* first;
  };
  const Case cases[] = {
      // A bare city: its principal station.
      {"Galveston", "Galveston Pier 21, Galveston Channel, Texas"},
      {"Charleston", "Charleston, Cooper River entrance, South Carolina"},
      {"Portland", "Portland, Casco Bay, Maine"},
      {"New York", "The Battery, New York Harbor, New York"},
      {"Boston", "Boston, Boston Harbor, Massachusetts"},
      {"st petersburg", "St. Petersburg, Tampa Bay, Florida"},
      // A state or province by name or abbreviation, with a comma or without.
      {"Portland Oregon", "Portland, Morrison Street Bridge, Oregon"},
      {"portland, or", "Portland, Morrison Street Bridge, Oregon"},
      {"Portland ME", "Portland, Casco Bay, Maine"},
      {"Charleston, Oregon", "Charleston, Coos Bay, Oregon"},
      {"Charleston SC", "Charleston, Cooper River entrance, South Carolina"},
      {"Boston, MA", "Boston, Boston Harbor, Massachusetts"},
      {"Boston, Mass", "Boston, Boston Harbor, Massachusetts"},
      {"Seattle WA", "Seattle, Puget Sound, Washington"},
      {"Seattle, Washington", "Seattle, Puget Sound, Washington"},
      {"Galveston TX", "Galveston Pier 21, Galveston Channel, Texas"},
      {"Anchorage, AK", "Anchorage, Knik Arm, Cook Inlet, Alaska"},
      // A state alone: its principal station.
      {"Maine", "Portland, Casco Bay, Maine"},
      // Whole names, and a region word that is part of the name.
      {"Northport, Northport Bay, Long Island, New York",
       "Northport, Northport Bay, Long Island, New York"},
      {"Boston Light, Boston Harbor, Massachusetts (sub)",
       "Boston Light, Boston Harbor, Massachusetts (sub)"},
      {"Washington", "Washington, Potomac River, DC"},
      {"Christmas Bay", "Christmas Bay, Texas"},
  };
  for (const Case& c : cases) {
    const std::vector<size_t> hits = RankStations(db.Stations(), c.query, 5);
    ASSERT_FALSE(hits.empty()) << c.query;
    EXPECT_EQ(db.Stations()[hits[0]].name, c.first) << c.query;
  }
  // A region that has no such place: the query as a name, which names nothing either.
  EXPECT_TRUE(RankStations(db.Stations(), "Seattle, Texas", 5).empty());
  EXPECT_TRUE(RankStations(db.Stations(), "Atlantis WA", 5).empty());
}

// The highs and lows of one station over the week from 2026-11-24 00:00 UTC, a week of
// diurnal tides on the Gulf, when the curve stands still for hours every day.
StationPredictions Week(TideDatabase& db, const std::string& name) {
  const std::vector<size_t> hits = RankStations(db.Stations(), name, 1);
  EXPECT_FALSE(hits.empty()) << name;
  if (hits.empty()) return {};
  constexpr int64_t kNov24th = 1795478400;
  return db.Predict(hits[0], kNov24th, kNov24th + 7 * 86400).value_or(StationPredictions{});
}

TEST(TideDatabaseTest, AWeekOfTablesOnTheGulfAndInCookInlet) {
  const std::string path = DataFile();
  if (path.empty()) GTEST_SKIP() << "no harmonics file at " << TideSourceConfig::kDefaultData;
  TideDatabase db;
  std::string error;
  ASSERT_TRUE(db.Open(path, &error)) << error;
  struct Case {
    const char* station;
    size_t events;
    double lowest, highest;
    double smallest_rise;  // no neighbouring high and low closer than this
  };
  // Raw, the slope's roots give Pier 21 25 events that week and Christmas Bay 26, with
  // "tides" of 0.007 ft at Pier 21 (a 0.5 ft one at Christmas Bay once its offsets apply): a
  // high and a low a day is what the tables list.
  const Case cases[] = {
      {"Anchorage, Knik Arm, Cook Inlet, Alaska", 27, -2.87, 32.59, 15},
      {"Galveston Pier 21, Galveston Channel, Texas", 13, -0.68, 1.87, 1},
      {"Christmas Bay, Texas", 14, -0.16, 1.08, 0.6},
      {"St. Petersburg, Tampa Bay, Florida", 14, -0.80, 2.94, 1},
  };
  for (const Case& c : cases) {
    const StationPredictions p = Week(db, c.station);
    ASSERT_EQ(p.name, c.station);
    EXPECT_EQ(p.events.size(), c.events) << c.station;
    double lowest = 1e9, highest = -1e9;
    for (size_t k = 0; k < p.events.size(); ++k) {
      const TideEvent& e = p.events[k];
      lowest = std::min(lowest, e.level);
      highest = std::max(highest, e.level);
      if (k == 0) continue;
      EXPECT_NE(e.high, p.events[k - 1].high) << c.station << " " << k;
      EXPECT_GE(std::abs(e.level - p.events[k - 1].level), c.smallest_rise) << c.station << k;
      EXPECT_GT(e.time - p.events[k - 1].time, 2 * 3600) << c.station << " " << k;
    }
    EXPECT_NEAR(lowest, c.lowest, 0.01) << c.station;
    EXPECT_NEAR(highest, c.highest, 0.01) << c.station;
  }
}

// A page answered by the fake source, on a display of the given model.
class TideGlass {
 public:
  explicit TideGlass(int16_t model) {
    rig.loop.SetWallClock({2026, 12, 8, 14, 50, 0});
    rig.UseModel(model);
    if (LinkOf(model) == LinkKind::kParallel) rig.main().lstPPort.SetListIndex(0);
    rig.Emulate(model);
    rig.main().cmdTides.Click();
  }
  void Show(const std::string& page, int station_day, int station_hour) {
    while (rig.tides.pending.empty())
      rig.loop.RunFor(30000);
    rig.tides.Reply(
        {.ok = true, .text = page, .station_now = TidePage::StationNow{station_day, station_hour}});
    rig.loop.RunPosted();
    rig.loop.RunFor(1000);
  }
  std::string Row(int row) const { return rig.glass().Row(row); }
  testing::Rig rig;
};

TEST(TideGlassTest, EveryHeightFitsEveryScreen) {
  // Anchorage's highest tides and lowest lows, a low no water reaches, and metres.
  const TideZone anchorage("America/Anchorage");
  const int64_t morning = 1796745600;  // 2026-12-08 16:00 UTC, 7:00 AM in Anchorage
  const std::string feet = RenderTidePage("Anchorage", "feet",
                                          {{morning, -3.87, false},
                                           {morning + 6 * 3600 + 240, 32.59, true},
                                           {morning + 12 * 3600 + 1800, -10.523, false}},
                                          anchorage);
  const std::string metres =
      RenderTidePage("Anchorage", "meters", {{morning + 6 * 3600 + 240, 9.935, true}}, anchorage);
  struct Case {
    const std::string* page;
    int hour;  // at the station
    const char* line1;
    const char* line2;
  };
  const Case cases[] = {
      {&feet, 7, "2026-12-08  7:00 AM ", "-3.87 ft  Low Tide"},
      {&feet, 12, "2026-12-08  1:04 PM ", "32.59 ft  High Tide"},
      {&feet, 19, "2026-12-08  7:30 PM ", "-10.52 ft  Low Tide"},
      {&metres, 12, "2026-12-08  1:04 PM ", "9.94 m  High Tide"},
  };
  auto fit = [](std::string s, size_t width) {
    s.resize(width, ' ');
    return s;
  };
  for (const Case& c : cases) {
    TideGlass two(kModelOrbital2x20);
    two.Show(*c.page, 8, c.hour);
    EXPECT_EQ(two.Row(0), fit(c.line1, 20));
    EXPECT_EQ(two.Row(1), fit(c.line2, 20));

    TideGlass wide(kModelIeeParallel);
    wide.Show(*c.page, 8, c.hour);
    EXPECT_EQ(wide.Row(0), "    2:50:01 PM        December 8th, 2026");
    EXPECT_EQ(wide.Row(1), fit(std::string(c.line1) + c.line2, 40));

    TideGlass four(kModelOrbital4x20);
    four.Show(*c.page, 8, c.hour);
    EXPECT_EQ(four.Row(0), "     2:50:01 PM     ");
    EXPECT_EQ(four.Row(1), " December 8th, 2026 ");
    EXPECT_EQ(four.Row(2), fit(c.line1, 20));
    EXPECT_EQ(four.Row(3), fit(c.line2, 20));

    TideGlass noritake(kModelNoritake);
    noritake.Show(*c.page, 8, c.hour);
    EXPECT_EQ(noritake.Row(0), fit(std::string("  ") + c.line1, 24));
    EXPECT_EQ(noritake.Row(1), fit(std::string("  ") + c.line2, 24));
  }
}

TEST(LocalTidePagesTest, AStationFarAwayIsInItsOwnTime) {
  const std::string path = DataFile();
  if (path.empty()) GTEST_SKIP() << "no harmonics file at " << TideSourceConfig::kDefaultData;
  // Here it is 05:00 on the 9th; in Anchorage 11:00 on the 8th.
  TimeZone zone("Asia/Tokyo");
  testing::VirtualEventLoop loop;
  LocalTidePages pages(loop, path, [] { return int64_t{1796760000}; });  // 2026-12-08 20:00 UTC
  std::vector<TidePage> got;
  pages.Page("Anchorage", [&](TidePage p) { got.push_back(std::move(p)); });
  for (int i = 0; i < 2000 && got.empty(); ++i) {
    loop.RunPosted();
    if (got.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(got.size(), 1u);
  ASSERT_TRUE(got[0].ok) << got[0].error;
  ASSERT_TRUE(got[0].station_now);
  EXPECT_EQ(got[0].station_now->day, 8);
  EXPECT_EQ(got[0].station_now->hour, 11);
  const std::string& text = got[0].text;
  // Yesterday through tomorrow of Anchorage, each entry in Alaska time (AKST, UTC-9).
  EXPECT_NE(text.find("(America/Anchorage)"), std::string::npos);
  EXPECT_EQ(text.find("2026-12-06"), std::string::npos) << text;
  EXPECT_NE(text.find("\n2026-12-07 "), std::string::npos) << text;
  EXPECT_NE(text.find("\n2026-12-09 "), std::string::npos) << text;
  EXPECT_EQ(text.find("2026-12-10"), std::string::npos) << text;
  size_t entries = 0;
  for (size_t at = text.find(" UT-9 "); at != std::string::npos; at = text.find(" UT-9 ", at + 1))
    ++entries;
  EXPECT_GE(entries, 11u);
  const TideReading r = ReadTidePage(text, 8, 11);
  ASSERT_EQ(r.outcome, TideReading::Outcome::kLines);
  EXPECT_TRUE(r.line1.starts_with("2026-12-08 ") || r.line1.starts_with("2026-12-09 ")) << r.line1;
  EXPECT_LE(r.line2.size(), kTideDescriptionWidth);
  // The completion list ranks as the search does.
  EXPECT_EQ(pages.Complete("Boston, MA", 1),
            std::vector<std::string>{"Boston, Boston Harbor, Massachusetts"});
  EXPECT_EQ(pages.Complete("Galveston", 1),
            std::vector<std::string>{"Galveston Pier 21, Galveston Channel, Texas"});
}

// --- harmonics files that are not what they should be ------------------------------------------

// The one page a source gives for `place`, or none after a while.
std::optional<TidePage> OnePage(testing::VirtualEventLoop& loop, LocalTidePages& pages,
                                const std::string& place) {
  std::optional<TidePage> got;
  pages.Page(place, [&](TidePage p) { got = std::move(p); });
  for (int i = 0; i < 4000 && !got; ++i) {
    loop.RunPosted();
    if (!got) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return got;
}

class HostileTideDataTest : public ::testing::Test {
 protected:
  HostileTideDataTest() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vfd-tcd-XXXXXX").string();
    EXPECT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    const std::string good = DataFile();
    if (!good.empty()) {
      std::ifstream in(good, std::ios::binary);
      original_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  ~HostileTideDataTest() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // The page for Northport from the file at `path`: never a crash or a hang, and for a file
  // that cannot be used, a failure that says so and names the file.
  TidePage PageFrom(const std::string& path) {
    testing::VirtualEventLoop loop;
    LocalTidePages pages(loop, path, [] { return int64_t{1796759400}; });
    std::optional<TidePage> page = OnePage(loop, pages, "Northport");
    EXPECT_TRUE(page) << path;
    return page.value_or(TidePage{});
  }
  void ExpectUnusable(const std::string& path, const std::string& why = "") {
    const TidePage page = PageFrom(path);
    EXPECT_FALSE(page.ok) << path;
    EXPECT_NE(page.error.find("the tide data " + path + " is unusable"), std::string::npos)
        << page.error;
    if (!why.empty()) {
      EXPECT_NE(page.error.find(why), std::string::npos) << page.error;
    }
  }

  std::filesystem::path dir_;
  std::string original_;
};

TEST_F(HostileTideDataTest, FilesThatAreNoHarmonicsAreToldAndNothingElseHappens) {
  ExpectUnusable(Write("empty.tcd", ""), "empty");
  ExpectUnusable(Write("text.tcd", "[VERSION] = nothing of the kind\n"));
  // Not regular files: never opened by the library, and never waited for.
  const std::string fifo = (dir_ / "fifo.tcd").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ExpectUnusable(fifo, "not a regular file");
  ExpectUnusable("/dev/zero", "not a regular file");
  const std::string link = (dir_ / "zero.tcd").string();
  ASSERT_EQ(symlink("/dev/zero", link.c_str()), 0);
  ExpectUnusable(link, "not a regular file");
  ExpectUnusable(dir_.string(), "not a regular file");
  const TidePage missing = PageFrom((dir_ / "missing.tcd").string());
  EXPECT_FALSE(missing.ok);
  EXPECT_NE(missing.error.find("install the package xtide-data"), std::string::npos);
}

TEST_F(HostileTideDataTest, DamagedHarmonicsAreToldAndTheGoodFileStillReads) {
  if (original_.empty()) GTEST_SKIP() << "no harmonics file at " << TideSourceConfig::kDefaultData;
  // Cut inside the text header, inside the binary header, and inside the stations.
  for (size_t size : {size_t{100}, size_t{4200}, original_.size() / 3})
    ExpectUnusable(Write("cut" + std::to_string(size) + ".tcd", original_.substr(0, size)));
  // The header no longer matches its checksum.
  std::string checksum = original_;
  checksum.replace(checksum.find("2019-12-29 12:43"), 16, "2018-11-28 11:42");
  ExpectUnusable(Write("checksum.tcd", checksum));
  // Garbage where the records are: whatever the library makes of it, the program goes on.
  std::string garbage = original_;
  for (size_t at = 5000; at < garbage.size(); at += 97)
    garbage[at] = static_cast<char>(~garbage[at]);
  const TidePage damaged = PageFrom(Write("garbage.tcd", garbage));
  if (!damaged.ok) {
    EXPECT_NE(damaged.error.find("is unusable"), std::string::npos) << damaged.error;
  }

  // The same file whole, copied, reads as the installed one.
  const TidePage good = PageFrom(Write("good.tcd", original_));
  ASSERT_TRUE(good.ok) << good.error;
  EXPECT_EQ(good.station, "Northport, Northport Bay, Long Island, New York");
}

TEST_F(HostileTideDataTest, AFileMendedWhileTheProgramRunsIsReadAgain) {
  if (original_.empty()) GTEST_SKIP() << "no harmonics file at " << TideSourceConfig::kDefaultData;
  const std::string path = Write("later.tcd", original_.substr(0, 5000));
  testing::VirtualEventLoop loop;
  LocalTidePages pages(loop, path, [] { return int64_t{1796759400}; });
  std::optional<TidePage> first = OnePage(loop, pages, "Northport");
  ASSERT_TRUE(first);
  EXPECT_FALSE(first->ok);
  EXPECT_TRUE(pages.Complete("Northport", 1).empty());
  Write("later.tcd", original_);
  std::optional<TidePage> second = OnePage(loop, pages, "Northport");
  ASSERT_TRUE(second);
  EXPECT_TRUE(second->ok) << second->error;
  EXPECT_EQ(pages.Complete("Northport, North", 1).size(), 1u);
}

TEST_F(HostileTideDataTest, GoingAwayMidReadEndsTheReaderAtOnce) {
  if (original_.empty()) GTEST_SKIP() << "no harmonics file at " << TideSourceConfig::kDefaultData;
  const std::string path = Write("good.tcd", original_);
  const auto start = std::chrono::steady_clock::now();
  {
    testing::VirtualEventLoop loop;
    LocalTidePages pages(loop, path);
    bool answered = false;
    pages.Page("Northport", [&](TidePage) { answered = true; });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the child is reading now
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  // The reader stopped is a reader that answers nothing more, and quickly.
  TideDataReader reader(path);
  reader.Cancel();
  std::string error;
  EXPECT_FALSE(reader.ReadStations(&error));
  EXPECT_NE(error.find("is unusable: stopped"), std::string::npos) << error;
}

TEST(TideDataAnswerTest, OnlyAWellFormedAnswerIsTaken) {
  const std::vector<TideStationName> names = {
      {.name = "Northport, New York",
       .reference = true,
       .dependents = 3,
       .zone = ":America/New_York"},
      {.name = "Tab\there", .reference = false, .dependents = 0, .zone = "../../etc/passwd"}};
  std::vector<std::string> lines;
  const std::string encoded = EncodeTideStations(names);
  for (size_t at = 0, end; (end = encoded.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(encoded.substr(at, end - at));
  const auto decoded = DecodeTideStations(lines);
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->size(), 2u);
  EXPECT_EQ((*decoded)[0].zone, ":America/New_York");
  EXPECT_EQ((*decoded)[0].dependents, 3);
  EXPECT_EQ((*decoded)[1].name, "Tab here");
  EXPECT_EQ((*decoded)[1].zone, "");  // a zone that could name a file is none
  for (const char* bad : {"S\t2\t0\t\tX", "S\t1\t-1\t\tX", "S\t1\t0\t\tX\tY", "S\t1\t0x\t\tX",
                          "S\t1\t0\t..\tX", "S\t1\t0\t\t\xff"})
    EXPECT_FALSE(DecodeTideStations({bad})) << bad;

  const int64_t from = 1000, to = 2000;
  EXPECT_TRUE(
      DecodeTidePredictions({"P\tfeet\t\tA", "E\t1000\t1.5\t1", "E\t1999\t-2\t0"}, from, to));
  for (const char* bad : {"E\t999\t1\t1", "E\t2000\t1\t1", "E\t1500\tnan\t1", "E\t1500\tinf\t1",
                          "E\t1500\t1e300\t1", "E\t1500\t1\t2", "E\t1500\t1"})
    EXPECT_FALSE(DecodeTidePredictions({"P\tfeet\t\tA", bad}, from, to)) << bad;
  // Out of order.
  EXPECT_FALSE(DecodeTidePredictions({"P\tfeet\t\tA", "E\t1500\t1\t1", "E\t1400\t1\t0"}, from, to));
}

}  // namespace
}  // namespace vfd
