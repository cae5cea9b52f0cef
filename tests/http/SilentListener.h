// A loopback TCP listener that takes connections and never answers: a
// server that hangs. The port is chosen by the system.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

class SilentListener {
 public:
  SilentListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd_, 8) != 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return;
    port_ = ntohs(address.sin_port);
  }
  ~SilentListener() {
    for (int fd : accepted_) ::close(fd);
    if (fd_ >= 0) ::close(fd_);
  }
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;

  int port() const { return port_; }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  // Takes the next connection and holds it open, unanswered; false when
  // none arrives within timeoutMs.
  bool Accept(int timeoutMs) {
    pollfd waiting{fd_, POLLIN, 0};
    if (::poll(&waiting, 1, timeoutMs) != 1) return false;
    const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return false;
    accepted_.push_back(fd);
    return true;
  }

 private:
  int fd_ = -1;
  int port_ = 0;
  std::vector<int> accepted_;
};
