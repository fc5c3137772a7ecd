#include "sources/Weather.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace vfd {

namespace open_meteo {

std::string ConditionText(int code) {
  switch (code) {
    case 0:
      return "Clear";
    case 1:
      return "Mostly Clear";
    case 2:
      return "Partly Cloudy";
    case 3:
      return "Overcast";
    case 45:
      return "Fog";
    case 48:
      return "Freezing Fog";
    case 51:
      return "Light Drizzle";
    case 53:
      return "Drizzle";
    case 55:
      return "Heavy Drizzle";
    case 56:
      return "Light Frz Drizzle";
    case 57:
      return "Freezing Drizzle";
    case 61:
      return "Light Rain";
    case 63:
      return "Rain";
    case 65:
      return "Heavy Rain";
    case 66:
      return "Light Frz Rain";
    case 67:
      return "Freezing Rain";
    case 71:
      return "Light Snow";
    case 73:
      return "Snow";
    case 75:
      return "Heavy Snow";
    case 77:
      return "Snow Grains";
    case 80:
      return "Light Showers";
    case 81:
      return "Showers";
    case 82:
      return "Heavy Showers";
    case 85:
      return "Snow Showers";
    case 86:
      return "Heavy Snow Showers";
    case 95:
      return "Thunderstorm";
    case 96:
      return "T-Storm, Hail";
    case 99:
      return "T-Storm, Heavy Hail";
    default:
      return "";
  }
}

std::optional<long> WholeNumber(double value) {
  // Beyond this no weather value is meant; NaN fails the comparison too.
  constexpr double kBound = 1e9;
  if (!(value > -kBound && value < kBound)) return std::nullopt;
  return std::lround(value);
}

std::string WindText(double mph, const std::optional<double>& degrees_from) {
  const std::optional<long> rounded = WholeNumber(mph);
  if (!rounded) return "";
  const long speed = *rounded;
  if (speed <= 0) return "Calm";
  if (!degrees_from || !std::isfinite(*degrees_from)) return std::to_string(speed) + " mph";
  static const char* const kPoints[16] = {"N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
                                          "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};
  double d = std::fmod(*degrees_from, 360.0);
  if (d < 0) d += 360.0;
  const int point = static_cast<int>(std::lround(d / 22.5)) % 16;
  return std::string(kPoints[point]) + " at " + std::to_string(speed) + " mph";
}

std::string StateAbbreviation(std::string_view state) {
  static constexpr std::pair<const char*, const char*> kStates[] = {
      {"Alabama", "AL"},
      {"Alaska", "AK"},
      {"Arizona", "AZ"},
      {"Arkansas", "AR"},
      {"California", "CA"},
      {"Colorado", "CO"},
      {"Connecticut", "CT"},
      {"Delaware", "DE"},
      {"District of Columbia", "DC"},
      {"Washington, D.C.", "DC"},
      {"Florida", "FL"},
      {"Georgia", "GA"},
      {"Hawaii", "HI"},
      {"Idaho", "ID"},
      {"Illinois", "IL"},
      {"Indiana", "IN"},
      {"Iowa", "IA"},
      {"Kansas", "KS"},
      {"Kentucky", "KY"},
      {"Louisiana", "LA"},
      {"Maine", "ME"},
      {"Maryland", "MD"},
      {"Massachusetts", "MA"},
      {"Michigan", "MI"},
      {"Minnesota", "MN"},
      {"Mississippi", "MS"},
      {"Missouri", "MO"},
      {"Montana", "MT"},
      {"Nebraska", "NE"},
      {"Nevada", "NV"},
      {"New Hampshire", "NH"},
      {"New Jersey", "NJ"},
      {"New Mexico", "NM"},
      {"New York", "NY"},
      {"North Carolina", "NC"},
      {"North Dakota", "ND"},
      {"Ohio", "OH"},
      {"Oklahoma", "OK"},
      {"Oregon", "OR"},
      {"Pennsylvania", "PA"},
      {"Puerto Rico", "PR"},
      {"Rhode Island", "RI"},
      {"South Carolina", "SC"},
      {"South Dakota", "SD"},
      {"Tennessee", "TN"},
      {"Texas", "TX"},
      {"Utah", "UT"},
      {"Vermont", "VT"},
      {"Virginia", "VA"},
      {"Washington", "WA"},
      {"West Virginia", "WV"},
      {"Wisconsin", "WI"},
      {"Wyoming", "WY"},
  };
  for (const auto& [name, code] : kStates) {
    if (state == name) return code;
  }
  return "";
}

std::string WholeDegrees(const std::optional<double>& value) {
  if (!value) return "";
  const std::optional<long> whole = WholeNumber(*value);
  return whole ? std::to_string(*whole) : "";
}

std::string CelsiusOf(const std::optional<double>& fahrenheit) {
  if (!fahrenheit) return "";
  return WholeDegrees((*fahrenheit - 32.0) * 5.0 / 9.0);
}

namespace {

// "YYYY-MM-DD" (and, with `with_time`, "THH:MM") as numbers; false for anything else.
bool ParseIso(std::string_view text, bool with_time, LocalDateTime* at) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0;
  const std::string s(text);
  if (with_time) {
    if (std::sscanf(s.c_str(), "%4d-%2d-%2dT%2d:%2d", &y, &mo, &d, &h, &mi) != 5) return false;
  } else {
    if (std::sscanf(s.c_str(), "%4d-%2d-%2d", &y, &mo, &d) != 3) return false;
  }
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59) return false;
  *at = LocalDateTime{y, mo, d, h, mi, 0};
  return true;
}

}  // namespace

std::string WeekdayName(std::string_view iso_date) {
  LocalDateTime at;
  if (!ParseIso(iso_date.substr(0, 10), false, &at)) return "";
  static const char* const kDays[7] = {"Thursday", "Friday",  "Saturday", "Sunday",
                                       "Monday",   "Tuesday", "Wednesday"};
  const long days = DaysFromCivil(at.year, at.month, at.day);
  return kDays[((days % 7) + 7) % 7];
}

std::string ShortTimeOf(std::string_view iso_time, RegionalFormats& formats) {
  LocalDateTime at;
  if (!ParseIso(iso_time, true, &at)) return "";
  std::string text = formats.TimeText(at);
  // The regional form carries seconds after the minutes' separator; the short form drops them.
  const size_t first = text.find(':');
  if (first == std::string::npos) return text;
  const size_t second = text.find(':', first + 1);
  if (second == std::string::npos) return text;
  size_t end = second + 1;
  while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
    ++end;
  return text.erase(second, end - second);
}

std::string QueryValue(std::string_view text) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) != 0 && u < 0x80) {
      out.push_back(c);
    } else if (c == '-' || c == '.' || c == '_' || c == '~') {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(kHex[u >> 4]);
      out.push_back(kHex[u & 15]);
    }
  }
  return out;
}

}  // namespace open_meteo

namespace {

bool IsZipCode(std::string_view s) {
  if (s.size() != 5) return false;
  for (char c : s) {
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) return false;
  }
  return true;
}

// Every `from` replaced by the one character `to`, left to right.
std::string ReplaceAll(std::string_view s, std::string_view from, char to) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    if (s.substr(i, from.size()) == from) {
      out.push_back(to);
      i += from.size();
    } else {
      out.push_back(s[i++]);
    }
  }
  return out;
}

}  // namespace

Weather::Weather(Controls controls, DisplayLink& display, HttpClient& http, WebDocuments& documents,
                 WallClock& wall, RegionalFormats& formats, TimerHost& timers)
    : c_(controls),
      display_(display),
      http_(http),
      documents_(documents),
      wall_(wall),
      formats_(formats),
      config_(*this, timers) {
  c_.tmrWeather.on_tick = [this] { WeatherRefreshTick(); };
}

FunctionRegistration Weather::Registration() {
  // ActivateWeather: the other function timers off, Timer17 on, one tick at once, then the
  // brightness.
  return {.code = 17,
          .button = &c_.cmdWeather,
          .timer = &c_.Timer17,
          .first_frame = FirstFrame::kBefore,
          .tick = [this] { WeatherTick(); },
          .dialog = &config_,
          .config_button = &c_.cmdWeatherConfig,
          .load =
              [this](const Settings& s) {
                location = s.WeatherLocation;
                field = s.WeatherField;
                label = s.WeatherLabel;
              },
          .store =
              [this](Settings& s) {
                s.WeatherLocation = location;
                s.WeatherField = field;
                s.WeatherLabel = label;
              }};
}

void Weather::FetchWeather() {
  if (fetching_) return;
  if (service == kOpenMeteo) {
    if (place_.found && place_for_ == location) {
      FetchForecast();
    } else {
      FetchPlace();
    }
  } else {
    FetchReport();
  }
}

void Weather::FetchReport() {
  fetching_ = true;
  // The location goes into the query as one value, whatever the user typed.
  http_.Get(
      service + "/usweather.asmx/GetWeatherReport?ZipCode=" + open_meteo::QueryValue(location),
      [this](HttpResult result) {
        failures_.Take(result);
        if (result.ok) ReadReport(result.body);
        FetchEnded();
      });
}

void Weather::FetchPlace() {
  fetching_ = true;
  const std::string asked = location;
  std::string url = geocoding_url + "/v1/search?name=" + open_meteo::QueryValue(asked) + "&count=1";
  if (IsZipCode(asked)) url += "&countryCode=US";
  http_.Get(url, [this, asked](HttpResult result) {
    // The forecast that follows a found place says whether the whole fetch went well.
    if (!result.ok) failures_.Failed(result);
    const GeocodeReading place = result.ok ? documents_.ReadGeocode(result.body) : GeocodeReading{};
    if (place.readable && !place.found) {
      const std::string text = IsZipCode(asked) ? "Weather: no place found for ZIP " + asked
                                                : "Weather: no place found for \"" + asked + "\"";
      // While the function runs the message is its own and goes with it; a place typed into the
      // dialog with the function off is still worth telling.
      if (c_.Timer17.Enabled())
        display_.ReportStatus(text, c_.Timer17);
      else
        display_.ReportStatus(text);
    }
    if (!place.found) {
      FetchEnded();
      return;
    }
    place_ = place;
    place_for_ = asked;
    FetchForecast();
  });
}

void Weather::FetchForecast() {
  fetching_ = true;
  char coordinates[96];
  std::snprintf(coordinates, sizeof coordinates, "latitude=%.4f&longitude=%.4f", place_.latitude,
                place_.longitude);
  const std::string url =
      forecast_url + "/v1/forecast?" + coordinates +
      "&current=temperature_2m,relative_humidity_2m,weather_code,wind_speed_10m,"
      "wind_direction_10m&daily=temperature_2m_max,temperature_2m_min,sunrise,sunset"
      "&temperature_unit=fahrenheit&wind_speed_unit=mph&timezone=auto&forecast_days=1";
  const GeocodeReading place = place_;
  http_.Get(url, [this, place](HttpResult result) {
    failures_.Take(result);
    if (result.ok) {
      const ForecastReading forecast = documents_.ReadForecast(result.body);
      if (forecast.readable) TakeForecast(place, forecast);
    }
    FetchEnded();
  });
}

void Weather::FetchEnded() {
  fetching_ = false;
  answered_ = true;
  if (!awaiting_values_) return;
  awaiting_values_ = false;
  // The frame held back at activation comes now, with whatever the fetch brought.
  if (c_.Timer17.Enabled()) WeatherTick();
}

void Weather::TakeForecast(const GeocodeReading& place, const ForecastReading& f) {
  using namespace open_meteo;
  // A value the service left out keeps what it was, as an element missing from a report would.
  const auto set = [this](size_t index, std::string value) {
    if (!value.empty()) data[index] = std::move(value);
  };
  set(0, place.name);
  std::string state = place.country_code == "US" ? StateAbbreviation(place.region) : "";
  set(1, state.empty() ? place.region : state);
  set(2, WholeDegrees(f.temperature));
  set(3, CelsiusOf(f.temperature));
  if (f.weather_code) set(4, ConditionText(*f.weather_code));
  if (f.humidity) set(5, WholeDegrees(f.humidity) + "%");
  if (f.wind_speed) set(6, WindText(*f.wind_speed, f.wind_direction));
  set(7, ShortTimeOf(f.sunrise, formats_));
  set(8, ShortTimeOf(f.sunset, formats_));
  set(9, WeekdayName(f.date));
  set(10, WholeDegrees(f.high));
  set(11, CelsiusOf(f.high));
  set(12, WholeDegrees(f.low));
  set(13, CelsiusOf(f.low));
}

void Weather::ReadReport(std::string_view document) {
  const std::string doc = ReplaceAll(ReplaceAll(document, "&lt;", '<'), "&gt;", '>');
  for (size_t i = 0; i < kWeatherElements.size(); ++i) {
    const std::string start = std::string("<") + kWeatherElements[i] + ">";
    const std::string end = std::string("</") + kWeatherElements[i] + ">";
    // Positions count from 1, a tag not found is at 0: a missing start tag thus cuts from the
    // start of the document (the value is whatever precedes the end tag, less the start tag's
    // length), while a missing end tag, or one before the start, is a negative length that ends
    // the reading here; the values read so far are new, the rest keep what they were.
    const size_t found_s = doc.find(start), found_e = doc.find(end);
    const long s = found_s == std::string::npos ? 0 : static_cast<long>(found_s) + 1;
    const long e = found_e == std::string::npos ? 0 : static_cast<long>(found_e) + 1;
    const long t = static_cast<long>(start.size());
    const long length = e - s - t;
    if (length < 0) return;
    data[i] = doc.substr(static_cast<size_t>(s + t - 1), static_cast<size_t>(length));
  }
}

std::string Weather::WeatherItem(std::string_view name) {
  if (name == "Clock") return formats_.TimeText(wall_.Now());
  for (size_t i = 0; i < kWeatherItemNames.size(); ++i) {
    if (name == kWeatherItemNames[i]) return data[i];
  }
  return "";
}

std::array<std::string, 4> Weather::Segments() {
  std::array<std::string, 4> segments;
  for (size_t s = 0; s < segments.size(); ++s) {
    const size_t a = 2 * s, b = 2 * s + 1;
    // Labels, place names and regional times may hold any script; columns count as shown.
    segments[s] =
        display_.TextCodes(label[a] + WeatherItem(field[a]) + label[b] + WeatherItem(field[b]));
  }
  return segments;
}

void Weather::WeatherTick() {
  // The first tick after a long pause asks for the values and leaves the glass as it was until
  // they are in; a tick meanwhile (a second activation) neither asks again nor draws.
  if (!c_.tmrWeather.Enabled()) {
    c_.tmrWeather.SetEnabled(true);
    FetchWeather();
    if (fetching_) awaiting_values_ = true;
  }
  // The dialog may have asked first: its answer is waited for too when none came before.
  if (fetching_ && !answered_) awaiting_values_ = true;
  weather_hour = static_cast<int16_t>(wall_.Now().hour);
  if (awaiting_values_) return;
  const std::array<std::string, 4> seg = Segments();
  switch (display_.screen_type) {
    case kScreen2x20:
      display_.Write2x20(seg[0] + seg[1], seg[2] + seg[3]);
      break;
    case kScreen2x40:
      display_.Write2x40(seg[0] + seg[1], seg[2] + seg[3]);
      break;
    case kScreen2x24:
      display_.Write2x24(seg[0] + seg[1], seg[2] + seg[3]);
      break;
    case kScreen4x20:
      display_.Write4x20(seg[0], seg[1], seg[2], seg[3]);
      break;
    default:
      break;
  }
}

void Weather::WeatherRefreshTick() {
  // More than an hour since the display last ticked, counted across midnight too: a last tick
  // at 23:xx must not keep the fetches going for the rest of the run.
  if ((wall_.Now().hour - weather_hour + 24) % 24 > 1) c_.tmrWeather.SetEnabled(false);
  if (refresh_count >= 120) {
    refresh_count = 0;
    FetchWeather();
  }
  ++refresh_count;
}

FrmWeatherConfig::FrmWeatherConfig(Weather& weather, TimerHost& timers)
    : SlotGridForm("frmWeatherConfig", "VFD Vorlinx - Weather Config", timers), weather_(weather) {}

const CharacterSet& FrmWeatherConfig::PreviewCharset() {
  return weather_.display().Charset();
}

void FrmWeatherConfig::OnLoad() {
  field_on_load_ = weather_.field;
  label_on_load_ = weather_.label;
  lblLine1.SetCaption(kRuler);
  lblLine2.SetCaption(kRuler);
  const std::array<ListBox*, 8> lists = VariableLists();
  const std::array<TextBox*, 8> boxes = LabelBoxes();
  for (size_t k = 0; k < lists.size(); ++k) {
    lists[k]->Clear();
    for (const char* item : kItems)
      lists[k]->AddItem(item);
    lists[k]->SetListIndex(lists[k]->Find(weather_.field[k]));
    boxes[k]->SetText(weather_.label[k]);
  }
  txtZip.SetText(weather_.location);
  if (!weather_.refresh_timer().Enabled()) {
    weather_.refresh_timer().SetEnabled(true);
    weather_.FetchWeather();
  }
  weather_.weather_hour = static_cast<int16_t>(weather_.wall().Now().hour);
  tmrUpdate.SetEnabled(true);
}

void FrmWeatherConfig::OnUnload() {
  tmrUpdate.SetEnabled(false);
  if (!cancelling_) CopyIntoSettings();
}

void FrmWeatherConfig::CopyIntoSettings() {
  const std::array<ListBox*, 8> lists = VariableLists();
  const std::array<TextBox*, 8> boxes = LabelBoxes();
  for (size_t k = 0; k < lists.size(); ++k) {
    weather_.field[k] = lists[k]->Text();
    weather_.label[k] = boxes[k]->Text();
  }
  weather_.location = txtZip.Text();
}

void FrmWeatherConfig::Update() {
  CopyIntoSettings();
  const std::array<std::string, 4> seg = weather_.Segments();
  lblLine1.SetCaption((seg[0] + seg[1]).substr(0, 40));
  lblLine2.SetCaption((seg[2] + seg[3]).substr(0, 40));
}

void FrmWeatherConfig::Cancel() {
  // The location typed so far stays; only the slots go back.
  CopyIntoSettings();
  cancelling_ = true;
  Unload();
  cancelling_ = false;
  weather_.field = field_on_load_;
  weather_.label = label_on_load_;
}

}  // namespace vfd
