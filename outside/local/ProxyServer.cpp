#include "outside/local/ProxyServer.h"

#include "outside/local/PeerUser.h"
#include "outside/local/SocketUtil.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

ProxyServer::ProxyServer(EventLoop& loop, LineSettings line, ProxyCounters& counters, ILineLimits& limits)
    : loop_(loop), line_(std::move(line)), counters_(counters), limits_(limits), user_(geteuid()) {}

ProxyServer::~ProxyServer() { Shutdown(); }

bool ProxyServer::Listen(int port, std::string& error, std::string& ipv6Error) {
  listenFd_ = ListenTcpLoopback(AF_INET, port);
  if (listenFd_ < 0) {
    error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + ErrnoText(errno);
    return false;
  }
  if (!loop_.Add(listenFd_, EPOLLIN, this)) {
    error = "cannot watch the listening socket";
    return false;
  }
  listen6Fd_ = ListenTcpLoopback(AF_INET6, port);
  if (listen6Fd_ < 0) {
    ipv6Error = "cannot listen on [::1]:" + std::to_string(port) + ": " + ErrnoText(errno);
  } else if (!loop_.Add(listen6Fd_, EPOLLIN, this)) {
    ipv6Error = "cannot watch the IPv6 listening socket";
    CloseListener(listen6Fd_);
  }
  return true;
}

void ProxyServer::CloseIpv6() { CloseListener(listen6Fd_); }

void ProxyServer::CloseListener(int& fd) {
  if (fd < 0) return;
  loop_.Remove(fd);
  close(fd);
  fd = -1;
}

void ProxyServer::OnEvent(int fd, std::uint32_t) {
  if (fd >= 0 && (fd == listenFd_ || fd == listen6Fd_)) Accept(fd);
}

bool ProxyServer::MayServe(int fd) const {
  uid_t owner = 0;
  return PeerSocketOwner(fd, owner) && owner == user_;
}

void ProxyServer::Accept(int listenFd) {
  for (;;) {
    const int fd = accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        // Out of descriptors: stop accepting until the next tick instead of
        // spinning on a listener that stays readable.
        std::fprintf(stderr, "local.exe: cannot accept: %s\n", ErrnoText(errno).c_str());
        for (int listener : {listenFd_, listen6Fd_}) {
          if (listener >= 0) loop_.Set(listener, 0);
        }
        acceptPaused_ = true;
      }
      return;
    }
    std::optional<SocksAddress> redirected;
    SocksAddress original;
    if (RedirectedDestination(fd, original)) {
      redirected = original;
    } else if (!MayServe(fd)) {
      // Only the user's own programs may use the proxy's SOCKS5 port.
      std::fprintf(stderr, "local.exe: refusing a SOCKS5 client of another user\n");
      close(fd);
      continue;
    }
    auto connection = std::make_unique<Connection>(loop_, line_, counters_, limits_, fd, redirected,
                                                   [this](Connection* done) { Forget(done); });
    Connection* raw = connection.get();
    connections_.emplace(raw, std::move(connection));
    raw->Start();
  }
}

void ProxyServer::Forget(Connection* connection) {
  // Destroyed after the current batch of events: its handlers may still be
  // on the stack.
  loop_.Defer([this, connection] { connections_.erase(connection); });
}

void ProxyServer::Tick() {
  const auto now = Connection::Clock::now();
  std::vector<Connection*> all;
  all.reserve(connections_.size());
  for (auto& entry : connections_) all.push_back(entry.first);
  for (Connection* connection : all) connection->CheckDeadline(now);
  if (acceptPaused_) {
    acceptPaused_ = false;
    for (int listener : {listenFd_, listen6Fd_}) {
      if (listener >= 0) loop_.Set(listener, EPOLLIN);
    }
  }
}

void ProxyServer::Shutdown() {
  std::vector<Connection*> all;
  for (auto& entry : connections_) all.push_back(entry.first);
  for (Connection* connection : all) connection->Close();
  connections_.clear();
  CloseListener(listenFd_);
  CloseListener(listen6Fd_);
}
