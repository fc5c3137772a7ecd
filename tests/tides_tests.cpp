// The tides function: reading the next event of today from a table page, the frames on each
// geometry, the refresh timer's counting, the failures, and the settings dialog.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "sources/HttpTidePages.h"
#include "sources/Tides.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::Rig;
using Outcome = TideReading::Outcome;

// One entry as the table writes it: "2026-12-DD hh:mm AM EST   h.hh feet  Low Tide".
std::string Entry(int day, const std::string& hhmm, const std::string& ampm,
                  const std::string& height, const std::string& kind) {
  std::string time = hhmm.size() == 4 ? " " + hhmm : hhmm;
  std::string d = (day < 10 ? "0" : "") + std::to_string(day);
  return "2026-12-" + d + " " + time + " " + ampm + " EST   " + height + " feet  " + kind +
         " Tide\n";
}

// Every entry skipped takes one character off the page's end with it, so a page needs some text
// after its last entry (a footer) for that entry to be read whole.
std::string Page(const std::string& entries) {
  return "Northport, Northport Bay, Long Island, New York\n(click for map)\n\n" + entries +
         "\nPredictions are not for navigation.\n";
}

TEST(TidePageTest, AnEventEarlierInTheCurrentHourIsStillTheNextOne) {
  const std::string page =
      Page(Entry(7, "8:40", "PM", "6.80", "High") + Entry(8, "9:10", "AM", "7.02", "High") +
           Entry(8, "2:10", "PM", "0.69", "Low") + Entry(8, "8:25", "PM", "6.91", "High") +
           Entry(9, "2:35", "AM", "0.41", "Low"));
  TideReading r = ReadTidePage(page, 8, 14);
  ASSERT_EQ(r.outcome, Outcome::kLines);
  EXPECT_EQ(r.line1, "2026-12-08  2:10 PM ");
  EXPECT_EQ(r.line2, "0.69 feet  Low Tide");
  // Before any of today's events: the first of today, not yesterday's.
  r = ReadTidePage(page, 8, 3);
  EXPECT_EQ(r.line1, "2026-12-08  9:10 AM ");
  EXPECT_EQ(r.line2, "7.02 feet  High Tide");
  // After the day's last event: the first of tomorrow.
  r = ReadTidePage(page, 8, 21);
  ASSERT_EQ(r.outcome, Outcome::kLines);
  EXPECT_EQ(r.line1, "2026-12-09  2:35 AM ");
  EXPECT_EQ(r.line2, "0.41 feet  Low Tide");
}

// The reading cuts at byte distances from its markers; a zone name with a character of two bytes
// just before the cut must not leave half of it on the line.
TEST(TidePageTest, ACutThroughACharacterLeavesNoHalfOfIt) {
  const std::string page = Page("2026-12-08  9:10 AM \xC3\x89ST   7.02 feet  High Tide\n" +
                                Entry(9, "2:35", "AM", "0.41", "Low"));
  const TideReading r = ReadTidePage(page, 8, 3);
  ASSERT_EQ(r.outcome, Outcome::kLines);
  EXPECT_EQ(r.line1, "2026-12-08  9:10 AM ");
  EXPECT_EQ(r.line2, "7.02 feet  High Tide");
}

TEST(TidePageTest, TwelveIsMidnightWithoutPmAndNoonWithIt) {
  const std::string page =
      Page(Entry(8, "12:05", "AM", "1.00", "Low") + Entry(8, "5:00", "AM", "6.00", "High") +
           Entry(8, "12:30", "PM", "0.50", "Low") + Entry(8, "5:50", "PM", "6.50", "High") +
           Entry(9, "1:00", "AM", "0.60", "Low") + Entry(9, "7:00", "AM", "6.60", "High"));
  EXPECT_EQ(ReadTidePage(page, 8, 0).line1, "2026-12-08 12:05 AM ");
  EXPECT_EQ(ReadTidePage(page, 8, 1).line1, "2026-12-08  5:00 AM ");
  EXPECT_EQ(ReadTidePage(page, 8, 12).line1, "2026-12-08 12:30 PM ");
  EXPECT_EQ(ReadTidePage(page, 8, 13).line1, "2026-12-08  5:50 PM ");
  EXPECT_EQ(ReadTidePage(page, 8, 17).line1, "2026-12-08  5:50 PM ");
  EXPECT_EQ(ReadTidePage(page, 8, 18).line1, "2026-12-09  1:00 AM ");
}

TEST(TidePageTest, SunriseAndSunsetAheadOfTheTideTextAreSkipped) {
  const std::string page =
      Page(Entry(8, "7:02", "AM", "0.00", "Low").replace(20, 30, "EST   Sunrise\n") +
           Entry(8, "9:10", "AM", "7.02", "High"));
  // The first entry is "... 7:02 AM EST   Sunrise\n2026-12-08  9:10 AM ... High Tide\n".
  const TideReading r = ReadTidePage(page, 8, 7);
  ASSERT_EQ(r.outcome, Outcome::kLines);
  EXPECT_EQ(r.line1, "2026-12-08  9:10 AM ");
  EXPECT_EQ(r.line2, "7.02 feet  High Tide");
}

TEST(TidePageTest, NothingOfTodayIsAParseErrorAndTextRunningOutAFailure) {
  // A long page of other days (an unknown place's page, say).
  std::string others;
  for (int i = 0; i < 4; ++i)
    others += Entry(3, "1:00", "AM", "1.00", "Low");
  EXPECT_EQ(ReadTidePage(Page(others), 8, 10).outcome, Outcome::kParseError);
  // An empty reply or a page with no entry at all.
  EXPECT_EQ(ReadTidePage("", 8, 10).outcome, Outcome::kFailed);
  EXPECT_EQ(ReadTidePage("<html>", 8, 10).outcome, Outcome::kFailed);
  // Any other page without entries of today.
  EXPECT_EQ(ReadTidePage("<html>Not Found</html>", 8, 10).outcome, Outcome::kParseError);
  // Without a footer, skipping eats into the last entry.
  const std::string bare = "(click for map)\n\n" + Entry(7, "1:00", "AM", "1.00", "Low") +
                           Entry(7, "7:00", "AM", "6.00", "High") +
                           Entry(8, "9:10", "AM", "7.02", "High");
  EXPECT_EQ(ReadTidePage(bare, 8, 3).outcome, Outcome::kFailed);
  EXPECT_EQ(ReadTidePage(bare + "\n", 8, 3).line2, "7.02 feet  High Tide");
  // Today's events all past and nothing after them.
  EXPECT_EQ(ReadTidePage(Page(Entry(8, "1:00", "AM", "1.00", "Low") +
                              Entry(8, "7:00", "AM", "6.00", "High")),
                         8, 20)
                .outcome,
            Outcome::kFailed);
}

// The page reading written the plain way, one search from the front for every entry dropped:
// the reading under test must agree with it on every page, only faster.
namespace reference {

struct RunsOut {};

size_t InStr(std::string_view s, std::string_view what) {
  const size_t at = s.find(what);
  return at == std::string_view::npos ? 0 : at + 1;
}
std::string_view Mid(std::string_view s, long start, long length) {
  if (start < 1 || length < 0) throw RunsOut{};
  if (static_cast<size_t>(start) > s.size()) return {};
  return s.substr(static_cast<size_t>(start - 1), static_cast<size_t>(length));
}
std::string_view Mid(std::string_view s, long start) {
  if (start < 1) throw RunsOut{};
  if (static_cast<size_t>(start) > s.size()) return {};
  return s.substr(static_cast<size_t>(start - 1));
}
std::string_view Left(std::string_view s, long length) {
  if (length < 0) throw RunsOut{};
  return s.substr(0, static_cast<size_t>(length));
}
int Val(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
    ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  int value = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
    value = value * 10 + (s[i] - '0');
  return negative ? -value : value;
}
int DayOf(std::string_view s) {
  return Val(Mid(s, 9, 2));
}
int HourOf(std::string_view s) {
  const int t = Val(Mid(s, 12, 2));
  if (Mid(s, 18, 2) == "PM") return t == 12 ? 12 : t + 12;
  return t == 12 ? 0 : t;
}
std::string_view DropEntry(std::string_view s) {
  const long p = static_cast<long>(InStr(s, "Tide"));
  return Mid(s, p + 5, static_cast<long>(s.size()) - p - 5);
}
std::string WithoutLineFeeds(std::string_view s) {
  std::string out;
  for (char ch : s)
    if (ch != '\n') out += ch;
  return out;
}

TideReading Read(std::string_view page, int day_of_month, int hour) {
  try {
    std::string_view s = Mid(page, static_cast<long>(InStr(page, "(click for map)")) + 17);
    while (DayOf(s) != day_of_month) {
      s = DropEntry(s);
      if (s.size() < 40) return {Outcome::kParseError};
    }
    int h = HourOf(s);
    while (DayOf(s) == day_of_month && h < hour) {
      s = DropEntry(s);
      h = HourOf(s);
    }
    std::string_view e = Left(s, static_cast<long>(InStr(s, "Tide")) + 4);
    const size_t sunrise = InStr(e, "Sunrise"), sunset = InStr(e, "Sunset");
    if (sunrise > 0 || sunset > 0) {
      if (sunrise < sunset)
        e = Mid(e, static_cast<long>(sunset) + 7);
      else
        e = Mid(e, static_cast<long>(sunrise) + 8);
    }
    const long q = static_cast<long>(InStr(e, "T"));
    TideReading reading{Outcome::kLines};
    reading.line1 = WithoutLineFeeds(Left(e, q - 3));
    const std::string_view r = Mid(e, q + 4);
    reading.line2 = WithoutLineFeeds(Left(r, static_cast<long>(InStr(r, "Tide")) + 3));
    return reading;
  } catch (const RunsOut&) {
    return {Outcome::kFailed};
  }
}

}  // namespace reference

void ExpectSameReading(const std::string& page, int day, int hour) {
  const TideReading want = reference::Read(page, day, hour);
  const TideReading got = ReadTidePage(page, day, hour);
  EXPECT_EQ(got.outcome, want.outcome) << "day " << day << " hour " << hour << " page:\n" << page;
  EXPECT_EQ(got.line1, want.line1) << page;
  EXPECT_EQ(got.line2, want.line2) << page;
}

TEST(TidePageTest, ReadsEveryPageAsThePlainReadingDoes) {
  // Pages as the site writes them, bare or with sunrise and sunset lines, at every hour.
  std::string entries;
  for (int day = 7; day <= 9; ++day) {
    entries += Entry(day, "12:05", "AM", "1.00", "Low");
    entries += Entry(day, "6:58", "AM", "0.00", "Low").replace(20, 30, "EST   Sunrise\n");
    entries += Entry(day, "7:10", "AM", "7.02", "High");
    entries += Entry(day, "12:40", "PM", "0.69", "Low");
    entries += Entry(day, "4:29", "PM", "0.00", "Low").replace(20, 30, "EST   Sunset\n");
    entries += Entry(day, "8:25", "PM", "6.91", "High");
  }
  const std::vector<std::string> pages = {
      Page(entries),    "(click for map)\n\n" + entries, entries, Page(""), "", "Tide",
      "(click for map)"};
  for (const std::string& page : pages) {
    for (int day : {6, 7, 8, 9, 10})
      for (int hour = 0; hour < 24; ++hour)
        ExpectSameReading(page, day, hour);
  }

  // And pages made of the pieces the reading looks for, in any order: text without an entry's
  // end, ends without a time, numbers where words belong.
  const std::vector<std::string> pieces = {
      "Tide", "Tide\n",    "T",       "PM",         "AM",
      " ",    "\n",        "08",      " 8",         "12",
      " 3",   "2026-12-0", "Sunrise", "Sunset",     "(click for map)",
      "feet", "x",         "-",       "0123456789", "Tid"};
  std::mt19937 random(21);
  int outcomes[3] = {};
  for (int n = 0; n < 3000; ++n) {
    std::string page;
    const size_t count = random() % 40;
    for (size_t k = 0; k < count; ++k)
      page += pieces[random() % pieces.size()];
    if (random() % 2 == 0) page.insert(page.size() / 3, Entry(8, "2:10", "PM", "0.69", "Low"));
    const int hour = static_cast<int>(random() % 24);
    ExpectSameReading(page, 8, hour);
    if (HasFailure()) return;
    ++outcomes[static_cast<int>(ReadTidePage(page, 8, hour).outcome)];
  }
  // The pieces reach every end of the reading.
  for (int seen : outcomes)
    EXPECT_GT(seen, 100);
}

TEST(HttpTidePagesTest, ThePlaceIsEscapedAndTheAnswerPassedOn) {
  Rig rig;
  HttpTidePages pages(rig.http, "http://tides.example:8080/");
  EXPECT_EQ(pages.UrlFor("Northport, Northport Bay"),
            "http://tides.example:8080/?command=view&location=Northport%2C%20Northport%20Bay");
  EXPECT_EQ(pages.UrlFor("a&b#c"), "http://tides.example:8080/?command=view&location=a%26b%23c");
  std::vector<TidePage> got;
  pages.Page("Northport", [&](TidePage p) { got.push_back(p); });
  pages.Page("Nowhere", [&](TidePage p) { got.push_back(p); });
  rig.http.Reply({.ok = true, .status = 200, .body = "page"});
  rig.http.Reply({.ok = false, .error = "no route"});
  EXPECT_TRUE(got.empty());
  rig.loop.RunPosted();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_TRUE(got[0].ok);
  EXPECT_EQ(got[0].text, "page");
  EXPECT_FALSE(got[1].ok);
  // Why the service could not be read is passed on, for the status line.
  EXPECT_EQ(got[1].error, "no route");
}

class TidesFunctionTest : public ::testing::Test {
 protected:
  void SetUp() override { rig.loop.SetWallClock({2026, 12, 8, 14, 50, 0}); }

  static void Use(Rig& rig, int16_t model) {
    rig.UseModel(model);
    if (LinkOf(model) == LinkKind::kParallel) rig.main().lstPPort.SetListIndex(0);
    rig.Emulate(model);
  }
  void Start(int16_t model) {
    Use(rig, model);
    rig.main().cmdTides.Click();
  }
  bool Answer(const std::string& page, const std::string& station = "") {
    const bool answered = rig.tides.Reply({.ok = true, .text = page, .station = station});
    rig.loop.RunPosted();
    return answered;
  }
  Tides& tides() { return rig.program->tides(); }

  const std::string page_ =
      Page(Entry(8, "9:10", "AM", "7.02", "High") + Entry(8, "2:10", "PM", "-0.21", "Low") +
           Entry(8, "8:25", "PM", "6.91", "High") + Entry(9, "2:35", "AM", "0.41", "Low"));
  Rig rig;
};

TEST_F(TidesFunctionTest, TwoByTwentyShowsTheEventAndNamesTheStation) {
  Start(kModelOrbital2x20);
  EXPECT_TRUE(rig.main().Timer12.Enabled());
  EXPECT_TRUE(rig.main().tmrTide.Enabled());
  ASSERT_EQ(rig.tides.requested, std::vector<std::string>{"Northport"});
  Answer(page_, "Northport, Northport Bay, Long Island, New York");
  rig.loop.RunFor(1000);
  EXPECT_EQ(rig.glass().Row(0), "2026-12-08  2:10 PM ");
  EXPECT_EQ(rig.glass().Row(1), "-0.21 feet  Low Tide");
  EXPECT_EQ(rig.main().lblStatus.Caption(),
            "Tides: Northport, Northport Bay, Long Island, New York");
}

TEST_F(TidesFunctionTest, TheFirstFrameWaitsForThePageAndASecondClickAsksNothing) {
  Use(rig, kModelOrbital2x20);
  rig.main().cmdClock.Click();
  const std::string clock_row = rig.glass().Row(0);
  rig.main().cmdTides.Click();
  rig.loop.RunFor(2000);
  rig.main().cmdTides.Click();
  rig.loop.RunFor(1000);
  EXPECT_EQ(rig.tides.requested.size(), 1u);
  EXPECT_EQ(rig.glass().Row(0), clock_row);
  EXPECT_TRUE(tides().AwaitingPage());
  // The frame comes with the answer, not a tick later.
  Answer(page_);
  EXPECT_EQ(rig.glass().Row(1), "-0.21 feet  Low Tide");
  // Leaving before the answer: the answer draws nothing over the function now shown.
  rig.main().cmdClock.Click();
  tides().refresh_count = tides().refresh_ticks;
  rig.main().tmrTide.SetEnabled(false);
  rig.main().cmdTides.Click();
  rig.main().cmdClock.Click();
  const std::string clock_now = rig.glass().Row(0);
  Answer(page_);
  EXPECT_EQ(rig.glass().Row(0), clock_now);
}

TEST_F(TidesFunctionTest, TheLargerScreensAddClockAndDateAndTheNoritakeIndents) {
  Start(kModelNoritake);
  Answer(page_);
  rig.loop.RunFor(1000);
  EXPECT_EQ(rig.glass().Row(0), "  2026-12-08  2:10 PM   ");
  EXPECT_EQ(rig.glass().Row(1), "  -0.21 feet  Low Tide  ");

  Rig four;
  four.loop.SetWallClock({2026, 12, 8, 14, 50, 0});
  Use(four, kModelOrbital4x20);
  four.program->tides().line1 = "L1";
  four.program->tides().line2 = "L2";
  four.main().cmdTides.Click();
  // The first frame waits for the answer; a failed one leaves the lines as they were.
  EXPECT_EQ(four.glass().Row(2), std::string(20, ' '));
  four.tides.Reply({});
  four.loop.RunPosted();
  EXPECT_EQ(four.glass().Row(0), "     2:50:00 PM     ");
  EXPECT_EQ(four.glass().Row(1), " December 8th, 2026 ");
  EXPECT_EQ(four.glass().Row(2).substr(0, 2), "L1");
  EXPECT_EQ(four.glass().Row(3).substr(0, 2), "L2");

  Rig wide;
  wide.loop.SetWallClock({2026, 12, 8, 14, 50, 0});
  Use(wide, kModelIeeParallel);
  wide.main().cmdTides.Click();
  wide.tides.Reply({.ok = true, .text = page_});
  wide.loop.RunPosted();
  wide.loop.RunFor(1000);
  // sp(14 - 10) + clock + sp(36 - 10 - 18) + date words.
  EXPECT_EQ(wide.glass().Row(0), "    2:50:01 PM        December 8th, 2026");
  EXPECT_EQ(wide.glass().Row(1), "2026-12-08  2:10 PM -0.21 feet  Low Tide");
}

TEST_F(TidesFunctionTest, RefetchesAtTheSixtyFirstRefreshTickThenEverySixtieth) {
  Start(kModelOrbital2x20);
  Answer(page_);
  size_t fetches = 1;
  for (int tick = 1; tick <= 181; ++tick) {
    rig.loop.RunFor(30000);
    if (rig.tides.pending.size() == 1) {
      Answer(page_);
      ++fetches;
      EXPECT_TRUE(tick == 61 || tick == 121 || tick == 181) << tick;
    }
  }
  EXPECT_EQ(fetches, 4u);
}

TEST_F(TidesFunctionTest, AFailedFetchIsRetriedAtTheNextTickAndKeepsTheLines) {
  tides().refresh_ticks = 20;
  Start(kModelOrbital2x20);
  Answer(page_);
  rig.loop.RunFor(21 * 30000);
  ASSERT_EQ(rig.tides.requested.size(), 2u);
  rig.tides.Reply({});
  rig.loop.RunPosted();
  EXPECT_EQ(tides().line1, "2026-12-08  2:10 PM ");
  rig.loop.RunFor(30000);
  EXPECT_EQ(rig.tides.requested.size(), 3u);
  // No second request while one is on its way.
  rig.loop.RunFor(30000);
  EXPECT_EQ(rig.tides.requested.size(), 3u);
}

TEST_F(TidesFunctionTest, AnUnknownPlaceSaysSoOnceAndTheProgramGoesOn) {
  Start(kModelOrbital2x20);
  Answer(page_);
  tides().location = "Atlantis";
  tides().refresh_ticks = 2;
  std::string others;
  for (int i = 0; i < 4; ++i)
    others += Entry(3, "1:00", "AM", "1.00", "Low");
  for (int i = 0; i < 3; ++i) {
    rig.loop.RunFor(30000);
    Answer(Page(others));
  }
  EXPECT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown.at(0).second, "Tides Parse Error");
  EXPECT_FALSE(rig.program->ShutDown());
  EXPECT_TRUE(rig.main().Timer12.Enabled());
  EXPECT_EQ(tides().line1, "2026-12-08  2:10 PM ");
  // No station of that name at all: the status line says so, the lines stay.
  rig.loop.RunFor(30000);
  rig.tides.Reply({.ok = false, .error = "no tide station matches \"Atlantis\""});
  rig.loop.RunPosted();
  EXPECT_EQ(rig.main().lblStatus.Caption(), "Tides: no tide station matches \"Atlantis\"");
  EXPECT_EQ(tides().line2, "-0.21 feet  Low Tide");
}

TEST_F(TidesFunctionTest, APageInTheStationsTimeIsReadByTheStationsDayAndHour) {
  // Here it is 14:50 on the 8th; at the station it is 03:xx, and then 01:xx of the 9th.
  Start(kModelOrbital2x20);
  rig.tides.Reply({.ok = true, .text = page_, .station_now = TidePage::StationNow{8, 3}});
  rig.loop.RunPosted();
  EXPECT_EQ(tides().line1, "2026-12-08  9:10 AM ");
  tides().refresh_ticks = 1;
  rig.loop.RunFor(60000);
  rig.tides.Reply({.ok = true, .text = page_, .station_now = TidePage::StationNow{9, 1}});
  rig.loop.RunPosted();
  rig.loop.RunFor(1000);
  EXPECT_EQ(rig.glass().Row(0), "2026-12-09  2:35 AM ");
  EXPECT_EQ(rig.glass().Row(1), "0.41 feet  Low Tide ");
}

TEST_F(TidesFunctionTest, APlaceWithoutAStationIsSaidOnceAndShownUntilAPageIsRead) {
  struct Screen {
    int16_t model;
    std::vector<std::string> rows;
  };
  const Screen screens[] = {
      {kModelOrbital2x20, {"No tide station for ", "Port Atlantis, Ocean"}},
      {kModelIeeParallel,
       {"    2:51:31 PM        December 8th, 2026", "No tide station for Port Atlantis, Ocean"}},
      {kModelOrbital4x20,
       {"     2:51:31 PM     ", " December 8th, 2026 ", "No tide station for ",
        "Port Atlantis, Ocean"}},
      {kModelNoritake, {"  No tide station for   ", "  Port Atlantis, Ocean  "}},
  };
  for (const Screen& screen : screens) {
    Rig r;
    r.loop.SetWallClock({2026, 12, 8, 14, 50, 0});
    Use(r, screen.model);
    Tides& t = r.program->tides();
    t.refresh_ticks = 2;
    r.main().cmdTides.Click();
    r.tides.Reply({.ok = true, .text = page_});
    r.loop.RunPosted();
    t.location = "Port Atlantis, Ocean";
    r.loop.RunFor(90000);
    ASSERT_EQ(r.tides.requested.size(), 2u);
    const TidePage none{.error = "no tide station matches \"Port Atlantis, Ocean\"",
                        .no_station = true};
    r.tides.Reply(none);
    r.loop.RunPosted();
    r.loop.RunFor(1000);
    EXPECT_EQ(r.main().lblStatus.Caption(),
              "Tides: no tide station matches \"Port Atlantis, Ocean\"");
    for (size_t row = 0; row < screen.rows.size(); ++row)
      EXPECT_EQ(r.glass().Row(static_cast<int>(row)), screen.rows[row]) << screen.model << row;
    EXPECT_EQ(t.line1, "2026-12-08  2:10 PM ");
    EXPECT_EQ(t.line2, "-0.21 feet  Low Tide");

    // The answer is not a passing failure: asked again at the usual period, not every 30 s, and
    // the status line is not said over again.
    r.main().lblStatus.SetCaption("");
    r.loop.RunFor(30000);
    EXPECT_EQ(r.tides.requested.size(), 2u);
    r.loop.RunFor(30000);
    ASSERT_EQ(r.tides.requested.size(), 3u);
    r.tides.Reply(none);
    r.loop.RunPosted();
    EXPECT_EQ(r.main().lblStatus.Caption(), "");

    // A page for the place brings the tide lines back.
    t.location = "Northport";
    for (int i = 0; i < 5 && r.tides.pending.empty(); ++i)
      r.loop.RunFor(30000);
    r.tides.Reply({.ok = true, .text = page_});
    r.loop.RunPosted();
    r.loop.RunFor(1000);
    EXPECT_NE(r.glass().Text().find("2:10 PM"), std::string::npos) << screen.model;
    EXPECT_EQ(r.glass().Text().find("No tide station"), std::string::npos) << screen.model;
  }
}

TEST_F(TidesFunctionTest, TheRefreshTimerStopsAfterAnHourWithoutTheDisplay) {
  Start(kModelOrbital2x20);
  Answer(page_);
  rig.main().cmdClock.Click();
  rig.loop.RunFor(60 * 60000);
  EXPECT_TRUE(rig.main().tmrTide.Enabled());  // 15:xx is not more than an hour after 14
  rig.loop.RunFor(60 * 60000);
  EXPECT_FALSE(rig.main().tmrTide.Enabled());
}

TEST_F(TidesFunctionTest, TheRefreshTimerAlsoStopsWhenTheHourPassesMidnight) {
  rig.loop.SetWallClock({2026, 12, 8, 22, 30, 0});
  Start(kModelOrbital2x20);
  Answer(page_);
  rig.main().cmdClock.Click();
  rig.loop.RunFor(89 * 60000 + 30000);  // 23:59:30, an hour after 22 on the clock's face
  EXPECT_TRUE(rig.main().tmrTide.Enabled());
  rig.loop.RunFor(30000);  // 00:00, two hours after it
  EXPECT_FALSE(rig.main().tmrTide.Enabled());
}

TEST_F(TidesFunctionTest, TheDialogShowsMinutesAndStoresTicks) {
  FrmTidesConfig& dialog = rig.program->tides_config();
  tides().refresh_ticks = 45;
  rig.main().cmdTideConfig.Click();
  EXPECT_EQ(dialog.txtLocation.Text(), "Northport");
  EXPECT_EQ(dialog.sldUpdateFrequency.Value(), 22);
  dialog.cmdApply.Click();
  EXPECT_EQ(tides().refresh_ticks, 44);
  EXPECT_FALSE(dialog.Loaded());

  rig.main().cmdTideConfig.Click();
  dialog.sldUpdateFrequency.SetValue(10);
  dialog.txtLocation.SetText("Montauk");
  dialog.cmdApply.Click();
  EXPECT_EQ(tides().refresh_ticks, 20);
  EXPECT_EQ(tides().location, "Montauk");
  rig.main().cmdTideConfig.Click();
  EXPECT_EQ(dialog.sldUpdateFrequency.Value(), 10);
  // Closing by the frame discards the edits, and nothing is fetched.
  dialog.txtLocation.SetText("Elsewhere");
  dialog.Unload();
  EXPECT_EQ(tides().location, "Montauk");
  EXPECT_TRUE(rig.tides.requested.empty());

  rig.tides.stations = {"Northport, Northport Bay", "Northport Point Bridge", "Montauk"};
  rig.main().cmdTideConfig.Click();
  dialog.txtLocation.SetText("North");
  EXPECT_EQ(dialog.Completions().size(), 2u);
}

}  // namespace
}  // namespace vfd
