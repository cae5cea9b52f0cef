#include "outside/local/PeerUser.h"

#include <netinet/in.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

std::string Word(const unsigned char* bytes) {
  std::uint32_t word = 0;
  std::memcpy(&word, bytes, 4);
  char text[9];
  std::snprintf(text, sizeof text, "%08X", word);
  return text;
}

std::string Port(std::uint16_t networkPort) {
  char text[6];
  std::snprintf(text, sizeof text, ":%04X", ntohs(networkPort));
  return text;
}

// The IPv4 endpoint as an IPv6 socket talking to it lists it
// (::ffff:a.b.c.d).
std::string MappedEndpoint(const sockaddr_in& address) {
  unsigned char mapped[16] = {};
  mapped[10] = mapped[11] = 0xFF;
  std::memcpy(mapped + 12, &address.sin_addr, 4);
  std::string text;
  for (int i = 0; i < 4; ++i) text += Word(mapped + 4 * i);
  return text + Port(address.sin_port);
}

std::string ReadFile(const char* path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

}  // namespace

std::string ListedEndpoint(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET) {
    const auto& in4 = reinterpret_cast<const sockaddr_in&>(address);
    return Word(reinterpret_cast<const unsigned char*>(&in4.sin_addr)) + Port(in4.sin_port);
  }
  const auto& in6 = reinterpret_cast<const sockaddr_in6&>(address);
  std::string text;
  for (int i = 0; i < 4; ++i) text += Word(in6.sin6_addr.s6_addr + 4 * i);
  return text + Port(in6.sin6_port);
}

bool ListedOwner(const std::string& listing, const std::string& local, const std::string& remote, uid_t& owner) {
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    // sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid ...
    std::istringstream fields(line);
    std::string slot, here, there, state, queues, timer, retransmits;
    unsigned long uid = 0;
    if (!(fields >> slot >> here >> there >> state >> queues >> timer >> retransmits >> uid)) continue;
    if (here == local && there == remote) {
      owner = static_cast<uid_t>(uid);
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
  if (ours.ss_family == AF_INET6) {
    return ListedOwner(ReadFile("/proc/net/tcp6"), ListedEndpoint(theirs), ListedEndpoint(ours), owner);
  }
  if (ours.ss_family != AF_INET) return false;
  if (ListedOwner(ReadFile("/proc/net/tcp"), ListedEndpoint(theirs), ListedEndpoint(ours), owner)) return true;
  return ListedOwner(ReadFile("/proc/net/tcp6"), MappedEndpoint(reinterpret_cast<const sockaddr_in&>(theirs)),
                     MappedEndpoint(reinterpret_cast<const sockaddr_in&>(ours)), owner);
}
