#include "tests/support/LoopbackPort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

LoopbackPort::LoopbackPort(const Options& options) {
  fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (options.nonBlocking ? SOCK_NONBLOCK : 0), 0);
  if (fd_ < 0) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(options.port));
  socklen_t length = sizeof address;
  ok_ = bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
        (!options.listening || listen(fd_, options.backlog) == 0);
  port_ = ntohs(address.sin_port);
}

int LoopbackPort::ClosedPort() {
  LoopbackPort gone(Options{.listening = false});
  return gone.port();
}

void LoopbackPort::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}
