// Test support: the local HTTP server of test_server.py, started on a free
// loopback port for the lifetime of the object.
#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>

class LocalHttpServer {
 public:
  // Serves root under /files/ (see test_server.py for every route).
  explicit LocalHttpServer(const std::filesystem::path& root);
  ~LocalHttpServer();
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  // False when the server did not come up.
  bool running() const { return port_ > 0; }
  int port() const { return port_; }
  // "http://127.0.0.1:PORT" + path.
  std::string Url(const std::string& path) const;
  // How many requests the server has answered so far.
  int RequestCount() const;

 private:
  pid_t pid_ = -1;
  int stdinFd_ = -1;
  int port_ = 0;
};
