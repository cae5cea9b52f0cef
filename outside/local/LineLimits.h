// What the line server turned out not to carry, as the relay code meets
// it. The proxy's answer is to close its listeners for what the line does
// not carry: the redirection service then lets the games' UDP flow
// directly (it never diverts UDP without a listener) and refuses IPv6 at
// once (a reset, an ICMP unreachable), so that a game falls back to IPv4
// within milliseconds instead of waiting on a black hole. Each is told
// once, and logged once, by whoever implements it.
#pragma once

#include <string>

class ILineLimits {
 public:
  virtual ~ILineLimits() = default;
  // The line refused UDP ASSOCIATE (or cannot relay datagrams at all).
  virtual void UdpRefused(const std::string& why) = 0;
  // The line answered a request for an IPv6 destination with "address
  // type not supported" (0x08).
  virtual void Ipv6Refused(const std::string& why) = 0;
};
