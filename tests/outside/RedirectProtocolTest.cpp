#include "outside/redirect/NftRuleset.h"
#include "outside/redirect/ProcWatch.h"
#include "outside/redirect/RedirectProtocol.h"

#include <gtest/gtest.h>

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

TEST(RedirectProtocol, EveryCommandRoundTrips) {
  for (RedirectRequest request : {RedirectRequest{RedirectRequest::Command::kPing, 0, 0},
                                  RedirectRequest{RedirectRequest::Command::kClear, 0, 0},
                                  RedirectRequest{RedirectRequest::Command::kAdd, 1, 0},
                                  RedirectRequest{RedirectRequest::Command::kAdd, 65535, 0},
                                  RedirectRequest{RedirectRequest::Command::kWatch, 0, 4194304}}) {
    const RedirectRequest again = Parsed(FormatRedirectRequest(request));
    EXPECT_EQ(again.command, request.command);
    EXPECT_EQ(again.port, request.port);
    EXPECT_EQ(again.pid, request.pid);
  }
  EXPECT_EQ(Parsed("BRISGOL-REDIRECT 1 ADD 127.0.0.1 48080\n").port, 48080);
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
  EXPECT_EQ(Refusal("BRISGOL-REDIRECT 1 PING\nBRISGOL-REDIRECT 1 PING\n"),
            "request holds a byte that is not printable ASCII");
  EXPECT_EQ(Refusal(std::string("BRISGOL-REDIRECT 1 PING\0\n", 25)), "request holds a byte that is not printable ASCII");
}

TEST(RedirectProtocol, AnswersAreOneLine) {
  std::string reason;
  EXPECT_TRUE(ParseAnswer(FormatAnswer(true, ""), reason));
  EXPECT_FALSE(ParseAnswer(FormatAnswer(false, "two\nlines"), reason));
  EXPECT_EQ(reason, "two lines");
  EXPECT_FALSE(ParseAnswer("", reason));
  EXPECT_EQ(reason, "the redirection service gave no answer");
}

TEST(NftRuleset, CoversOnlyTheGroupAndNeverLoopbackOrTheProxysOwnSockets) {
  const std::string rules = RedirectRuleset(4242, 48080);
  EXPECT_NE(rules.find("meta l4proto tcp meta skgid 4242 redirect to :48080"), std::string::npos) << rules;
  EXPECT_NE(rules.find("meta l4proto udp meta skgid 4242 meta mark set 25207"), std::string::npos) << rules;
  EXPECT_NE(rules.find("tproxy to 127.0.0.1:48080"), std::string::npos) << rules;
  // Exclusions come first in both output chains.
  const std::size_t tcpChain = rules.find("chain tcp_out");
  const std::size_t udpChain = rules.find("chain udp_out");
  EXPECT_LT(rules.find("ip daddr 127.0.0.0/8 return", tcpChain), rules.find("skgid", tcpChain));
  EXPECT_LT(rules.find("ip daddr 127.0.0.0/8 return", udpChain), rules.find("skgid", udpChain));
  EXPECT_LT(rules.find("meta mark 25191 return", tcpChain), rules.find("skgid", tcpChain));
  // Replacing starts by deleting the table.
  EXPECT_EQ(rules.rfind(RemoveRuleset(), 0), 0u);
}

TEST(ProcWatch, ListenersOnLoopbackOrAnyAddressCount) {
  const std::string listing =
      "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
      "   0: 0100007F:BB80 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0        0 1\n"
      "   1: 00000000:B77E 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0        0 2\n"
      "   2: 0100007F:B3AE 0100007F:9C40 01 00000000:00000000 00:00000000 00000000     0        0 3\n"
      "   3: 0207A8C0:AF3C 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0        0 4\n";
  EXPECT_TRUE(ListingHasListener(listing, 48000));   // BB80
  EXPECT_TRUE(ListingHasListener(listing, 46974));   // B77E on 0.0.0.0
  EXPECT_FALSE(ListingHasListener(listing, 45998));  // B3AE: an established connection
  EXPECT_FALSE(ListingHasListener(listing, 44860));  // AF3C: another address
  EXPECT_FALSE(ListingHasListener("", 48000));
}
