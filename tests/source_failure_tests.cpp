// What the web-fed sources say when their transfers fail: the source and the reason in the
// status line, once, again only when the reason changes, and never a control character.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Charset.h"
#include "sources/HttpTidePages.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::Rig;

HttpResult Refused() {
  return HttpResult{.error = "could not reach 127.0.0.1 (connection refused)"};
}

struct SourceFailureTest : ::testing::Test {
  Rig rig;
  std::vector<std::string> told;
  std::string shown;

  void SetUp() override {
    rig.UseModel(kModelOrbital2x20);
    rig.Emulate(kModelOrbital2x20);
    // As the log of status lines sees it: each new text of the line.
    rig.main().lblStatus.changed.Connect([this] {
      const std::string& text = rig.main().lblStatus.Caption();
      if (text != shown && !text.empty()) told.push_back(text);
      shown = text;
    });
  }
  void Answer(const HttpResult& result) {
    ASSERT_TRUE(rig.http.Reply(result));
    rig.loop.RunPosted();
  }
  const std::string& Status() { return rig.main().lblStatus.Caption(); }
};

TEST_F(SourceFailureTest, ANewsFeedTellsAFailureOnceAgainWhenItChangesAndForgetsItOnSuccess) {
  NewsFeed& news = rig.program->hard_news();
  news.url = "http://127.0.0.1:9/hardocp.rdf";
  rig.main().cmdHardNews.Click();
  rig.loop.RunFor(rig.main().Timer13.Interval());
  Answer(Refused());
  EXPECT_EQ(Status(), "[H]ard|News: could not reach 127.0.0.1 (connection refused)");
  EXPECT_EQ(news.headlines, std::vector<std::string>{"Error Loading News"});
  for (int i = 0; i < 3; ++i) {
    news.FetchHeadlines();
    Answer(Refused());
  }
  EXPECT_EQ(told.size(), 1u);
  news.FetchHeadlines();
  Answer(HttpResult{.status = 503, .error = "127.0.0.1 answered with status 503"});
  EXPECT_EQ(Status(), "[H]ard|News: 127.0.0.1 answered with status 503");
  // A success takes the message off the line; the same failure afterwards is news again.
  news.FetchHeadlines();
  Answer(HttpResult{.ok = true, .status = 200, .body = "<rss><channel></channel></rss>"});
  EXPECT_EQ(Status(), "");
  news.FetchHeadlines();
  Answer(Refused());
  EXPECT_EQ(told.size(), 3u) << ::testing::PrintToString(told);
  // Stopped, the function has nobody to tell and its message goes.
  rig.main().cmdClock.Click();
  EXPECT_EQ(Status(), "");
  news.FetchHeadlines();
  Answer(Refused());
  EXPECT_EQ(Status(), "");
}

TEST_F(SourceFailureTest, WeatherTidesAndTheUpdateCheckSayWhatFailedAndForWhichSource) {
  Weather& weather = rig.program->weather();
  weather.service = "http://127.0.0.1:9";
  rig.main().cmdWeather.Click();
  Answer(HttpResult{.error = "the reply from 127.0.0.1 is larger than 1024 KiB"});
  EXPECT_EQ(Status(), "Weather: the reply from 127.0.0.1 is larger than 1024 KiB");

  // The tide page service passes its reason on to the tides function.
  HttpTidePages pages(rig.http, "http://127.0.0.1:9");
  TidePage page;
  page.ok = true;
  pages.Page("Northport", [&](TidePage p) { page = std::move(p); });
  Answer(Refused());
  EXPECT_FALSE(page.ok);
  EXPECT_EQ(page.error, "could not reach 127.0.0.1 (connection refused)");

  Rig other;
  other.files.files["vfdservices.txt"] = "update = http://127.0.0.1:9/vfd/currentversion.txt\n";
  other.program->Start();
  ASSERT_TRUE(other.http.Reply(HttpResult{.error = "127.0.0.1 sent no whole reply within 20 s"}));
  other.loop.RunPosted();
  EXPECT_EQ(other.main().lblStatus.Caption(),
            "Update check: 127.0.0.1 sent no whole reply within 20 s");
  EXPECT_TRUE(other.boxes.shown.empty());
}

TEST_F(SourceFailureTest, NoControlCharacterFromOutsideReachesTheStatusLine) {
  NewsFeed& news = rig.program->hard_news();
  news.url = "http://127.0.0.1:9/hardocp.rdf";
  rig.main().cmdHardNews.Click();
  rig.loop.RunFor(rig.main().Timer13.Interval());
  // ESC [8m would hide everything a terminal shows after it; a right-to-left override would
  // turn the line around.
  Answer(HttpResult{.error = "evil\x1b[8m\r\nhidden\t\xe2\x80\xae"
                             "desrever\xc2\x9b"
                             "2J\x7f\x01"});
  EXPECT_EQ(Status(), "[H]ard|News: evil[8m hidden desrever2J");
  EXPECT_EQ(rig.main().lblStatus.ToolTip(), Status());
}

TEST(OneLineTest, ControlsGoLineBreaksBecomeOneBlankAndTheRestStaysAsItIs) {
  EXPECT_EQ(OneLine("Tides: Northport, N.Y. \xc3\xa9\xe6\xbd\xae"),
            "Tides: Northport, N.Y. \xc3\xa9\xe6\xbd\xae");
  EXPECT_EQ(OneLine("a\r\n\r\nb\tc\xe2\x80\xa8"
                    "d"),
            "a b c d");
  EXPECT_EQ(OneLine("\x1b]0;title\x07x"), "]0;titlex");
  EXPECT_EQ(OneLine("\xe2\x81\xa6x\xe2\x81\xa9\xe2\x80\x8f"), "x");
  // A lone byte that is no UTF-8 (0x9B is the one-byte CSI) becomes the replacement character.
  EXPECT_EQ(OneLine("a\x9b"
                    "b"),
            "a\xef\xbf\xbd"
            "b");
}

}  // namespace
}  // namespace vfd
