#include "outside/redirect/ProcSockets.h"

#include <arpa/inet.h>

#include <cstdint>
#include <cstring>
#include <sstream>

namespace {

bool HexNumber(const std::string& text, std::size_t begin, std::size_t length, unsigned long& value) {
  if (length == 0 || begin + length > text.size()) return false;
  value = 0;
  for (std::size_t i = begin; i < begin + length; ++i) {
    const char c = text[i];
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (digit < 0) return false;
    value = value * 16 + static_cast<unsigned long>(digit);
  }
  return true;
}

bool Decimal(const std::string& text, unsigned long max, unsigned long& value) {
  if (text.empty() || text.size() > 20) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const unsigned long digit = static_cast<unsigned long>(c - '0');
    if (value > (max - digit) / 10) return false;
    value = value * 10 + digit;
  }
  return true;
}

// "0100007F:1F90": the address as the kernel's 32-bit words in hex (each
// word printed as a host-order number of its network-order bytes), then
// the port.
bool ListedEndpoint(const std::string& text, int family, unsigned char* address, int& port) {
  const std::size_t words = family == AF_INET ? 1 : 4;
  if (text.size() != words * 8 + 5 || text[words * 8] != ':') return false;
  for (std::size_t i = 0; i < words; ++i) {
    unsigned long word = 0;
    if (!HexNumber(text, i * 8, 8, word)) return false;
    const std::uint32_t host = static_cast<std::uint32_t>(word);
    std::memcpy(address + i * 4, &host, 4);
  }
  unsigned long number = 0;
  if (!HexNumber(text, words * 8 + 1, 4, number)) return false;
  port = static_cast<int>(number);
  return true;
}

bool Matches(const ProcSocket& socket, const RedirectEndpoint& endpoint, const unsigned char* wanted) {
  static const unsigned char kZero[16] = {};
  if (socket.port != endpoint.port) return false;
  if (socket.family == endpoint.family) {
    const std::size_t size = endpoint.family == AF_INET ? 4 : 16;
    return std::memcmp(socket.address, wanted, size) == 0 || std::memcmp(socket.address, kZero, size) == 0;
  }
  if (endpoint.family != AF_INET || socket.family != AF_INET6) return false;
  // A dual-stack IPv6 socket receives IPv4 too.
  unsigned char mapped[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  std::memcpy(mapped + 12, wanted, 4);
  return std::memcmp(socket.address, kZero, 16) == 0 || std::memcmp(socket.address, mapped, 16) == 0;
}

}  // namespace

std::vector<ProcSocket> ParseProcNet(const std::string& text, int family) {
  std::vector<ProcSocket> sockets;
  std::istringstream lines(text);
  std::string line;
  std::getline(lines, line);  // the heading
  while (std::getline(lines, line)) {
    // sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid timeout inode ...
    std::istringstream words(line);
    std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
    if (!(words >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode)) {
      continue;
    }
    ProcSocket socket;
    socket.family = family;
    unsigned long stateNumber = 0, uidNumber = 0, inodeNumber = 0;
    if (!ListedEndpoint(local, family, socket.address, socket.port) ||
        !ListedEndpoint(remote, family, socket.remoteAddress, socket.remotePort) ||
        !HexNumber(state, 0, state.size(), stateNumber) ||
        state.size() != 2 || !Decimal(uid, 0xFFFFFFFFul, uidNumber) || !Decimal(inode, ~0ul, inodeNumber)) {
      continue;
    }
    socket.state = static_cast<unsigned>(stateNumber);
    socket.uid = static_cast<uid_t>(uidNumber);
    socket.inode = inodeNumber;
    sockets.push_back(socket);
  }
  return sockets;
}

SocketSnapshot::SocketSnapshot(std::vector<ProcSocket> sockets) : sockets_(std::move(sockets)) {
  for (const ProcSocket& socket : sockets_)
    if (socket.inode != 0) inodes_.insert(socket.inode);
}

std::set<uid_t> SocketSnapshot::Owners(const RedirectEndpoint& endpoint, bool listeningOnly) const {
  std::set<uid_t> owners;
  unsigned char wanted[16] = {};
  if (inet_pton(endpoint.family, endpoint.address.c_str(), wanted) != 1) return owners;
  for (const ProcSocket& socket : sockets_) {
    if (listeningOnly && socket.state != kTcpListenState) continue;
    if (Matches(socket, endpoint, wanted)) owners.insert(socket.uid);
  }
  return owners;
}

bool SocketSnapshot::Lists(unsigned long inode) const { return inode != 0 && inodes_.count(inode) != 0; }

std::vector<ProcSocket> SocketSnapshot::At(int family, int port) const {
  std::vector<ProcSocket> found;
  for (const ProcSocket& socket : sockets_)
    if (socket.family == family && socket.port == port) found.push_back(socket);
  return found;
}
