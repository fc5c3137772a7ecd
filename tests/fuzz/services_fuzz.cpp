// The services file on arbitrary text: never crash, and whatever it takes is usable. A line it
// does not use is told, so an input that sets nothing but is not blank or comments is reported.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FuzzInput.h"
#include "core/Charset.h"
#include "shell/ServicesFile.h"

namespace {

bool Usable(const std::string& url, const std::string& fallback, bool base_only) {
  return url == fallback || vfd::IsUsableUrl(url, base_only);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const vfd::ServicesFileContents read = vfd::ParseServicesFile(text);
  const vfd::WebServiceUrls defaults;
  const vfd::WebServiceUrls& urls = read.urls;
  vfd::fuzz::Require(Usable(urls.weather_geocoding, defaults.weather_geocoding, true) &&
                         Usable(urls.weather_forecast, defaults.weather_forecast, true) &&
                         Usable(urls.hardnews, defaults.hardnews, false) &&
                         Usable(urls.shacknews, defaults.shacknews, false) &&
                         Usable(urls.weather, defaults.weather, true) &&
                         Usable(urls.update, "", false) &&
                         (Usable(urls.tides, "", true) || urls.tides == "local"),
                     "every address taken is usable");
  // The problems go to the status line (and, without a window, to the terminal): readable text
  // without a control character that could reach the terminal or break the line.
  for (const std::string& problem : read.problems) {
    vfd::fuzz::Require(!problem.empty() && vfd::IsUtf8(problem), "a problem is UTF-8 text");
    for (char c : problem) {
      const auto code = static_cast<unsigned char>(c);
      vfd::fuzz::Require(code >= 0x20 && code != 0x7F, "a problem holds no control character");
    }
  }
  return 0;
}
