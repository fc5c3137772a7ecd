#include "sources/HttpTidePages.h"

namespace vfd {

HttpTidePages::HttpTidePages(HttpClient& http, std::string base)
    : http_(http), base_(std::move(base)) {
  while (!base_.empty() && base_.back() == '/')
    base_.pop_back();
}

std::string HttpTidePages::UrlFor(const std::string& place) const {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = base_ + "/?command=view&location=";
  for (unsigned char ch : place) {
    const bool safe = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') ||
                      (ch >= '0' && ch <= '9') || ch == '-' || ch == '_' || ch == '.' || ch == '~';
    if (safe) {
      url += static_cast<char>(ch);
    } else {
      url += '%';
      url += kHex[ch >> 4];
      url += kHex[ch & 15];
    }
  }
  return url;
}

void HttpTidePages::Page(const std::string& place, std::function<void(TidePage)> on_done) {
  // An unreachable service is retried at the usual time; its reason is told once.
  http_.Get(UrlFor(place), [on_done = std::move(on_done)](HttpResult result) {
    TidePage page;
    page.ok = result.ok;
    if (result.ok)
      page.text = std::move(result.body);
    else
      page.error = result.error.empty() ? "the transfer failed" : result.error;
    on_done(std::move(page));
  });
}

}  // namespace vfd
