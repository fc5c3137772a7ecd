#include "support/FixtureHttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <stdexcept>

namespace vfd::testing {
namespace {

const char* ReasonOf(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    default:
      return "Status";
  }
}

int LoopbackSocket(int* port, const std::string& address = "127.0.0.1") {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket");
  int yes = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1)
    throw std::runtime_error("address");
  addr.sin_port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
    throw std::runtime_error("bind");
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  *port = ntohs(addr.sin_port);
  return fd;
}

void SendAll(int fd, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

}  // namespace

FixtureHttpServer::FixtureHttpServer(std::string address) : address_(std::move(address)) {
  listen_fd_ = LoopbackSocket(&port_, address_);
  if (::listen(listen_fd_, 16) != 0) throw std::runtime_error("listen");
  if (::pipe2(stop_pipe_, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  acceptor_ = std::thread([this] { Accept(); });
}

FixtureHttpServer::~FixtureHttpServer() {
  ::close(stop_pipe_[1]);  // wakes every thread that polls the pipe
  acceptor_.join();
  std::vector<std::thread> connections;
  {
    std::lock_guard lock(mutex_);
    connections.swap(connections_);
  }
  for (std::thread& t : connections)
    t.join();
  ::close(stop_pipe_[0]);
  ::close(listen_fd_);
}

void FixtureHttpServer::Script(const std::string& target, Reply reply) {
  std::lock_guard lock(mutex_);
  scripts_[target] = std::move(reply);
}

void FixtureHttpServer::ScriptAll(Reply reply) {
  std::lock_guard lock(mutex_);
  has_default_ = true;
  default_ = std::move(reply);
}

std::string FixtureHttpServer::Url(const std::string& target) const {
  return "http://" + address_ + ":" + std::to_string(port_) + target;
}

std::vector<std::string> FixtureHttpServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::string FixtureHttpServer::LastUserAgent() const {
  std::lock_guard lock(mutex_);
  return user_agent_;
}

int FixtureHttpServer::DeadPort() {
  int port = 0;
  const int fd = LoopbackSocket(&port);
  ::close(fd);  // bound once, never listened on: connections are refused
  return port;
}

void FixtureHttpServer::Accept() {
  for (;;) {
    pollfd fds[2] = {{listen_fd_, POLLIN, 0}, {stop_pipe_[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents != 0) return;
    const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard lock(mutex_);
    connections_.emplace_back([this, fd] { Serve(fd); });
  }
}

void FixtureHttpServer::Serve(int fd) {
  // Waits up to `ms` (forever with -1) for the socket or the stop pipe; false once stopping.
  const auto wait = [&](int ms) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {stop_pipe_[0], POLLIN, 0}};
    ::poll(fds, 2, ms);
    return fds[1].revents == 0;
  };
  std::string request;
  while (request.find("\r\n\r\n") == std::string::npos) {
    if (!wait(-1)) {
      ::close(fd);
      return;
    }
    char buf[4096];
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) {
      ::close(fd);
      return;
    }
    request.append(buf, static_cast<size_t>(n));
  }
  const size_t sp1 = request.find(' ');
  const size_t sp2 = request.find(' ', sp1 + 1);
  const std::string target = request.substr(sp1 + 1, sp2 - sp1 - 1);
  std::string agent;
  for (size_t at = request.find("\r\n"); at != std::string::npos;
       at = request.find("\r\n", at + 2)) {
    std::string line = request.substr(at + 2, request.find("\r\n", at + 2) - at - 2);
    std::string lower;
    for (char c : line)
      lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    if (lower.starts_with("user-agent: ")) agent = line.substr(12);
  }
  Reply reply;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(target);
    user_agent_ = agent;
    if (auto found = scripts_.find(target); found != scripts_.end()) {
      reply = found->second;
    } else if (has_default_) {
      reply = default_;
    } else {
      reply = Reply{};
      reply.status = 404;
      reply.body = "not found";
    }
  }
  if (reply.delay_ms > 0) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(reply.delay_ms);
    while (std::chrono::steady_clock::now() < until) {
      pollfd stop{stop_pipe_[0], POLLIN, 0};
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          until - std::chrono::steady_clock::now());
      if (::poll(&stop, 1, static_cast<int>(left.count()) + 1) > 0) break;
    }
  }
  if (reply.behaviour == Behaviour::kNeverAnswer) {
    while (wait(-1)) {
      char buf[256];
      if (::recv(fd, buf, sizeof buf, 0) <= 0) break;
    }
    ::close(fd);
    return;
  }
  std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + ReasonOf(reply.status) +
                     "\r\nContent-Type: " + reply.content_type +
                     "\r\nContent-Length: " + std::to_string(reply.body.size()) +
                     "\r\nConnection: close\r\n";
  if (!reply.location.empty()) head += "Location: " + reply.location + "\r\n";
  head += "\r\n";
  SendAll(fd, head);
  if (reply.behaviour == Behaviour::kStopHalfway) {
    SendAll(fd, reply.body.substr(0, reply.body.size() / 2));
  } else {
    SendAll(fd, reply.body);
  }
  ::shutdown(fd, SHUT_WR);
  ::close(fd);
}

}  // namespace vfd::testing
