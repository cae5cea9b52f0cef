// The redirection service for real (root, nftables): a player's game
// started with brisgol-run goes to the player's own proxy and nothing else
// does; another user can neither clear, change nor borrow the player's
// rules; the handed-over sockets reach nothing but the player's own game;
// 10 000 rules; a service killed and started again; socket activation.
// The player is an account the test creates; traffic goes only to loopback
// and to a network namespace of the test's own (198.18.6.0/29,
// 2001:db8:6::/64).
#include "outside/redirect/CoveredCgroup.h"
#include "outside/redirect/NftRuleset.h"
#include "outside/redirect/RedirectPaths.h"
#include "outside/redirect/ServiceClient.h"
#include "tests/outside/support/ChildProcess.h"
#include "tests/outside/support/GameScripts.h"
#include "tests/outside/support/LocalProxyProcess.h"
#include "tests/outside/support/RedirectServiceStop.h"
#include "tests/outside/support/ShellCommand.h"
#include "tests/outside/support/TestNetwork.h"
#include "tests/outside/support/TestUser.h"
#include "tests/outside/support/UserChild.h"
#include "tests/outside/support/WaitUntil.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/netfilter_ipv4.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr char kHost4[] = "198.18.6.1";
constexpr char kGame4[] = "198.18.6.2";
constexpr char kHost6[] = "2001:db8:6::1";
constexpr char kGame6[] = "2001:db8:6::2";
constexpr int kGamePort = 7777;
constexpr uid_t kStranger = 4343;
constexpr int kIpv6OriginalDestination = 80;  // IP6T_SO_ORIGINAL_DST

using Clock = std::chrono::steady_clock;

bool Succeeds(const std::string& command) { return ShellSucceeds(command); }
std::string Output(const std::string& command) { return ShellOutput(command + " 2>&1"); }

std::string Program(const std::string& name) { return ProgramDir() + "/" + name; }

// "python3 game_client.py tcp ADDRESS 7777 hello".
std::string Client(const std::string& protocol, const std::string& address) {
  return GameClientCommand(protocol, address, kGamePort);
}

std::string ReadWhole(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

bool Ask(RedirectRequest::Command command, std::string& error, int port = 0, long pid = 0) {
  RedirectRequest request;
  request.command = command;
  request.port = port;
  request.pid = pid;
  return AskRedirectService(request, error);
}

std::string OriginalDestination(int connection) {
  sockaddr_storage original{};
  socklen_t length = sizeof original;
  char text[INET6_ADDRSTRLEN] = {};
  if (getsockopt(connection, SOL_IP, SO_ORIGINAL_DST, &original, &length) == 0) {
    const auto* v4 = reinterpret_cast<sockaddr_in*>(&original);
    inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(v4->sin_port));
  }
  length = sizeof original;
  if (getsockopt(connection, IPPROTO_IPV6, kIpv6OriginalDestination, &original, &length) == 0) {
    const auto* v6 = reinterpret_cast<sockaddr_in6*>(&original);
    inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
    return "[" + std::string(text) + "]:" + std::to_string(ntohs(v6->sin6_port));
  }
  return "unknown";
}

// The player's proxy: listeners owned by the player on 127.0.0.1 (and
// [::1] when asked) at one port, answering each redirected connection with
// "proxy <its original destination>", and the player's rule to it.
class PlayerProxy {
 public:
  bool Start(uid_t uid, gid_t gid, bool ipv6 = false) {
    const bool started = child_.Start(uid, gid, [ipv6](const auto& report, const auto& hold) {
      const int v4 = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      socklen_t length = sizeof address;
      bind(v4, reinterpret_cast<sockaddr*>(&address), length);
      listen(v4, 16);
      getsockname(v4, reinterpret_cast<sockaddr*>(&address), &length);
      const int port = ntohs(address.sin_port);
      int v6 = -1;
      if (ipv6) {
        v6 = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in6 loopback{};
        loopback.sin6_family = AF_INET6;
        loopback.sin6_addr = in6addr_loopback;
        loopback.sin6_port = htons(static_cast<std::uint16_t>(port));
        bind(v6, reinterpret_cast<sockaddr*>(&loopback), sizeof loopback);
        listen(v6, 16);
      }
      std::thread serving([v4, v6] {
        for (;;) {
          pollfd ready[2] = {{v4, POLLIN, 0}, {v6, POLLIN, 0}};
          if (poll(ready, v6 >= 0 ? 2 : 1, -1) <= 0) return;
          for (const pollfd& one : ready) {
            if (one.fd < 0 || one.revents == 0) continue;
            if (!(one.revents & POLLIN)) return;  // shut down
            const int connection = accept4(one.fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) return;
            const std::string answer = "proxy " + OriginalDestination(connection);
            send(connection, answer.data(), answer.size(), MSG_NOSIGNAL);
            close(connection);
          }
        }
      });
      std::string error;
      const bool added = Ask(RedirectRequest::Command::kAdd, error, port);
      report(std::to_string(port) + " " + (added ? "added" : error));
      hold();
      shutdown(v4, SHUT_RDWR);
      if (v6 >= 0) shutdown(v6, SHUT_RDWR);
      serving.join();
      return 0;
    });
    const std::string answer = child_.Report();
    port_ = std::atoi(answer.c_str());
    return started && answer == std::to_string(port_) + " added";
  }
  int port() const { return port_; }
  pid_t pid() const { return child_.pid(); }
  void Stop() { child_.Finish(); }

 private:
  UserChild child_;
  int port_ = 0;
};

class RedirectDaemon : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (geteuid() != 0 || !Succeeds("nft list tables") || !Succeeds("command -v useradd") ||
        !Succeeds("command -v setpriv") || Cgroup2MountPoint().empty()) {
      return;
    }
    std::string why;
    player_ = new TestUser;
    network_ = new TestNetwork;
    if (!player_->Create(why) ||
        !network_->Create({{std::string(kHost4) + "/29", std::string(kHost6) + "/64"},
                           {std::string(kGame4) + "/29", std::string(kGame6) + "/64"}},
                          why) ||
        !network_->Start({PythonProgram(), GameScript("game_server.py"), std::string(kGame4) + "," + kGame6,
                          std::to_string(kGamePort)},
                         why) ||
        !WaitUntil([] { return Output(Client("tcp", kGame4)) == std::string(kHost4) + " hello\n"; },
                 std::chrono::seconds(5))) {
      setUpFailure_ = new std::string(why.empty() ? "the game server does not answer" : why);
    }
  }
  static void TearDownTestSuite() {
    delete network_;
    delete player_;
    delete setUpFailure_;
    network_ = nullptr;
    player_ = nullptr;
    setUpFailure_ = nullptr;
  }
  void SetUp() override {
    if (player_ == nullptr) GTEST_SKIP() << "needs root, nftables, cgroup v2, useradd and setpriv";
    ASSERT_EQ(setUpFailure_, nullptr) << *setUpFailure_;
    // The service of this build, not one another build left running.
    StopRedirectService();
    ASSERT_TRUE(StartService());
  }
  void TearDown() override {
    if (player_ == nullptr) return;
    service_.Stop(SIGTERM, std::chrono::seconds(5));
    // Nothing of the service stays on the machine.
    EXPECT_FALSE(Output("nft list tables").find("brisgol_") != std::string::npos) << Output("nft list tables");
    EXPECT_FALSE(DetourRoutesInForce());
    EXPECT_FALSE(fs::exists(CoveredCgroupDirectory(player_->uid())));
    StopRedirectService();
  }
  bool StartService() {
    if (!service_.Start({Program(kRedirectServiceName)})) return false;
    std::string error;
    return WaitUntil([&] { return Ask(RedirectRequest::Command::kPing, error); }, std::chrono::seconds(5));
  }
  std::string Launched(const std::string& command) { return Program("brisgol-run") + " " + command; }
  std::string Table(uid_t uid) { return Output("nft list table inet " + std::string(kUserTablePrefix) + std::to_string(uid)); }

  static TestUser* player_;
  static TestNetwork* network_;
  static std::string* setUpFailure_;
  ChildProcess service_;
};

TestUser* RedirectDaemon::player_ = nullptr;
TestNetwork* RedirectDaemon::network_ = nullptr;
std::string* RedirectDaemon::setUpFailure_ = nullptr;

}  // namespace

TEST_F(RedirectDaemon, AGameUnderBrisgolRunGoesToItsPlayersProxyAndNothingElseDoes) {
  PlayerProxy proxy;
  ASSERT_TRUE(proxy.Start(player_->uid(), player_->gid()));
  char folder[] = "/tmp/brisgol-saves-XXXXXX";
  const std::string saves = mkdtemp(folder);
  chown(saves.c_str(), player_->uid(), player_->gid());
  const std::string probe = "grep ^0:: /proc/self/cgroup; touch " + saves + "/$1 && stat -c %g " + saves + "/$1; " +
                            Client("tcp", kGame4) + "; " + Client("tcp", kGame6) + "; " + Client("udp", kGame4);
  const std::string gid = std::to_string(player_->gid());
  // The game: in the player's cgroup, its files the player's own group,
  // its TCP to the player's proxy, IPv6 refused at once (the proxy has no
  // [::1] listener), UDP direct (no UDP listener).
  EXPECT_EQ(player_->Run(Launched("sh -c \"" + probe + "\" game save")),
            "0::/" + CoveredCgroupName(player_->uid()) + "\n" + gid + "\nproxy 198.18.6.2:7777\n" +
                "FAIL [Errno 111] Connection refused\n" + kHost4 + " hello\n");
  // The player's other programs go directly.
  const std::string other = player_->Run("sh -c \"" + probe + "\" other other-save");
  EXPECT_EQ(other.substr(other.find('\n') + 1),
            gid + "\n" + kHost4 + " hello\n" + kHost6 + " hello\n" + kHost4 + " hello\n");
  EXPECT_EQ(other.find("brisgol"), std::string::npos) << other;
  fs::remove_all(saves);
  // IPv6 UDP is refused at once too: the datagram is rejected on its way
  // out, so the game's send fails (a game's unconnected socket would
  // never hear of an ICMP error).
  EXPECT_EQ(player_->Run(Launched(Client("udp-connected", kGame6))), "FAIL [Errno 1] Operation not permitted\n");
  EXPECT_EQ(player_->Run(Launched(Client("udp", kGame6))), "FAIL [Errno 1] Operation not permitted\n");
  EXPECT_EQ(player_->Run(Client("udp-connected", kGame6)), std::string(kHost6) + " hello\n");

  // The proxy ends: the rules go, and with them the (empty) cgroup.
  proxy.Stop();
  EXPECT_TRUE(WaitUntil([&] { return !UserTableInForce(player_->uid()) && !DetourRoutesInForce(); },
                      std::chrono::seconds(1)));
  EXPECT_TRUE(WaitUntil([&] { return !fs::exists(CoveredCgroupDirectory(player_->uid())); }, std::chrono::seconds(1)));
  EXPECT_EQ(player_->Run(Launched(Client("tcp", kGame4))), std::string(kHost4) + " hello\n");
}

TEST_F(RedirectDaemon, IPv6IsCarriedWhileTheProxyListensOnTheIPv6Loopback) {
  PlayerProxy proxy;
  ASSERT_TRUE(proxy.Start(player_->uid(), player_->gid(), true));
  EXPECT_EQ(player_->Run(Launched(Client("tcp", kGame6))), "proxy [2001:db8:6::2]:7777\n") << Table(player_->uid());
  proxy.Stop();
}

TEST_F(RedirectDaemon, TheUdpDetourLastsOnlyWhileTheProxysListenerIsOpen) {
  PlayerProxy proxy;
  ASSERT_TRUE(proxy.Start(player_->uid(), player_->gid()));
  const int port = proxy.port();
  const std::string tproxy = "tproxy ip to 127.0.0.1:" + std::to_string(port);
  // Without a transparent listener the game's UDP flows directly.
  EXPECT_EQ(Table(player_->uid()).find("tproxy"), std::string::npos) << Table(player_->uid());
  EXPECT_EQ(player_->Run(Launched(Client("udp", kGame4))), std::string(kHost4) + " hello\n");
  UserChild listener;
  ASSERT_TRUE(listener.Start(player_->uid(), player_->gid(), [port](const auto& report, const auto& hold) {
    RedirectRequest request;
    request.command = RedirectRequest::Command::kUdpListener;
    request.local = {AF_INET, "127.0.0.1", port};
    std::string error;
    int socket = -1;
    report(AskRedirectService(request, error, &socket) ? "listening" : error);
    hold();
    close(socket);
    return 0;
  }));
  ASSERT_EQ(listener.Report(), "listening");
  EXPECT_TRUE(WaitUntil([&] { return Table(player_->uid()).find(tproxy) != std::string::npos; }, std::chrono::seconds(5)))
      << Table(player_->uid());
  const auto closed = Clock::now();
  listener.Finish();
  EXPECT_TRUE(WaitUntil([&] { return Table(player_->uid()).find("tproxy") == std::string::npos; }, std::chrono::seconds(5)))
      << Table(player_->uid());
  std::printf("the UDP detour went %lld ms after its listener closed\n",
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - closed).count()));
  EXPECT_TRUE(UserTableInForce(player_->uid())) << "TCP is still redirected";
  EXPECT_EQ(player_->Run(Launched(Client("udp", kGame4))), std::string(kHost4) + " hello\n");
  EXPECT_EQ(player_->Run(Launched(Client("tcp", kGame4))), "proxy 198.18.6.2:7777\n");
  proxy.Stop();
}

TEST_F(RedirectDaemon, AnotherUserCanNeitherClearChangeNorBorrowThePlayersRules) {
  PlayerProxy proxy;
  ASSERT_TRUE(proxy.Start(player_->uid(), player_->gid()));
  const int port = proxy.port();
  const long proxyPid = proxy.pid();
  EXPECT_EQ(RunAsUser(kStranger, kStranger, [port, proxyPid] {
              std::string error;
              if (!Ask(RedirectRequest::Command::kClear, error)) return 1;  // clears nothing of others
              if (Ask(RedirectRequest::Command::kAdd, error, port)) return 2;
              if (Ask(RedirectRequest::Command::kWatch, error, 0, proxyPid)) return 3;
              if (Ask(RedirectRequest::Command::kJoin, error, 0, proxyPid)) return 4;
              RedirectRequest listener;
              listener.command = RedirectRequest::Command::kUdpListener;
              listener.local = {AF_INET, "127.0.0.1", port};
              int socket = -1;
              if (AskRedirectService(listener, error, &socket)) return 5;
              return 0;
            }),
            0);
  std::string error;
  EXPECT_TRUE(Ask(RedirectRequest::Command::kClear, error)) << error;  // root's own rules: none
  EXPECT_NE(Table(player_->uid()).find("redirect to :" + std::to_string(port)), std::string::npos);
  EXPECT_FALSE(UserTableInForce(kStranger));
  EXPECT_FALSE(UserTableInForce(0));
  // The stranger's own game is covered by nothing: it goes directly.
  EXPECT_EQ(Output("setpriv --reuid=" + std::to_string(kStranger) + " --regid=" + std::to_string(kStranger) +
                   " --clear-groups " + Launched(Client("tcp", kGame4))),
            std::string(kHost4) + " hello\n");
  // The player's still goes to the player's proxy.
  EXPECT_EQ(player_->Run(Launched(Client("tcp", kGame4))), "proxy 198.18.6.2:7777\n");
  proxy.Stop();
  EXPECT_TRUE(WaitUntil([] { return !fs::exists(CoveredCgroupDirectory(kStranger)); }, std::chrono::seconds(1)));
}

TEST_F(RedirectDaemon, HandedOverSocketsReachOnlyThePlayersOwnGame) {
  PlayerProxy proxy;
  ASSERT_TRUE(proxy.Start(player_->uid(), player_->gid()));
  // The player's game waits for an answer; the stranger's socket too.
  const std::string wait = PythonProgram() + " -c \"import socket, sys; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); "
                           "s.bind(('" + std::string(kHost4) + "', int(sys.argv[1]))); s.settimeout(3); "
                           "print(*s.recvfrom(100), flush=True)\" ";
  ChildProcess game, stranger;
  const fs::path output = fs::temp_directory_path() / ("brisgol-game-" + std::to_string(getpid()));
  ASSERT_TRUE(game.Start(player_->As({"sh", "-c", Launched(wait + "40101")}),
                         output.string() + ".game"));
  ASSERT_TRUE(stranger.Start({"setpriv", "--reuid=" + std::to_string(kStranger), "--regid=" + std::to_string(kStranger), "--clear-groups", "sh", "-c", wait + "40102"}, output.string() + ".stranger"));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(RunAsUser(player_->uid(), player_->gid(), [] {
              RedirectRequest reply;
              reply.command = RedirectRequest::Command::kUdpReply;
              reply.remote = {AF_INET, kGame4, kGamePort};
              reply.game = {AF_INET, kHost4, 40101};
              std::string error;
              int socket = -1;
              if (!AskRedirectService(reply, error, &socket)) return 1;
              if (send(socket, "pong", 4, 0) != 4) return 2;
              // Connected or not, it can send elsewhere, from the remote
              // address: the guard keeps that on the machine...
              sockaddr_in away{};
              away.sin_family = AF_INET;
              away.sin_port = htons(9);
              inet_pton(AF_INET, kGame4, &away.sin_addr);
              const ssize_t spoofed = sendto(socket, "spoof", 5, 0, reinterpret_cast<sockaddr*>(&away), sizeof away);
              if (spoofed >= 0 || errno != EPERM) return 3;
              // ... and away from any socket but the player's cgroup's.
              sockaddr_in other{};
              other.sin_family = AF_INET;
              other.sin_port = htons(40102);
              inet_pton(AF_INET, kHost4, &other.sin_addr);
              sendto(socket, "spoof", 5, 0, reinterpret_cast<sockaddr*>(&other), sizeof other);
              close(socket);
              return 0;
            }),
            0);
  EXPECT_NE(game.Wait(std::chrono::seconds(5)), -1);
  EXPECT_NE(stranger.Wait(std::chrono::seconds(5)), -1);
  EXPECT_EQ(ReadWhole(output.string() + ".game"), "b'pong' ('198.18.6.2', 7777)\n");
  const std::string strangerGot = ReadWhole(output.string() + ".stranger");
  EXPECT_NE(strangerGot.find("timed out"), std::string::npos) << strangerGot;
  fs::remove(output.string() + ".game");
  fs::remove(output.string() + ".stranger");
  proxy.Stop();
}

TEST_F(RedirectDaemon, TenThousandRulesFromOnePlayerAreRefusedAndLeaveNothing) {
  PlayerProxy proxy;
  ASSERT_TRUE(proxy.Start(player_->uid(), player_->gid()));
  const int port = proxy.port();
  EXPECT_EQ(RunAsUser(player_->uid(), player_->gid(), [port] {
              int taken = 0;
              std::string error;
              for (int i = 0; i < 10000; ++i) taken += Ask(RedirectRequest::Command::kAdd, error, port);
              return taken == 7 && error == "too many rules (at most 8); clear them first" ? 0 : 1;
            }),
            0);
  std::string error;
  EXPECT_TRUE(Ask(RedirectRequest::Command::kPing, error)) << error;
  EXPECT_LT(fs::file_size(kRedirectLogFile), 64u * 1024) << "a run of one refusal is logged once";
  EXPECT_EQ(RunAsUser(player_->uid(), player_->gid(), [] {
              std::string why;
              return Ask(RedirectRequest::Command::kClear, why) ? 0 : 1;
            }),
            0);
  EXPECT_FALSE(UserTableInForce(player_->uid()));
  EXPECT_FALSE(DetourRoutesInForce());
  proxy.Stop();
}

TEST_F(RedirectDaemon, AKilledServiceLeavesNothingStaleOnceStartedAgain) {
  PlayerProxy proxy;
  ASSERT_TRUE(proxy.Start(player_->uid(), player_->gid()));
  ChildProcess game;
  ASSERT_TRUE(game.Start(player_->As({Program("brisgol-run"), "sleep", "30"})));
  ASSERT_TRUE(WaitUntil([&] { return fs::exists(CoveredCgroupDirectory(player_->uid()) + "/cgroup.procs"); },
                      std::chrono::seconds(2)));
  // Someone else's rules, which the service never touches.
  ASSERT_TRUE(Succeeds("nft add table inet bgtest_keep"));
  ASSERT_TRUE(Succeeds("ip rule add pref 6276 fwmark 0x1234 lookup 100"));
  ASSERT_TRUE(UserTableInForce(player_->uid()) && DetourRoutesInForce());

  service_.Stop(SIGKILL, std::chrono::seconds(2));
  EXPECT_TRUE(UserTableInForce(player_->uid())) << "what the killed service left";
  ASSERT_TRUE(StartService());
  EXPECT_FALSE(UserTableInForce(player_->uid()));
  EXPECT_FALSE(DetourRoutesInForce());
  EXPECT_TRUE(Succeeds("nft list table inet bgtest_keep"));
  EXPECT_NE(Output("ip rule list pref 6276").find("0x1234"), std::string::npos);
  Succeeds("nft delete table inet bgtest_keep");
  Succeeds("ip rule del pref 6276 fwmark 0x1234 lookup 100");
  // The player's rules were the killed service's: gone, until asked again.
  EXPECT_EQ(player_->Run(Launched(Client("tcp", kGame4))), std::string(kHost4) + " hello\n");
  // The game still runs in the cgroup the killed service made; the cgroup
  // goes when it ends.
  EXPECT_TRUE(fs::exists(CoveredCgroupDirectory(player_->uid())));
  game.Stop(SIGKILL, std::chrono::seconds(2));
  EXPECT_TRUE(WaitUntil([&] { return !fs::exists(CoveredCgroupDirectory(player_->uid())); }, std::chrono::seconds(1)));
  proxy.Stop();
}

TEST_F(RedirectDaemon, ServesTheSameWhenSystemdHandsItItsSocket) {
  service_.Stop(SIGTERM, std::chrono::seconds(5));
  StopRedirectService();
  mkdir(kRedirectRunDir, 0755);
  const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, kRedirectSocketFile, sizeof address.sun_path - 1);
  ASSERT_EQ(bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  chmod(kRedirectSocketFile, 0666);
  ASSERT_EQ(listen(listening, 16), 0);
  const pid_t activated = fork();
  if (activated == 0) {
    dup2(listening, 3);
    setenv("LISTEN_PID", std::to_string(getpid()).c_str(), 1);
    setenv("LISTEN_FDS", "1", 1);
    const std::string program = Program(kRedirectServiceName);
    execl(program.c_str(), program.c_str(), nullptr);
    _exit(127);
  }
  close(listening);
  std::string error;
  EXPECT_TRUE(WaitUntil([&] { return Ask(RedirectRequest::Command::kPing, error); }, std::chrono::seconds(5))) << error;
  PlayerProxy proxy;
  EXPECT_TRUE(proxy.Start(player_->uid(), player_->gid()));
  EXPECT_EQ(player_->Run(Launched(Client("tcp", kGame4))), "proxy 198.18.6.2:7777\n");
  proxy.Stop();
  kill(activated, SIGTERM);
  waitpid(activated, nullptr, 0);
  EXPECT_TRUE(fs::exists(kRedirectSocketFile)) << "the socket stays systemd's";
  unlink(kRedirectSocketFile);
}
