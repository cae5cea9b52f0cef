#include "outside/local/ProxyServer.h"

#include "outside/local/SocketUtil.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

ProxyServer::ProxyServer(EventLoop& loop, LineSettings line, ProxyCounters& counters)
    : loop_(loop), line_(std::move(line)), counters_(counters) {}

ProxyServer::~ProxyServer() { Shutdown(); }

bool ProxyServer::Listen(int port, std::string& error) {
  listenFd_ = ListenTcpLoopback(port);
  if (listenFd_ < 0) {
    error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + ErrnoText(errno);
    return false;
  }
  if (!loop_.Add(listenFd_, EPOLLIN, this)) {
    error = "cannot watch the listening socket";
    return false;
  }
  return true;
}

void ProxyServer::OnEvent(int fd, std::uint32_t) {
  if (fd == listenFd_) Accept();
}

void ProxyServer::Accept() {
  for (;;) {
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        // Out of descriptors: stop accepting until the next tick instead of
        // spinning on a listener that stays readable.
        std::fprintf(stderr, "local.exe: cannot accept: %s\n", ErrnoText(errno).c_str());
        loop_.Set(listenFd_, 0);
        acceptPaused_ = true;
      }
      return;
    }
    std::optional<SocksAddress> redirected;
    sockaddr_in original{};
    if (RedirectedDestination(fd, original)) redirected = SocksAddress::FromSockaddr(original);
    auto connection = std::make_unique<Connection>(loop_, line_, counters_, fd, redirected,
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
  if (acceptPaused_ && listenFd_ >= 0) {
    acceptPaused_ = false;
    loop_.Set(listenFd_, EPOLLIN);
  }
}

void ProxyServer::Shutdown() {
  std::vector<Connection*> all;
  for (auto& entry : connections_) all.push_back(entry.first);
  for (Connection* connection : all) connection->Close();
  connections_.clear();
  if (listenFd_ >= 0) {
    loop_.Remove(listenFd_);
    close(listenFd_);
    listenFd_ = -1;
  }
}
