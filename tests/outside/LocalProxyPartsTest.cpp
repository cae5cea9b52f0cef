// The local proxy's small pure parts: where it runs (the covered cgroup),
// who owns a connection's far end (the /proc listings), and the line
// check's login-only handshake.

#include "outside/local/CoveredRefusal.h"
#include "outside/local/PeerUser.h"
#include "outside/local/UpstreamClient.h"
#include "tests/outside/support/TestAddress.h"

#include <gtest/gtest.h>


TEST(CoveredRefusal, OnlyTheUsersOwnCoveredCgroupAndBelowCount) {
  EXPECT_TRUE(CgroupListIsCovered("0::/brisgol/u1000\n", 1000));
  EXPECT_TRUE(CgroupListIsCovered("12:pids:/\n0::/brisgol/u1000/game\n", 1000));
  EXPECT_FALSE(CgroupListIsCovered("0::/brisgol/u1000\n", 1001));
  EXPECT_FALSE(CgroupListIsCovered("0::/brisgol/u10000\n", 1000));
  EXPECT_FALSE(CgroupListIsCovered("0::/user.slice/brisgol/u1000\n", 1000));
  EXPECT_FALSE(CgroupListIsCovered("4:memory:/brisgol/u1000\n0::/\n", 1000));
  EXPECT_FALSE(CgroupListIsCovered("", 1000));
}

TEST(PeerUser, EndsAreReadAsTheListingsWriteThem) {
  // The kernel's 32-bit words in hex, then the port: ::1 port 443 talking
  // to 2001:db8::5 port 1, as an IPv6 listing writes it.
  const std::string listing6 =
      "  sl  local_address                         remote_address                        st tx_queue rx_queue tr tm->when "
      "retrnsmt   uid  timeout inode\n"
      "   0: 00000000000000000000000001000000:01BB B80D0120000000000000000005000000:0001 01 00000000:00000000 "
      "00:00000000 00000000  1002        0 7 1 0\n";
  uid_t owner = 0;
  ASSERT_TRUE(ListedPeerOwner(ParseProcNet(listing6, AF_INET6), TestSocketAddress("2001:db8::5", 1), TestSocketAddress("::1", 443), owner));
  EXPECT_EQ(owner, 1002u);
  EXPECT_FALSE(ListedPeerOwner(ParseProcNet(listing6, AF_INET6), TestSocketAddress("2001:db8::5", 1), TestSocketAddress("::1", 444), owner));
}

TEST(PeerUser, FindsTheOwnerOfTheSocketWithBothEnds) {
  const std::string listing =
      "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
      "   0: 0100007F:1F90 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000        0 1 1 0\n"
      "   1: 0100007F:C350 0100007F:1F90 01 00000000:00000000 00:00000000 00000000  1001        0 2 1 0\n"
      "   2: 0100007F:1F90 0100007F:C350 01 00000000:00000000 02:000000A5 00000000  1000        0 3 1 0\n"
      "garbage\n";
  const std::vector<ProcSocket> sockets = ParseProcNet(listing, AF_INET);
  uid_t owner = 0;
  // 127.0.0.1:8080 (0100007F:1F90) and 127.0.0.1:50000 (0100007F:C350).
  ASSERT_TRUE(ListedPeerOwner(sockets, TestSocketAddress("127.0.0.1", 8080), TestSocketAddress("127.0.0.1", 50000), owner));
  EXPECT_EQ(owner, 1001u);
  ASSERT_TRUE(ListedPeerOwner(sockets, TestSocketAddress("127.0.0.1", 50000), TestSocketAddress("127.0.0.1", 8080), owner));
  EXPECT_EQ(owner, 1000u);
  EXPECT_FALSE(ListedPeerOwner(sockets, TestSocketAddress("127.0.0.1", 8080), TestSocketAddress("127.0.0.1", 50001), owner));
  EXPECT_FALSE(ListedPeerOwner({}, TestSocketAddress("127.0.0.1", 8080), TestSocketAddress("127.0.0.1", 50000), owner));
  // An IPv4 end as a dual-stack socket lists it.
  const std::string mapped =
      "  sl  local_address                         remote_address                        st\n"
      "   0: 0000000000000000FFFF00000100007F:C350 0000000000000000FFFF00000100007F:1F90 01 00000000:00000000 "
      "00:00000000 00000000  1003        0 4 1 0\n";
  ASSERT_TRUE(ListedPeerOwner(ParseProcNet(mapped, AF_INET6), TestSocketAddress("127.0.0.1", 8080), TestSocketAddress("127.0.0.1", 50000),
                              owner));
  EXPECT_EQ(owner, 1003u);
}

TEST(UpstreamHandshake, ALoginOnlyCheckEndsWhenThePasswordIsAccepted) {
  UpstreamHandshake check("5190467", "pw");
  EXPECT_EQ(check.Greeting(), std::string("\x05\x01\x02", 3));
  ByteQueue input;
  std::string output;
  input.Append(std::string("\x05\x02", 2));
  ASSERT_EQ(check.OnInput(input, output), UpstreamHandshake::Step::kSend);
  EXPECT_EQ(output, std::string("\x01\x07", 2) + "5190467" + std::string("\x02", 1) + "pw");
  EXPECT_FALSE(check.loggedIn());
  input.Append(std::string("\x01\x00", 2));
  EXPECT_EQ(check.OnInput(input, output), UpstreamHandshake::Step::kDone);
  EXPECT_TRUE(check.loggedIn());
  EXPECT_TRUE(output.empty()) << "no request follows the login";

  UpstreamHandshake refused("5190467", "wrong");
  input.Clear();
  input.Append(std::string("\x05\x02", 2));
  refused.OnInput(input, output);
  input.Append(std::string("\x01\x01", 2));
  EXPECT_EQ(refused.OnInput(input, output), UpstreamHandshake::Step::kFailed);
  EXPECT_FALSE(refused.loggedIn());
}
