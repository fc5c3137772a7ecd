#include "platform/WebDocumentParsers.h"

#include <cstring>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>

namespace vfd {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void AppendText(const pugi::xml_node& node, std::string* out) {
  for (pugi::xml_node n : node.children()) {
    if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) {
      *out += n.value();
    } else if (n.type() == pugi::node_element) {
      AppendText(n, out);
    }
  }
}

// The element's whole text (nested markup included), runs of white space made one blank.
std::string DisplayTextOf(const pugi::xml_node& node) {
  std::string raw;
  AppendText(node, &raw);
  std::string collapsed;
  bool blank = false;
  for (char c : raw) {
    if (IsBlank(c)) {
      blank = !collapsed.empty();
      continue;
    }
    if (blank) collapsed.push_back(' ');
    blank = false;
    collapsed.push_back(c);
  }
  return collapsed;
}

bool IsElement(const pugi::xml_node& n) {
  return n.type() == pugi::node_element;
}

// Titles of `container`'s children named `item_name`. Anything among them that is not an
// element (text between items) ends the walk as a failure when `strict`.
bool CollectTitles(const pugi::xml_node& container, const char* item_name, bool strict,
                   std::vector<std::string>* titles) {
  for (pugi::xml_node child : container.children()) {
    if (!IsElement(child)) {
      if (strict) return false;
      continue;
    }
    if (std::strcmp(child.name(), item_name) != 0) continue;
    for (pugi::xml_node part : child.children()) {
      if (!IsElement(part)) {
        if (strict) return false;
        continue;
      }
      if (std::strcmp(part.name(), "title") == 0) titles->push_back(DisplayTextOf(part));
    }
  }
  return true;
}

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

FeedReading WebDocumentParsers::ReadFeed(std::string_view document) {
  FeedReading reading;
  // The body is the program's text, UTF-8, whatever the document's own declaration says, so that
  // its entities and its characters end up alike.
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed =
      doc.load_buffer(document.data(), document.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!parsed) return reading;
  const pugi::xml_node root = doc.document_element();
  if (!root) return reading;
  reading.outcome = FeedReading::Outcome::kTitles;
  bool walked = true;
  if (std::strcmp(root.name(), "rss") == 0) {
    for (pugi::xml_node channel : root.children("channel"))
      walked = walked && CollectTitles(channel, "item", false, &reading.titles);
  } else if (std::strcmp(root.name(), "feed") == 0) {
    walked = CollectTitles(root, "entry", false, &reading.titles);
  } else {
    // RDF and anything else: items are the root's own children; deeper ones are not looked at.
    walked = CollectTitles(root, "item", true, &reading.titles);
  }
  if (!walked) {
    reading.outcome = FeedReading::Outcome::kWalkFailed;
    reading.titles.clear();
  }
  return reading;
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
  if (const std::optional<double> code = NumberAt(current, "weather_code"))
    reading.weather_code = static_cast<int>(*code);
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
