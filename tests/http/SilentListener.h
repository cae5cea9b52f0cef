// A loopback TCP listener that takes connections and never answers: a
// server that hangs. The port is chosen by the system.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/LoopbackPort.h"

class SilentListener {
 public:
  SilentListener() = default;
  ~SilentListener() {
    for (int fd : accepted_) ::close(fd);
  }
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;

  int port() const { return socket_.ok() ? socket_.port() : 0; }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port()) + path; }
  // Takes the next connection and holds it open, unanswered; false when
  // none arrives within timeoutMs.
  bool Accept(int timeoutMs) {
    pollfd waiting{socket_.fd(), POLLIN, 0};
    if (::poll(&waiting, 1, timeoutMs) != 1) return false;
    const int fd = ::accept4(socket_.fd(), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return false;
    accepted_.push_back(fd);
    return true;
  }

 private:
  LoopbackPort socket_;
  std::vector<int> accepted_;
};
