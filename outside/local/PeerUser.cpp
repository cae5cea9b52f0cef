#include "outside/local/PeerUser.h"

#include <netinet/in.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace {

// An end as a listing of family holds it: its address bytes and port.
// False when that listing cannot hold it.
bool ListedForm(const sockaddr_storage& end, int family, unsigned char (&address)[16], int& port) {
  std::memset(address, 0, sizeof address);
  if (end.ss_family == AF_INET6) {
    if (family != AF_INET6) return false;
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(end);
    std::memcpy(address, &in6.sin6_addr, 16);
    port = ntohs(in6.sin6_port);
    return true;
  }
  if (end.ss_family != AF_INET) return false;
  const auto& in4 = reinterpret_cast<const sockaddr_in&>(end);
  if (family == AF_INET) {
    std::memcpy(address, &in4.sin_addr, 4);
  } else {
    address[10] = address[11] = 0xFF;
    std::memcpy(address + 12, &in4.sin_addr, 4);
  }
  port = ntohs(in4.sin_port);
  return true;
}

std::string ReadFile(const char* path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

}  // namespace

bool ListedPeerOwner(const std::vector<ProcSocket>& sockets, const sockaddr_storage& ours, const sockaddr_storage& peer,
                     uid_t& owner) {
  for (const ProcSocket& socket : sockets) {
    unsigned char local[16], remote[16];
    int localPort = 0, remotePort = 0;
    if (!ListedForm(peer, socket.family, local, localPort) || !ListedForm(ours, socket.family, remote, remotePort)) {
      continue;
    }
    if (socket.port == localPort && socket.remotePort == remotePort &&
        std::memcmp(socket.address, local, sizeof local) == 0 &&
        std::memcmp(socket.remoteAddress, remote, sizeof remote) == 0) {
      owner = socket.uid;
      return true;
    }
  }
  return false;
}

bool PeerSocketOwner(int fd, uid_t& owner) {
  sockaddr_storage ours{}, theirs{};
  socklen_t oursLength = sizeof ours, theirsLength = sizeof theirs;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&ours), &oursLength) != 0 ||
      getpeername(fd, reinterpret_cast<sockaddr*>(&theirs), &theirsLength) != 0) {
    return false;
  }
  if (ours.ss_family == AF_INET &&
      ListedPeerOwner(ParseProcNet(ReadFile("/proc/net/tcp"), AF_INET), ours, theirs, owner)) {
    return true;
  }
  // IPv6 connections, and IPv4 ones whose peer is a dual-stack socket.
  return ListedPeerOwner(ParseProcNet(ReadFile("/proc/net/tcp6"), AF_INET6), ours, theirs, owner);
}
