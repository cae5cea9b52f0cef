// The redirection service's decisions with the machine stood in for: each
// user's own table, every refusal of another user's port, process or
// socket, the detour that follows the proxy's listeners, bounded rules,
// and the cgroups' life.
#include "outside/redirect/RedirectProtocol.h"
#include "outside/redirect/RedirectService.h"
#include "tests/outside/support/FakeRedirectMachine.h"
#include "tests/outside/support/TestAddress.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr uid_t kAlice = 1000;
constexpr uid_t kBob = 1001;

std::string Request(const std::string& words) { return std::string(kRequestMagic) + " 1 " + words + "\n"; }

class RedirectServiceTest : public ::testing::Test {
 protected:
  RedirectServiceTest() {
    view.Listen(kAlice, "127.0.0.1", 48080);
    view.Listen(kBob, "127.0.0.1", 58080);
    view.Run(700, kAlice, "started-at-100");
    view.Run(800, kBob, "started-at-200");
  }
  ~RedirectServiceTest() override {
    for (int fd : handed) close(fd);
  }

  // The answer line of a request from uid (process pid); a socket it
  // carries is kept in handed.
  std::string Ask(uid_t uid, const std::string& words, long pid = 1) {
    ServiceAnswer answer = service.Handle({uid, pid}, Request(words));
    if (answer.socket >= 0) handed.push_back(answer.socket);
    return answer.line;
  }
  bool Refused(uid_t uid, const std::string& words, const std::string& reason) {
    const std::string answer = Ask(uid, words);
    EXPECT_EQ(answer, "ERR " + reason + "\n") << words;
    return answer == "ERR " + reason + "\n";
  }
  // The user's table in force (port 0 when there is none).
  UserRuleset Table(uid_t uid) {
    UserRuleset rules;
    return backend.InForce(uid, rules) ? rules : UserRuleset{};
  }
  // The last handed-over socket, as /proc then lists it.
  void OpenLast(uid_t uid, const std::string& address, int port) { view.Open(handed.back(), uid, address, port); }

  FakeBackend backend;
  FakeView view;
  FakeCgroups cgroups;
  FakeSockets sockets;
  FakeKernelPath kernel;
  std::vector<std::string> log;
  RedirectService service{{backend, view, cgroups, sockets, kernel}, Coverage{},
                          [this](const std::string& text) { log.push_back(text); }};
  std::vector<int> handed;
};

TEST_F(RedirectServiceTest, EachUserHasATableOfTheirOwnToTheirOwnProxy) {
  EXPECT_EQ(Ask(kAlice, "PING"), "OK\n");
  EXPECT_EQ(Ask(kAlice, "ADD 127.0.0.1 48080"), "OK\n");
  EXPECT_TRUE(Refused(kBob, "ADD 127.0.0.1 48080", "127.0.0.1:48080 is another user's"));
  EXPECT_EQ(Ask(kBob, "ADD 127.0.0.1 58080"), "OK\n");
  EXPECT_EQ(Table(kAlice).port, 48080);
  EXPECT_EQ(Table(kBob).port, 58080);
  EXPECT_NE(Table(kAlice).slot, Table(kBob).slot);
  EXPECT_TRUE(Table(kAlice).byCgroup);
  EXPECT_TRUE(cgroups.Exists(kAlice) && cgroups.Exists(kBob));

  // Bob clears only his own rules.
  EXPECT_EQ(Ask(kBob, "CLEAR"), "OK\n");
  EXPECT_EQ(Table(kBob).port, 0);
  EXPECT_EQ(Table(kAlice).port, 48080);
  EXPECT_FALSE(cgroups.Exists(kBob));  // empty and no longer needed
  EXPECT_EQ(Ask(kBob, "CLEAR"), "OK\n");
  EXPECT_EQ(Ask(kAlice, "CLEAR"), "OK\n");
  EXPECT_TRUE(backend.Empty());
  EXPECT_FALSE(service.NeedsChecks());
}

TEST_F(RedirectServiceTest, AnotherUsersPortProcessAndSocketsAreRefused) {
  view.Listen(kBob, "::1", 58080);
  EXPECT_TRUE(Refused(kAlice, "ADD 127.0.0.1 46060", "nothing listens on 127.0.0.1:46060"));
  EXPECT_TRUE(Refused(kAlice, "WATCH 800", "process 800 is not yours"));
  EXPECT_TRUE(Refused(kAlice, "WATCH 900", "no process 900 runs"));
  EXPECT_TRUE(Refused(kAlice, "UDP-LISTENER 127.0.0.1 58080", "127.0.0.1:58080 is another user's"));
  EXPECT_TRUE(Refused(kAlice, "UDP-LISTENER ::1 58080", "[::1]:58080 is another user's"));
  EXPECT_TRUE(Refused(kAlice, "UDP-LISTENER ::1 48080", "nothing listens on [::1]:48080"));
  // JOIN moves only the caller itself, and only into its own cgroup.
  EXPECT_TRUE(Refused(kAlice, "JOIN 800", "process 800 is not the caller (1)"));
  EXPECT_EQ(service.Handle({kAlice, 800}, Request("JOIN 800")).line, "ERR process 800 is not yours\n");
  // Replies only to the user's own game socket, never from a local address.
  view.BindUdp(kBob, "198.18.7.1", 40001);
  EXPECT_TRUE(Refused(kAlice, "UDP-REPLY 198.18.7.2 27015 198.18.7.1 40001", "198.18.7.1:40001 is another user's"));
  EXPECT_TRUE(Refused(kAlice, "UDP-REPLY 198.18.7.2 27015 198.18.7.1 40002", "no UDP socket is bound to 198.18.7.1:40002"));
  view.BindUdp(kAlice, "0.0.0.0", 40003);
  EXPECT_TRUE(Refused(kAlice, "UDP-REPLY 198.18.7.2 27015 198.18.7.3 40003", "198.18.7.3 is not an address of this machine"));
  for (const char* remote : {"192.168.1.1", "10.0.0.1", "224.0.0.251", "255.255.255.255", "127.0.0.1", "198.18.7.1"}) {
    EXPECT_TRUE(Refused(kAlice, std::string("UDP-REPLY ") + remote + " 53 198.18.7.1 40003",
                        std::string(remote) + ":53 is never redirected"));
  }
  EXPECT_TRUE(Refused(kAlice, "UDP-REPLY fe80::1 53 2001:db8:7::1 40003", "[fe80::1]:53 is never redirected"));
  EXPECT_TRUE(sockets.Made().empty());
  EXPECT_TRUE(backend.Empty());
  EXPECT_FALSE(cgroups.Exists(kAlice));
}

TEST_F(RedirectServiceTest, SocketsAreMadeForTheirUserOnly) {
  EXPECT_EQ(Ask(kAlice, "UDP-LISTENER 127.0.0.1 48080"), "OK\n");
  view.BindUdp(kAlice, "::", 40001);  // a dual-stack game socket
  EXPECT_EQ(Ask(kAlice, "UDP-REPLY 198.18.7.2 27015 198.18.7.1 40001"), "OK\n");
  EXPECT_EQ(Ask(kAlice, "UDP-REPLY 2001:db8:7::2 27015 2001:db8:7::1 40001"), "OK\n");
  EXPECT_EQ(sockets.Made(), (std::vector<std::string>{"listener 127.0.0.1 48080 for 1000",
                                                      "reply 198.18.7.2 to 198.18.7.1 for 1000",
                                                      "reply 2001:db8:7::2 to 2001:db8:7::1 for 1000"}));
  EXPECT_EQ(handed.size(), 3u);
}

// The kernel carries a route only between the caller's own game socket and
// the caller's own association socket, only while the caller's IPv4 UDP is
// detoured, and no longer once that association socket closes or the
// rules go.
TEST_F(RedirectServiceTest, KernelRoutesRunOnlyBetweenTheCallersOwnSockets) {
  const std::string route = "UDP-KERNEL 198.18.7.1 40001 198.18.7.2 27015 40500";
  view.BindUdp(kAlice, "0.0.0.0", 40001);
  const unsigned long association = view.ConnectUdp(kAlice, "198.18.7.1", 40500, "198.18.7.1", 1080);
  EXPECT_TRUE(Refused(kAlice, route, "no IPv4 UDP of yours is detoured"));
  ASSERT_EQ(Ask(kAlice, "ADD 127.0.0.1 48080"), "OK\n");
  ASSERT_EQ(Ask(kAlice, "UDP-LISTENER 127.0.0.1 48080"), "OK\n");
  OpenLast(kAlice, "127.0.0.1", 48080);
  service.Check();
  ASSERT_TRUE(Table(kAlice).udp4);

  // Bob's game socket, Bob's association, an unconnected one, a local
  // remote end: refused, and nothing reaches the kernel.
  view.BindUdp(kBob, "198.18.7.1", 40002);
  view.ConnectUdp(kBob, "198.18.7.1", 40501, "198.18.7.1", 1080);
  view.BindUdp(kAlice, "198.18.7.1", 40502);
  EXPECT_TRUE(Refused(kAlice, "UDP-KERNEL 198.18.7.1 40002 198.18.7.2 27015 40500",
                      "198.18.7.1:40002 is not a UDP socket of yours"));
  EXPECT_TRUE(Refused(kAlice, "UDP-KERNEL 198.18.7.1 40001 198.18.7.2 27015 40501",
                      "no UDP socket of yours on port 40501 is connected"));
  EXPECT_TRUE(Refused(kAlice, "UDP-KERNEL 198.18.7.1 40001 198.18.7.2 27015 40502",
                      "no UDP socket of yours on port 40502 is connected"));
  EXPECT_TRUE(Refused(kAlice, "UDP-KERNEL 198.18.7.1 40001 192.168.1.1 27015 40500", "192.168.1.1:27015 is never redirected"));
  EXPECT_TRUE(Refused(kAlice, "UDP-KERNEL 198.18.7.3 40001 198.18.7.2 27015 40500",
                      "198.18.7.3 is not an address of this machine"));
  EXPECT_TRUE(Refused(kBob, route, "no IPv4 UDP of yours is detoured"));
  EXPECT_TRUE(kernel.Routes().empty());

  ASSERT_EQ(Ask(kAlice, route), "OK\n");
  const std::string mark = std::to_string(UdpDetourMark(Table(kAlice).slot));
  EXPECT_EQ(kernel.Routes(), (std::vector<std::string>{"198.18.7.1:40001>198.18.7.2:27015 via 198.18.7.1:40500>198.18.7.1:1080 " + mark}));
  kernel.Carried("198.18.7.1:40001>198.18.7.2:27015", {3, 300, 2, 200, 1});
  EXPECT_EQ(Ask(kAlice, "UDP-KERNEL-SEEN"), "OK 198.18.7.1 40001 198.18.7.2 27015 3 2 300 200\n");
  EXPECT_EQ(Ask(kBob, "UDP-KERNEL-SEEN"), "OK\n");
  // A route the kernel lost is left out (the proxy then carries it again).
  const sockaddr_storage game = TestSocketAddress("198.18.7.1", 40001), server = TestSocketAddress("198.18.7.2", 27015);
  kernel.Remove(reinterpret_cast<const sockaddr_in&>(game), reinterpret_cast<const sockaddr_in&>(server));
  EXPECT_EQ(Ask(kAlice, "UDP-KERNEL-SEEN"), "OK\n");
  ASSERT_EQ(Ask(kAlice, route), "OK\n");
  EXPECT_TRUE(Refused(kBob, "UDP-KERNEL-END 198.18.7.1 40001 198.18.7.2 27015", "no such kernel route of yours"));
  // A relay behind a device, and the same route again: one route.
  view.CloseUdp(association);
  const unsigned long behind = view.ConnectUdp(kAlice, "198.18.7.1", 40500, "198.18.8.5", 1080);
  ASSERT_EQ(Ask(kAlice, route), "OK\n");
  EXPECT_EQ(kernel.Routes(), (std::vector<std::string>{"198.18.7.1:40001>198.18.7.2:27015 via 198.18.7.1:40500>198.18.8.5:1080 " + mark + " dev 7"}));
  EXPECT_EQ(Ask(kAlice, "UDP-KERNEL-END 198.18.7.1 40001 198.18.7.2 27015"), "OK\n");
  EXPECT_TRUE(kernel.Routes().empty());
  EXPECT_TRUE(Refused(kAlice, "UDP-KERNEL-END 198.18.7.1 40001 198.18.7.2 27015", "no such kernel route of yours"));

  // While a route runs, each check looks where the relays' routes lead
  // now, and a move is logged.
  ASSERT_EQ(Ask(kAlice, route), "OK\n");
  const int followed = kernel.follows();
  kernel.MoveDevice("the route to the relay 198.18.8.5 moved from wlan0 to eth0");
  service.Check();
  EXPECT_EQ(kernel.follows(), followed + 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "UDP kernel path: the route to the relay 198.18.8.5 moved from wlan0 to eth0"), 1);
  // The association socket closes: the route goes at the next check, and
  // with no route left nothing is looked up.
  EXPECT_EQ(kernel.Routes().size(), 1u);
  view.CloseUdp(behind);
  service.Check();
  EXPECT_TRUE(kernel.Routes().empty());
  service.Check();
  EXPECT_EQ(kernel.follows(), followed + 1);
  // The rules go: every route with them.
  view.ConnectUdp(kAlice, "198.18.7.1", 40500, "198.18.7.1", 1080);
  ASSERT_EQ(Ask(kAlice, route), "OK\n");
  ASSERT_EQ(Ask(kAlice, "CLEAR"), "OK\n");
  EXPECT_TRUE(kernel.Routes().empty());
  // A machine whose kernel cannot: the refusal says why.
  ASSERT_EQ(Ask(kAlice, "ADD 127.0.0.1 48080"), "OK\n");
  service.Check();
  kernel.FailAdd(true);
  EXPECT_TRUE(Refused(kAlice, route, "no BPF here"));
}

TEST_F(RedirectServiceTest, TheDetourFollowsTheProxysListeners) {
  ASSERT_EQ(Ask(kAlice, "ADD 127.0.0.1 48080"), "OK\n");
  EXPECT_FALSE(Table(kAlice).udp4);  // no listener: UDP flows directly
  EXPECT_FALSE(Table(kAlice).ipv6);  // no [::1] listener: IPv6 refused

  // Once /proc lists the handed-over listener, IPv4 UDP is detoured.
  ASSERT_EQ(Ask(kAlice, "UDP-LISTENER 127.0.0.1 48080"), "OK\n");
  OpenLast(kAlice, "127.0.0.1", 48080);
  const int listener4 = handed.back();
  service.Check();
  EXPECT_TRUE(Table(kAlice).udp4);

  view.Listen(kAlice, "::1", 48080);
  service.Check();
  EXPECT_TRUE(Table(kAlice).ipv6);
  EXPECT_FALSE(Table(kAlice).udp6);
  ASSERT_EQ(Ask(kAlice, "UDP-LISTENER ::1 48080"), "OK\n");
  OpenLast(kAlice, "::1", 48080);
  service.Check();
  EXPECT_TRUE(Table(kAlice).udp6);

  // The line refuses UDP: the proxy closes its listener; UDP flows directly.
  std::erase(handed, listener4);
  view.Close(listener4);
  service.Check();
  EXPECT_FALSE(Table(kAlice).udp4);
  EXPECT_TRUE(Table(kAlice).udp6);
  // The line cannot carry IPv6: its [::1] listener goes; IPv6 is refused.
  view.StopListening("::1", 48080);
  service.Check();
  EXPECT_FALSE(Table(kAlice).ipv6);
  EXPECT_FALSE(Table(kAlice).udp6);
  EXPECT_EQ(Table(kAlice).port, 48080);
  const int changes = backend.Applied();
  service.Check();
  EXPECT_EQ(backend.Applied(), changes) << "nothing changes while the proxy stays as it is";
}

TEST_F(RedirectServiceTest, TenThousandRulesStopAtTheLimitAndClearLeavesNothing) {
  int refused = 0;
  for (int i = 0; i < 10000; ++i) refused += Ask(kAlice, "ADD 127.0.0.1 48080") != "OK\n";
  EXPECT_EQ(refused, 10000 - static_cast<int>(RedirectService::kMaxRules));
  EXPECT_EQ(backend.Applied(), 1) << "the same table again changes nothing";
  EXPECT_EQ(Ask(kAlice, "ADD 127.0.0.1 48080"), "ERR too many rules (at most 8); clear them first\n");
  EXPECT_LT(log.size(), 5u) << "a run of one refusal is logged once";
  EXPECT_EQ(Ask(kAlice, "CLEAR"), "OK\n");
  EXPECT_TRUE(backend.Empty());
  EXPECT_FALSE(cgroups.Exists(kAlice));
  EXPECT_FALSE(service.NeedsChecks());
  EXPECT_EQ(Ask(kAlice, "ADD 127.0.0.1 48080"), "OK\n");

  // A listener asked for again replaces the one remembered; at most a few
  // are remembered.
  for (int i = 0; i < 100; ++i) ASSERT_EQ(Ask(kAlice, "UDP-LISTENER 127.0.0.1 48080"), "OK\n");
  for (int i = 0; i < 20; ++i) {
    view.Listen(kAlice, "127.0.0.1", 30000 + i);
    const bool ok = Ask(kAlice, "UDP-LISTENER 127.0.0.1 " + std::to_string(30000 + i)) == "OK\n";
    if (ok) OpenLast(kAlice, "127.0.0.1", 30000 + i);
    EXPECT_EQ(ok, i < static_cast<int>(RedirectService::kMaxListeners)) << i;
  }
}

TEST_F(RedirectServiceTest, ARefusedChangeKeepsTheEarlierRule) {
  ASSERT_EQ(Ask(kAlice, "ADD 127.0.0.1 48080"), "OK\n");
  view.Listen(kAlice, "127.0.0.1", 47070);
  backend.FailApply(true);
  EXPECT_EQ(Ask(kAlice, "ADD 127.0.0.1 47070"), "ERR nft refused\n");
  EXPECT_EQ(Table(kAlice).port, 48080);
  backend.FailApply(false);
  EXPECT_EQ(Ask(kAlice, "ADD 127.0.0.1 47070"), "OK\n");
  EXPECT_EQ(Table(kAlice).port, 47070);
}

TEST_F(RedirectServiceTest, RulesGoWhenTheProxyStopsListeningOrTheFrontEndEnds) {
  ASSERT_EQ(Ask(kAlice, "ADD 127.0.0.1 48080"), "OK\n");
  ASSERT_EQ(Ask(kBob, "ADD 127.0.0.1 58080"), "OK\n");
  ASSERT_EQ(Ask(kAlice, "WATCH 700"), "OK\n");
  service.Check();
  EXPECT_EQ(Table(kAlice).port, 48080);
  view.Run(700, kAlice, "started-at-300");  // the id now names another process
  service.Check();
  EXPECT_EQ(Table(kAlice).port, 0);
  EXPECT_NE(log.back().find("user 1000: its front end (process 700) ended: rules removed"), std::string::npos)
      << log.back();
  EXPECT_EQ(Table(kBob).port, 58080);

  view.StopListening("127.0.0.1", 58080);
  service.Check();
  EXPECT_EQ(Table(kBob).port, 0);
  EXPECT_NE(log.back().find("its proxy stopped listening on 127.0.0.1:58080"), std::string::npos);
  // Someone else listening on the port now takes nothing over.
  EXPECT_EQ(Ask(kBob, "ADD 127.0.0.1 48080").rfind("ERR", 0), 0u);
  EXPECT_FALSE(service.NeedsChecks());
}

TEST_F(RedirectServiceTest, ACgroupLivesWhileItHoldsAProcessOrRulesNeedIt) {
  EXPECT_EQ(service.Handle({kAlice, 700}, Request("JOIN 700")).line, "OK\n");
  EXPECT_EQ(cgroups.Members(kAlice), (std::set<long>{700}));
  EXPECT_TRUE(service.NeedsChecks());
  ASSERT_EQ(Ask(kAlice, "ADD 127.0.0.1 48080"), "OK\n");
  EXPECT_EQ(Ask(kAlice, "CLEAR"), "OK\n");
  service.Check();
  EXPECT_TRUE(cgroups.Exists(kAlice)) << "the game still runs in it";
  cgroups.Empty(kAlice);  // the game ended
  service.Check();
  EXPECT_FALSE(cgroups.Exists(kAlice));
  EXPECT_FALSE(service.NeedsChecks());

  // A cgroup made anew while rules are in force has the rules loaded again.
  ASSERT_EQ(Ask(kAlice, "ADD 127.0.0.1 48080"), "OK\n");
  cgroups.Delete(kAlice);
  const int applied = backend.Applied();
  EXPECT_EQ(service.Handle({kAlice, 700}, Request("JOIN 700")).line, "OK\n");
  EXPECT_EQ(backend.Applied(), applied + 1);
}

TEST_F(RedirectServiceTest, ACrashedServicesCgroupsGoOnceEmpty) {
  cgroups.Leave(kAlice, {700});
  cgroups.Leave(kBob, {});
  service.AdoptCgroups();
  EXPECT_FALSE(cgroups.Exists(kBob));
  EXPECT_TRUE(service.NeedsChecks());
  cgroups.Empty(kAlice);
  service.Check();
  EXPECT_FALSE(cgroups.Exists(kAlice));
  EXPECT_FALSE(service.NeedsChecks());
}

TEST_F(RedirectServiceTest, TheStopRemovesEveryUsersRules) {
  ASSERT_EQ(Ask(kAlice, "ADD 127.0.0.1 48080"), "OK\n");
  ASSERT_EQ(Ask(kBob, "ADD 127.0.0.1 58080"), "OK\n");
  EXPECT_EQ(service.Handle({kBob, 800}, Request("JOIN 800")).line, "OK\n");
  service.Stop();
  EXPECT_TRUE(backend.Empty());
  EXPECT_FALSE(cgroups.Exists(kAlice));
  EXPECT_TRUE(cgroups.Exists(kBob)) << "Bob's game still runs";
}

TEST_F(RedirectServiceTest, SlotsAreBoundedAndReused) {
  for (uid_t uid = 2000; uid < 2000 + kMaxRuleSlots; ++uid) {
    view.Listen(uid, "127.0.0.1", static_cast<int>(uid));
    ASSERT_EQ(Ask(uid, "ADD 127.0.0.1 " + std::to_string(uid)), "OK\n") << uid;
  }
  EXPECT_TRUE(Refused(kAlice, "ADD 127.0.0.1 48080", "too many users have rules in force"));
  EXPECT_FALSE(cgroups.Exists(kAlice));
  EXPECT_EQ(Ask(2005, "CLEAR"), "OK\n");
  EXPECT_EQ(Ask(kAlice, "ADD 127.0.0.1 48080"), "OK\n");
  EXPECT_EQ(Table(kAlice).slot, 5u);
}

TEST(RedirectServiceWithoutCgroups, ProgramsAreCoveredByTheLaunchersGroup) {
  FakeBackend backend;
  FakeView view;
  FakeCgroups cgroups;
  FakeSockets sockets;
  FakeKernelPath kernel;
  view.Listen(kAlice, "127.0.0.1", 48080);
  view.Run(700, kAlice, "x");
  RedirectService service({backend, view, cgroups, sockets, kernel}, Coverage{false, 998}, [](const std::string&) {});
  EXPECT_EQ(service.Handle({kAlice, 700}, Request("JOIN 700")).line,
            "ERR this machine has no cgroup v2; programs are covered by their group\n");
  EXPECT_EQ(service.Handle({kAlice, 700}, Request("ADD 127.0.0.1 48080")).line, "OK\n");
  UserRuleset rules;
  ASSERT_TRUE(backend.InForce(kAlice, rules));
  EXPECT_FALSE(rules.byCgroup);
  EXPECT_EQ(rules.group, 998u);
  EXPECT_FALSE(cgroups.Exists(kAlice));
}

}  // namespace
