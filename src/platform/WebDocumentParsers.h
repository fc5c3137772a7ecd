#pragma once

#include "core/WebDocuments.h"

namespace vfd {

// Headline feeds through libxml2 (FeedReader.h), the weather service's replies through
// nlohmann-json.
class WebDocumentParsers : public WebDocuments {
 public:
  FeedReading ReadFeed(std::string_view bytes, std::string_view content_type) override;
  GeocodeReading ReadGeocode(std::string_view document) override;
  ForecastReading ReadForecast(std::string_view document) override;
};

}  // namespace vfd
