#include "platform/WebDocumentParsers.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "platform/FeedReader.h"

namespace vfd {
namespace {

// A member as a number, or nothing when absent, null or of another kind.
std::optional<double> NumberAt(const nlohmann::json& object, const char* key) {
  if (!object.is_object()) return std::nullopt;
  auto it = object.find(key);
  if (it == object.end() || !it->is_number()) return std::nullopt;
  return it->get<double>();
}

// The first entry of a daily series.
const nlohmann::json* FirstOf(const nlohmann::json& object, const char* key) {
  if (!object.is_object()) return nullptr;
  auto it = object.find(key);
  if (it == object.end() || !it->is_array() || it->empty()) return nullptr;
  return &(*it)[0];
}

// A WMO weather code: a whole number 0..99. Anything else (a fraction, 1e300, a negative) names
// no weather and is taken as not given; converting it unchecked would be undefined.
std::optional<int> WeatherCodeOf(std::optional<double> value) {
  if (!value || !(*value >= 0 && *value <= 99) || std::trunc(*value) != *value) return std::nullopt;
  return static_cast<int>(*value);
}

std::string TextAt(const nlohmann::json* value) {
  if (value == nullptr || !value->is_string()) return {};
  return value->get<std::string>();
}

std::string TextAt(const nlohmann::json& object, const char* key) {
  if (!object.is_object()) return {};
  auto it = object.find(key);
  return it == object.end() ? std::string{} : TextAt(&*it);
}

}  // namespace

FeedReading WebDocumentParsers::ReadFeed(std::string_view bytes, std::string_view content_type) {
  return ReadFeedDocument(bytes, content_type);
}

GeocodeReading WebDocumentParsers::ReadGeocode(std::string_view document) {
  GeocodeReading reading;
  const nlohmann::json j = nlohmann::json::parse(document, nullptr, false);
  if (j.is_discarded() || !j.is_object()) return reading;
  reading.readable = true;
  const nlohmann::json* first = FirstOf(j, "results");
  if (first == nullptr || !first->is_object()) return reading;
  const std::optional<double> lat = NumberAt(*first, "latitude");
  const std::optional<double> lon = NumberAt(*first, "longitude");
  if (!lat || !lon) return reading;
  reading.found = true;
  reading.latitude = *lat;
  reading.longitude = *lon;
  reading.name = TextAt(*first, "name");
  reading.region = TextAt(*first, "admin1");
  reading.country_code = TextAt(*first, "country_code");
  return reading;
}

ForecastReading WebDocumentParsers::ReadForecast(std::string_view document) {
  ForecastReading reading;
  const nlohmann::json j = nlohmann::json::parse(document, nullptr, false);
  if (j.is_discarded() || !j.is_object()) return reading;
  reading.readable = true;
  static const nlohmann::json kNone = nlohmann::json::object();
  const nlohmann::json& current = j.contains("current") ? j["current"] : kNone;
  const nlohmann::json& daily = j.contains("daily") ? j["daily"] : kNone;
  reading.temperature = NumberAt(current, "temperature_2m");
  reading.humidity = NumberAt(current, "relative_humidity_2m");
  reading.weather_code = WeatherCodeOf(NumberAt(current, "weather_code"));
  reading.wind_speed = NumberAt(current, "wind_speed_10m");
  reading.wind_direction = NumberAt(current, "wind_direction_10m");
  const auto first_number = [&](const char* key) -> std::optional<double> {
    const nlohmann::json* v = FirstOf(daily, key);
    if (v == nullptr || !v->is_number()) return std::nullopt;
    return v->get<double>();
  };
  reading.high = first_number("temperature_2m_max");
  reading.low = first_number("temperature_2m_min");
  reading.date = TextAt(FirstOf(daily, "time"));
  reading.sunrise = TextAt(FirstOf(daily, "sunrise"));
  reading.sunset = TextAt(FirstOf(daily, "sunset"));
  return reading;
}

}  // namespace vfd
