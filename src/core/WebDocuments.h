#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vfd {

// What the web-fed functions read out of the documents they fetch. The documents are parsed in
// the platform layer by well-kept XML and JSON parsers; the functions get plain values. Every
// text out is the program's text, UTF-8; so is every document in, except a feed, which comes as
// the bytes the server sent.

// The titles of a headline feed.
struct FeedReading {
  enum class Outcome {
    kUnreadable,  // not a feed, not a document even after mending, or beyond the size bound
    kTitles,      // read; `titles` may still be empty
    kWalkFailed,  // read, but the items held something that is not an element
  };
  Outcome outcome = Outcome::kUnreadable;
  // In document order, each as display text: entities decoded, white space collapsed.
  std::vector<std::string> titles;
};

// The first place a geocoding search found.
struct GeocodeReading {
  bool readable = false;
  bool found = false;
  std::string name;
  std::string region;        // state, province or the like; may be empty
  std::string country_code;  // "US"
  double latitude = 0;
  double longitude = 0;
};

// Today's weather at one place, in the units asked for (Fahrenheit, mph). A value the service did
// not give is missing.
struct ForecastReading {
  bool readable = false;
  std::optional<double> temperature;
  std::optional<double> humidity;
  std::optional<int> weather_code;
  std::optional<double> wind_speed;
  std::optional<double> wind_direction;
  std::optional<double> high;
  std::optional<double> low;
  std::string date;     // "2026-12-08", the place's own date
  std::string sunrise;  // "2026-12-08T07:05", the place's local time
  std::string sunset;
};

class WebDocuments {
 public:
  virtual ~WebDocuments() = default;
  // An RDF feed (root `RDF`, items as its children), RSS 0.9x and 2.0 (rss, channel, item) or Atom
  // (feed, entry), as the server sent it: `bytes` in whatever encoding the document names,
  // `content_type` the reply's Content-Type header (its charset, if any), empty when none.
  virtual FeedReading ReadFeed(std::string_view bytes, std::string_view content_type) = 0;
  virtual GeocodeReading ReadGeocode(std::string_view document) = 0;
  virtual ForecastReading ReadForecast(std::string_view document) = 0;
};

// Reads nothing: every document counts as unreadable. For builds without the parsers.
class NoWebDocuments : public WebDocuments {
 public:
  FeedReading ReadFeed(std::string_view, std::string_view) override { return {}; }
  GeocodeReading ReadGeocode(std::string_view) override { return {}; }
  ForecastReading ReadForecast(std::string_view) override { return {}; }
  static WebDocuments& Instance() {
    static NoWebDocuments none;
    return none;
  }
};

}  // namespace vfd
