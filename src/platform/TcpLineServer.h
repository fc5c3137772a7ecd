#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/EventLoop.h"
#include "core/LineServer.h"

namespace vfd {

// The LCDproc clients' sockets: a listening TCP socket and its clients, served with poll on a
// thread of its own. Lines go to the event thread through EventLoop::Post; what the program
// sends is queued here and written by that thread, so neither side ever waits for the other.
class TcpLineServer : public LineServer {
 public:
  explicit TcpLineServer(EventLoop& loop);
  ~TcpLineServer() override;
  TcpLineServer(const TcpLineServer&) = delete;
  TcpLineServer& operator=(const TcpLineServer&) = delete;

  bool Listen(const std::string& host, int port, Handlers handlers, std::string* error) override;
  void Send(int client, std::string text) override;
  void Disconnect(int client) override;
  void Stop() override;

  // The port actually bound (for a listen on port 0); 0 when not listening.
  int BoundPort() const { return bound_port_; }

 private:
  struct Outgoing {
    std::string bytes;
    bool close_after = false;
  };
  void Run();
  void Wake();
  void Deliver(std::function<void(const Handlers&)> call);

  EventLoop& loop_;
  int listen_fd_ = -1;
  int wake_fd_ = -1;
  int bound_port_ = 0;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  // Tasks posted before a Stop find this false and call nothing.
  std::shared_ptr<bool> alive_;
  std::shared_ptr<Handlers> handlers_;
  // What waits to be written, by client; shared with the socket thread.
  std::mutex mutex_;
  std::map<int, Outgoing> outgoing_;
};

}  // namespace vfd
