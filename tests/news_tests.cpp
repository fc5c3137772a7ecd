// The headline functions: the list rules of a fetch, the three modes on the glass, the refetch
// schedule, the dialog, and the feed formats (RDF, RSS 2.0, Atom) read by the real parser.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Rig.h"

namespace vfd {
namespace {

using testing::Rig;

std::string Rdf(const std::vector<std::string>& titles) {
  std::string doc =
      "<?xml version=\"1.0\"?>\n<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
      "xmlns=\"http://purl.org/rss/1.0/\">\n  <channel><title>The site</title></channel>\n";
  for (const std::string& t : titles)
    doc += "  <item><title>" + t + "</title><link>http://x/</link></item>\n";
  return doc + "</rdf:RDF>\n";
}

HttpResult Ok(std::string body) {
  return HttpResult{.ok = true, .status = 200, .body = body};
}
HttpResult Failed() {
  return HttpResult{.error = "Connection refused"};
}

struct NewsTest : ::testing::Test {
  Rig rig;
  NewsFeed& news = rig.program->hard_news();

  void SetUp() override {
    rig.UseModel(kModelOrbital2x20);
    rig.Emulate(kModelOrbital2x20);
    news.url = "http://127.0.0.1:9/hardocp.rdf";
  }
  // Starts the function and answers its first request.
  void StartWith(const HttpResult& reply) {
    rig.main().cmdHardNews.Click();
    rig.loop.RunFor(rig.main().Timer13.Interval());
    ASSERT_EQ(rig.http.requested.size(), 1u);
    rig.http.Reply(reply);
    rig.loop.RunPosted();
  }
};

TEST_F(NewsTest, AFirstFetchOfThreeItemsGivesFourEntriesAndScrollsThemInModeOne) {
  news.mode = 1;
  rig.main().cmdHardNews.Click();
  // Nothing is drawn at activation; the first tick asks for the feed and draws nothing either
  // until the reply is in.
  EXPECT_EQ(rig.glass().Row(1), std::string(20, ' '));
  rig.loop.RunFor(333);
  EXPECT_EQ(rig.http.requested, std::vector<std::string>{"http://127.0.0.1:9/hardocp.rdf"});
  EXPECT_EQ(rig.glass().Row(1), std::string(20, ' '));
  rig.loop.RunFor(203 * 5);
  EXPECT_EQ(rig.glass().Row(1), std::string(20, ' '));
  rig.http.Reply(Ok(Rdf({"One", "Two", "Three"})));
  rig.loop.RunPosted();
  EXPECT_EQ(news.headlines, (std::vector<std::string>{"One", "Two", "Three", ""}));
  // The first frame comes with the reply, built from the new list.
  EXPECT_EQ(rig.glass().Row(0), "3:45:13 PM   12/6/26");
  EXPECT_EQ(rig.glass().Row(1), "Hard|News: One   Two");
  // Each entry is followed by three blanks; the empty last entry makes the text end in six.
  EXPECT_EQ(news.scroll_text, "Hard|News: One   Two   Three      ");
  rig.loop.RunFor(203);
  EXPECT_EQ(rig.glass().Row(1), "ard|News: One   Two ");
  EXPECT_EQ(rig.main().Timer13.Interval(), 203);
}

TEST_F(NewsTest, UntilTheFirstReplyTheGlassKeepsThePreviousFunctionAndASecondClickAsksNothing) {
  news.mode = 2;
  news.item_change_speed = 3;
  rig.main().cmdClock.Click();
  rig.loop.RunFor(1000);
  const std::string clock_row = rig.glass().Row(0);
  rig.main().cmdHardNews.Click();
  rig.loop.RunFor(1000);
  rig.main().cmdHardNews.Click();
  rig.loop.RunFor(2500);
  EXPECT_EQ(rig.http.requested.size(), 1u);
  EXPECT_EQ(rig.glass().Row(0), clock_row);
  EXPECT_EQ(news.item_ticks, 0);
  // A failed first fetch ends the wait as well: the error entry shows at once.
  rig.http.Reply(HttpResult{.error = "refused"});
  rig.loop.RunPosted();
  EXPECT_EQ(rig.glass().Row(1), "Error Loading News  ");
  // The item shows for its whole period: three ticks from the reply's frame.
  EXPECT_EQ(news.item_ticks, 1);
  EXPECT_FALSE(news.AwaitingHeadlines());
}

TEST_F(NewsTest, LeftAtElevenAtNightTheRefetchStopsAfterMidnight) {
  rig.loop.SetWallClock({2026, 12, 6, 23, 10, 0});
  StartWith(Ok(Rdf({"A"})));
  rig.main().cmdClock.Click();
  rig.loop.RunFor(50LL * 60 * 1000 - 30000);  // 23:59:30
  EXPECT_TRUE(rig.main().tmrHN.Enabled());
  rig.loop.RunFor(60LL * 60 * 1000);  // 00:59:30
  EXPECT_TRUE(rig.main().tmrHN.Enabled());
  rig.loop.RunFor(60000);
  EXPECT_FALSE(rig.main().tmrHN.Enabled());
}

TEST_F(NewsTest, ItemsInsideTheChannelYieldNoTitles) {
  StartWith(Ok("<rdf:RDF><channel><item><title>Deep</title></item></channel></rdf:RDF>"));
  EXPECT_EQ(news.headlines, std::vector<std::string>{"Error Loading News"});
  rig.loop.RunFor(1000);
  EXPECT_EQ(rig.glass().Row(1), "Error Loading News  ");
}

TEST_F(NewsTest, RefetchesKeepOldTitlesOnFailureAndLeaveTheOldEntryPastAShorterList) {
  StartWith(Ok(Rdf({"A", "B", "C", "D"})));
  news.FetchHeadlines();
  rig.http.Reply(Failed());
  rig.loop.RunPosted();
  EXPECT_EQ(news.headlines, (std::vector<std::string>{"A", "B", "C", "D", ""}));
  news.FetchHeadlines();
  rig.http.Reply(Ok("<html>not a feed"));
  rig.loop.RunPosted();
  EXPECT_EQ(news.headlines.size(), 5u);

  // The first title cuts the list to two entries, so a one-title refetch keeps the old title
  // at index 1 as its last entry; a second title would have grown the list by an empty one.
  news.headline_index = 4;
  news.FetchHeadlines();
  rig.http.Reply(Ok(Rdf({"X"})));
  rig.loop.RunPosted();
  EXPECT_EQ(news.headlines, (std::vector<std::string>{"X", "B"}));
  // The index was past the shorter list: it starts again at the first entry.
  EXPECT_EQ(news.headline_index, 0);
}

TEST_F(NewsTest, AFailedFirstFetchShowsTheErrorEntry) {
  StartWith(Failed());
  EXPECT_EQ(news.headlines, std::vector<std::string>{"Error Loading News"});
}

TEST_F(NewsTest, TextAmongTheItemsDropsTheTitlesForTheErrorEntry) {
  StartWith(Ok(Rdf({"A", "B"})));
  news.FetchHeadlines();
  rig.http.Reply(Ok("<rdf:RDF><item><title>C</title></item>stray text</rdf:RDF>"));
  rig.loop.RunPosted();
  EXPECT_EQ(news.headlines, std::vector<std::string>{"Error Loading News"});
}

TEST_F(NewsTest, RssAndAtomTitlesAreText) {
  StartWith(Ok(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"><channel><title>Site</title>"
      "<item><title>Caf\u00e9 &amp; \u201cquotes\u201d</title></item>"
      "<item><title>\n   Two\t\tlines\r\n  here  </title></item>"
      "<item><title><![CDATA[Raw <b>cdata</b>]]></title></item>"
      "<item><title>Arrow &#8594; and &#8364;</title></item>"
      "</channel></rss>"));
  // RSS titles are HTML text, as feed readers take them: the markup in the CDATA is not shown.
  EXPECT_EQ(news.headlines,
            (std::vector<std::string>{"Caf\u00e9 & \u201cquotes\u201d", "Two lines here",
                                      "Raw cdata", "Arrow \u2192 and \u20ac", ""}));
  news.FetchHeadlines();
  rig.http.Reply(
      Ok("<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>Site</title>"
         "<entry><title type=\"text\">First</title></entry><entry><id>1</id>"
         "<title>Second</title></entry></feed>"));
  rig.loop.RunPosted();
  EXPECT_EQ(news.headlines, (std::vector<std::string>{"First", "Second", ""}));
}

TEST_F(NewsTest, ModeTwoChangesTheHeadlineEveryItemPeriodAndShowsTheExtraEntry) {
  news.mode = 2;
  news.item_change_speed = 2;
  StartWith(Ok(Rdf({"A", "B"})));
  // The first tick counted 1; the index stays for two ticks, then moves.
  std::vector<std::string> shown;
  for (int i = 0; i < 7; ++i) {
    rig.loop.RunFor(1000);
    shown.push_back(rig.glass().Row(1));
  }
  const std::string a = "A" + std::string(19, ' '), b = "B" + std::string(19, ' '),
                    e = std::string(20, ' ');
  EXPECT_EQ(shown, (std::vector<std::string>{a, b, b, e, e, a, a}));
  EXPECT_EQ(rig.main().Timer13.Interval(), 1000);
}

TEST_F(NewsTest, ModeThreeShowsHeadlinesOnlyRoundTheList) {
  news.mode = 3;
  news.item_change_speed = 30;
  StartWith(Ok(Rdf({"A", "B"})));
  news.headline_index = 2;
  rig.loop.RunFor(1000);
  EXPECT_EQ(rig.glass().Row(0), std::string(20, ' '));
  EXPECT_EQ(rig.glass().Row(1), "A" + std::string(19, ' '));
}

TEST(NewsFourRowTest, RowThreeMovesEveryTickAndRowFourEverySecond) {
  Rig rig;
  rig.UseModel(kModelOrbital4x20);
  rig.Emulate(kModelOrbital4x20);
  NewsFeed& news = rig.program->hard_news();
  news.mode = 1;
  news.url = "http://127.0.0.1:9/";
  news.headlines = {"Alpha", "Beta", ""};
  rig.main().cmdHardNews.Click();
  rig.loop.RunFor(333);
  // The refetch timer was off: the first frame waits for the feed, which does not answer.
  EXPECT_EQ(rig.glass().Row(2), std::string(20, ' '));
  rig.http.Reply(HttpResult{.error = "refused"});
  rig.loop.RunPosted();
  EXPECT_EQ(rig.glass().Row(0), "     3:45:12 PM     ");
  EXPECT_EQ(rig.glass().Row(2), "Hard|News: Alpha   B");
  EXPECT_EQ(rig.glass().Row(3), std::string(20, ' '));
  rig.loop.RunFor(203);
  EXPECT_EQ(rig.glass().Row(2), "ard|News: Alpha   Be");
  EXPECT_EQ(rig.glass().Row(3), "Hard|News: Alpha   B");
  rig.loop.RunFor(203);
  EXPECT_EQ(rig.glass().Row(2), "rd|News: Alpha   Bet");
  EXPECT_EQ(rig.glass().Row(3), "Hard|News: Alpha   B");
  rig.loop.RunFor(203);
  EXPECT_EQ(rig.glass().Row(3), "ard|News: Alpha   Be");
}

TEST_F(NewsTest, TheRefetchComesAtTheHundredTwentyFirstTickThenEveryHundredTwenty) {
  news.refresh_ticks = 120;
  StartWith(Ok(Rdf({"A"})));
  rig.loop.RunFor(30000LL * 120);
  EXPECT_EQ(rig.http.requested.size(), 1u);
  rig.loop.RunFor(30000);
  ASSERT_EQ(rig.http.requested.size(), 2u);
  rig.http.Reply(Ok(Rdf({"B"})));
  rig.loop.RunFor(30000LL * 119);
  EXPECT_EQ(rig.http.requested.size(), 2u);
  rig.loop.RunFor(30000);
  EXPECT_EQ(rig.http.requested.size(), 3u);
}

TEST_F(NewsTest, NoSecondRequestStartsWhileOneIsInFlight) {
  news.refresh_ticks = 1;
  rig.main().cmdHardNews.Click();
  rig.loop.RunFor(30000LL * 5);
  EXPECT_EQ(rig.http.requested.size(), 1u);
  rig.http.Reply(Failed());
  rig.loop.RunFor(30000LL * 2);
  EXPECT_EQ(rig.http.requested.size(), 2u);
}

TEST_F(NewsTest, TheRefetchTimerStopsAnHourAfterTheDisplayWasLeft) {
  rig.loop.SetWallClock({2026, 12, 6, 10, 30, 0});
  StartWith(Ok(Rdf({"A"})));
  rig.main().cmdClock.Click();
  EXPECT_TRUE(rig.main().tmrHN.Enabled());
  rig.loop.RunFor(90LL * 60 * 1000 - 30000);  // to 11:59:30
  EXPECT_TRUE(rig.main().tmrHN.Enabled());
  rig.loop.RunFor(30000);  // 12:00:00
  EXPECT_FALSE(rig.main().tmrHN.Enabled());
  // Started again, the kept list shows; the next first tick fetches again.
  rig.main().cmdHardNews.Click();
  rig.loop.RunFor(1000);
  EXPECT_EQ(rig.http.requested.size(), 2u);
}

TEST_F(NewsTest, TheDialogAppliesModeAndSpeedsAtOnceAndTheFrequencyOnApply) {
  news.mode = 1;
  news.scroll_interval = 268;
  news.refresh_ticks = 300;  // 2.5 hours: shown as 2
  FrmNewsConfig& dialog = news.config();
  rig.main().cmdHardNewsConfig.Click();
  EXPECT_EQ(dialog.Caption(), "VFD Vorlinx - [H]ard|News Config");
  EXPECT_EQ(dialog.fraScrollSpeed.Caption(), "[H]ard|News Scroll Speed");
  EXPECT_EQ(rig.main().Timer13.Interval(), 268);
  EXPECT_FALSE(rig.main().Timer13.Enabled());
  EXPECT_EQ(dialog.sldInfoUpdateFrequency.Value(), 2);
  EXPECT_TRUE(dialog.sldScrollSpeed.Enabled());
  EXPECT_FALSE(dialog.sldItemChangeSpeed.Enabled());
  dialog.optMode3.SetValue(true);
  EXPECT_EQ(news.mode, 3);
  EXPECT_FALSE(dialog.optMode1.Value());
  EXPECT_EQ(rig.main().Timer13.Interval(), 1000);
  dialog.sldItemChangeSpeed.SetValue(30);
  EXPECT_EQ(news.item_change_speed, 30);
  dialog.sldInfoUpdateFrequency.SetValue(5);
  EXPECT_EQ(news.refresh_ticks, 300);
  dialog.cmdApply.Click();
  EXPECT_EQ(news.refresh_ticks, 600);
  EXPECT_FALSE(dialog.Loaded());

  FrmNewsConfig& shack = rig.program->shack_news().config();
  EXPECT_EQ(shack.Caption(), "VFD Vorlinx -Shacknews Config");
  EXPECT_EQ(shack.mode_pictures[2][0], "Shacknews (Item by Item)");
}

TEST_F(NewsTest, BothFeedsKeepTheirValuesInTheSettingsFile) {
  Settings s;
  s.ShackNewsMode = 3;
  s.HardNewsScrollInterval = 73;
  rig.program->modes().LoadFunctionSettings(s);
  EXPECT_EQ(rig.program->shack_news().mode, 3);
  EXPECT_EQ(news.scroll_interval, 73);
  news.item_change_speed = 7;
  Settings out;
  rig.program->modes().StoreFunctionSettings(out);
  EXPECT_EQ(out.HardNewsItemChangeSpeed, 7);
  EXPECT_EQ(out.ShackNewsMode, 3);
}

}  // namespace
}  // namespace vfd
