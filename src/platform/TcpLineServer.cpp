#include "platform/TcpLineServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/SystemError.h"

namespace vfd {
namespace {

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

TcpLineServer::TcpLineServer(EventLoop& loop) : loop_(loop) {}

TcpLineServer::~TcpLineServer() {
  Stop();
}

bool TcpLineServer::Listen(const std::string& host, int port, Handlers handlers,
                           std::string* error) {
  Stop();
  sockaddr_storage address{};
  socklen_t length = 0;
  int family = AF_INET;
  if (auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
      ::inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<uint16_t>(port));
    length = sizeof(sockaddr_in);
  } else if (auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
             ::inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
    family = AF_INET6;
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(static_cast<uint16_t>(port));
    length = sizeof(sockaddr_in6);
  } else {
    if (error) *error = "\"" + host + "\" is not a numeric address";
    return false;
  }
  listen_fd_ = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listen_fd_ < 0) {
    if (error) *error = SystemErrorText(errno);
    return false;
  }
  const int on = 1;
  ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listen_fd_, 16) != 0) {
    if (error) *error = SystemErrorText(errno);
    CloseFd(listen_fd_);
    return false;
  }
  sockaddr_storage bound{};
  socklen_t bound_length = sizeof bound;
  ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&bound), &bound_length);
  bound_port_ = ntohs(family == AF_INET ? reinterpret_cast<sockaddr_in*>(&bound)->sin_port
                                        : reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port);
  wake_fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake_fd_ < 0) {
    if (error) *error = SystemErrorText(errno);
    CloseFd(listen_fd_);
    return false;
  }
  alive_ = std::make_shared<bool>(true);
  handlers_ = std::make_shared<Handlers>(std::move(handlers));
  stopping_ = false;
  thread_ = std::thread([this] { Run(); });
  return true;
}

void TcpLineServer::Stop() {
  if (!thread_.joinable()) return;
  stopping_ = true;
  Wake();
  thread_.join();
  *alive_ = false;
  CloseFd(listen_fd_);
  CloseFd(wake_fd_);
  bound_port_ = 0;
  std::lock_guard lock(mutex_);
  outgoing_.clear();
}

void TcpLineServer::Send(int client, std::string text) {
  {
    std::lock_guard lock(mutex_);
    auto it = outgoing_.find(client);
    if (it == outgoing_.end() || it->second.close_after) return;
    // A client that reads none of its answers is not kept at the cost of memory.
    if (it->second.bytes.size() + text.size() > kMaxPendingBytes) {
      it->second.bytes.clear();
      it->second.close_after = true;
    } else {
      it->second.bytes += text;
    }
  }
  Wake();
}

void TcpLineServer::Disconnect(int client) {
  {
    std::lock_guard lock(mutex_);
    auto it = outgoing_.find(client);
    if (it == outgoing_.end()) return;
    it->second.close_after = true;
  }
  Wake();
}

void TcpLineServer::Wake() {
  if (wake_fd_ < 0) return;
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(wake_fd_, &one, sizeof one);
}

void TcpLineServer::Deliver(std::function<void(const Handlers&)> call) {
  loop_.Post([alive = alive_, handlers = handlers_, call = std::move(call)] {
    if (*alive) call(*handlers);
  });
}

void TcpLineServer::Run() {
  struct Connection {
    int id;
    int fd;
    std::string in;
  };
  std::vector<Connection> clients;
  int next_id = 1;
  std::vector<pollfd> fds;
  const auto drop = [&](size_t index) {
    const int id = clients[index].id;
    ::close(clients[index].fd);
    clients.erase(clients.begin() + static_cast<long>(index));
    {
      std::lock_guard lock(mutex_);
      outgoing_.erase(id);
    }
    Deliver([id](const Handlers& h) {
      if (h.disconnected) h.disconnected(id);
    });
  };
  char buffer[4096];
  while (!stopping_) {
    fds.clear();
    fds.push_back({wake_fd_, POLLIN, 0});
    fds.push_back({listen_fd_, POLLIN, 0});
    {
      std::lock_guard lock(mutex_);
      for (const Connection& c : clients) {
        const Outgoing& out = outgoing_[c.id];
        const short events =
            static_cast<short>(POLLIN | (!out.bytes.empty() || out.close_after ? POLLOUT : 0));
        fds.push_back({c.fd, events, 0});
      }
    }
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[0].revents & POLLIN) {
      uint64_t count;
      [[maybe_unused]] ssize_t n = ::read(wake_fd_, &count, sizeof count);
    }
    if (stopping_) break;
    // Clients first, from the last: dropping one moves only those after it.
    for (size_t k = clients.size(); k-- > 0;) {
      const pollfd& p = fds[k + 2];
      Connection& c = clients[k];
      bool gone = false;
      if (p.revents & (POLLOUT | POLLERR | POLLHUP)) {
        std::string pending;
        bool close_after = false;
        {
          std::lock_guard lock(mutex_);
          Outgoing& out = outgoing_[c.id];
          pending.swap(out.bytes);
          close_after = out.close_after;
        }
        size_t sent = 0;
        while (sent < pending.size()) {
          const ssize_t n =
              ::send(c.fd, pending.data() + sent, pending.size() - sent, MSG_NOSIGNAL);
          if (n > 0) {
            sent += static_cast<size_t>(n);
          } else if (n < 0 && errno == EINTR) {
            continue;
          } else {
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) gone = true;
            break;
          }
        }
        if (sent < pending.size()) {
          std::lock_guard lock(mutex_);
          Outgoing& out = outgoing_[c.id];
          out.bytes.insert(0, pending, sent, std::string::npos);
        } else if (close_after) {
          gone = true;
        }
      }
      if (!gone && (p.revents & (POLLIN | POLLHUP | POLLERR))) {
        const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
          gone = true;
        } else if (n > 0) {
          c.in.append(buffer, static_cast<size_t>(n));
          size_t start = 0;
          for (size_t nl; (nl = c.in.find('\n', start)) != std::string::npos; start = nl + 1) {
            if (nl - start > kMaxLineBytes) break;
            std::string line = c.in.substr(start, nl - start);
            const int id = c.id;
            Deliver([id, line = std::move(line)](const Handlers& h) mutable {
              if (h.line) h.line(id, std::move(line));
            });
          }
          c.in.erase(0, start);
          if (c.in.size() > kMaxLineBytes) {
            // A line this long is no command; the client goes, told why.
            const char* why = "huh? Line too long\n";
            [[maybe_unused]] ssize_t w = ::send(c.fd, why, std::strlen(why), MSG_NOSIGNAL);
            gone = true;
          }
        }
      }
      if (gone) drop(k);
    }
    if (fds[1].revents & POLLIN) {
      for (;;) {
        const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) break;
        if (clients.size() >= kMaxClients) {
          const char* why = "huh? Too many clients\n";
          [[maybe_unused]] ssize_t w = ::send(fd, why, std::strlen(why), MSG_NOSIGNAL);
          ::close(fd);
          continue;
        }
        const int id = next_id++;
        clients.push_back({id, fd, {}});
        {
          std::lock_guard lock(mutex_);
          outgoing_[id] = {};
        }
        Deliver([id](const Handlers& h) {
          if (h.connected) h.connected(id);
        });
      }
    }
  }
  for (Connection& c : clients)
    ::close(c.fd);
}

}  // namespace vfd
