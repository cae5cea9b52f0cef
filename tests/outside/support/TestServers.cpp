#include "tests/outside/support/TestServers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

namespace {

int BoundSocket(int type, int& port) {
  const int fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

TcpTestServer::TcpTestServer(Mode mode) : mode_(mode) {
  listenFd_ = BoundSocket(SOCK_STREAM | SOCK_NONBLOCK, port_);
  listen(listenFd_, 1024);
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  thread_ = std::thread([this] { Run(); });
}

TcpTestServer::~TcpTestServer() {
  const std::uint64_t one = 1;
  if (write(wakeFd_, &one, sizeof one) < 0) {
    // The thread then ends at its next wake-up; nothing else to do.
  }
  thread_.join();
  close(listenFd_);
  close(wakeFd_);
}

void TcpTestServer::Run() {
  struct Peer {
    std::string pending;
    bool eof = false;
  };
  std::map<int, Peer> peers;
  std::vector<char> buffer(256 * 1024);
  for (;;) {
    std::vector<pollfd> fds{{wakeFd_, POLLIN, 0}, {listenFd_, POLLIN, 0}};
    for (auto& [fd, peer] : peers) {
      fds.push_back({fd, static_cast<short>(peer.pending.empty() ? POLLIN : (POLLIN | POLLOUT)), 0});
    }
    if (poll(fds.data(), fds.size(), -1) < 0) continue;
    if (fds[0].revents) break;
    if (fds[1].revents & POLLIN) {
      for (int fd; (fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0;) peers[fd];
    }
    for (std::size_t i = 2; i < fds.size(); ++i) {
      if (!fds[i].revents) continue;
      const int fd = fds[i].fd;
      Peer& peer = peers[fd];
      bool done = false;
      if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
        const ssize_t got = peer.eof ? 0 : recv(fd, buffer.data(), buffer.size(), 0);
        if (got > 0 && mode_ == Mode::kEcho) peer.pending.append(buffer.data(), static_cast<std::size_t>(got));
        if (got == 0 && !peer.eof) {
          peer.eof = true;
          if (mode_ == Mode::kSink) peer.pending.assign(1, 'K');
        }
        if (got < 0 && errno != EAGAIN) done = true;
      }
      if (!peer.pending.empty()) {
        const ssize_t sent = send(fd, peer.pending.data(), peer.pending.size(), MSG_NOSIGNAL);
        if (sent > 0) peer.pending.erase(0, static_cast<std::size_t>(sent));
        if (sent < 0 && errno != EAGAIN) done = true;
      }
      if (peer.eof && peer.pending.empty()) done = true;
      if (done) {
        close(fd);
        peers.erase(fd);
      }
    }
  }
  for (auto& entry : peers) close(entry.first);
}

UdpEchoServer::UdpEchoServer() {
  fd_ = BoundSocket(SOCK_DGRAM, port_);
  timeval tick{0, 50000};
  setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tick, sizeof tick);
  thread_ = std::thread([this] {
    char buffer[65536];
    while (!stop_) {
      sockaddr_in from{};
      socklen_t length = sizeof from;
      const ssize_t got = recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
      if (got > 0) sendto(fd_, buffer, static_cast<std::size_t>(got), 0, reinterpret_cast<sockaddr*>(&from), length);
    }
  });
}

UdpEchoServer::~UdpEchoServer() {
  stop_ = true;
  thread_.join();
  close(fd_);
}
