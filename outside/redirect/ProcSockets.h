// The machine's TCP and UDP sockets as /proc/net/{tcp,tcp6,udp,udp6} list
// them: who owns which local address and port, and what each is connected
// to.
#pragma once

#include "outside/redirect/RedirectProtocol.h"

#include <sys/types.h>

#include <set>
#include <string>
#include <vector>

struct ProcSocket {
  int family = 0;                 // AF_INET or AF_INET6
  unsigned char address[16] = {};  // the local address, network order (IPv4: first 4 bytes)
  int port = 0;                   // the local port
  unsigned char remoteAddress[16] = {};  // the far end (all zero: none)
  int remotePort = 0;
  unsigned state = 0;             // the kernel's TCP state number (0x0A: listening)
  uid_t uid = 0;
  unsigned long inode = 0;
};

inline constexpr unsigned kTcpListenState = 0x0A;

// The sockets of one /proc/net listing of family (AF_INET for tcp and udp,
// AF_INET6 for tcp6 and udp6); lines that do not parse are skipped.
std::vector<ProcSocket> ParseProcNet(const std::string& text, int family);

// What one look at the listings showed.
class SocketSnapshot {
 public:
  SocketSnapshot() = default;
  explicit SocketSnapshot(std::vector<ProcSocket> sockets);

  // The owners of the sockets that receive what is sent to endpoint: bound
  // to its address, to its family's wildcard, or (IPv4) to the IPv6
  // wildcard or the IPv4-mapped address. Only listening ones when
  // listeningOnly.
  std::set<uid_t> Owners(const RedirectEndpoint& endpoint, bool listeningOnly) const;
  // True when the socket with this inode is listed.
  bool Lists(unsigned long inode) const;
  // The sockets of family bound to port, whatever their address.
  std::vector<ProcSocket> At(int family, int port) const;

 private:
  std::vector<ProcSocket> sockets_;
  std::set<unsigned long> inodes_;
};
