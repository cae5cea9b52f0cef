// The listening socket of the local proxy on 127.0.0.1 and the set of live
// connections.
#pragma once

#include "outside/local/Connection.h"
#include "outside/local/EventLoop.h"

#include <memory>
#include <string>
#include <unordered_map>

class ProxyServer final : public EventHandler {
 public:
  ProxyServer(EventLoop& loop, LineSettings line, ProxyCounters& counters);
  ~ProxyServer();
  ProxyServer(const ProxyServer&) = delete;
  ProxyServer& operator=(const ProxyServer&) = delete;

  bool Listen(int port, std::string& error);
  const LineSettings& line() const { return line_; }
  void OnEvent(int fd, std::uint32_t events) override;
  // Once a second: ends stalled negotiations, resumes accepting.
  void Tick();
  // Ends every connection and closes the listener.
  void Shutdown();

 private:
  void Accept();
  void Forget(Connection* connection);

  EventLoop& loop_;
  LineSettings line_;
  ProxyCounters& counters_;
  int listenFd_ = -1;
  bool acceptPaused_ = false;
  std::unordered_map<Connection*, std::unique_ptr<Connection>> connections_;
};
