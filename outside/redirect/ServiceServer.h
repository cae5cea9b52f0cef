// The redirection service's Unix socket: one request per connection, from
// the one user the service serves (checked with the peer's credentials;
// the socket file is that user's, mode 0600, as a first fence).
#pragma once

#include "outside/redirect/RedirectService.h"

#include <sys/types.h>

#include <string>

class ServiceServer {
 public:
  ServiceServer(RedirectService& service, uid_t user, std::function<void(const std::string&)> log);
  ~ServiceServer();
  ServiceServer(const ServiceServer&) = delete;
  ServiceServer& operator=(const ServiceServer&) = delete;

  // Creates the socket at path (replacing a stale one).
  bool Listen(const std::string& path, std::string& error);

  // Serves requests and checks the rules every kCheckMs until stopFd (an
  // eventfd or signalfd, may be -1) becomes readable.
  void Run(int stopFd);

  static constexpr int kCheckMs = 200;
  // How long one client may take to send its request.
  static constexpr int kRequestTimeoutMs = 300;

 private:
  void ServeOne(int fd);

  RedirectService& service_;
  uid_t user_;
  std::function<void(const std::string&)> log_;
  std::string path_;
  int listenFd_ = -1;
};
