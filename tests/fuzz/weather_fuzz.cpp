// The weather service's JSON readers on arbitrary bytes: they must never crash, and a reply they
// call unreadable must give no values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/WebDocumentParsers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  vfd::WebDocumentParsers parsers;
  const vfd::GeocodeReading place = parsers.ReadGeocode(input);
  if (!place.readable && place.found) std::abort();
  const vfd::ForecastReading forecast = parsers.ReadForecast(input);
  if (!forecast.readable && (forecast.temperature || forecast.high || !forecast.date.empty()))
    std::abort();
  return 0;
}
