#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/Clock.h"
#include "core/Controls.h"
#include "core/DisplayFunction.h"
#include "core/Form.h"
#include "core/Http.h"
#include "core/Settings.h"
#include "core/Timer.h"
#include "core/WebDocuments.h"
#include "display/DisplayLink.h"
#include "sources/FetchFailures.h"
#include "sources/SlotGridForm.h"

namespace vfd {

// The weather's fourteen values, by index: the report's element names and the names the dialog
// offers for them.
inline constexpr std::array<const char*, 14> kWeatherElements{
    "City",           "State",       "Fahrenheit",    "Celsius",   "Condition",
    "Humidity",       "Wind",        "Sunrise",       "Sunset",    "Day",
    "HighFahrenheit", "HighCelsius", "LowFahrenheit", "LowCelsius"};
inline constexpr std::array<const char*, 14> kWeatherItemNames{
    "City",    "State",  "Temp (F)", "Temp (C)", "Condition", "Humidity", "Wind",
    "Sunrise", "Sunset", "Day",      "High (F)", "High (C)",  "Low (F)",  "Low (C)"};
// The built-in adapter's name in the services file.
inline constexpr const char* kOpenMeteo = "open-meteo";

// The Open-Meteo adapter's translations into the report's texts.
namespace open_meteo {
// A short English text for a WMO weather code; empty for a code it does not know.
std::string ConditionText(int code);
// A value rounded to a whole number; none for NaN, infinities and values no weather has.
std::optional<long> WholeNumber(double value);
// "NW at 12 mph"; "Calm" below half a mile an hour; without a direction, "12 mph"; "" for a
// speed that is no number.
std::string WindText(double mph, const std::optional<double>& degrees_from);
// The two-letter postal abbreviation of a US state (or DC, Puerto Rico); empty for other names.
std::string StateAbbreviation(std::string_view state);
// A temperature as whole degrees; "" for none, or for one that is no number.
std::string WholeDegrees(const std::optional<double>& value);
// Fahrenheit to whole degrees Celsius; "" for none.
std::string CelsiusOf(const std::optional<double>& fahrenheit);
// "2026-12-08" as "Tuesday"; "" for a text that is no date.
std::string WeekdayName(std::string_view iso_date);
// "2026-12-08T07:05" as the regional time of day without its seconds ("7:05 AM").
std::string ShortTimeOf(std::string_view iso_time, RegionalFormats& formats);
// What `text` is inside a URL's query: UTF-8, percent-encoded beyond the unreserved characters.
std::string QueryValue(std::string_view text);
}  // namespace open_meteo

class Weather;

// The weather's settings dialog: the location and the eight slots, edited live with a preview;
// Cancel puts the slots back (the location stays).
class FrmWeatherConfig : public SlotGridForm {
 public:
  FrmWeatherConfig(Weather& weather, TimerHost& timers);
  const CharacterSet& PreviewCharset() override;

  // The item lists' entries, in order.
  static constexpr std::array<const char*, 16> kItems{
      "None", "Clock",   "City",   "State", "Temp (F)", "Temp (C)", "Condition", "Humidity",
      "Wind", "Sunrise", "Sunset", "Day",   "High (F)", "High (C)", "Low (F)",   "Low (C)"};

  Label lblZip{"lblZip", "Local 5 Digit Zipcode: "};
  TextBox txtZip{"txtZip", "11725"};

 protected:
  void OnLoad() override;
  void OnUnload() override;

 private:
  void Update() override;
  void CopyIntoSettings();
  void Cancel() override;

  Weather& weather_;
  std::array<std::string, 8> field_on_load_;
  std::array<std::string, 8> label_on_load_;
  bool cancelling_ = false;
};

// The weather function: fourteen values fetched once an hour, up to eight of them (or the clock)
// shown with the user's labels, four per line.
class Weather {
 public:
  struct Controls {
    Button& cmdWeather;
    Timer& Timer17;
    Timer& tmrWeather;
    Button& cmdWeatherConfig;
  };

  Weather(Controls controls, DisplayLink& display, HttpClient& http, WebDocuments& documents,
          WallClock& wall, RegionalFormats& formats, TimerHost& timers);
  FunctionRegistration Registration();

  // Where the values come from: the built-in adapter and its two services, or the base URL of a
  // service that answers the weather report.
  std::string service = kOpenMeteo;
  std::string geocoding_url = "https://geocoding-api.open-meteo.com";
  std::string forecast_url = "https://api.open-meteo.com";

  std::string location = Settings{}.WeatherLocation;           // WeatherLocation
  std::array<std::string, 8> field = Settings{}.WeatherField;  // WeatherField1..8
  std::array<std::string, 8> label = Settings{}.WeatherLabel;  // WeatherLabel1..8
  std::array<std::string, 14> data{};                          // WeatherData
  int16_t weather_hour = 0;                                    // WeatherHour
  int16_t refresh_count = 0;                                   // WeatherRefreshCount

  // Asks for the values; they change when the reply is in. While one request is in flight no
  // second one starts.
  void FetchWeather();
  bool Fetching() const { return fetching_; }
  // Whether the display ticks are held until the fetch in flight has ended.
  bool AwaitingValues() const { return awaiting_values_; }
  // Cuts the values out of a weather report, as far as its elements go.
  void ReadReport(std::string_view document);
  // Fills the values from the adapter's forecast for `place`.
  void TakeForecast(const GeocodeReading& place, const ForecastReading& forecast);
  std::string WeatherItem(std::string_view name);
  std::array<std::string, 4> Segments();

  void WeatherTick();
  void WeatherRefreshTick();

  Timer& refresh_timer() { return c_.tmrWeather; }
  WallClock& wall() { return wall_; }
  DisplayLink& display() { return display_; }
  FrmWeatherConfig& config() { return config_; }

 private:
  void FetchReport();
  void FetchPlace();
  void FetchForecast();
  // Every way a fetch can end comes here once, reply or failure.
  void FetchEnded();

  Controls c_;
  DisplayLink& display_;
  HttpClient& http_;
  WebDocuments& documents_;
  WallClock& wall_;
  RegionalFormats& formats_;
  FrmWeatherConfig config_;
  bool fetching_ = false;
  // A tick that asked for the values draws nothing until they are in, so the glass keeps what it
  // showed rather than the labels with empty values.
  bool awaiting_values_ = false;
  bool answered_ = false;  // some fetch has ended, well or not
  // The place found for `place_for_`, kept until the location changes.
  std::string place_for_;
  GeocodeReading place_;
  FetchFailures failures_{display_, "Weather", &c_.Timer17};
};

}  // namespace vfd
