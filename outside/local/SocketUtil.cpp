#include "outside/local/SocketUtil.h"

#include "outside/proxysdk/RedirectMark.h"
#include "outside/redirect/ServiceClient.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/netfilter_ipv4.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

int StartTcpConnect(const SocksAddress& address) {
  sockaddr_storage target{};
  socklen_t length = 0;
  if (!address.ToSockaddr(target, length)) {
    errno = EAFNOSUPPORT;
    return -1;
  }
  const int fd = socket(target.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  SetNoDelay(fd);
  SetBypassMark(fd);
  if (connect(fd, reinterpret_cast<sockaddr*>(&target), length) != 0 && errno != EINPROGRESS) {
    const int error = errno;
    close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

int PendingSocketError(int fd) {
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
  return error;
}

void SetNoDelay(int fd) {
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void SetBypassMark(int fd) {
  const unsigned mark = kProxyBypassMark;
  setsockopt(fd, SOL_SOCKET, SO_MARK, &mark, sizeof mark);
}

bool RedirectedDestination(int fd, sockaddr_in& original) {
  socklen_t length = sizeof original;
  if (getsockopt(fd, SOL_IP, SO_ORIGINAL_DST, &original, &length) != 0 || original.sin_family != AF_INET) {
    return false;
  }
  sockaddr_in local{};
  socklen_t localLength = sizeof local;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) != 0) return false;
  return original.sin_addr.s_addr != local.sin_addr.s_addr || original.sin_port != local.sin_port;
}

int ListenTcpLoopback(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 1024) != 0) {
    const int error = errno;
    close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

int BindUdpLoopback() {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

namespace {

RedirectEndpoint Endpoint(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return RedirectEndpoint{AF_INET, text, ntohs(address.sin_port)};
}

int AskForSocket(const RedirectRequest& request, std::string& error) {
  int fd = -1;
  if (!AskRedirectService(request, error, &fd)) return -1;
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  return fd;
}

}  // namespace

int ListenUdpTransparent(int port, std::string& error) {
  RedirectRequest request;
  request.command = RedirectRequest::Command::kUdpListener;
  request.local = RedirectEndpoint{AF_INET, "127.0.0.1", port};
  return AskForSocket(request, error);
}

int BindUdpTransparent(const sockaddr_in& address, const sockaddr_in& client, std::string& error) {
  RedirectRequest request;
  request.command = RedirectRequest::Command::kUdpReply;
  request.remote = Endpoint(address);
  request.game = Endpoint(client);
  return AskForSocket(request, error);
}

std::string ErrnoText(int error) { return std::strerror(error); }
