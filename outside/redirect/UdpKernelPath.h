// The kernel's share of carrying a game's UDP: a tc program on loopback
// (and on the devices that lead to remote lines) that moves the datagrams
// of an open SOCKS5 UDP association between the game socket and the
// line's relay itself, adding and removing the SOCKS5 header, so that
// they skip the trip through the local proxy. The local proxy sets each
// association up and keeps carrying what the program leaves to it (IPv6,
// fragments, oversize datagrams, other header forms).
//
// Only the redirection service (root) holds one. Nothing is attached
// until the first route is added; everything is detached again when the
// object ends.
#pragma once

#include "outside/redirect/UdpKernelPathMaps.h"

#include <netinet/in.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>

struct bpf_object;

// What one game socket sends to one remote endpoint and what that endpoint
// answers, carried through the game socket's association; IPv4, addresses
// and ports in network byte order as in sockaddr_in.
struct UdpKernelRoute {
  sockaddr_in game{};
  sockaddr_in remote{};
  sockaddr_in association{};
  sockaddr_in relay{};
  // The player's UDP detour mark: only the datagrams the rules detour for
  // that player are carried.
  std::uint32_t mark = 0;
  // The device the route to the relay leaves by, 0 when the relay is on
  // this machine.
  unsigned ifindex = 0;
};

struct UdpKernelCounters {
  std::uint64_t packetsOut = 0, bytesOut = 0;
  std::uint64_t packetsBack = 0, bytesBack = 0;
  // CLOCK_MONOTONIC nanoseconds of the last datagram either way, 0 when
  // none yet.
  std::uint64_t lastNs = 0;
};

class UdpKernelPath {
 public:
  UdpKernelPath();
  ~UdpKernelPath();
  UdpKernelPath(const UdpKernelPath&) = delete;
  UdpKernelPath& operator=(const UdpKernelPath&) = delete;

  // Loads the program and its tables into the kernel; false with why
  // when this kernel or process cannot (no BPF, no privilege).
  bool Load(std::string& error);
  // Carries route from now on (replacing an earlier route of the same
  // game socket and remote endpoint), attaching the program where it must
  // see the datagrams.
  bool Add(const UdpKernelRoute& route, std::string& error);
  // Stops carrying the route between game and remote; false when there was
  // none.
  bool Remove(const sockaddr_in& game, const sockaddr_in& remote);
  // What the kernel carried on that route so far.
  bool Counters(const sockaddr_in& game, const sockaddr_in& remote, UdpKernelCounters& counters) const;

 private:
  bool AttachTo(unsigned ifindex, std::string& error);
  void DetachAll();

  bpf_object* object_ = nullptr;
  int program_ = -1, out_ = -1, back_ = -1;
  std::set<unsigned> attached_;
  std::set<unsigned> createdHooks_;
};
