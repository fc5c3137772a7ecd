// The weather function: the report reader's rules, the refresh schedule and hour rule, the
// dialog, and the Open-Meteo adapter's mapping of recorded replies.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "sources/Weather.h"
#include "support/Rig.h"

namespace vfd {
namespace {

using testing::Rig;

HttpResult Ok(std::string body) {
  return HttpResult{.ok = true, .status = 200, .body = body};
}

const char* const kReport =
    "<?xml version=\"1.0\"?><string>&lt;Weather&gt;&lt;City&gt;Commack&lt;/City&gt;"
    "&lt;State&gt;NY&lt;/State&gt;&lt;Fahrenheit&gt;39&lt;/Fahrenheit&gt;"
    "&lt;Celsius&gt;4&lt;/Celsius&gt;&lt;Condition&gt;Cloudy&lt;/Condition&gt;"
    "&lt;Humidity&gt;71%&lt;/Humidity&gt;&lt;Wind&gt;NW at 12 mph&lt;/Wind&gt;"
    "&lt;Sunrise&gt;7:05 AM&lt;/Sunrise&gt;&lt;Sunset&gt;4:27 PM&lt;/Sunset&gt;"
    "&lt;Day&gt;Tuesday&lt;/Day&gt;&lt;HighFahrenheit&gt;43&lt;/HighFahrenheit&gt;"
    "&lt;HighCelsius&gt;6&lt;/HighCelsius&gt;&lt;LowFahrenheit&gt;31&lt;/LowFahrenheit&gt;"
    "&lt;LowCelsius&gt;0&lt;/LowCelsius&gt;&lt;/Weather&gt;</string>";

const char* const kGeocode =
    R"({"results":[{"id":5113412,"name":"Commack","latitude":40.84288,"longitude":-73.29289,)"
    R"("elevation":47.0,"feature_code":"PPL","country_code":"US","country":"United States",)"
    R"("admin1":"New York","admin2":"Suffolk","timezone":"America/New_York",)"
    R"("postcodes":["11725"]}],"generationtime_ms":0.61})";

const char* const kForecast =
    R"({"latitude":40.84,"longitude":-73.29,"generationtime_ms":0.05,"utc_offset_seconds":-18000,)"
    R"("timezone":"America/New_York","timezone_abbreviation":"EST","elevation":47.0,)"
    R"("current_units":{"time":"iso8601","interval":"seconds","temperature_2m":"°F"},)"
    R"("current":{"time":"2026-12-08T09:15","interval":900,"temperature_2m":38.7,)"
    R"("relative_humidity_2m":71,"weather_code":3,"wind_speed_10m":11.6,"wind_direction_10m":312},)"
    R"("daily_units":{"time":"iso8601","temperature_2m_max":"°F"},)"
    R"("daily":{"time":["2026-12-08"],"temperature_2m_max":[43.1],"temperature_2m_min":[31.4],)"
    R"("sunrise":["2026-12-08T07:05"],"sunset":["2026-12-08T16:27"]}})";

struct WeatherTest : ::testing::Test {
  Rig rig;
  Weather& weather = rig.program->weather();

  void SetUp() override {
    rig.UseModel(kModelOrbital2x20);
    rig.Emulate(kModelOrbital2x20);
    weather.service = "http://127.0.0.1:9";
  }
  void Answer(const std::string& body) {
    ASSERT_TRUE(rig.http.Reply(Ok(body)));
    rig.loop.RunPosted();
  }
};

TEST_F(WeatherTest, AnEscapedReportIsReadLikeAPlainOneAndTheFirstFrameWaitsForIt) {
  rig.main().cmdWeather.Click();
  EXPECT_EQ(
      rig.http.requested,
      std::vector<std::string>{"http://127.0.0.1:9/usweather.asmx/GetWeatherReport?ZipCode=11725"});
  // Before the reply the glass keeps what it showed; the frame comes with the reply.
  EXPECT_EQ(rig.glass().Row(0), std::string(20, ' '));
  rig.loop.RunFor(3000);
  EXPECT_EQ(rig.glass().Row(0), std::string(20, ' '));
  Answer(kReport);
  EXPECT_EQ(rig.glass().Row(0), "3:45:15 PM  Temp: 39");
  EXPECT_EQ(rig.glass().Row(1), "Cloudy, Winds NW at ");

  // The same report with plain tags reads alike.
  weather.data = {};
  std::string plain = kReport;
  for (const char* from : {"&lt;", "&gt;"}) {
    for (size_t at = plain.find(from); at != std::string::npos; at = plain.find(from))
      plain.replace(at, 4, from[1] == 'l' ? "<" : ">");
  }
  weather.ReadReport(plain);
  EXPECT_EQ(weather.data[6], "NW at 12 mph");
  EXPECT_EQ(weather.data[13], "0");
}

TEST_F(WeatherTest, AMissingEndTagEndsTheReadingAMissingStartTagReadsFromTheStart) {
  weather.ReadReport(kReport);
  weather.ReadReport("<City>Northport</City><State>NY</State><Fahrenheit>50<Celsius>10</Celsius>");
  EXPECT_EQ(weather.data[0], "Northport");
  EXPECT_EQ(weather.data[2], "39");  // no end tag: this and every later value stay
  EXPECT_EQ(weather.data[3], "4");
  // A start tag that is missing while its end tag is there cuts from the start of the document
  // (less the start tag's length), and reading goes on.
  weather.ReadReport("<City>Huntington</City>NJ</State><Fahrenheit>41</Fahrenheit>");
  EXPECT_EQ(weather.data[0], "Huntington");
  EXPECT_EQ(weather.data[1], "Huntington</City>NJ");
  EXPECT_EQ(weather.data[2], "41");
  // An end tag within the first characters is a negative length: the reading ends there.
  weather.ReadReport("</State><City>Smithtown</City>");
  EXPECT_EQ(weather.data[0], "Smithtown");
  EXPECT_EQ(weather.data[1], "Huntington</City>NJ");
  // An empty element is an empty value.
  weather.ReadReport("<City></City>");
  EXPECT_EQ(weather.data[0], "");
}

TEST_F(WeatherTest, AnEmptyZipCodeStillFetches) {
  weather.location = "";
  weather.FetchWeather();
  EXPECT_EQ(rig.http.requested.back(),
            "http://127.0.0.1:9/usweather.asmx/GetWeatherReport?ZipCode=");
  Answer("<City>Somewhere</City>");
  EXPECT_EQ(weather.data[0], "Somewhere");
}

TEST_F(WeatherTest, TheFirstRefetchComesAtTheHundredTwentyFirstTickThenEveryHundredTwenty) {
  rig.main().cmdWeather.Click();
  Answer(kReport);
  rig.loop.RunFor(30000LL * 120);
  EXPECT_EQ(rig.http.requested.size(), 1u);
  rig.loop.RunFor(30000);
  EXPECT_EQ(rig.http.requested.size(), 2u);
  Answer(kReport);
  rig.loop.RunFor(30000LL * 119);
  EXPECT_EQ(rig.http.requested.size(), 2u);
  rig.loop.RunFor(30000);
  EXPECT_EQ(rig.http.requested.size(), 3u);
}

TEST_F(WeatherTest, LeftAtHalfPastTenTheRefreshStopsAtTheFirstTickAfterNoon) {
  rig.loop.SetWallClock({2026, 12, 6, 10, 30, 0});
  rig.main().cmdWeather.Click();
  Answer(kReport);
  rig.main().cmdClock.Click();
  rig.loop.RunFor(90LL * 60 * 1000 - 30000);  // 11:59:30
  EXPECT_TRUE(rig.main().tmrWeather.Enabled());
  rig.loop.RunFor(30000);
  EXPECT_FALSE(rig.main().tmrWeather.Enabled());
}

TEST_F(WeatherTest, LeftAtElevenAtNightTheRefreshStopsAfterMidnight) {
  rig.loop.SetWallClock({2026, 12, 6, 23, 10, 0});
  rig.main().cmdWeather.Click();
  Answer(kReport);
  rig.main().cmdClock.Click();
  rig.loop.RunFor(110LL * 60 * 1000 - 30000);  // 00:59:30
  EXPECT_TRUE(rig.main().tmrWeather.Enabled());
  rig.loop.RunFor(60000);
  EXPECT_FALSE(rig.main().tmrWeather.Enabled());
}

TEST(WeatherFourRowTest, TheFourSegmentsAreTheFourRowsAndTheClockSlotTicks) {
  Rig rig;
  rig.UseModel(kModelOrbital4x20);
  rig.Emulate(kModelOrbital4x20);
  Weather& weather = rig.program->weather();
  weather.service = "http://127.0.0.1:9";
  weather.ReadReport(kReport);
  weather.field = {"City", "State", "Clock", "None", "Day", "Sunset", "Humidity", "Temp (C)"};
  weather.label = {"", ", ", "", "", "", " sets ", "Hum ", " C "};
  rig.main().cmdWeather.Click();
  rig.http.Reply(HttpResult{.error = "timed out"});
  rig.loop.RunPosted();
  EXPECT_EQ(rig.glass().Text(),
            "Commack, NY         \n"
            "3:45:12 PM          \n"
            "Tuesday sets 4:27 PM\n"
            "Hum 71% C 4         ");
  rig.loop.RunFor(1000);
  EXPECT_EQ(rig.glass().Row(1), "3:45:13 PM          ");
}

TEST_F(WeatherTest, NoSecondRequestStartsWhileOneIsInFlight) {
  weather.FetchWeather();
  weather.FetchWeather();
  EXPECT_EQ(rig.http.requested.size(), 1u);
  rig.http.Reply(HttpResult{.error = "timed out"});
  rig.loop.RunPosted();
  weather.FetchWeather();
  EXPECT_EQ(rig.http.requested.size(), 2u);
}

TEST_F(WeatherTest, TheDialogPreviewsLiveAndCancelRevertsTheSlotsButNotTheZip) {
  weather.data[2] = "39";
  FrmWeatherConfig& dialog = weather.config();
  rig.main().cmdWeatherConfig.Click();
  EXPECT_EQ(dialog.Caption(), "VFD Vorlinx - Weather Config");
  // Opening with the refresh timer off fetches and starts it.
  EXPECT_TRUE(rig.main().tmrWeather.Enabled());
  EXPECT_EQ(rig.http.requested.size(), 1u);
  EXPECT_EQ(dialog.cboLine1Variable2.Items().size(), 16u);
  EXPECT_EQ(dialog.cboLine1Variable2.Text(), "Temp (F)");
  dialog.cboLine1Variable1.SetListIndex(dialog.cboLine1Variable1.Find("None"));
  dialog.txtLine1Label1.SetText("T=");
  dialog.txtZip.SetText("90210");
  rig.loop.RunFor(100);
  EXPECT_EQ(dialog.lblLine1.Caption(), "T=  Temp: 39 High:  Low: ");
  EXPECT_EQ(weather.field[0], "None");
  dialog.cmdCancel.Click();
  EXPECT_FALSE(dialog.Loaded());
  EXPECT_EQ(weather.field[0], "Clock");
  EXPECT_EQ(weather.label[0], "");
  EXPECT_EQ(weather.location, "90210");
}

TEST_F(WeatherTest, TheSettingsFileKeepsLocationSlotsAndLabels) {
  Settings s;
  s.WeatherLocation = "Oslo";
  s.WeatherField[7] = "Day";
  rig.program->modes().LoadFunctionSettings(s);
  EXPECT_EQ(weather.location, "Oslo");
  weather.label[3] = "L:";
  Settings out;
  rig.program->modes().StoreFunctionSettings(out);
  EXPECT_EQ(out.WeatherField[7], "Day");
  EXPECT_EQ(out.WeatherLabel[3], "L:");
}

struct OpenMeteoTest : WeatherTest {
  void SetUp() override {
    WeatherTest::SetUp();
    weather.service = kOpenMeteo;
    weather.geocoding_url = "http://127.0.0.1:9";
    weather.forecast_url = "http://127.0.0.1:10";
  }
};

TEST_F(OpenMeteoTest, ARecordedReplyFillsTheFourteenValues) {
  weather.FetchWeather();
  EXPECT_EQ(rig.http.requested.back(),
            "http://127.0.0.1:9/v1/search?name=11725&count=1&countryCode=US");
  Answer(kGeocode);
  EXPECT_EQ(rig.http.requested.back(),
            "http://127.0.0.1:10/v1/forecast?latitude=40.8429&longitude=-73.2929"
            "&current=temperature_2m,relative_humidity_2m,weather_code,wind_speed_10m,"
            "wind_direction_10m&daily=temperature_2m_max,temperature_2m_min,sunrise,sunset"
            "&temperature_unit=fahrenheit&wind_speed_unit=mph&timezone=auto&forecast_days=1");
  Answer(kForecast);
  EXPECT_EQ(weather.data, (std::array<std::string, 14>{"Commack", "NY", "39", "4", "Overcast",
                                                       "71%", "NW at 12 mph", "7:05 AM", "4:27 PM",
                                                       "Tuesday", "43", "6", "31", "0"}));
  // The place is kept: the next fetch asks for the forecast alone.
  weather.FetchWeather();
  EXPECT_EQ(rig.http.requested.back().rfind("http://127.0.0.1:10/v1/forecast?", 0), 0u);
  Answer(kForecast);
  // A new location is looked up again; a place name is asked for without the country.
  weather.location = "San Jos\u00e9";
  weather.FetchWeather();
  EXPECT_EQ(rig.http.requested.back(), "http://127.0.0.1:9/v1/search?name=San%20Jos%C3%A9&count=1");
}

TEST_F(OpenMeteoTest, AnUnknownZipShowsInTheStatusLineAndKeepsTheValues) {
  weather.data[0] = "Commack";
  weather.location = "99999";
  weather.FetchWeather();
  Answer(R"({"generationtime_ms":0.4})");
  EXPECT_EQ(rig.main().lblStatus.Caption(), "Weather: no place found for ZIP 99999");
  EXPECT_EQ(weather.data[0], "Commack");
  EXPECT_EQ(rig.http.requested.size(), 1u);
}

TEST_F(OpenMeteoTest, MissingValuesKeepTheirOldTexts) {
  weather.data[2] = "50";
  weather.data[6] = "N at 3 mph";
  weather.FetchWeather();
  Answer(kGeocode);
  Answer(
      R"({"current":{"temperature_2m":null,"wind_speed_10m":0.3,"weather_code":61},"daily":{}})");
  EXPECT_EQ(weather.data[2], "50");
  EXPECT_EQ(weather.data[4], "Light Rain");
  EXPECT_EQ(weather.data[6], "Calm");
}

TEST_F(OpenMeteoTest, NumbersNoWeatherHasAreUnknownAndKeepTheOldTexts) {
  weather.data = {"Commack", "NY", "39", "4", "Overcast", "71%", "NW at 12 mph"};
  weather.FetchWeather();
  Answer(kGeocode);
  Answer(R"({"current":{"temperature_2m":1e300,"relative_humidity_2m":-1e300,)"
         R"("weather_code":1e300,"wind_speed_10m":1e400,"wind_direction_10m":1e300},)"
         R"("daily":{"temperature_2m_max":[-1e300]}})");
  EXPECT_EQ(weather.data[2], "39");
  EXPECT_EQ(weather.data[3], "4");
  EXPECT_EQ(weather.data[4], "Overcast");
  EXPECT_EQ(weather.data[5], "71%");
  EXPECT_EQ(weather.data[6], "NW at 12 mph");
  EXPECT_EQ(weather.data[10], "");

  // A weather code is a whole number of the WMO table; a fraction or a negative names none.
  WebDocumentParsers parsers;
  for (const char* code : {"2.5", "-1", "100", "4294967299", "-1e300", "\"3\"", "true"}) {
    const std::string doc = std::string(R"({"current":{"weather_code":)") + code + "}}";
    EXPECT_FALSE(parsers.ReadForecast(doc).weather_code) << code;
  }
  EXPECT_EQ(parsers.ReadForecast(R"({"current":{"weather_code":3.0}})").weather_code, 3);
  EXPECT_EQ(parsers.ReadForecast(R"({"current":{"weather_code":0}})").weather_code, 0);
}

TEST(OpenMeteoTextTest, CompassStatesAndDegrees) {
  using namespace open_meteo;
  EXPECT_EQ(WindText(12.4, 0.0), "N at 12 mph");
  EXPECT_EQ(WindText(5, 359.0), "N at 5 mph");
  EXPECT_EQ(WindText(5, 90.0), "E at 5 mph");
  EXPECT_EQ(WindText(5, 200.0), "SSW at 5 mph");
  EXPECT_EQ(WindText(7, std::nullopt), "7 mph");
  EXPECT_EQ(WindText(7, std::nan("")), "7 mph");
  EXPECT_EQ(WindText(std::nan(""), 90.0), "");
  EXPECT_EQ(WholeDegrees(-std::numeric_limits<double>::infinity()), "");
  EXPECT_EQ(CelsiusOf(std::numeric_limits<double>::max()), "");
  EXPECT_EQ(StateAbbreviation("California"), "CA");
  EXPECT_EQ(StateAbbreviation("Bavaria"), "");
  EXPECT_EQ(CelsiusOf(-40.0), "-40");
  EXPECT_EQ(CelsiusOf(32.5), "0");
  EXPECT_EQ(WeekdayName("2000-02-29"), "Tuesday");
  EXPECT_EQ(WeekdayName("nonsense"), "");
  EXPECT_EQ(ConditionText(95), "Thunderstorm");
  EXPECT_EQ(ConditionText(42), "");
}

}  // namespace
}  // namespace vfd
