// The nftables rules and policy routes of the redirection service, as text
// for "nft -f -" and "ip -batch -".
//
// Every user with rules in force has a table of their own, "inet
// brisgol_u<uid>" (both families), replaced as a whole in one transaction,
// with a slot of the service (0..kMaxRuleSlots-1) that gives them their own
// marks and routing table. Covered traffic is the user's programs started
// with brisgol-run: sockets of the user's cgroup ("socket cgroupv2 level 2
// brisgol/u<uid>") that the user owns ("meta skuid"); where no cgroup v2
// exists, the user's sockets of the launcher's group ("meta skgid").
// Never covered: the destinations of NeverRedirected.h, the machine's own
// addresses, broadcast and multicast ("fib daddr type"), and sockets
// carrying kProxyBypassMark.
//
// TCP: redirected in the nat output hook to the user's port; IPv4 lands
// on 127.0.0.1, IPv6 on [::1]. When the user's proxy cannot carry IPv6,
// covered IPv6 is refused at once instead: TCP with a reset, UDP with
// "port unreachable".
// UDP (per family, only while the proxy's transparent listener of that
// family exists): marked with UdpDetourMark(slot) in the output route
// hook, routed back in through the loopback by a policy rule (priority
// kDetourRulePriority, fwmark UdpDetourMark(slot), table
// DetourRouteTable(slot): "local default dev lo") and handed to the
// proxy's listener in prerouting (tproxy).
//
// The sockets the service hands over (transparent, able to send from any
// address) carry kHandedSocketMark. The service-wide table "inet
// brisgol_guard" drops their datagrams to anything but the machine's own
// addresses, and drops at input those their owner's table did not tag; the
// owner's table tags them (TaggedHandedMark(slot), by "meta skuid") and lets
// them reach only sockets of the owner's own cgroup.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

inline constexpr unsigned kMaxRuleSlots = 64;
inline constexpr unsigned kUdpDetourMarkBase = 0x62770000;
inline constexpr unsigned kDetourRouteTableBase = 0x62770000;
inline constexpr unsigned kDetourRulePriority = 6277;
inline constexpr unsigned kHandedSocketMark = 0x62780000;
inline constexpr unsigned kHandedMarkMask = 0xffff0000;
inline constexpr char kGuardTable[] = "brisgol_guard";
inline constexpr char kUserTablePrefix[] = "brisgol_u";

// What one user's table holds.
struct UserRuleset {
  uid_t uid = 0;
  unsigned slot = 0;
  bool byCgroup = true;  // else by the launcher's group
  gid_t group = 0;       // the launcher's group (byCgroup false)
  int port = 0;          // the user's proxy, 1..65535
  bool udp4 = false;     // IPv4 UDP detoured to the proxy (else direct)
  bool ipv6 = false;     // IPv6 carried (else refused)
  bool udp6 = false;     // IPv6 UDP detoured (only with ipv6; else direct)

  bool operator==(const UserRuleset&) const = default;
};

std::string UserTableName(uid_t uid);
unsigned UdpDetourMark(unsigned slot);
unsigned DetourRouteTable(unsigned slot);
unsigned TaggedHandedMark(unsigned slot);

// Puts the user's table in force, replacing what it held.
std::string UserRulesetText(const UserRuleset& rules);
// Deletes the user's table (also when it does not exist).
std::string RemoveUserTableText(uid_t uid);
// Puts the guard of the handed-over sockets in force, replacing an earlier
// one; and deletes it.
std::string GuardRulesetText();
std::string RemoveGuardTableText();
// Deletes the named tables ("inet brisgol_u1000", ...).
std::string RemoveTablesText(const std::vector<std::string>& tables);

// The lines for "ip -4 -batch -" (family AF_INET) or "ip -6 -batch -"
// that add and remove the slot's policy rule and route; the route comes
// first and goes last.
std::string AddDetourRouteBatch(unsigned slot);
std::string RemoveDetourRouteBatch(unsigned slot);
// Removes every policy rule at kDetourRulePriority and flushes every
// slot's table: what a crashed service left (run with "-force").
std::string RemoveEveryDetourRouteBatch();

// The tables of ours in the text "nft list tables" prints ("inet
// brisgol_u1000", "inet brisgol_guard").
std::vector<std::string> OurTables(const std::string& listing);
