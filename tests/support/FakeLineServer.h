#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/LineServer.h"

namespace vfd::testing {

// The LCDproc clients' sockets without sockets: a test plays the clients and reads what each was
// sent. With `through` set, everything goes to a real backend instead.
class FakeLineServer : public LineServer {
 public:
  bool Listen(const std::string& host, int port, Handlers h, std::string* error) override {
    if (through) return through->Listen(host, port, std::move(h), error);
    if (taken.count(port)) {
      if (error) *error = "Address already in use";
      return false;
    }
    listening = host + ":" + std::to_string(port);
    handlers = std::move(h);
    return true;
  }
  void Send(int client, std::string text) override {
    if (through) return through->Send(client, std::move(text));
    if (!closed.count(client)) sent[client] += text;
  }
  void Disconnect(int client) override {
    if (through) return through->Disconnect(client);
    if (closed.insert(client).second && handlers.disconnected) handlers.disconnected(client);
  }
  void Stop() override {
    if (through) return through->Stop();
    listening.clear();
    handlers = {};
  }

  // A client connects and sends lines; what it was sent since the last Take.
  void Connect(int client) {
    if (handlers.connected) handlers.connected(client);
  }
  void Say(int client, const std::string& line) {
    if (handlers.line) handlers.line(client, line);
  }
  void Vanish(int client) { Disconnect(client); }
  std::string Take(int client) {
    std::string out = sent[client];
    sent[client].clear();
    return out;
  }

  LineServer* through = nullptr;
  std::set<int> taken;  // ports another program holds
  std::string listening;
  Handlers handlers;
  std::map<int, std::string> sent;
  std::set<int> closed;
};

}  // namespace vfd::testing
