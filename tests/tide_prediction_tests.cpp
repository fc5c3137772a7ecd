// Tide predictions made on this machine: the harmonic sum and its extremes on a station whose
// answers are known in closed form, the page layout read back by the tides function's reader in
// several time zones, the station search, and Northport from the installed harmonics file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "platform/LocalTidePages.h"
#include "platform/TidePredictor.h"
#include "platform/TideStations.h"
#include "sources/Tides.h"
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

}  // namespace
}  // namespace vfd
