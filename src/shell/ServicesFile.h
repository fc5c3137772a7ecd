#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vfd {

// The file that says where the web-fed functions read from. The program only reads it; a missing
// file means every default.
inline constexpr const char* kServicesFileName = "vfdservices.txt";
// A longer file is not one a user wrote by hand.
inline constexpr size_t kMaxServicesBytes = 64 * 1024;

// Where each web-fed function reads from.
struct WebServiceUrls {
  // "open-meteo" (the built-in adapter), or the base URL of a service that answers the weather
  // report itself.
  std::string weather = "open-meteo";
  std::string weather_geocoding = "https://geocoding-api.open-meteo.com";
  std::string weather_forecast = "https://api.open-meteo.com";
  std::string hardnews = "https://feeds.arstechnica.com/arstechnica/index";
  std::string shacknews = "https://www.shacknews.com/feed/rss";
  // Empty: no version file is asked for.
  std::string update;
  // The media player shown first when several run, by its name on the session bus ("vlc" for
  // org.mpris.MediaPlayer2.vlc); empty: none preferred.
  std::string player;
  // "local" (predictions made here), or the base URL of a tide table page service; empty: local.
  std::string tides;
  // The harmonics file the local predictions read; empty: the one the xtide-data package has.
  std::string tides_data;
  // The character ROM of every display ("charset"), then of each model 1..5 ("charset-N"),
  // which wins over the first: "japanese" or "european". Empty: the model's own (Japanese).
  std::array<std::string, 6> charset{};
  // Where the LCDproc clients' server listens ("host:port" with a numeric host), or "off".
  std::string lcdproc = "127.0.0.1:13666";
  // The clients' screens: seconds on the glass for a screen that names no duration, and the
  // tenths of a second that rotation gives them (0 leaves them out).
  int lcdproc_duration = 5;
  int lcdproc_rotation = 70;
};

struct ServicesFileContents {
  WebServiceUrls urls;
  // One text per line that was not used, for the status line.
  std::vector<std::string> problems;
};

// Reads the file's text: one "key = value" a line, blank lines and lines starting with '#'
// skipped. A line with an unknown key or a value that is not a usable URL is reported and
// ignored; the others apply.
ServicesFileContents ParseServicesFile(std::string_view text);

// The services file in the directory of the settings file.
std::string ServicesPathBeside(const std::string& settings_path);

// Whether `url` is an absolute http or https URL with a host (and, when `base_only`, nothing
// after the host and port but an optional path).
bool IsUsableUrl(std::string_view url, bool base_only);

// Whether `address` is "off" or a numeric host and a port: "127.0.0.1:13666", "[::1]:13666".
bool IsListenAddress(std::string_view address);

}  // namespace vfd
