#pragma once

#include <string>

#include "core/Http.h"
#include "core/TidePages.h"

namespace vfd {

// Tide table pages from a page service on the web: GET base + "/?command=view&location=" + the
// place, with the place's characters outside the URL-safe set percent-encoded (a place name holds
// spaces and commas, and a typed "&" or "#" must not change the request).
class HttpTidePages : public TidePageSource {
 public:
  // `base` is "http://host[:port]"; a trailing "/" is dropped.
  HttpTidePages(HttpClient& http, std::string base);
  void Page(const std::string& place, std::function<void(TidePage)> on_done) override;

  std::string UrlFor(const std::string& place) const;

 private:
  HttpClient& http_;
  std::string base_;
};

}  // namespace vfd
