// The listening sockets of the local proxy, on 127.0.0.1 and [::1] at the
// main port, and the set of live connections. Connections the redirect
// sent us are served; any other client must belong to the proxy's own
// user (its socket's owner, as the system lists it).
#pragma once

#include "outside/local/Connection.h"
#include "outside/local/EventLoop.h"
#include "outside/local/LineLimits.h"

#include <sys/types.h>

#include <memory>
#include <string>
#include <unordered_map>

class ProxyServer final : public EventHandler {
 public:
  ProxyServer(EventLoop& loop, LineSettings line, ProxyCounters& counters, ILineLimits& limits);
  ~ProxyServer();
  ProxyServer(const ProxyServer&) = delete;
  ProxyServer& operator=(const ProxyServer&) = delete;

  // Listens on 127.0.0.1:port (false with the reason when it cannot) and
  // on [::1]:port (ipv6Error tells why not; the proxy works without it).
  bool Listen(int port, std::string& error, std::string& ipv6Error);
  // Stops taking IPv6 connections (the line does not carry them).
  void CloseIpv6();
  bool ListensOnIpv6() const { return listen6Fd_ >= 0; }
  const LineSettings& line() const { return line_; }
  void OnEvent(int fd, std::uint32_t events) override;
  // Once a second: ends stalled negotiations, resumes accepting.
  void Tick();
  // Ends every connection and closes the listeners.
  void Shutdown();

 private:
  void Accept(int listenFd);
  bool MayServe(int fd) const;
  void Forget(Connection* connection);
  void CloseListener(int& fd);

  EventLoop& loop_;
  LineSettings line_;
  ProxyCounters& counters_;
  ILineLimits& limits_;
  const uid_t user_;
  int listenFd_ = -1;
  int listen6Fd_ = -1;
  bool acceptPaused_ = false;
  std::unordered_map<Connection*, std::unique_ptr<Connection>> connections_;
};
