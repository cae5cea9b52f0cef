// Reading the machine: who owns which listener and UDP socket
// (/proc/net), processes (/proc/PID), cgroup events and the ranges that
// are never redirected.
#include "outside/redirect/CgroupTree.h"
#include "outside/redirect/NeverRedirected.h"
#include "outside/redirect/ProcSockets.h"
#include "outside/redirect/ProcWatch.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

constexpr char kHeading[] =
    "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n";

RedirectEndpoint V4(const char* address, int port) { return {AF_INET, address, port}; }
RedirectEndpoint V6(const char* address, int port) { return {AF_INET6, address, port}; }

}  // namespace

TEST(ProcSockets, ListenersOnTheAddressOrTheWildcardWithTheirOwners) {
  const std::string tcp = std::string(kHeading) +
      "   0: 0100007F:BB80 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000        0 11\n"
      "   1: 00000000:B77E 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1001        0 12\n"
      "   2: 0100007F:B3AE 0100007F:9C40 01 00000000:00000000 00:00000000 00000000  1000        0 13\n"
      "   3: 0207A8C0:AF3C 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000        0 14\n"
      "   4: garbage\n"
      "   5: 0100007F:ZZZZ 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000        0 15\n";
  const std::string tcp6 = std::string(kHeading) +
      "   0: 00000000000000000000000001000000:BB80 00000000000000000000000000000000:0000 0A 00000000:00000000 "
      "00:00000000 00000000  1000        0 21\n"
      "   1: 00000000000000000000000000000000:C350 00000000000000000000000000000000:0000 0A 00000000:00000000 "
      "00:00000000 00000000  1002        0 22\n";
  std::vector<ProcSocket> sockets = ParseProcNet(tcp, AF_INET);
  ASSERT_EQ(sockets.size(), 4u);  // the damaged lines are skipped
  EXPECT_EQ(sockets[0].port, 48000);
  EXPECT_EQ(sockets[0].uid, 1000u);
  EXPECT_EQ(sockets[0].inode, 11u);
  EXPECT_EQ(sockets[0].state, kTcpListenState);
  const std::vector<ProcSocket> more = ParseProcNet(tcp6, AF_INET6);
  sockets.insert(sockets.end(), more.begin(), more.end());
  const SocketSnapshot snapshot(sockets);

  EXPECT_EQ(snapshot.Owners(V4("127.0.0.1", 48000), true), (std::set<uid_t>{1000}));
  EXPECT_EQ(snapshot.Owners(V4("127.0.0.1", 46974), true), (std::set<uid_t>{1001}));  // on 0.0.0.0
  EXPECT_TRUE(snapshot.Owners(V4("127.0.0.1", 45998), true).empty());                 // a connection
  EXPECT_EQ(snapshot.Owners(V4("127.0.0.1", 45998), false), (std::set<uid_t>{1000}));
  EXPECT_TRUE(snapshot.Owners(V4("127.0.0.1", 44860), true).empty());                 // another address
  EXPECT_EQ(snapshot.Owners(V4("192.168.7.2", 44860), true), (std::set<uid_t>{1000}));
  EXPECT_EQ(snapshot.Owners(V6("::1", 48000), true), (std::set<uid_t>{1000}));
  EXPECT_TRUE(snapshot.Owners(V6("::1", 46974), true).empty());  // IPv4 sockets never take IPv6
  // A dual-stack IPv6 wildcard takes IPv4 too.
  EXPECT_EQ(snapshot.Owners(V4("127.0.0.1", 50000), true), (std::set<uid_t>{1002}));
  EXPECT_EQ(snapshot.Owners(V6("::1", 50000), true), (std::set<uid_t>{1002}));
  EXPECT_TRUE(snapshot.Lists(21));
  EXPECT_FALSE(snapshot.Lists(99));
  EXPECT_FALSE(snapshot.Lists(0));
  EXPECT_TRUE(ParseProcNet("", AF_INET).empty());
}

TEST(ProcSockets, TheMachinesOwnSocketsAreReadWithTheirOwner) {
  const int udp = socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(udp, 0);
  sockaddr_in6 address{};
  address.sin6_family = AF_INET6;
  address.sin6_addr = in6addr_loopback;
  ASSERT_EQ(bind(udp, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  socklen_t length = sizeof address;
  getsockname(udp, reinterpret_cast<sockaddr*>(&address), &length);
  ProcWatch watch;
  EXPECT_EQ(watch.UdpSockets().Owners(V6("::1", ntohs(address.sin6_port)), false), (std::set<uid_t>{getuid()}));
  close(udp);
  EXPECT_TRUE(watch.UdpSockets().Owners(V6("::1", ntohs(address.sin6_port)), false).empty());
  EXPECT_EQ(watch.ProcessOwner(getpid()), static_cast<long>(getuid()));
  EXPECT_FALSE(watch.ProcessIdentity(getpid()).empty());
  EXPECT_TRUE(watch.IsOwnAddress(V4("127.0.0.1", 1)));
  EXPECT_TRUE(watch.IsOwnAddress(V4("127.3.4.5", 1)));
  EXPECT_FALSE(watch.IsOwnAddress(V4("198.18.255.254", 1)));
}

TEST(ProcSockets, ProcessesByTheirStartAndTheirRealOwner) {
  const std::string stat = "4242 (a (strange) name) S 1 4242 4242 0 -1 4194560 1 0 0 0 0 0 0 0 20 0 1 0 987654 0 0";
  EXPECT_EQ(StatIdentity(stat), "987654");
  EXPECT_EQ(StatIdentity("4242 (zombie) Z 1 4242 4242 0 -1 4194560 1 0 0 0 0 0 0 0 20 0 1 0 987654 0"), "");
  EXPECT_EQ(StatIdentity("4242 (short) S 1 2"), "");
  EXPECT_EQ(StatIdentity(""), "");
  EXPECT_EQ(StatusOwner("Name:\tgame\nUid:\t1000\t0\t0\t0\nGid:\t1000\t1000\t1000\t1000\n"), 1000);
  EXPECT_EQ(StatusOwner("Name:\tgame\n"), -1);
  EXPECT_EQ(StatusOwner("Uid:\tx\n"), -1);
}

TEST(ProcSockets, CgroupEventsSayWhetherAProcessIsInside) {
  EXPECT_TRUE(EventsSayPopulated("populated 1\nfrozen 0\n"));
  EXPECT_FALSE(EventsSayPopulated("populated 0\nfrozen 0\n"));
  EXPECT_FALSE(EventsSayPopulated(""));
}

TEST(NeverRedirected, LocalNetworksLoopbackAndMulticastOfBothFamilies) {
  for (const char* address : {"0.1.2.3", "10.9.8.7", "100.64.0.1", "100.127.255.254", "127.0.0.53", "169.254.1.1",
                              "172.16.0.1", "172.31.255.255", "192.168.1.1", "224.0.0.251", "239.255.255.250",
                              "255.255.255.255"}) {
    EXPECT_TRUE(IsNeverRedirected(V4(address, 53))) << address;
  }
  for (const char* address : {"198.18.7.2", "8.8.8.8", "100.128.0.1", "172.32.0.1", "192.169.0.1", "11.0.0.1"}) {
    EXPECT_FALSE(IsNeverRedirected(V4(address, 53))) << address;
  }
  for (const char* address : {"::1", "fe80::1", "febf::1", "fc00::1", "fd12:3456::1", "ff02::fb", "::ffff:8.8.8.8"}) {
    EXPECT_TRUE(IsNeverRedirected(V6(address, 53))) << address;
  }
  for (const char* address : {"2001:db8:7::2", "2606:4700::1111", "fec0::1"}) {
    EXPECT_FALSE(IsNeverRedirected(V6(address, 53))) << address;
  }
  EXPECT_EQ(NeverRedirectedRanges(AF_INET).size(), 9u);
  EXPECT_EQ(NeverRedirectedRanges(AF_INET6).size(), 5u);
}
