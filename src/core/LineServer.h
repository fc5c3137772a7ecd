#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace vfd {

// A listening socket whose clients talk one text line at a time (the LCDproc clients). The
// backend serves the sockets on a thread of its own: a slow or silent client never holds up the
// event thread, and what the program sends is queued and written there.
class LineServer {
 public:
  virtual ~LineServer() = default;

  // What the backend tells the core, always on the event thread (through EventLoop::Post).
  struct Handlers {
    std::function<void(int client)> connected;
    // One line without its "\n" (and a "\r" before it).
    std::function<void(int client, std::string line)> line;
    std::function<void(int client)> disconnected;
  };

  // The backend's own bounds: more clients are turned away, a longer line ends its client
  // (after a last answer); a client that does not read its answers is dropped once this much
  // waits for it.
  static constexpr size_t kMaxClients = 16;
  static constexpr size_t kMaxLineBytes = 8 * 1024;
  static constexpr size_t kMaxPendingBytes = 256 * 1024;

  // Starts listening on `host`:`port` (a numeric address); false with the reason when it
  // cannot (the port is taken). Listening again first stops the earlier socket and its clients.
  virtual bool Listen(const std::string& host, int port, Handlers handlers, std::string* error) = 0;
  // Queues `text` for a client; never waits. Unknown or gone clients are ignored.
  virtual void Send(int client, std::string text) = 0;
  // Closes a client once what was queued for it has gone out.
  virtual void Disconnect(int client) = 0;
  // Stops listening and closes every client; no handler runs after this returns.
  virtual void Stop() = 0;
};

// No sockets: the program runs without the server.
class NoLineServer : public LineServer {
 public:
  static NoLineServer& Instance() {
    static NoLineServer none;
    return none;
  }
  bool Listen(const std::string&, int, Handlers, std::string* error) override {
    if (error) *error = "no network sockets in this build";
    return false;
  }
  void Send(int, std::string) override {}
  void Disconnect(int) override {}
  void Stop() override {}
};

}  // namespace vfd
