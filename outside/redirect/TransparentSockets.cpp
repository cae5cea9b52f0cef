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
  if (!EndpointAddress(local, address, length)) {
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
  if (!EndpointAddress(remote, from, fromLength) || !EndpointAddress(game, to, toLength) || remote.family != game.family) {
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
