#pragma once

#include <functional>
#include <string>
#include <utility>

#include "core/EventLoop.h"

namespace vfd {

// How a reply's body is handed over.
enum class HttpBody {
  // The program's text, UTF-8, read in the charset the reply's header declares.
  kText,
  // The bytes as the server sent them, for readers of documents that name their own encoding
  // (a byte-order mark, an XML declaration) and know better than the header alone.
  kBytes,
};

// The outcome of one GET. A transfer that failed in any way (no connection, time-out, an HTTP
// status of 400 or above, a body beyond the size bound) is not ok, and `error` says why in words
// a status line can show.
struct HttpResult {
  bool ok = false;
  long status = 0;             // the HTTP status, 0 when no reply came
  std::string body{};          // UTF-8 text, or the bytes as sent when asked for them
  std::string content_type{};  // the reply's Content-Type header as sent; empty when none
  std::string error{};         // empty when ok
};

// Reads documents from the web without ever blocking the event thread: the transfer runs in the
// backend, and its outcome comes back on the event thread.
class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // Starts a GET of `url`. `on_done` runs exactly once, later, on the event thread and never
  // inside this call, unless the transfer is cancelled first.
  virtual void Get(const std::string& url, HttpBody form,
                   std::function<void(HttpResult)> on_done) = 0;
  // A GET whose body comes as text.
  void Get(const std::string& url, std::function<void(HttpResult)> on_done) {
    Get(url, HttpBody::kText, std::move(on_done));
  }
  // Abandons every transfer in flight; their `on_done` never runs. Does not wait on the network.
  virtual void CancelAll() = 0;
};

// No way to the web in this build: every transfer fails, as a host that cannot be reached would.
class NoHttp : public HttpClient {
 public:
  explicit NoHttp(EventLoop& loop) : loop_(loop) {}
  using HttpClient::Get;
  void Get(const std::string&, HttpBody, std::function<void(HttpResult)> on_done) override {
    loop_.Post([this, generation = generation_, on_done = std::move(on_done)] {
      if (generation == generation_) on_done(HttpResult{.error = "this build has no HTTP client"});
    });
  }
  void CancelAll() override { ++generation_; }

 private:
  EventLoop& loop_;
  int generation_ = 0;
};

}  // namespace vfd
