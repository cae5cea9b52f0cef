// A route of the UDP kernel path and what it carried.
#pragma once

#include <netinet/in.h>

#include <cstdint>

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
