// The redirection service's Unix socket: any user may connect (mode
// 0666); each connection carries one request, answered for the peer its
// credentials name (SO_PEERCRED, taken when it connected). Requests are
// read side by side, so that a client that stalls delays nobody.
#pragma once

#include "outside/redirect/RedirectService.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class ServiceServer {
 public:
  static constexpr int kCheckMs = 200;
  // How long one client may take to send its request.
  static constexpr int kRequestTimeoutMs = 300;
  // Connections whose request is still coming, in all and per user.
  static constexpr std::size_t kMaxWaiting = 64;
  static constexpr std::size_t kMaxWaitingPerUser = 8;

  ServiceServer(RedirectService& service, std::function<void(const std::string&)> log);
  ~ServiceServer();
  ServiceServer(const ServiceServer&) = delete;
  ServiceServer& operator=(const ServiceServer&) = delete;

  // Creates the socket at path, replacing a stale one; removed again at
  // the end.
  bool Listen(const std::string& path, std::string& error);
  // Serves a listening socket made by someone else (socket activation);
  // its file stays.
  bool Adopt(int fd, std::string& error);

  // Serves requests, and calls the service's Check every kCheckMs while it
  // needs checks, until stopFd (an eventfd or signalfd) becomes readable.
  void Run(int stopFd);

 private:
  using Clock = std::chrono::steady_clock;
  struct Waiting {
    int fd;
    PeerCredentials peer;
    std::string bytes;
    Clock::time_point deadline;
  };

  void AcceptAll();
  // Reads what arrived; true once the request is complete (or cannot be).
  bool Read(Waiting& waiting);
  void Answer(Waiting& waiting);

  RedirectService& service_;
  std::function<void(const std::string&)> log_;
  std::string path_;
  int listenFd_ = -1;
  std::vector<Waiting> waiting_;
};
