// The services file: which lines apply, which are reported, and where the program looks for it.
#include <gtest/gtest.h>

#include "shell/ServicesFile.h"
#include "support/Rig.h"

namespace vfd {
namespace {

TEST(ServicesFileTest, AnEmptyFileMeansEveryDefault) {
  const ServicesFileContents c = ParseServicesFile("");
  EXPECT_TRUE(c.problems.empty());
  EXPECT_EQ(c.urls.weather, "open-meteo");
  EXPECT_EQ(c.urls.weather_geocoding, "https://geocoding-api.open-meteo.com");
  EXPECT_EQ(c.urls.weather_forecast, "https://api.open-meteo.com");
  EXPECT_TRUE(c.urls.update.empty());
  EXPECT_TRUE(IsUsableUrl(c.urls.hardnews, false));
  EXPECT_TRUE(IsUsableUrl(c.urls.shacknews, false));
}

TEST(ServicesFileTest, KeysWithBlanksCommentsAndCrLfApply) {
  const ServicesFileContents c = ParseServicesFile(
      "\xEF\xBB\xBF# where the web functions read from\r\n"
      "\r\n"
      "weather=http://127.0.0.1:8080/\r\n"
      "   hardnews   =   https://example.org/feed.xml?x=1  \r\n"
      "shacknews = http://example.org/rss\n"
      "update = http://example.org/vfd/currentversion.txt\n"
      "weather-geocoding = https://geo.example.org//\n"
      "weather-forecast = https://wx.example.org:8443\n"
      "tides = https://tides.example.org\n"
      "tides-data = harmonics.tcd\n"
      "player = vlc\n");
  EXPECT_TRUE(c.problems.empty()) << c.problems.front();
  EXPECT_EQ(c.urls.weather, "http://127.0.0.1:8080");
  EXPECT_EQ(c.urls.hardnews, "https://example.org/feed.xml?x=1");
  EXPECT_EQ(c.urls.shacknews, "http://example.org/rss");
  EXPECT_EQ(c.urls.update, "http://example.org/vfd/currentversion.txt");
  EXPECT_EQ(c.urls.weather_geocoding, "https://geo.example.org");
  EXPECT_EQ(c.urls.weather_forecast, "https://wx.example.org:8443");
  EXPECT_EQ(c.urls.tides, "https://tides.example.org");
  EXPECT_EQ(c.urls.tides_data, "harmonics.tcd");
  EXPECT_EQ(c.urls.player, "vlc");
}

TEST(ServicesFileTest, BadLinesAreReportedByNumberAndTheOthersStillApply) {
  const ServicesFileContents c = ParseServicesFile(
      "hardnews = https://example.org/a\n"
      "colour = blue\n"
      "shacknews = ftp://example.org/rss\n"
      "update = http://\n"
      "weather = http://example.org/path?query=1\n"
      "just some words\n"
      "weather-forecast = http://example.org:99999\n"
      "update = http://user@example.org/v.txt\n"
      "hardnews = http://exa mple.org/\n");
  EXPECT_EQ(c.urls.hardnews, "https://example.org/a");
  EXPECT_EQ(c.urls.weather, "open-meteo");
  EXPECT_TRUE(c.urls.update.empty());
  ASSERT_EQ(c.problems.size(), 8u);
  EXPECT_EQ(c.problems[0], "vfdservices.txt line 2: unknown key \"colour\"");
  EXPECT_EQ(c.problems[1].rfind("vfdservices.txt line 3: ", 0), 0u) << c.problems[1];
  EXPECT_NE(c.problems[1].find("not a usable URL"), std::string::npos);
  EXPECT_EQ(c.problems[5].rfind("vfdservices.txt line 7: ", 0), 0u) << c.problems[5];
  EXPECT_EQ(c.problems[7].rfind("vfdservices.txt line 9: ", 0), 0u) << c.problems[7];
}

TEST(ServicesFileTest, AProblemQuotesTheFileAsPlainText) {
  // The problems reach the status line and a terminal: an escape sequence from the file must not
  // act there, bytes that are no UTF-8 are mended, and a value of a whole screen is cut.
  const ServicesFileContents c = ParseServicesFile(
      "hardnews = \x1b[8mhttp://example.org\n"
      "col\x07our\xff = blue\n"
      "charset = " +
      std::string(200, 'x') + "\n");
  ASSERT_EQ(c.problems.size(), 3u);
  EXPECT_EQ(c.problems[0],
            "vfdservices.txt line 1: \"?[8mhttp://example.org\" is not a usable URL for hardnews");
  EXPECT_EQ(c.problems[1], "vfdservices.txt line 2: unknown key \"col?our\xEF\xBF\xBD\"");
  EXPECT_EQ(c.problems[2], "vfdservices.txt line 3: \"" + std::string(60, 'x') +
                               "...\" is not a character set (japanese or european) for charset");
}

TEST(ServicesFileTest, TidesAreLocalOrAPageService) {
  EXPECT_EQ(ParseServicesFile("tides = local\n").urls.tides, "local");
  EXPECT_EQ(ParseServicesFile("tides = http://127.0.0.1:8080/\n").urls.tides,
            "http://127.0.0.1:8080");
  const ServicesFileContents c = ParseServicesFile("tides = offline\n");
  EXPECT_TRUE(c.urls.tides.empty());
  ASSERT_EQ(c.problems.size(), 1u);
  EXPECT_EQ(c.problems[0].rfind("vfdservices.txt line 1: ", 0), 0u) << c.problems[0];
}

TEST(ServicesFileTest, TheFileSitsBesideTheSettingsFile) {
  EXPECT_EQ(ServicesPathBeside("vfdsettings.txt"), "vfdservices.txt");
  EXPECT_EQ(ServicesPathBeside("/home/u/.config/vfd/vfdsettings.txt"),
            "/home/u/.config/vfd/vfdservices.txt");
}

TEST(ServicesFileTest, StartReadsTheFileAndShowsItsProblemsInTheStatusLine) {
  testing::Rig rig;
  rig.files.files["vfdservices.txt"] =
      "update = http://127.0.0.1:1/v.txt\nplayer = audacious\nnews = x\n";
  std::string preferred = "none yet";
  rig.program->services().prefer_player = [&](const std::string& name) { preferred = name; };
  rig.program->Start();
  EXPECT_EQ(preferred, "audacious");
  EXPECT_EQ(rig.program->web_services().update, "http://127.0.0.1:1/v.txt");
  EXPECT_EQ(rig.main().lblStatus.Caption(), "vfdservices.txt line 3: unknown key \"news\"");
}

TEST(ServicesFileTest, ShutdownAbandonsTransfersInFlight) {
  testing::Rig rig;
  rig.program->Start();
  rig.http.Get("http://127.0.0.1:1/", [](HttpResult) { FAIL() << "delivered after shutdown"; });
  rig.program->Shutdown();
  EXPECT_TRUE(rig.http.pending.empty());
}

}  // namespace
}  // namespace vfd
