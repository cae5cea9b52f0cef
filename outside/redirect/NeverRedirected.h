// The destinations the redirection never touches, for TCP and UDP of both
// families: the loopback, private, shared, link-local, multicast and
// broadcast ranges and the IPv4-mapped IPv6 addresses. The machine's own
// addresses and every broadcast and multicast address are left alone as
// well (the rules ask the routing table: "fib daddr type"), so that the
// local network (the router as DNS resolver, LAN games, a local server)
// is always reached directly and never handed to the line's operator.
#pragma once

#include "outside/redirect/RedirectProtocol.h"

#include <string>
#include <vector>

// The ranges of family (AF_INET or AF_INET6) as nftables set elements
// ("10.0.0.0/8", "::1", ...).
std::vector<std::string> NeverRedirectedRanges(int family);

// True when the endpoint's address lies in one of those ranges.
bool IsNeverRedirected(const RedirectEndpoint& endpoint);
