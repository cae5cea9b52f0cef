#include "outside/redirect/NftRuleset.h"

#include "outside/proxysdk/RedirectMark.h"
#include "outside/redirect/CoveredCgroup.h"
#include "outside/redirect/NeverRedirected.h"

#include <arpa/inet.h>

#include <cstdio>
#include <sstream>

namespace {

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", value);
  return text;
}

std::string Table(const std::string& name) { return "inet " + name; }

// Creating the table first makes the delete succeed when it was absent;
// nft applies the whole text as one transaction.
std::string Replace(const std::string& name) {
  return "table " + Table(name) + " {}\ndelete table " + Table(name) + "\n";
}

std::string Elements(int family) {
  std::string text;
  for (const std::string& range : NeverRedirectedRanges(family)) text += (text.empty() ? "" : ", ") + range;
  return text;
}

// The user's sockets that are covered.
std::string Covered(const UserRuleset& rules) {
  const std::string uid = std::to_string(rules.uid);
  if (rules.byCgroup) return "socket cgroupv2 level 2 \"" + CoveredCgroupName(rules.uid) + "\" meta skuid " + uid;
  return "meta skuid " + uid + " meta skgid " + std::to_string(rules.group);
}

// The first lines of every chain a covered packet jumps to: what is never
// redirected returns.
std::string Exemptions() {
  return "    meta mark " + Hex(kProxyBypassMark) +
         " return\n"
         "    fib daddr type { local, broadcast, multicast } return\n"
         "    ip daddr @never4 return\n"
         "    ip6 daddr @never6 return\n";
}

std::string BaseChain(const std::string& name, const std::string& type, const std::string& hook,
                      const std::string& priority, const std::string& body) {
  return "  chain " + name + " {\n    type " + type + " hook " + hook + " priority " + priority +
         "; policy accept;\n" + body + "  }\n";
}

std::string Chain(const std::string& name, const std::string& body) {
  return "  chain " + name + " {\n" + body + "  }\n";
}

}  // namespace

std::string UserTableName(uid_t uid) { return kUserTablePrefix + std::to_string(uid); }
unsigned UdpDetourMark(unsigned slot) { return kUdpDetourMarkBase + slot; }
unsigned DetourRouteTable(unsigned slot) { return kDetourRouteTableBase + slot; }
unsigned TaggedHandedMark(unsigned slot) { return kHandedSocketMark + 1 + slot; }

std::string UserRulesetText(const UserRuleset& rules) {
  const std::string name = UserTableName(rules.uid);
  const std::string covered = Covered(rules);
  const std::string port = std::to_string(rules.port);
  const std::string detour = Hex(UdpDetourMark(rules.slot));
  const std::string tagged = Hex(TaggedHandedMark(rules.slot));
  std::string text = Replace(name) + "table " + Table(name) + " {\n";
  text += "  set never4 { type ipv4_addr; flags interval; elements = { " + Elements(AF_INET) + " }; }\n";
  text += "  set never6 { type ipv6_addr; flags interval; elements = { " + Elements(AF_INET6) + " }; }\n";

  text += BaseChain("tcp_out", "nat", "output", "-100", "    meta l4proto tcp " + covered + " jump tcp_covered\n");
  text += Chain("tcp_covered", Exemptions() + "    " + (rules.ipv6 ? "" : "meta nfproto ipv4 ") +
                                   "meta l4proto tcp redirect to :" + port + "\n");
  if (rules.udp4 || rules.udp6) {
    std::string marks, tproxy;
    if (rules.udp4) {
      marks += "    meta nfproto ipv4 meta mark set " + detour + "\n";
      tproxy += "    meta mark " + detour + " meta nfproto ipv4 meta l4proto udp tproxy ip to 127.0.0.1:" + port + "\n";
    }
    if (rules.udp6) {
      marks += "    meta nfproto ipv6 meta mark set " + detour + "\n";
      tproxy += "    meta mark " + detour + " meta nfproto ipv6 meta l4proto udp tproxy ip6 to [::1]:" + port + "\n";
    }
    text += BaseChain("udp_out", "route", "output", "mangle",
                      "    meta l4proto udp " + covered + " jump udp_covered\n");
    text += Chain("udp_covered", Exemptions() + marks);
    text += BaseChain("udp_in", "filter", "prerouting", "mangle", tproxy);
  }
  if (!rules.ipv6) {
    text += BaseChain("ipv6_out", "filter", "output", "filter",
                      "    meta nfproto ipv6 meta l4proto { tcp, udp } " + covered + " jump ipv6_refused\n");
    text += Chain("ipv6_refused", Exemptions() +
                                      "    meta l4proto tcp reject with tcp reset\n"
                                      "    meta l4proto udp reject with icmpv6 port-unreachable\n");
  }
  text += BaseChain("handed_out", "filter", "output", "mangle",
                    "    meta mark " + Hex(kHandedSocketMark) + " meta skuid " + std::to_string(rules.uid) +
                        " meta mark set " + tagged + "\n");
  if (rules.byCgroup) {
    text += BaseChain("handed_in", "filter", "input", "filter",
                      "    meta mark " + tagged + " socket cgroupv2 level 2 \"" + CoveredCgroupName(rules.uid) +
                          "\" accept\n    meta mark " + tagged + " drop\n");
  }
  return text + "}\n";
}

std::string RemoveUserTableText(uid_t uid) { return Replace(UserTableName(uid)); }

std::string GuardRulesetText() {
  const std::string handed = Hex(kHandedSocketMark);
  return Replace(kGuardTable) + "table " + Table(kGuardTable) + " {\n" +
         BaseChain("handed_out", "filter", "output", "filter",
                   "    meta mark & " + Hex(kHandedMarkMask) + " == " + handed + " fib daddr type != local drop\n") +
         BaseChain("handed_in", "filter", "input", "filter", "    meta mark " + handed + " drop\n") + "}\n";
}

std::string RemoveGuardTableText() { return Replace(kGuardTable); }

std::string RemoveTablesText(const std::vector<std::string>& tables) {
  std::string text;
  for (const std::string& table : tables) text += "delete table " + table + "\n";
  return text;
}

std::string AddDetourRouteBatch(unsigned slot) {
  const std::string table = std::to_string(DetourRouteTable(slot));
  return "route replace local default dev lo table " + table + "\nrule add pref " +
         std::to_string(kDetourRulePriority) + " fwmark " + Hex(UdpDetourMark(slot)) + " lookup " + table + "\n";
}

std::string RemoveDetourRouteBatch(unsigned slot) {
  const std::string table = std::to_string(DetourRouteTable(slot));
  return "rule del pref " + std::to_string(kDetourRulePriority) + " fwmark " + Hex(UdpDetourMark(slot)) +
         " lookup " + table + "\nroute flush table " + table + "\n";
}

std::string RemoveEveryDetourRouteBatch() {
  std::string text;
  for (unsigned i = 0; i < kMaxRuleSlots; ++i) text += "rule del pref " + std::to_string(kDetourRulePriority) + "\n";
  for (unsigned slot = 0; slot < kMaxRuleSlots; ++slot)
    text += "route flush table " + std::to_string(DetourRouteTable(slot)) + "\n";
  return text;
}

std::vector<std::string> OurTables(const std::string& listing) {
  std::vector<std::string> tables;
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string keyword, family, name, rest;
    if (!(words >> keyword >> family >> name) || (words >> rest) || keyword != "table" || family != "inet") continue;
    bool ours = name == kGuardTable;
    const std::string prefix = kUserTablePrefix;
    if (name.rfind(prefix, 0) == 0 && name.size() > prefix.size() && name.size() <= prefix.size() + 10) {
      ours = name.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
    }
    if (ours) tables.push_back(family + " " + name);
  }
  return tables;
}
