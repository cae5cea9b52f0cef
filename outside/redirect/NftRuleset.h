// The nftables rules of the redirection service, as text for "nft -f -".
//
// Covered traffic: sockets whose group is the launcher's group (programs
// started with brisgol-run and their children), matched with
// "meta skgid". Never covered: traffic to 127.0.0.0/8 (the local proxy and
// the local line servers) and sockets carrying kProxyBypassMark (the local
// proxy's own connections to the line servers).
//
// TCP: redirected in the nat output hook to 127.0.0.1:port; the proxy
// reads the original destination with SO_ORIGINAL_DST.
// UDP: tproxy works only in prerouting, so covered datagrams are marked
// with kUdpDetourMark in the output route hook, routed back in through the
// loopback by a policy rule (fwmark kUdpDetourMark, table kUdpDetourTable:
// "local 0.0.0.0/0 dev lo") and handed to the proxy's transparent socket on
// 127.0.0.1:port in prerouting.
//
// Everything lives in the table "ip brisgol_redirect", replaced as a whole.
#pragma once

#include <string>
#include <vector>

inline constexpr char kRedirectTable[] = "brisgol_redirect";
inline constexpr unsigned kUdpDetourMark = 0x6277;
inline constexpr unsigned kUdpDetourTable = 6277;

// The rules redirecting covered traffic to 127.0.0.1:port.
std::string RedirectRuleset(unsigned gid, int port);
// Deletes the table (also when it does not exist).
std::string RemoveRuleset();

// The "ip" commands (argument lists without "ip") that add and remove the
// policy route of the UDP detour.
std::vector<std::vector<std::string>> AddDetourRouteCommands();
std::vector<std::vector<std::string>> RemoveDetourRouteCommands();
