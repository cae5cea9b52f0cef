#include "outside/local/Socks5Server.h"
#include "outside/local/UpstreamClient.h"

#include <gtest/gtest.h>

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes += static_cast<char>(value);
  return bytes;
}

const std::uint8_t* Data(const std::string& bytes) { return reinterpret_cast<const std::uint8_t*>(bytes.data()); }

SocksAddress Ipv4(int a, int b, int c, int d, int port) {
  SocksAddress address;
  address.type = SocksAddress::kIpv4;
  address.host = Bytes({a, b, c, d});
  address.port = static_cast<std::uint16_t>(port);
  return address;
}

}  // namespace

TEST(Socks5Server, GreetingNeedsVersionFiveAndTheNoAuthMethod) {
  std::size_t used = 0;
  const std::string offer = Bytes({5, 2, 2, 0});
  for (std::size_t cut = 0; cut < offer.size(); ++cut) {
    EXPECT_EQ(ParseClientGreeting(Data(offer), cut, used), cut == 0 || offer[0] == 5 ? GreetingStatus::kIncomplete
                                                                                      : GreetingStatus::kBad);
  }
  EXPECT_EQ(ParseClientGreeting(Data(offer), offer.size(), used), GreetingStatus::kNoAuthOffered);
  EXPECT_EQ(used, 4u);
  const std::string onlyPassword = Bytes({5, 1, 2});
  EXPECT_EQ(ParseClientGreeting(Data(onlyPassword), 3, used), GreetingStatus::kNoAcceptableMethod);
  const std::string socks4 = Bytes({4, 1, 0, 80});
  EXPECT_EQ(ParseClientGreeting(Data(socks4), 4, used), GreetingStatus::kBad);
  const std::string http = "GET / HTTP/1.1\r\n";
  EXPECT_EQ(ParseClientGreeting(Data(http), http.size(), used), GreetingStatus::kBad);
  const std::string noMethods = Bytes({5, 0});
  EXPECT_EQ(ParseClientGreeting(Data(noMethods), 2, used), GreetingStatus::kBad);
}

TEST(Socks5Server, RequestCarriesEveryAddressType) {
  SocksRequest request;
  std::size_t used = 0;
  const std::string v4 = Bytes({5, 1, 0, 1, 10, 1, 2, 3, 0x1F, 0x90});
  ASSERT_EQ(ParseClientRequest(Data(v4), v4.size(), request, used), ParseStatus::kDone);
  EXPECT_EQ(request.command, 1);
  EXPECT_EQ(request.target.ToText(), "10.1.2.3:8080");
  EXPECT_EQ(used, v4.size());
  EXPECT_EQ(request.target.Encode(), v4.substr(3));

  const std::string name = Bytes({5, 3, 0, 3, 9}) + "localhost" + Bytes({0, 80});
  ASSERT_EQ(ParseClientRequest(Data(name), name.size(), request, used), ParseStatus::kDone);
  EXPECT_EQ(request.target.ToText(), "localhost:80");
  EXPECT_EQ(request.command, 3);
  for (std::size_t cut = 0; cut < name.size(); ++cut) {
    EXPECT_EQ(ParseClientRequest(Data(name), cut, request, used), ParseStatus::kIncomplete) << cut;
  }

  const std::string v6 = Bytes({5, 1, 0, 4}) + std::string(15, '\0') + Bytes({1, 0, 53});
  ASSERT_EQ(ParseClientRequest(Data(v6), v6.size(), request, used), ParseStatus::kDone);
  EXPECT_EQ(request.target.ToText(), "[::1]:53");

  const std::string badType = Bytes({5, 1, 0, 9, 0, 0});
  EXPECT_EQ(ParseClientRequest(Data(badType), badType.size(), request, used), ParseStatus::kBadAddressType);
  const std::string badReserved = Bytes({5, 1, 7, 1, 1, 2, 3, 4, 0, 80});
  EXPECT_EQ(ParseClientRequest(Data(badReserved), badReserved.size(), request, used), ParseStatus::kBad);
  const std::string emptyName = Bytes({5, 1, 0, 3, 0, 0, 80});
  EXPECT_EQ(ParseClientRequest(Data(emptyName), emptyName.size(), request, used), ParseStatus::kBad);
}

TEST(Socks5Server, RepliesAreVersionCodeReservedAndAddress) {
  EXPECT_EQ(FormatReply(0, Ipv4(127, 0, 0, 1, 1080)), Bytes({5, 0, 0, 1, 127, 0, 0, 1, 4, 0x38}));
  EXPECT_EQ(FormatMethodChoice(0xFF), Bytes({5, 0xFF}));
}

TEST(UpstreamHandshake, AuthenticatesThenRequestsAndKeepsEarlyData) {
  UpstreamHandshake handshake("5190467", "pw", 1, Ipv4(10, 0, 0, 9, 443));
  EXPECT_EQ(handshake.Greeting(), Bytes({5, 1, 2}));
  ByteQueue input;
  std::string output;
  EXPECT_EQ(handshake.OnInput(input, output), UpstreamHandshake::Step::kNeedMore);
  input.Append(Bytes({5}));
  EXPECT_EQ(handshake.OnInput(input, output), UpstreamHandshake::Step::kNeedMore);
  input.Append(Bytes({2}));
  ASSERT_EQ(handshake.OnInput(input, output), UpstreamHandshake::Step::kSend);
  EXPECT_EQ(output, Bytes({1, 7}) + "5190467" + Bytes({2}) + "pw");
  input.Append(Bytes({1, 0}));
  ASSERT_EQ(handshake.OnInput(input, output), UpstreamHandshake::Step::kSend);
  EXPECT_EQ(output, Bytes({5, 1, 0, 1, 10, 0, 0, 9, 1, 0xBB}));
  // A reply with a domain-name address, split, then relayed data behind it.
  input.Append(Bytes({5, 0, 0, 3, 4}) + "ab");
  EXPECT_EQ(handshake.OnInput(input, output), UpstreamHandshake::Step::kNeedMore);
  input.Append("cd" + Bytes({0, 80}) + "HTTP");
  ASSERT_EQ(handshake.OnInput(input, output), UpstreamHandshake::Step::kDone);
  EXPECT_EQ(handshake.bound().ToText(), "abcd:80");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(input.data()), input.size()), "HTTP");
}

TEST(UpstreamHandshake, ReportsEveryRefusal) {
  struct Case {
    std::string answers;
    std::uint8_t reply;
  };
  const Case cases[] = {
      {Bytes({5, 0xFF}), 1},                                     // no acceptable method
      {Bytes({5, 0}), 1},                                        // wants no authentication
      {Bytes({4, 2}), 1},                                        // not SOCKS5
      {Bytes({5, 2, 1, 1}), 1},                                  // password refused
      {Bytes({5, 2, 1, 0, 5, 5, 0, 1, 0, 0, 0, 0, 0, 0}), 5},   // target refused
      {Bytes({5, 2, 1, 0, 5, 4, 0, 1, 0, 0, 0, 0, 0, 0}), 4},   // host unreachable
      {Bytes({5, 2, 1, 0, 5, 0, 0, 7, 0, 0}), 1},                // unknown address type
  };
  for (const Case& c : cases) {
    UpstreamHandshake handshake("u", "p", 1, Ipv4(1, 2, 3, 4, 5));
    ByteQueue input;
    input.Append(c.answers);
    std::string output;
    UpstreamHandshake::Step step;
    while ((step = handshake.OnInput(input, output)) == UpstreamHandshake::Step::kSend) {
    }
    EXPECT_EQ(step, UpstreamHandshake::Step::kFailed);
    EXPECT_EQ(handshake.failureReply(), c.reply);
    EXPECT_FALSE(handshake.failureReason().empty());
  }
  UpstreamHandshake tooLong(std::string(256, 'u'), "p", 1, Ipv4(1, 2, 3, 4, 5));
  ByteQueue input;
  input.Append(Bytes({5, 2}));
  std::string output;
  EXPECT_EQ(tooLong.OnInput(input, output), UpstreamHandshake::Step::kFailed);
}
