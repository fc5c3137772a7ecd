#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "core/EventLoop.h"
#include "core/Http.h"

namespace vfd {

// The web through libcurl, on a thread of its own: a dead or slow host never holds up the event
// thread, and every outcome comes back through the event loop.
class CurlHttpClient : public HttpClient {
 public:
  struct Limits {
    long connect_timeout_ms = 5000;
    long total_timeout_ms = 20000;
    size_t max_body_bytes = size_t{1} << 20;
    long max_redirects = 5;
    // Which connected addresses count as local (see IsLocalAddress); tests that have only the
    // loopback interface pretend some of it is the public web.
    bool (*is_local)(const std::string& ip) = nullptr;
  };

  explicit CurlHttpClient(EventLoop& loop) : CurlHttpClient(loop, Limits{}) {}
  CurlHttpClient(EventLoop& loop, Limits limits);
  // Returns at once even while a host is still being looked up; a transfer still in flight is
  // dropped and its outcome never delivered.
  ~CurlHttpClient() override;
  CurlHttpClient(const CurlHttpClient&) = delete;
  CurlHttpClient& operator=(const CurlHttpClient&) = delete;

  using HttpClient::Get;
  void Get(const std::string& url, HttpBody form, std::function<void(HttpResult)> on_done) override;
  void CancelAll() override;

  // What the program sends as its User-Agent.
  static std::string UserAgent();

  struct Shared;

 private:
  // Sets curl and the transfer thread up, once.
  void Start();
  std::shared_ptr<Shared> shared_;
};

// Whether an address (dotted IPv4 or IPv6 text) is not on the public internet: loopback,
// private (RFC 1918), shared (100.64/10), link-local, unique-local and site-local IPv6,
// unspecified, multicast, reserved, and IPv4 ones inside IPv6 forms (mapped, compatible, NAT64).
// Text that is no address counts as local: nothing unknown is trusted.
bool IsLocalAddress(const std::string& ip);

// A reply's body as the program's text, UTF-8: in the charset `content_type` declares, else
// UTF-8 when it is (or has the byte-order mark), else Windows-1252. A charset iconv does not
// know is read as Windows-1252.
std::string BodyToText(std::string body, std::string_view content_type);

}  // namespace vfd
