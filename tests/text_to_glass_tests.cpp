// Text from the outside world (feed titles, weather values and place names, tide lines, a
// player's title, the typed message) never
// becomes a display command: each source's text, holding every model's command bytes, reaches
// the glass as characters only.
#include <gtest/gtest.h>

#include <string>

#include "sources/Weather.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::Rig;

// The Matrix Orbital clear, "FE 40", the IEE display off, a terminal's hidden text, the IEE
// clear, home and glyph definition, an HD44780 clear, raw and as the characters they would be.
const std::string kHostile =
    "{\xFE\x58\xFE\x40\xFE\x46\x19\x33\x1B[8m\x14\x15\x16\x18\x01\x0C\x0E"
    "\xC3\xBE\x58\xC2\x9B\xE2\x80\xA8}";

// Every cell of the glass holds a code its ROM shows, the display is still on, no mode changed
// that the function does not change itself, and the text is there between its braces.
// `own`: the glass of the same function run with harmless text, when the function defines glyphs
// or sets modes of its own; without it, none may be defined or set.
void ExpectOnlyCharacters(const Rig& rig, int16_t model, const Glass* own = nullptr) {
  const Glass& glass = rig.glass();
  EXPECT_TRUE(glass.display_on) << model;
  if (own != nullptr) {
    EXPECT_EQ(glass.glyphs, own->glyphs) << model;
    EXPECT_EQ(glass.modes, own->modes) << model;
  } else {
    EXPECT_TRUE(glass.glyphs.empty()) << model;
    // The parallel IEE frame's own 0x12 (a write mode) is the only code without a look of its
    // own.
    for (const std::string& mode : glass.modes)
      EXPECT_TRUE(model == kModelIeeParallel && mode == "12") << model << ": " << mode;
  }
  const CharacterSet set = CharacterSet::ForModel(model, CharsetChoice::kJapanese);
  bool braces = false;
  for (int r = 0; r < glass.Rows(); ++r) {
    for (int c = 0; c < glass.Columns(); ++c)
      EXPECT_NE(set.Shows(glass.Code(r, c)), 0u) << "model " << model << " row " << r;
    braces = braces || glass.Row(r).find_first_of("{}") != std::string::npos;
  }
  EXPECT_TRUE(braces) << glass.Text();
}

struct TextToGlassTest : ::testing::TestWithParam<int16_t> {
  Rig rig;
  void SetUp() override {
    rig.UseModel(GetParam());
    if (LinkOf(GetParam()) == LinkKind::kParallel) rig.main().lstPPort.SetListIndex(0);
    rig.Emulate(GetParam());
  }
  void Reply(const std::string& body) {
    ASSERT_TRUE(rig.http.Reply(HttpResult{.ok = true, .status = 200, .body = body}));
    rig.loop.RunPosted();
  }
};

TEST_P(TextToGlassTest, AFeedTitle) {
  NewsFeed& news = rig.program->hard_news();
  news.url = "http://127.0.0.1:9/hardocp.rdf";
  news.mode = 3;
  rig.main().cmdHardNews.Click();
  rig.loop.RunFor(1000);
  Reply(
      "<?xml version=\"1.0\"?><rdf:RDF "
      "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><item><title>" +
      kHostile + " &#25;3 &#x1B;</title></item></rdf:RDF>");
  rig.loop.RunFor(1000);
  ExpectOnlyCharacters(rig, GetParam());
}

TEST_P(TextToGlassTest, LegacyWeatherValues) {
  Weather& weather = rig.program->weather();
  weather.service = "http://127.0.0.1:9";
  weather.field = {"City", "Condition", "None", "None", "Wind", "None", "None", "None"};
  weather.label = {};
  rig.main().cmdWeather.Click();
  Reply("<City>" + kHostile + "</City><Condition>&lt;b&gt;" + kHostile + "</Condition><Wind>" +
        kHostile + "</Wind>");
  rig.loop.RunFor(1000);
  ExpectOnlyCharacters(rig, GetParam());
}

TEST_P(TextToGlassTest, TideLines) {
  rig.loop.SetWallClock({2026, 12, 8, 14, 50, 0});
  rig.main().cmdTides.Click();
  const std::string page = "(click for map)\n\n2026-12-08  2:10 PM EST   0.69 feet " + kHostile +
                           " Low Tide\n" + std::string(60, '.');
  ASSERT_TRUE(rig.tides.Reply({.ok = true, .text = page, .station = kHostile}));
  rig.loop.RunPosted();
  rig.loop.RunFor(1000);
  ExpectOnlyCharacters(rig, GetParam());
}

// The place names Open-Meteo answers with, holding the command bytes as JSON escapes.
TEST_P(TextToGlassTest, OpenMeteoPlaceNames) {
  const std::string hostile =
      R"({\u00feX\u00fe@\u0019 3\u001b[8m\u0014\u0015\u0016\u0018\u0001\u000c\u000e\u009b\u2028})";
  Weather& weather = rig.program->weather();
  weather.service = kOpenMeteo;
  weather.geocoding_url = "http://127.0.0.1:9";
  weather.forecast_url = "http://127.0.0.1:10";
  weather.location = "11725";
  weather.field = {"City", "State", "None", "None", "Wind", "None", "None", "None"};
  weather.label = {};
  rig.main().cmdWeather.Click();
  Reply(R"({"results":[{"name":")" + hostile +
        R"(","latitude":40.84,"longitude":-73.29,"country_code":"US","admin1":")" + hostile +
        R"(","postcodes":["11725"]}]})");
  Reply(R"({"current":{"temperature_2m":38.7,"relative_humidity_2m":71,"weather_code":3,)"
        R"("wind_speed_10m":11.6,"wind_direction_10m":312},"daily":{"time":["2026-12-08"],)"
        R"("temperature_2m_max":[43.1],"temperature_2m_min":[31.4],)"
        R"("sunrise":["2026-12-08T07:05"],"sunset":["2026-12-08T16:27"]}})");
  rig.loop.RunFor(1000);
  ExpectOnlyCharacters(rig, GetParam());
}

// A player's title is a local program's text, and as hostile as any feed's. The function's own
// progress glyphs and modes are those it uses for any title.
void PlayTitle(Rig& rig, const std::string& song) {
  testing::FakeMediaPlayer& player = rig.player;
  player.running = true;
  player.status = 1;
  player.title = "1. " + song + " - Player";
  player.position_ms = 60000;
  player.length_sec = 200;
  player.playlist_index = 0;
  player.playlist_length = 12;
  player.sample_rate = 44;
  player.bitrate = 320;
  player.channels = 2;
  rig.main().cmdWinamp.Click();
  rig.loop.RunFor(1000);
}

TEST_P(TextToGlassTest, ANowPlayingTitle) {
  Rig plain;
  plain.UseModel(GetParam());
  if (LinkOf(GetParam()) == LinkKind::kParallel) plain.main().lstPPort.SetListIndex(0);
  plain.Emulate(GetParam());
  PlayTitle(plain, "{" + std::string(kHostile.size() - 2, 'x') + "}");
  PlayTitle(rig, kHostile);
  ExpectOnlyCharacters(rig, GetParam(), &plain.glass());
}

TEST_P(TextToGlassTest, TheTypedMessageAndItsTicker) {
  rig.main().txtMessage.SetText("{{{{{{{{" + kHostile + "}}}}}}}}");
  rig.main().cmdTicker.Click();
  rig.loop.RunFor(200);
  ExpectOnlyCharacters(rig, GetParam());
}

INSTANTIATE_TEST_SUITE_P(EveryModel, TextToGlassTest,
                         ::testing::Values(kModelIeeSerial, kModelIeeParallel, kModelNoritake,
                                           kModelOrbital2x20, kModelOrbital4x20));

}  // namespace
}  // namespace vfd
