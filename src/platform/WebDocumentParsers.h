#pragma once

#include "core/WebDocuments.h"

namespace vfd {

// Headline feeds through pugixml, the weather service's replies through nlohmann-json.
class WebDocumentParsers : public WebDocuments {
 public:
  FeedReading ReadFeed(std::string_view document) override;
  GeocodeReading ReadGeocode(std::string_view document) override;
  ForecastReading ReadForecast(std::string_view document) override;
};

}  // namespace vfd
