// A covered game's UDP through the real redirection service, "local.exe"
// and a dante line server, to game servers inside a network namespace of
// the test's own (198.18.10.0/29, 2001:db8:10::/64). The game and
// "local.exe" run as an ordinary user (an id with no account); root only
// sets up. The servers answer each datagram with the address and port they
// saw it come from: 198.18.10.3 or 2001:db8:10::3 (the line's outgoing
// addresses) when the line carried it, 198.18.10.1 or 2001:db8:10::1 and
// the game's own port when it came directly.
#include "outside/launchrecord/LaunchRecordCodec.h"
#include "outside/local/StatusConnection.h"
#include "outside/redirect/NftRuleset.h"
#include "outside/redirect/RedirectPaths.h"
#include "outside/redirect/ServiceClient.h"
#include "tests/outside/support/ChildProcess.h"
#include "tests/outside/support/LineServer.h"
#include "tests/outside/support/LocalProxyProcess.h"
#include "tests/outside/support/RedirectServiceStop.h"
#include "tests/outside/support/ShellCommand.h"
#include "tests/outside/support/TestAddress.h"
#include "tests/outside/support/TestNetwork.h"
#include "tests/outside/support/TestServers.h"
#include "tests/outside/support/UserChild.h"
#include "tests/outside/support/WaitUntil.h"

#include <arpa/inet.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

// The machine's side of the veth pair (and the line's outgoing addresses
// there), and the game servers inside, each at kGamePort.
constexpr char kHost4[] = "198.18.10.1", kLine4[] = "198.18.10.3", kHost6[] = "2001:db8:10::1",
               kLine6[] = "2001:db8:10::3";
constexpr char kServerA[] = "198.18.10.2", kServerB[] = "198.18.10.4", kServer6[] = "2001:db8:10::2";
constexpr int kGamePort = 7777;
// The player: an ordinary user id that needs no account.
constexpr uid_t kPlayer = 4377;

using Clock = std::chrono::steady_clock;

std::string Source(const std::string& path) { return std::string(std::getenv("BRISGOL_SOURCE_DIR")) + "/" + path; }
std::string Python() { return access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3"; }

std::string Table() { return ShellOutput("nft list table inet " + std::string(kUserTablePrefix) + std::to_string(kPlayer) + " 2>&1"); }

// --- What the game does (in a child, as the player) ---

std::string Text(const sockaddr_storage& address) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    return "[" + std::string(text) + "]:" + std::to_string(ntohs(v6.sin6_port));
  }
  const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
  inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
  return std::string(text) + ":" + std::to_string(ntohs(v4.sin_port));
}

void Send(int fd, const std::string& address, const std::string& data) {
  socklen_t length = 0;
  const sockaddr_storage target = TestSocketAddress(address, kGamePort, &length);
  sendto(fd, data.data(), data.size(), 0, reinterpret_cast<const sockaddr*>(&target), length);
}

// The next answer within wait: "<sender> said <answer>", or "nothing".
std::string Answer(int fd, std::chrono::milliseconds wait) {
  pollfd ready{fd, POLLIN, 0};
  if (poll(&ready, 1, static_cast<int>(wait.count())) != 1) return "nothing";
  char answer[65536];
  sockaddr_storage from{};
  socklen_t length = sizeof from;
  const ssize_t got = recvfrom(fd, answer, sizeof answer, 0, reinterpret_cast<sockaddr*>(&from), &length);
  if (got < 0) return "nothing";
  return Text(from) + " said " + std::string(answer, static_cast<std::size_t>(got));
}

// Sends data until an answer comes (a game retries): the first answer.
std::string Exchange(int fd, const std::string& address, const std::string& data, int tries = 5) {
  for (int i = 0; i < tries; ++i) {
    Send(fd, address, data);
    const std::string answer = Answer(fd, std::chrono::milliseconds(1000));
    if (answer != "nothing") return answer;
  }
  return "nothing";
}

std::string LocalPort(int fd) {
  sockaddr_storage own{};
  socklen_t length = sizeof own;
  getsockname(fd, reinterpret_cast<sockaddr*>(&own), &length);
  const std::string text = Text(own);
  return text.substr(text.rfind(':') + 1);
}

// What the server said, without the sender: "<ip:port it saw> <data>".
std::string Said(const std::string& answer) {
  const auto at = answer.find(" said ");
  return at == std::string::npos ? answer : answer.substr(at + 6);
}

std::string TcpExchange(const std::string& address, const std::string& data) {
  socklen_t length = 0;
  const sockaddr_storage target = TestSocketAddress(address, kGamePort, &length);
  const int fd = socket(target.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  timeval limit{2, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  std::string answer = "FAIL";
  if (connect(fd, reinterpret_cast<const sockaddr*>(&target), length) == 0 &&
      send(fd, data.data(), data.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(data.size())) {
    char buffer[200];
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got > 0) answer.assign(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
  return answer;
}

// Runs game as the player inside the covered cgroup (joined through the
// service, as brisgol-run does); what it returned, one line per finding.
std::string RunGame(const std::function<std::string()>& game) {
  UserChild child;
  const bool started = child.Start(kPlayer, kPlayer, [&game](const auto& report, const auto& hold) {
    RedirectRequest join;
    join.command = RedirectRequest::Command::kJoin;
    join.pid = getpid();
    std::string error;
    std::string result = AskRedirectService(join, error) ? game() : "cannot join: " + error;
    for (char& c : result) c = c == '\n' ? '|' : c;
    report(result);
    hold();
    return 0;
  });
  if (!started) return "cannot start the game";
  std::string result = child.Report(std::chrono::seconds(120));
  child.Finish();
  for (char& c : result) c = c == '|' ? '\n' : c;
  return result;
}

// --- The test's set-up ---

class GameUdp : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (geteuid() != 0 || !ShellSucceeds("nft list tables") || !ShellSucceeds("command -v danted") ||
        !ShellSucceeds("command -v setpriv")) {
      return;
    }
    network_ = new TestNetwork;
    std::string why;
    if (!network_->Create({{std::string(kHost4) + "/29", std::string(kLine4) + "/29", std::string(kHost6) + "/64",
                            std::string(kLine6) + "/64"},
                           {std::string(kServerA) + "/29", std::string(kServerB) + "/29", std::string(kServer6) + "/64"}},
                          why) ||
        !network_->Start({Python(), Source("tests/outside/udp_game_server.py"),
                          std::string(kServerA) + "," + kServerB + "," + kServer6, std::to_string(kGamePort)},
                         why)) {
      failure_ = new std::string(why);
      return;
    }
    // Every address the tests send to routes into the test's own veth.
    for (const char* address : {kServerA, kServerB, kServer6}) {
      if (ShellOutput(std::string("ip route get ") + address).find(" dev bgh" + std::to_string(getpid())) ==
          std::string::npos) {
        failure_ = new std::string(std::string(address) + " does not route into the test's network");
        return;
      }
    }
  }
  static void TearDownTestSuite() {
    delete network_;
    delete failure_;
    network_ = nullptr;
    failure_ = nullptr;
  }

  void SetUp() override {
    if (network_ == nullptr) GTEST_SKIP() << "needs root, nftables, danted and setpriv";
    ASSERT_EQ(failure_, nullptr) << *failure_;
    dir_ = fs::temp_directory_path() / ("brisgol-game-udp-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    fs::permissions(dir_, fs::perms::all);
    StopRedirectService();
    ASSERT_TRUE(service_.Start({ProgramDir() + "/" + kRedirectServiceName}));
    std::string error;
    ASSERT_TRUE(WaitUntil([&] { return AskRedirectService(RedirectRequest{}, error); }, std::chrono::seconds(5)))
        << error;
    // The servers answer, directly.
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_NE(Exchange(fd, kServerA, "hello", 10), "nothing");
    close(fd);
  }

  void TearDown() override {
    if (network_ == nullptr) return;
    proxy_.Stop(SIGTERM, std::chrono::seconds(5));
    line_.reset();
    service_.Stop(SIGTERM, std::chrono::seconds(5));
    StopRedirectService();
    fs::remove_all(dir_);
  }

  // The line server (with an IPv6 address out, or none), local.exe as the
  // player, and the player's rule to it; true once UDP is detoured to
  // local.exe (when waitForDetour).
  void Accelerate(bool lineCarriesUdp, bool waitForDetour = true, bool lineCarriesIpv6 = true) {
    std::string why;
    line_ = std::make_unique<LineServer>(dir_ / "line");
    const std::string externals = lineCarriesIpv6 ? std::string(kLine4) + "," + kLine6 : std::string(kLine4);
    ASSERT_TRUE(line_->Start(FreeLoopbackPort(), why, externals, lineCarriesUdp)) << why;
    port_ = FreeLoopbackPort();
    const std::string record = EncodeLaunchRecord(FormatLaunchRecord(TestLaunchRecord(line_->port(), port_)));
    const std::string id = std::to_string(kPlayer);
    // The player's runtime folder, where the proxy's status interface opens.
    fs::create_directory(dir_ / "run");
    fs::permissions(dir_ / "run", fs::perms::owner_all);
    ASSERT_EQ(chown((dir_ / "run").c_str(), kPlayer, kPlayer), 0);
    ASSERT_TRUE(proxy_.Start({"setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups", "env",
                              "XDG_RUNTIME_DIR=" + (dir_ / "run").string(), ProgramDir() + "/local.exe", record},
                             (dir_ / "local.out").string()));
    ASSERT_TRUE(WaitForTcpPort(port_, std::chrono::seconds(5))) << Output();
    const int port = port_;
    ASSERT_EQ(RunAsUser(kPlayer, kPlayer,
                        [port] {
                          RedirectRequest add;
                          add.command = RedirectRequest::Command::kAdd;
                          add.port = port;
                          std::string error;
                          return AskRedirectService(add, error) ? 0 : 1;
                        }),
              0);
    if (waitForDetour) {
      ASSERT_TRUE(WaitUntil([&] { return Table().find("tproxy ip to 127.0.0.1:" + std::to_string(port_)) != std::string::npos; },
                          std::chrono::seconds(3)))
          << Table() << Output();
    }
  }

  std::string Output() const {
    std::ifstream file(dir_ / "local.out");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  static TestNetwork* network_;
  static std::string* failure_;
  fs::path dir_;
  ChildProcess service_;
  ChildProcess proxy_;
  std::unique_ptr<LineServer> line_;
  int port_ = 0;
};

TestNetwork* GameUdp::network_ = nullptr;
std::string* GameUdp::failure_ = nullptr;

}  // namespace

TEST_F(GameUdp, OneGameSocketTalksToTwoServersThroughOneAssociationAndHearsEachFromItsOwnAddress) {
  Accelerate(true);
  const std::string got = RunGame([] {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const std::string a = Exchange(fd, kServerA, "hello");
    const std::string b = Exchange(fd, kServerB, "hello");
    // Later datagrams reach the reply sockets first; carried the same.
    const std::string again = Exchange(fd, kServerA, "again");
    std::string result = a + "\n" + b + "\n" + again + "\n";
    // Both servers saw one sender: the line, with one relay port.
    const std::string sawA = Said(a).substr(0, Said(a).find(' '));
    const std::string sawB = Said(b).substr(0, Said(b).find(' '));
    result += sawA == sawB ? "one association\n" : "two associations: " + sawA + " " + sawB + "\n";
    close(fd);
    return result;
  });
  EXPECT_EQ(got.substr(0, got.find('\n')).rfind(std::string(kServerA) + ":7777 said " + kLine4 + ":", 0), 0u) << got;
  std::istringstream lines(got);
  std::string line;
  std::getline(lines, line);
  std::getline(lines, line);
  EXPECT_EQ(line.rfind(std::string(kServerB) + ":7777 said " + kLine4 + ":", 0), 0u) << got;
  EXPECT_NE(line.find(" hello"), std::string::npos) << got;
  std::getline(lines, line);
  EXPECT_EQ(line.rfind(std::string(kServerA) + ":7777 said " + kLine4 + ":", 0), 0u) << got;
  EXPECT_NE(line.find(" again"), std::string::npos) << got;
  std::getline(lines, line);
  EXPECT_EQ(line, "one association") << got;
}

// After its first datagrams to a server, the game socket's traffic with it
// is carried by the kernel: it still goes through the line (the server
// sees the line's address) while local.exe stands still, where a server the
// game socket has not talked to yet gets nothing until local.exe goes on.
TEST_F(GameUdp, AStreamToOneServerIsCarriedByTheKernelWhileTheProxyStandsStill) {
  Accelerate(true);
  const pid_t proxy = proxy_.pid();
  const std::string got = RunGame([proxy] {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    std::string result;
    for (int i = 0; i < 12; ++i) {
      if (Said(Exchange(fd, kServerA, "warm")).rfind(kLine4, 0) != 0) result += "not carried by the line\n";
    }
    kill(proxy, SIGSTOP);
    result += "A " + Exchange(fd, kServerA, "kernel", 2) + "\n";
    result += "B " + Exchange(fd, kServerB, "proxy", 1) + "\n";
    kill(proxy, SIGCONT);
    result += "then " + Answer(fd, std::chrono::milliseconds(2000)) + "\n";
    close(fd);
    return result;
  });
  std::istringstream lines(got);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line.rfind(std::string("A ") + kServerA + ":7777 said " + kLine4 + ":", 0), 0u) << got;
  EXPECT_NE(line.find(" kernel"), std::string::npos) << got;
  std::getline(lines, line);
  EXPECT_EQ(line, "B nothing") << got;
  // The datagram local.exe found waiting when it went on.
  std::getline(lines, line);
  EXPECT_EQ(line.rfind(std::string("then ") + kServerB + ":7777 said " + kLine4 + ":", 0), 0u) << got;
  // What the kernel carried counts in the proxy's status like what the
  // proxy carried itself: every byte the game sent, taken in within about
  // a second (the proxy alone carried 8 "warm" and "proxy").
  const std::uint64_t sent = 12 * 4 + 6 + 5;
  const std::string status = (dir_ / "run" / "brisgol" / "local.sock").string();
  const auto counted = [&status, sent] {
    ProxyStatus now;
    std::string error;
    return ReadStatusOnce(status, kPlayer, std::chrono::seconds(1), now, error) && now.bytesUp >= sent ? 0 : 1;
  };
  EXPECT_TRUE(WaitUntil([&] { return RunAsUser(kPlayer, kPlayer, counted) == 0; }, std::chrono::seconds(5)))
      << "the status never counted the " << sent << " bytes the game sent\n"
      << Output();
}

TEST_F(GameUdp, APeerTheGameNeverSentToCannotAnswerIt) {
  Accelerate(true);
  const std::string got = RunGame([] {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    // Server A answers, then server B sends to the same association.
    std::string result = Exchange(fd, kServerA, "spoof") + "\n";
    result += "then " + Answer(fd, std::chrono::milliseconds(700));
    close(fd);
    return result;
  });
  EXPECT_EQ(got.rfind(std::string(kServerA) + ":7777 said " + kLine4 + ":", 0), 0u) << got;
  EXPECT_NE(got.find("\nthen nothing"), std::string::npos) << got;
}

TEST_F(GameUdp, EmptyAndLargestDatagramsAreCarriedOrDroppedAndTheProxyGoesOn) {
  Accelerate(true);
  const std::string got = RunGame([] {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    std::string result = Said(Exchange(fd, kServerA, "")) + "\n";
    // The largest that fits under the relay's header (10 bytes for IPv4).
    result += Said(Exchange(fd, kServerA, std::string(65507 - 10, 'x'))) + "\n";
    // The largest IPv4 carries cannot: dropped.
    Send(fd, kServerA, std::string(65507, 'x'));
    result += Answer(fd, std::chrono::milliseconds(700)) + "\n";
    result += Said(Exchange(fd, kServerA, "still")) + "\n";
    close(fd);
    return result;
  });
  std::istringstream lines(got);
  std::string empty, fits, largest, still;
  std::getline(lines, empty);
  std::getline(lines, fits);
  std::getline(lines, largest);
  std::getline(lines, still);
  EXPECT_EQ(empty.rfind(kLine4, 0), 0u) << got;
  EXPECT_EQ(empty.back(), ' ') << got;
  EXPECT_NE(fits.find(" 65497 bytes"), std::string::npos) << got;
  EXPECT_EQ(largest, "nothing") << got;
  EXPECT_EQ(still.rfind(kLine4, 0), 0u) << got;
  EXPECT_NE(Output().find("too large"), std::string::npos) << Output();
}

TEST_F(GameUdp, IPv6IsCarriedWithItsOwnAddressesLikeIPv4) {
  Accelerate(true);
  // The service detours IPv6 once it has seen local.exe's [::1] listeners.
  ASSERT_TRUE(WaitUntil([&] { return Table().find("tproxy ip6 to [::1]:" + std::to_string(port_)) != std::string::npos; },
                      std::chrono::seconds(5)))
      << Table() << Output();
  const std::string got = RunGame([] {
    const int fd = socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    std::string result = Exchange(fd, kServer6, "hello") + "\n";
    result += Said(Exchange(fd, kServer6, "")) + "\n";
    close(fd);
    return result;
  });
  // From the server's own address, and the server saw the line's.
  EXPECT_EQ(got.rfind("[" + std::string(kServer6) + "]:7777 said " + kLine6 + ":", 0), 0u) << got << Output();
  std::istringstream lines(got);
  std::string hello, empty;
  std::getline(lines, hello);
  std::getline(lines, empty);
  EXPECT_NE(hello.find(" hello"), std::string::npos) << got;
  EXPECT_EQ(empty.rfind(std::string(kLine6) + ":", 0), 0u) << got;
}

TEST_F(GameUdp, ALineWithoutIpv6HasTheGamesIpv6RefusedAtOnceWhileIpv4GoesThroughIt) {
  Accelerate(true, true, false);
  // The line said so at the start: the games' IPv6 is refused, never
  // detoured to a line that would drop it.
  ASSERT_TRUE(WaitUntil([] { return Table().find("jump ipv6_refused") != std::string::npos; }, std::chrono::seconds(5)))
      << Table() << Output();
  EXPECT_EQ(Table().find("tproxy ip6"), std::string::npos) << Table();
  const std::string got = RunGame([] {
    socklen_t length = 0;
    const sockaddr_storage server6 = TestSocketAddress(kServer6, kGamePort, &length);
    const int udp6 = socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    std::string result = sendto(udp6, "hello", 5, 0, reinterpret_cast<const sockaddr*>(&server6), length) == 5
                             ? "sent, then " + Answer(udp6, std::chrono::milliseconds(1000))
                             : std::string("refused: ") + std::strerror(errno);
    close(udp6);
    const int tcp6 = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    result += connect(tcp6, reinterpret_cast<const sockaddr*>(&server6), length) == 0
                  ? std::string("\nconnected")
                  : std::string("\nrefused: ") + std::strerror(errno);
    close(tcp6);
    // IPv4, where the game falls back to, is carried.
    const int udp4 = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    result += "\n" + Said(Exchange(udp4, kServerA, "hello"));
    close(udp4);
    return result;
  });
  std::istringstream lines(got);
  std::string udp6, tcp6, udp4;
  std::getline(lines, udp6);
  std::getline(lines, tcp6);
  std::getline(lines, udp4);
  EXPECT_EQ(udp6, "refused: Operation not permitted") << got << Output();
  EXPECT_EQ(tcp6, "refused: Connection refused") << got;
  EXPECT_EQ(udp4.rfind(kLine4, 0), 0u) << got;
  EXPECT_EQ(Output().find("UDP is not carried"), std::string::npos) << Output();
  std::size_t told = 0;
  for (auto at = Output().find("does not carry IPv6"); at != std::string::npos; at = Output().find("does not carry IPv6", at + 1)) ++told;
  EXPECT_EQ(told, 1u) << Output();
}

TEST_F(GameUdp, FiveThousandNewSocketsLeaveTheProxyBoundedAndLaterSocketsCarried) {
  Accelerate(true);
  const auto start = Clock::now();
  const std::string got = RunGame([] {
    // A burst of new sockets, one datagram each, as fast as the game can.
    for (int i = 0; i < 5000; ++i) {
      const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
      Send(fd, kServerA, "n" + std::to_string(i));
      close(fd);
    }
    // A socket opened after them is carried once the line has caught up
    // with the burst (the game retries every second meanwhile).
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const std::string later = Said(Exchange(fd, kServerA, "later", 90));
    close(fd);
    return later;
  });
  const auto took = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start);
  std::printf("5000 new sockets, then one carried after %lld s\n", static_cast<long long>(took.count()));
  EXPECT_EQ(got.rfind(kLine4, 0), 0u) << got;
  ASSERT_TRUE(proxy_.running()) << Output();
  // Bounded: at most 1024 associations (a line connection and a relay
  // socket each, and their reply sockets).
  const std::string status = ShellOutput("cat /proc/" + std::to_string(proxy_.pid()) + "/status");
  const long rss = std::atol(status.substr(status.find("VmRSS:") + 6).c_str());
  EXPECT_LT(rss, 64 * 1024) << "kB";
  std::size_t descriptors = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/" + std::to_string(proxy_.pid()) + "/fd")) ++descriptors;
  EXPECT_LT(descriptors, 3u * 1024 + 64);
  // The table's being full is logged once a minute at most, not per socket.
  const std::string output = Output();
  long records = 0;
  for (auto at = output.find("game sockets send UDP"); at != std::string::npos; at = output.find("game sockets send UDP", at + 1)) ++records;
  EXPECT_LE(records, took.count() / 60 + 1) << output.substr(0, 2000);
}

TEST_F(GameUdp, ALineRefusingUdpLeavesTheGamesUdpDirectWhileTcpGoesThroughIt) {
  // The detour may or may not come first: a proxy that learns of the
  // refusal at start never asks for it.
  Accelerate(false, false);
  ASSERT_TRUE(WaitUntil([] { return Table().find("redirect to") != std::string::npos; }, std::chrono::seconds(3)))
      << Table();
  const std::string got = RunGame([] {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    // Retried as a game does, until the direct answer comes.
    std::string answer;
    const auto end = Clock::now() + std::chrono::seconds(5);
    do {
      answer = Said(Exchange(fd, kServerA, "hello", 1));
    } while (answer.rfind(kHost4, 0) != 0 && Clock::now() < end);
    const std::string result = answer + " from port " + LocalPort(fd) + "\n" + TcpExchange(kServerA, "tcp");
    close(fd);
    return result;
  });
  std::istringstream lines(got);
  std::string udp, tcp;
  std::getline(lines, udp);
  std::getline(lines, tcp);
  const std::string port = udp.substr(udp.rfind(' ') + 1);
  EXPECT_EQ(udp, std::string(kHost4) + ":" + port + " hello from port " + port) << got << Output();
  EXPECT_EQ(tcp.rfind(std::string(kLine4) + ":", 0), 0u) << got;
  EXPECT_NE(tcp.find(" tcp"), std::string::npos) << got;
  EXPECT_TRUE(proxy_.running()) << Output();
}
