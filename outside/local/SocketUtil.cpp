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

void SetKeepAlive(int fd) {
  const int on = 1;
  const int idleSeconds = 60;
  const int intervalSeconds = 10;
  const int probes = 3;
  setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds, sizeof intervalSeconds);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
}

void ResetOnClose(int fd) {
  const linger abortive{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
}

void SetBypassMark(int fd) {
  const unsigned mark = kProxyBypassMark;
  setsockopt(fd, SOL_SOCKET, SO_MARK, &mark, sizeof mark);
}

bool RedirectedDestination(int fd, SocksAddress& original) {
  // The IPv6 counterpart of SO_ORIGINAL_DST (IP6T_SO_ORIGINAL_DST of
  // ip6_tables), read at the IPv6 level.
  constexpr int kIpv6OriginalDestination = 80;
  sockaddr_storage local{};
  socklen_t localLength = sizeof local;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) != 0) return false;
  sockaddr_storage before{};
  socklen_t length = sizeof before;
  const bool known = local.ss_family == AF_INET6
                         ? getsockopt(fd, SOL_IPV6, kIpv6OriginalDestination, &before, &length) == 0
                         : getsockopt(fd, SOL_IP, SO_ORIGINAL_DST, &before, &length) == 0;
  SocksAddress here;
  if (!known || before.ss_family != local.ss_family || !SocksAddress::FromSockaddr(before, original) ||
      !SocksAddress::FromSockaddr(local, here)) {
    return false;
  }
  return original.host != here.host || original.port != here.port;
}

namespace {

// The loopback address of family (127.0.0.1 or ::1) at port; its length.
socklen_t LoopbackAddress(int family, int port, sockaddr_storage& address) {
  address = sockaddr_storage{};
  if (family == AF_INET6) {
    auto& in6 = reinterpret_cast<sockaddr_in6&>(address);
    in6.sin6_family = AF_INET6;
    in6.sin6_addr = in6addr_loopback;
    in6.sin6_port = htons(static_cast<std::uint16_t>(port));
    return sizeof in6;
  }
  auto& in4 = reinterpret_cast<sockaddr_in&>(address);
  in4.sin_family = AF_INET;
  in4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  in4.sin_port = htons(static_cast<std::uint16_t>(port));
  return sizeof in4;
}

// Closes fd after a failed call, keeping that call's errno; -1.
int CloseKeepingErrno(int fd) {
  const int error = errno;
  close(fd);
  errno = error;
  return -1;
}

}  // namespace

int ListenTcpLoopback(int family, int port) {
  const int fd = socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (family == AF_INET6) setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
  sockaddr_storage address;
  const socklen_t length = LoopbackAddress(family, port, address);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 1024) != 0) return CloseKeepingErrno(fd);
  return fd;
}

int BindUdpLoopback(int family) {
  const int fd = socket(family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_storage address;
  const socklen_t length = LoopbackAddress(family, 0, address);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) return CloseKeepingErrno(fd);
  return fd;
}

bool ServiceEndpoint(const SocksAddress& address, RedirectEndpoint& endpoint) {
  const int family = address.type == SocksAddress::kIpv4 ? AF_INET : AF_INET6;
  if (address.host.size() != (family == AF_INET ? 4u : 16u)) return false;
  char text[INET6_ADDRSTRLEN] = {};
  if (inet_ntop(family, address.host.data(), text, sizeof text) == nullptr) return false;
  endpoint = RedirectEndpoint{family, text, address.port};
  return true;
}

namespace {

int AskForSocket(const RedirectRequest& request, std::string& error) {
  int fd = -1;
  if (!AskRedirectService(request, error, &fd)) return -1;
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  return fd;
}

}  // namespace

int ListenUdpTransparent(int family, int port, std::string& error) {
  RedirectRequest request;
  request.command = RedirectRequest::Command::kUdpListener;
  request.local = RedirectEndpoint{family, family == AF_INET6 ? "::1" : "127.0.0.1", port};
  return AskForSocket(request, error);
}

int BindUdpTransparent(const SocksAddress& remote, const SocksAddress& game, std::string& error) {
  RedirectRequest request;
  request.command = RedirectRequest::Command::kUdpReply;
  if (!ServiceEndpoint(remote, request.remote) || !ServiceEndpoint(game, request.game) ||
      request.remote.family != request.game.family) {
    error = "not two IP addresses of one family";
    return -1;
  }
  return AskForSocket(request, error);
}

std::string ErrnoText(int error) { return std::strerror(error); }
