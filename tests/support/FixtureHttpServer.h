#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vfd::testing {

// A small HTTP/1.1 server on the loopback interface, scripted per test: what each path answers,
// after what delay, and how the reply misbehaves. One thread accepts, one more per connection.
class FixtureHttpServer {
 public:
  enum class Behaviour {
    kNormal,
    kStopHalfway,  // announces the whole body, sends half of it, then closes
    kNeverAnswer,  // reads the request and stays silent until the server stops
  };
  struct Reply {
    int status = 200;
    std::string body{};
    std::string content_type = "text/plain";
    int delay_ms = 0;
    Behaviour behaviour = Behaviour::kNormal;
    std::string location{};  // a Location header, for redirects
  };

  // On `address`, a loopback address (the whole of 127.0.0.0/8 is this machine's).
  explicit FixtureHttpServer(std::string address = "127.0.0.1");
  ~FixtureHttpServer();
  FixtureHttpServer(const FixtureHttpServer&) = delete;
  FixtureHttpServer& operator=(const FixtureHttpServer&) = delete;

  // What a request for `target` (path and query, as sent) gets. Unscripted targets get 404.
  void Script(const std::string& target, Reply reply);
  // What every target gets that has no script of its own.
  void ScriptAll(Reply reply);

  int Port() const { return port_; }
  // "http://<address>:port" followed by `target`.
  std::string Url(const std::string& target = "") const;

  // The targets asked for so far, in order, and the User-Agent of the last request.
  std::vector<std::string> Requests() const;
  std::string LastUserAgent() const;

  // A port on the loopback interface that nothing listens on.
  static int DeadPort();

 private:
  void Accept();
  void Serve(int fd);

  std::string address_;
  int listen_fd_ = -1;
  int stop_pipe_[2] = {-1, -1};
  int port_ = 0;
  std::thread acceptor_;
  mutable std::mutex mutex_;
  std::vector<std::thread> connections_;
  std::map<std::string, Reply> scripts_;
  bool has_default_ = false;
  Reply default_;
  std::vector<std::string> requests_;
  std::string user_agent_;
};

}  // namespace vfd::testing
