#include "outside/redirect/TransparentSockets.h"

#include "outside/redirect/UserState.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/fsuid.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

bool Address(const RedirectEndpoint& endpoint, sockaddr_storage& address, socklen_t& length) {
  address = {};
  if (endpoint.family == AF_INET) {
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<std::uint16_t>(endpoint.port));
    length = sizeof *v4;
    return inet_pton(AF_INET, endpoint.address.c_str(), &v4->sin_addr) == 1;
  }
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
  v6->sin6_family = AF_INET6;
  v6->sin6_port = htons(static_cast<std::uint16_t>(endpoint.port));
  length = sizeof *v6;
  return endpoint.family == AF_INET6 && inet_pton(AF_INET6, endpoint.address.c_str(), &v6->sin6_addr) == 1;
}

bool On(int fd, int level, int option) {
  const int on = 1;
  return setsockopt(fd, level, option, &on, sizeof on) == 0;
}

// A UDP socket of family owned by owner, transparent and marked.
int OwnedSocket(int family, uid_t owner, std::string& error) {
  const uid_t previous = static_cast<uid_t>(setfsuid(owner));
  const bool switched = static_cast<uid_t>(setfsuid(static_cast<uid_t>(-1))) == owner;
  const int fd = switched ? socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0) : -1;
  const int saved = errno;
  setfsuid(previous);
  if (!switched) {
    error = "cannot make a socket for user " + std::to_string(owner);
    return -1;
  }
  if (fd < 0) {
    error = std::string("socket: ") + std::strerror(saved);
    return -1;
  }
  const unsigned mark = kHandedSocketMark;
  const bool v6 = family == AF_INET6;
  if (setsockopt(fd, SOL_SOCKET, SO_MARK, &mark, sizeof mark) != 0 ||
      !(v6 ? On(fd, IPPROTO_IPV6, IPV6_TRANSPARENT) && On(fd, IPPROTO_IPV6, IPV6_V6ONLY)
           : On(fd, SOL_IP, IP_TRANSPARENT))) {
    error = std::string("cannot make a transparent socket: ") + std::strerror(errno);
    close(fd);
    return -1;
  }
  return fd;
}

int Failed(int fd, const std::string& what, std::string& error) {
  error = what + ": " + std::strerror(errno);
  close(fd);
  return -1;
}

}  // namespace

int TransparentSockets::Listener(const RedirectEndpoint& local, uid_t owner, std::string& error) {
  sockaddr_storage address{};
  socklen_t length = 0;
  if (!Address(local, address, length)) {
    error = "not an address: " + local.address;
    return -1;
  }
  const int fd = OwnedSocket(local.family, owner, error);
  if (fd < 0) return -1;
  const bool v6 = local.family == AF_INET6;
  if (!(v6 ? On(fd, IPPROTO_IPV6, IPV6_RECVORIGDSTADDR) : On(fd, SOL_IP, IP_RECVORIGDSTADDR))) {
    return Failed(fd, "cannot ask for the original destinations", error);
  }
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
    return Failed(fd, "cannot listen on UDP " + EndpointText(local), error);
  }
  return fd;
}

int TransparentSockets::Reply(const RedirectEndpoint& remote, const RedirectEndpoint& game, uid_t owner,
                              std::string& error) {
  sockaddr_storage from{}, to{};
  socklen_t fromLength = 0, toLength = 0;
  if (!Address(remote, from, fromLength) || !Address(game, to, toLength) || remote.family != game.family) {
    error = "not two addresses of one family";
    return -1;
  }
  const int fd = OwnedSocket(remote.family, owner, error);
  if (fd < 0) return -1;
  if (!On(fd, SOL_SOCKET, SO_REUSEADDR)) return Failed(fd, "SO_REUSEADDR", error);
  if (bind(fd, reinterpret_cast<sockaddr*>(&from), fromLength) != 0) {
    return Failed(fd, "cannot answer from " + EndpointText(remote), error);
  }
  if (connect(fd, reinterpret_cast<sockaddr*>(&to), toLength) != 0) {
    return Failed(fd, "cannot reach " + EndpointText(game), error);
  }
  return fd;
}
