#include "outside/redirect/CoveredCgroup.h"
#include "outside/redirect/RedirectProtocol.h"

#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

RedirectRequest Parsed(const std::string& bytes) {
  RedirectRequest request;
  std::string error;
  EXPECT_TRUE(ParseRedirectRequest(bytes, request, error)) << bytes << ": " << error;
  return request;
}

std::string Refusal(const std::string& bytes) {
  RedirectRequest request;
  std::string error;
  EXPECT_FALSE(ParseRedirectRequest(bytes, request, error)) << bytes;
  return error;
}

}  // namespace

RedirectEndpoint Endpoint(int family, const char* address, int port) { return RedirectEndpoint{family, address, port}; }

TEST(RedirectProtocol, EveryCommandRoundTrips) {
  using Command = RedirectRequest::Command;
  std::vector<RedirectRequest> requests(12);
  requests[0].command = Command::kPing;
  requests[1].command = Command::kClear;
  requests[2].command = Command::kAdd;
  requests[2].port = 1;
  requests[3].command = Command::kAdd;
  requests[3].port = 65535;
  requests[4].command = Command::kWatch;
  requests[4].pid = 4194304;
  requests[5].command = Command::kJoin;
  requests[5].pid = 1;
  requests[6].command = Command::kUdpListener;
  requests[6].local = Endpoint(AF_INET6, "::1", 48080);
  requests[7].command = Command::kUdpReply;
  requests[7].remote = Endpoint(AF_INET, "198.18.7.2", 27015);
  requests[7].game = Endpoint(AF_INET, "198.18.7.1", 40001);
  requests[8].command = Command::kUdpReply;
  requests[8].remote = Endpoint(AF_INET6, "2001:db8:7::2", 27015);
  requests[8].game = Endpoint(AF_INET6, "2001:db8:7::1", 40001);
  const Command kernel[] = {Command::kUdpKernel, Command::kUdpKernelEnd};
  for (int i = 0; i < 2; ++i) {
    requests[9 + i].command = kernel[i];
    requests[9 + i].game = Endpoint(AF_INET, "255.255.255.255", 65535);
    requests[9 + i].remote = Endpoint(AF_INET, "198.18.7.2", 1);
  }
  requests[9].port = 40002;
  requests[11].command = Command::kUdpKernelSeen;
  for (const RedirectRequest& request : requests) {
    const RedirectRequest again = Parsed(FormatRedirectRequest(request));
    EXPECT_EQ(again.command, request.command);
    EXPECT_EQ(again.port, request.port);
    EXPECT_EQ(again.pid, request.pid);
    EXPECT_EQ(again.local, request.local);
    EXPECT_EQ(again.remote, request.remote);
    EXPECT_EQ(again.game, request.game);
    EXPECT_EQ(again.AnswerCarriesSocket(), request.command == Command::kUdpListener || request.command == Command::kUdpReply);
  }
  EXPECT_EQ(Parsed("BRISGOL-REDIRECT 1 ADD 127.0.0.1 48080\n").port, 48080);
  // Addresses are kept in their canonical form.
  EXPECT_EQ(Parsed("BRISGOL-REDIRECT 1 UDP-REPLY 2001:DB8:0:0::2 53 2001:db8::1 5353\n").remote.address, "2001:db8::2");
  // The longest request there can be still fits.
  const std::string longest = "BRISGOL-REDIRECT 1 UDP-REPLY ffff:ffff:ffff:ffff:ffff:ffff:255.255.255.255 65535 "
                              "ffff:ffff:ffff:ffff:ffff:ffff:255.255.255.255 65535\n";
  EXPECT_EQ(Parsed(longest).game.port, 65535);
}

TEST(RedirectProtocol, RefusesAddressesOutsideTheirPlace) {
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 UDP-LISTENER 0.0.0.0 48080\n"), "a listener may only be on 127.0.0.1 or ::1");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 UDP-LISTENER 198.18.7.1 48080\n"), "a listener may only be on 127.0.0.1 or ::1");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 UDP-LISTENER 127.0.0.1 0\n"), "the port is not 1..65535");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 UDP-REPLY 198.18.7.2 53 2001:db8::1 5353\n"),
            "the two addresses are not of one family");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 UDP-REPLY ::ffff:198.18.7.2 53 ::1 5353\n"),
            "an IPv4-mapped IPv6 address is not accepted");
  for (const char* address : {"198.18.7", "198.18.7.2.1", "0x7f.0.0.1", "host.example", "", "[::1]", "fe80::1%lo"})
    EXPECT_EQ(Refusal(std::string("BRISGOL-REDIRECT 1 UDP-REPLY ") + address + " 53 198.18.7.1 5353\n"),
              "not an IPv4 or IPv6 address")
        << address;
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 UDP-REPLY 198.18.7.2 53 198.18.7.1 65536\n"), "the port is not 1..65535");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 UDP-REPLY 198.18.7.2 53 198.18.7.1\n"),
            "unknown command or wrong number of arguments");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 JOIN 0\n"), "the process id is not 1..4194304");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 JOIN\n"), "unknown command or wrong number of arguments");
}

TEST(RedirectProtocol, RefusesBadTargetsPortsAndShapes) {
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 ADD 10.0.0.1 48080\n"), "a rule may only redirect to 127.0.0.1");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 ADD 127.0.0.2 48080\n"), "a rule may only redirect to 127.0.0.1");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 ADD 0177.0.0.1 48080\n"), "a rule may only redirect to 127.0.0.1");
  for (const char* port : {"0", "65536", "-1", "+80", "080", "4808O", "", "99999999999"})
    EXPECT_EQ(Refusal(std::string("BRISGOL-REDIRECT 1 ADD 127.0.0.1 ") + port + "\n"), "the port is not 1..65535")
        << port;
  for (const char* pid : {"0", "4194305", "-5", "12a"})
    EXPECT_EQ(Refusal(std::string("BRISGOL-REDIRECT 1 WATCH ") + pid + "\n"), "the process id is not 1..4194304");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 ADD 127.0.0.1 48080"), "request not ended by a line feed");  // truncated
  EXPECT_EQ(Refusal(""), "request not ended by a line feed");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 PING" + std::string(200, ' ') + "\n"), "request too long");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 2 PING\n"), "unsupported request version");
  EXPECT_EQ(Refusal("HELLO 1 PING\n"), "not a redirection request");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 PING extra\n"), "unknown command or wrong number of arguments");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1  PING\n"), "unknown command or wrong number of arguments");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 FLUSH\n"), "unknown command or wrong number of arguments");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 UDP-KERNEL 198.18.7.1 40001 198.18.7.2 27015\n"),
            "unknown command or wrong number of arguments");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 UDP-KERNEL-END 198.18.7.1 40001 198.18.7.2 27015 40002\n"),
            "unknown command or wrong number of arguments");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 UDP-KERNEL 2001:db8:7::1 40001 198.18.7.2 27015 40002\n"),
            "the kernel carries IPv4 only");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 UDP-KERNEL-END 198.18.7.1 40001 2001:db8:7::2 27015\n"),
            "the kernel carries IPv4 only");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 UDP-KERNEL-SEEN 198.18.7.1 40001 198.18.7.2 27015\n"),
            "unknown command or wrong number of arguments");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 UDP-KERNEL 198.18.7.1 40001 198.18.7.2 27015 0\n"), "the port is not 1..65535");
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 PING\nBRISGOL-REDIRECT 1 PING\n"),
            "request holds a byte that is not printable ASCII");
  EXPECT_EQ(Refusal(std::string("BRISGOL-REDIRECT 1 PING\0\n", 25)), "request holds a byte that is not printable ASCII");
}

TEST(RedirectProtocol, AnswersAreOneLine) {
  std::string reason;
  EXPECT_TRUE(ParseAnswer(FormatAnswer(true, ""), reason));
  EXPECT_EQ(reason, "");
  EXPECT_TRUE(ParseAnswer(FormatAnswer(true, "1 2 3 4"), reason));
  EXPECT_EQ(reason, "1 2 3 4");
  EXPECT_FALSE(ParseAnswer("OK 1 2", reason));  // cut short
  EXPECT_FALSE(ParseAnswer(FormatAnswer(false, "two\nlines"), reason));
  EXPECT_EQ(reason, "two lines");
  EXPECT_FALSE(ParseAnswer("", reason));
  EXPECT_EQ(reason, "the redirection service gave no answer");
}

TEST(RedirectProtocol, WhatTheKernelCarriedRoundTripsForEveryRouteAUserMayHave) {
  std::vector<KernelRouteSeen> routes;
  EXPECT_EQ(FormatKernelSeen(routes), "");
  routes.push_back({Endpoint(AF_INET, "198.18.7.1", 40001), Endpoint(AF_INET, "198.18.7.2", 27015), 3, 2, 300, 200});
  routes.push_back({Endpoint(AF_INET, "198.18.7.1", 40001), Endpoint(AF_INET, "198.18.7.3", 27016), 0, 0, 0, 0});
  EXPECT_EQ(FormatKernelSeen(routes), "198.18.7.1 40001 198.18.7.2 27015 3 2 300 200 198.18.7.1 40001 198.18.7.3 27016 0 0 0 0");
  std::vector<KernelRouteSeen> parsed = {routes[0]};
  ASSERT_TRUE(ParseKernelSeen("", parsed));
  EXPECT_TRUE(parsed.empty());

  // The longest there can be: every route of a user, every count at its
  // largest, still one answer line a client reads whole.
  const std::uint64_t most = 9999999999999999999ull;
  routes.assign(256, {Endpoint(AF_INET, "255.255.255.255", 65535), Endpoint(AF_INET, "255.255.255.254", 65535), most, most,
                      most, most});
  const std::string answer = FormatAnswer(true, FormatKernelSeen(routes));
  EXPECT_LE(answer.size(), kMaxAnswerBytes);
  std::string details;
  ASSERT_TRUE(ParseAnswer(answer, details));
  ASSERT_TRUE(ParseKernelSeen(details, parsed));
  ASSERT_EQ(parsed.size(), 256u);
  EXPECT_EQ(parsed[255].remote, routes[255].remote);
  EXPECT_EQ(parsed[255].bytesBack, most);

  // Anything but whole groups of well-formed words takes nothing.
  parsed = {routes[0]};
  for (const char* bad : {"198.18.7.1 40001 198.18.7.2 27015 3 2 300", "198.18.7.1 40001 198.18.7.2 27015 3 2 300 -1",
                          "198.18.7.1 40001 198.18.7.2 27015 3 2 300 01", "198.18.7.1 0 198.18.7.2 27015 3 2 300 200",
                          "198.18.7.1 40001 198.18.7.2 27015 3 2 300 200 ", "example 40001 198.18.7.2 27015 3 2 300 200",
                          "198.18.7.1 40001 198.18.7.2 27015 3 2 300 99999999999999999999"}) {
    EXPECT_FALSE(ParseKernelSeen(bad, parsed)) << bad;
    EXPECT_EQ(parsed.size(), 1u) << bad;
  }
}

TEST(CoveredCgroup, FindsTheUnifiedHierarchyWhereverItIsMounted) {
  const std::string hybrid =
      "31 22 0:28 / /sys/fs/cgroup rw,relatime - tmpfs tmpfs rw,mode=755\n"
      "40 31 0:37 / /sys/fs/cgroup/systemd rw,relatime - cgroup cgroup rw,name=systemd\n"
      "41 31 0:38 / /sys/fs/cgroup/unified rw,relatime - cgroup2 cgroup2 rw\n";
  EXPECT_EQ(Cgroup2MountPoint(hybrid), "/sys/fs/cgroup/unified");
  EXPECT_EQ(Cgroup2MountPoint("29 23 0:26 / /sys/fs/cgroup rw,nosuid shared:4 - cgroup2 cgroup2 rw,nsdelegate\n"),
            "/sys/fs/cgroup");
  // A bind mount of a sub-tree is not the hierarchy's root.
  EXPECT_EQ(Cgroup2MountPoint("50 23 0:26 /user.slice /mnt/u rw - cgroup2 cgroup2 rw\n"), "");
  EXPECT_EQ(Cgroup2MountPoint("51 23 0:26 / /mnt/my\\040cgroups rw - cgroup2 cgroup2 rw\n"), "/mnt/my cgroups");
  EXPECT_EQ(Cgroup2MountPoint(hybrid.substr(0, hybrid.find("41 "))), "");
  EXPECT_EQ(Cgroup2MountPoint(""), "");
  EXPECT_EQ(CoveredCgroupName(1000), "brisgol/u1000");
}
