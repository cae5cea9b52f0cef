// The rule text of one user's table: what it covers, what it never
// touches, both families, the refused IPv6, the UDP detour per family and
// the guard of the handed-over sockets; and the policy routes' order.
#include "outside/proxysdk/RedirectMark.h"
#include "outside/redirect/NftRuleset.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

UserRuleset Rules(uid_t uid, unsigned slot) {
  UserRuleset rules;
  rules.uid = uid;
  rules.slot = slot;
  rules.port = 48080;
  return rules;
}

// The body of the named chain ("" when the text has none).
std::string Chain(const std::string& text, const std::string& name) {
  const std::size_t start = text.find("  chain " + name + " {\n");
  if (start == std::string::npos) return std::string();
  return text.substr(start, text.find("\n  }\n", start) - start);
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The line that declares the named set.
std::string SetLine(const std::string& text, const std::string& name) {
  const std::size_t start = text.find("set " + name + " {");
  return start == std::string::npos ? std::string() : text.substr(start, text.find('\n', start) - start);
}

}  // namespace

TEST(NftRuleset, OneTableOfTheUsersOwnCoveringOnlyTheUsersCgroup) {
  const std::string text = UserRulesetText(Rules(1000, 3));
  // Replacing starts by deleting the user's table, and only that one.
  EXPECT_EQ(text.rfind("table inet brisgol_u1000 {}\ndelete table inet brisgol_u1000\ntable inet brisgol_u1000 {\n", 0),
            0u)
      << text;
  EXPECT_EQ(text.find("delete table", 40), std::string::npos);
  const std::string covered = "socket cgroupv2 level 2 \"brisgol/u1000\" meta skuid 1000";
  EXPECT_TRUE(Has(Chain(text, "tcp_out"), "meta l4proto tcp " + covered + " jump tcp_covered")) << text;
  EXPECT_TRUE(Has(Chain(text, "ipv6_out"), covered + " jump ipv6_refused")) << text;
  EXPECT_FALSE(Has(text, "skgid"));

  UserRuleset byGroup = Rules(1000, 3);
  byGroup.byCgroup = false;
  byGroup.group = 998;
  const std::string fallback = UserRulesetText(byGroup);
  EXPECT_TRUE(Has(Chain(fallback, "tcp_out"), "meta l4proto tcp meta skuid 1000 meta skgid 998 jump tcp_covered"));
  EXPECT_FALSE(Has(fallback, "cgroupv2"));
}

TEST(NftRuleset, LocalDestinationsAndTheProxysOwnSocketsAreNeverRedirected) {
  UserRuleset rules = Rules(1000, 0);
  rules.udp4 = true;
  const std::string text = UserRulesetText(rules);
  const std::string bypass = "meta mark 0x" + [] {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08x", kProxyBypassMark);
    return std::string(hex);
  }() + " return";
  for (const char* name : {"tcp_covered", "udp_covered", "ipv6_refused"}) {
    const std::string chain = Chain(text, name);
    ASSERT_FALSE(chain.empty()) << name;
    // Every exemption comes before the chain's verdict.
    const std::size_t verdict = std::min({chain.find("redirect"), chain.find("mark set"), chain.find("reject")});
    for (const std::string& exemption :
         {bypass, std::string("fib daddr type { local, broadcast, multicast } return"),
          std::string("ip daddr @never4 return"), std::string("ip6 daddr @never6 return")}) {
      EXPECT_LT(chain.find(exemption), verdict) << name << ": " << exemption;
    }
  }
  for (const char* range : {"0.0.0.0/8", "10.0.0.0/8", "100.64.0.0/10", "127.0.0.0/8", "169.254.0.0/16",
                            "172.16.0.0/12", "192.168.0.0/16", "224.0.0.0/4", "255.255.255.255 "}) {
    EXPECT_TRUE(Has(SetLine(text, "never4"), range)) << range;
  }
  for (const char* range : {"::1,", "fe80::/10", "fc00::/7", "ff00::/8", "::ffff:0:0/96"}) {
    EXPECT_TRUE(Has(SetLine(text, "never6"), range)) << range;
  }
}

TEST(NftRuleset, IPv6IsCarriedOrRefusedNeverLeftAlone) {
  UserRuleset rules = Rules(1000, 0);
  const std::string refused = UserRulesetText(rules);
  EXPECT_TRUE(Has(Chain(refused, "tcp_covered"), "meta nfproto ipv4 meta l4proto tcp redirect to :48080"));
  EXPECT_TRUE(Has(Chain(refused, "ipv6_out"), "meta nfproto ipv6 meta l4proto { tcp, udp }"));
  EXPECT_TRUE(Has(Chain(refused, "ipv6_refused"), "meta l4proto tcp reject with tcp reset"));
  EXPECT_TRUE(Has(Chain(refused, "ipv6_refused"), "meta l4proto udp reject with icmpv6 port-unreachable"));

  rules.ipv6 = true;
  const std::string carried = UserRulesetText(rules);
  // One redirect for both families: IPv6 lands on [::1]:port.
  EXPECT_TRUE(Has(Chain(carried, "tcp_covered"), "\n    meta l4proto tcp redirect to :48080"));
  EXPECT_FALSE(Has(carried, "nfproto ipv4 meta l4proto tcp"));
  EXPECT_FALSE(Has(carried, "reject"));
  EXPECT_FALSE(Has(carried, "udp_out"));  // UDP flows directly without listeners
}

TEST(NftRuleset, EachFamilysUdpIsDetouredOnlyWithItsListener) {
  UserRuleset rules = Rules(1000, 5);
  EXPECT_FALSE(Has(UserRulesetText(rules), "tproxy"));
  rules.udp4 = true;
  std::string text = UserRulesetText(rules);
  EXPECT_TRUE(Has(Chain(text, "udp_out"), "type route hook output priority mangle"));
  EXPECT_TRUE(Has(Chain(text, "udp_covered"), "meta nfproto ipv4 meta mark set 0x62770005"));
  EXPECT_FALSE(Has(Chain(text, "udp_covered"), "nfproto ipv6"));
  EXPECT_TRUE(Has(Chain(text, "udp_in"),
                  "meta mark 0x62770005 meta nfproto ipv4 meta l4proto udp tproxy ip to 127.0.0.1:48080"));
  EXPECT_FALSE(Has(text, "tproxy ip6"));

  rules.udp4 = false;
  rules.ipv6 = rules.udp6 = true;
  text = UserRulesetText(rules);
  EXPECT_TRUE(Has(Chain(text, "udp_covered"), "meta nfproto ipv6 meta mark set 0x62770005"));
  EXPECT_FALSE(Has(Chain(text, "udp_covered"), "nfproto ipv4"));
  EXPECT_TRUE(Has(Chain(text, "udp_in"), "tproxy ip6 to [::1]:48080"));
}

TEST(NftRuleset, UsersNeverShareAMarkARouteOrATable) {
  const UserRuleset first = Rules(1000, 0), second = Rules(1001, 1);
  EXPECT_NE(UserTableName(first.uid), UserTableName(second.uid));
  EXPECT_NE(UdpDetourMark(0), UdpDetourMark(1));
  EXPECT_NE(DetourRouteTable(0), DetourRouteTable(1));
  EXPECT_NE(TaggedHandedMark(0), TaggedHandedMark(1));
  for (unsigned slot = 0; slot < kMaxRuleSlots; ++slot) {
    EXPECT_NE(UdpDetourMark(slot), kProxyBypassMark);
    EXPECT_NE(TaggedHandedMark(slot), kHandedSocketMark);
    EXPECT_EQ(TaggedHandedMark(slot) & kHandedMarkMask, kHandedSocketMark);
    EXPECT_NE(UdpDetourMark(slot) & kHandedMarkMask, kHandedSocketMark);
  }
  EXPECT_EQ(RemoveUserTableText(1000), "table inet brisgol_u1000 {}\ndelete table inet brisgol_u1000\n");
}

TEST(NftRuleset, HandedSocketsReachOnlyTheMachineAndTheirOwnersCgroup) {
  const std::string guard = GuardRulesetText();
  EXPECT_TRUE(Has(Chain(guard, "handed_out"), "meta mark & 0xffff0000 == 0x62780000 fib daddr type != local drop"));
  EXPECT_TRUE(Has(Chain(guard, "handed_in"), "meta mark 0x62780000 drop"));
  const std::string text = UserRulesetText(Rules(1000, 2));
  EXPECT_TRUE(Has(Chain(text, "handed_out"), "meta mark 0x62780000 meta skuid 1000 meta mark set 0x62780003"));
  EXPECT_TRUE(Has(Chain(text, "handed_in"), "meta mark 0x62780003 socket cgroupv2 level 2 \"brisgol/u1000\" accept"));
  EXPECT_TRUE(Has(Chain(text, "handed_in"), "meta mark 0x62780003 drop"));
}

TEST(NftRuleset, TheRouteComesFirstAndGoesLast) {
  const std::string add = AddDetourRouteBatch(2);
  EXPECT_EQ(add, "route replace local default dev lo table 1651965954\n"
                 "rule add pref 6277 fwmark 0x62770002 lookup 1651965954\n");
  EXPECT_EQ(RemoveDetourRouteBatch(2), "rule del pref 6277 fwmark 0x62770002 lookup 1651965954\n"
                                        "route flush table 1651965954\n");
  const std::string every = RemoveEveryDetourRouteBatch();
  EXPECT_TRUE(Has(every, "route flush table " + std::to_string(DetourRouteTable(0)) + "\n"));
  EXPECT_TRUE(Has(every, "route flush table " + std::to_string(DetourRouteTable(kMaxRuleSlots - 1)) + "\n"));
  EXPECT_LT(every.rfind("rule del"), every.find("route flush"));
}

TEST(NftRuleset, FindsOnlyOurTablesInAListing) {
  const std::string listing =
      "table inet brisgol_u1000\ntable inet brisgol_guard\ntable ip brisgol_u1001\ntable inet brisgol_u\n"
      "table inet brisgol_u12x\ntable inet filter\ntable inet brisgol_u4294967294\ntable inet brisgol_u42949672940\n"
      "table inet brisgol_u7 extra\n";
  EXPECT_EQ(OurTables(listing),
            (std::vector<std::string>{"inet brisgol_u1000", "inet brisgol_guard", "inet brisgol_u4294967294"}));
  EXPECT_EQ(RemoveTablesText(OurTables(listing)).find("delete table inet brisgol_u1000\n"), 0u);
}

// nftables itself accepts the text (checked, not applied).
TEST(NftRuleset, NftablesAcceptsTheText) {
  if (geteuid() != 0 || std::system("nft list tables >/dev/null 2>&1") != 0) GTEST_SKIP() << "needs root and nftables";
  UserRuleset rules = Rules(4242, 7);
  // Cgroup paths are resolved even in check mode: the group form is checked.
  rules.byCgroup = false;
  rules.group = 4242;
  for (int variant = 0; variant < 3; ++variant) {
    rules.udp4 = variant != 0;
    rules.ipv6 = rules.udp6 = variant == 2;
    const std::string path = testing::TempDir() + "/ruleset.nft";
    std::ofstream(path) << UserRulesetText(rules) << GuardRulesetText();
    EXPECT_EQ(std::system(("nft -c -f " + path).c_str()), 0) << UserRulesetText(rules);
    std::remove(path.c_str());
  }
}
