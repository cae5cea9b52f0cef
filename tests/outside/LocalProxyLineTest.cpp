// The real local.exe, run as an ordinary user, against a scripted line
// server in the test process: the line checked at the start and while
// running, the life of the proxy (main port 0, the front end's end, the
// covered cgroup), the relay's resets, keepalive and half-close, and the
// SOCKS5 port kept to the proxy's own user.

#include "outside/redirect/CoveredCgroup.h"
#include "outside/redirect/DescriptorPassing.h"
#include "tests/outside/support/LocalProxyProcess.h"
#include "tests/outside/support/ScriptedLineServer.h"
#include "tests/outside/support/SocksTestClient.h"
#include "tests/outside/support/TestAddress.h"
#include "tests/outside/support/TestServers.h"
#include "tests/outside/support/UserChild.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The ordinary user local.exe runs as (no account needed).
constexpr uid_t kPlayer = 4344;

std::string ReadText(const fs::path& path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

int ExitCode(int status) { return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

// The /proc/net/tcp line of the IPv4 socket local -> remote on loopback.
std::string SocketLine(int localPort, int remotePort) {
  char wanted[64];
  std::snprintf(wanted, sizeof wanted, "0100007F:%04X 0100007F:%04X", localPort, remotePort);
  std::istringstream lines(ReadText("/proc/net/tcp"));
  for (std::string line; std::getline(lines, line);) {
    if (line.find(wanted) != std::string::npos) return line;
  }
  return std::string();
}

// A socket line's field by index (0: slot, 4: tx_queue:rx_queue, 5: timer).
std::string Field(const std::string& line, int index) {
  std::istringstream fields(line);
  std::string field;
  for (int i = 0; i <= index && fields >> field; ++i) {
  }
  return field;
}

int LocalPort(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

// User and system CPU time of a process, in clock ticks.
long CpuTicks(pid_t pid) {
  const std::string stat = ReadText("/proc/" + std::to_string(pid) + "/stat");
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string field;
  long user = 0, system = 0;
  // Fields 3 to 13, then utime (14) and stime (15).
  for (int i = 3; i <= 13; ++i) fields >> field;
  fields >> user >> system;
  return user + system;
}

class LocalProxyLine : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("local_proxy_line_test_" + std::to_string(getpid()) + "_" +
                                        std::to_string(Clock::now().time_since_epoch().count()));
    fs::create_directories(dir_);
    fs::permissions(dir_, fs::perms::all);
    ASSERT_TRUE(frontEnd_.Start({"sleep", "600"}));
  }
  void TearDown() override {
    proxy_.process().Stop(SIGKILL, 5s);
    std::error_code error;
    fs::remove_all(dir_, error);
  }

  LaunchRecord Record(int mainPort) {
    LaunchRecord record = TestLaunchRecord(line_.port(), mainPort);
    record.frontEndPid = frontEnd_.pid();
    return record;
  }
  bool StartProxy(bool waitReady = true) {
    mainPort_ = FreeLoopbackPort();
    return proxy_.StartAsUser(kPlayer, Record(mainPort_), Output(), waitReady);
  }
  std::string Output() const { return (dir_ / "local.out").string(); }
  std::string Log() const { return ReadText(Output()); }
  // A SOCKS5 connection through the proxy as the proxy's own user; the
  // socket stays usable by the test after the child hands it over.
  int ConnectAsPlayer(int targetPort, int& reply);
  // Starts the proxy against a line that follows script and connects
  // through it to the echo server as the player; -1 (reply_ holds the
  // SOCKS5 reply) when that fails.
  int ConnectThroughLine(const ScriptedLineServer::Script& script) {
    line_.SetScript(script);
    return StartProxy() ? ConnectAsPlayer(echo_.port(), reply_) : -1;
  }

  fs::path dir_;
  ChildProcess frontEnd_;
  ScriptedLineServer line_;
  LocalProxyProcess proxy_;
  int mainPort_ = 0;
  int reply_ = -1;
  TcpTestServer echo_{TcpTestServer::Mode::kEcho};
};

// The connection is made by a child running as the player (the proxy
// serves only its own user on its SOCKS5 port) and passed back to the test
// with the SOCKS5 reply code.
int LocalProxyLine::ConnectAsPlayer(int targetPort, int& reply) {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return -1;
  const int port = mainPort_;
  const pid_t child = fork();
  if (child == 0) {
    close(pair[0]);
    if (geteuid() == 0 && (setresgid(kPlayer, kPlayer, kPlayer) != 0 || setresuid(kPlayer, kPlayer, kPlayer) != 0)) _exit(1);
    int code = -1;
    const int fd = SocksConnect(port, "127.0.0.1", targetPort, code);
    _exit(SendWithDescriptor(pair[1], std::to_string(code) + "\n", fd) ? 0 : 1);
  }
  close(pair[1]);
  std::string code;
  int fd = -1;
  if (ReceiveLineWithDescriptor(pair[0], 16, 10000, code, fd)) reply = std::atoi(code.c_str());
  close(pair[0]);
  waitpid(child, nullptr, 0);
  return fd;
}

// This thread, and what it starts from now on, in a network namespace of
// its own (only loopback, with the test's addresses and rules); back in
// the machine's namespace when the object ends. Declared before anything
// that lives in it, so that it ends last.
class OwnNetwork {
 public:
  OwnNetwork() = default;
  OwnNetwork(const OwnNetwork&) = delete;
  OwnNetwork& operator=(const OwnNetwork&) = delete;
  ~OwnNetwork() {
    if (entered_) setns(original_, CLONE_NEWNET);
    if (original_ >= 0) close(original_);
  }
  bool Enter(const std::vector<std::string>& commands, std::string& why) {
    original_ = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (original_ < 0 || unshare(CLONE_NEWNET) != 0) {
      why = std::string("cannot make a network namespace: ") + std::strerror(errno);
      return false;
    }
    entered_ = true;
    for (const std::string& command : commands) {
      if (std::system(command.c_str()) != 0) {
        why = "failed: " + command;
        return false;
      }
    }
    return true;
  }

 private:
  int original_ = -1;
  bool entered_ = false;
};

// What a game's connection to address:port met: 0 connected, then reset;
// 1 connected, then an orderly end; 2 refused at once; 3 anything else.
int GameConnection(const std::string& address, int port) {
  socklen_t length = 0;
  sockaddr_storage target = TestSocketAddress(address, port, &length);
  const int fd = socket(target.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  timeval timeout{5, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  if (connect(fd, reinterpret_cast<sockaddr*>(&target), length) != 0) return errno == ECONNREFUSED ? 2 : 3;
  char byte = 0;
  const ssize_t got = recv(fd, &byte, 1, 0);
  const int error = errno;
  close(fd);
  return got == 0 ? 1 : got < 0 && error == ECONNRESET ? 0 : 3;
}

bool Echoes(int fd, const std::string& message) {
  std::string answer;
  return SendAll(fd, message) && ReceiveExactly(fd, message.size(), answer) && answer == message;
}

}  // namespace

TEST_F(LocalProxyLine, EndsWithCodeThreeBeforeTheFrontEndLooksWhenTheLineCannotBeUsed) {
  struct Case {
    const char* name;
    ScriptedLineServer::Script script;
  };
  ScriptedLineServer::Script closes, refuses, silent;
  closes.closeAtOnce = true;
  refuses.acceptLogin = false;
  silent.silent = true;
  for (const Case& item : {Case{"closes at once", closes}, Case{"refuses the login", refuses}, Case{"never answers", silent}}) {
    line_.SetScript(item.script);
    LocalProxyProcess proxy;
    ASSERT_TRUE(proxy.StartAsUser(kPlayer, Record(FreeLoopbackPort()), Output(), false));
    // The front end looks for local.exe 2 s after starting it.
    const int status = proxy.process().Wait(2s);
    EXPECT_EQ(ExitCode(status), 3) << item.name << "\n" << Log();
    EXPECT_NE(Log().find("cannot use the line server 127.0.0.1:" + std::to_string(line_.port())), std::string::npos)
        << Log();
  }
  // Nobody listening at all.
  LaunchRecord nowhere = Record(FreeLoopbackPort());
  nowhere.serverPort = FreeLoopbackPort();
  LocalProxyProcess proxy;
  ASSERT_TRUE(proxy.StartAsUser(kPlayer, nowhere, Output(), false));
  EXPECT_EQ(ExitCode(proxy.process().Wait(2s)), 3) << Log();
  EXPECT_NE(Log().find("Connection refused"), std::string::npos) << Log();
}

TEST_F(LocalProxyLine, CarriesTcpWhenTheLineRefusesUdpAndNeverOpensItsUdpListener) {
  ScriptedLineServer::Script noUdp;
  noUdp.udpReply = 7;
  const int fd = ConnectThroughLine(noUdp);
  ASSERT_GE(fd, 0) << "reply " << reply_ << "\n" << Log();
  EXPECT_TRUE(Echoes(fd, "tcp still goes through the line"));
  close(fd);
  EXPECT_EQ(line_.seen().udpRequests, 1);
  EXPECT_EQ(Count(Log(), "does not carry UDP"), 1u) << Log();
  // It never asked for its transparent UDP listener.
  EXPECT_EQ(Log().find("UDP is not carried"), std::string::npos) << Log();
}

TEST_F(LocalProxyLine, ChecksTheLineWhileRunningAndEndsWithCodeFourAboutTenSecondsAfterItDies) {
  const int fd = ConnectThroughLine(ScriptedLineServer::Script{});
  ASSERT_GE(fd, 0) << Log();
  ASSERT_TRUE(Echoes(fd, "before"));
  const int loginsAtStart = line_.seen().logins;
  std::this_thread::sleep_for(4500ms);
  // A check every two seconds, each a login of its own.
  EXPECT_GE(line_.seen().logins - loginsAtStart, 2);
  EXPECT_TRUE(proxy_.process().running());

  // The line stops answering in the middle of a transfer.
  ScriptedLineServer::Script silent;
  silent.silent = true;
  line_.SetScript(silent);
  ASSERT_TRUE(SendAll(fd, "into the void"));
  const auto died = Clock::now();
  const int status = proxy_.process().Wait(20s);
  const auto after = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - died).count();
  EXPECT_EQ(ExitCode(status), 4) << Log();
  // About ten seconds of failed checks; printed for the record.
  std::printf("local.exe ended %lld ms after the line went silent\n", static_cast<long long>(after));
  EXPECT_GE(after, 8000) << "given up too early";
  EXPECT_EQ(Count(Log(), "has failed every check"), 1u) << Log();
  char byte = 0;
  EXPECT_LE(recv(fd, &byte, 1, 0), 0);
  close(fd);
}

TEST_F(LocalProxyLine, WithMainPortZeroItCarriesNothingAndStaysUntilItsFrontEndEnds) {
  proxy_.StartAsUser(kPlayer, Record(0), Output(), false);
  std::this_thread::sleep_for(2500ms);
  ASSERT_TRUE(proxy_.process().running()) << Log();
  EXPECT_EQ(line_.seen().logins, 0);
  EXPECT_TRUE(frontEnd_.Stop(SIGKILL, 5s));
  EXPECT_EQ(ExitCode(proxy_.process().Wait(5s)), 0) << Log();
  EXPECT_NE(Log().find("the front end has ended"), std::string::npos) << Log();

  // And it ends when it is ended.
  ChildProcess another;
  ASSERT_TRUE(another.Start({"sleep", "600"}));
  LaunchRecord record = Record(0);
  record.frontEndPid = another.pid();
  LocalProxyProcess waiting;
  ASSERT_TRUE(waiting.StartAsUser(kPlayer, record, Output(), false));
  std::this_thread::sleep_for(500ms);
  ASSERT_TRUE(waiting.process().running());
  kill(waiting.process().pid(), SIGTERM);
  EXPECT_EQ(ExitCode(waiting.process().Wait(5s)), 0);
}

TEST_F(LocalProxyLine, EndsWhenItsFrontEndEndsAndWhenTheFrontEndIsGoneAlready) {
  ASSERT_TRUE(StartProxy()) << Log();
  int reply = -1;
  const int fd = ConnectAsPlayer(echo_.port(), reply);
  ASSERT_GE(fd, 0) << Log();
  EXPECT_TRUE(frontEnd_.Stop(SIGKILL, 5s));
  EXPECT_EQ(ExitCode(proxy_.process().Wait(5s)), 0) << Log();
  char byte = 0;
  EXPECT_LE(recv(fd, &byte, 1, 0), 0);
  close(fd);

  // Field 5 names a process that has ended already.
  LocalProxyProcess late;
  ASSERT_TRUE(late.StartAsUser(kPlayer, Record(FreeLoopbackPort()), Output(), false));
  EXPECT_EQ(ExitCode(late.process().Wait(5s)), 0);
  EXPECT_NE(Log().find("is gone"), std::string::npos) << Log();
}

TEST_F(LocalProxyLine, ServesOnlyItsOwnUserOnTheSocksPort) {
  ASSERT_TRUE(StartProxy()) << Log();
  if (geteuid() != 0) GTEST_SKIP() << "needs root to be another user than the proxy";
  // The test itself (root) is another user.
  int reply = -1;
  EXPECT_LT(SocksConnect(mainPort_, "127.0.0.1", echo_.port(), reply), 0);
  EXPECT_EQ(reply, -1) << "no SOCKS5 answer at all";
  EXPECT_EQ(RunAsUser(kPlayer + 1, kPlayer + 1, [this] {
              int code = -1;
              return SocksConnect(mainPort_, "127.0.0.1", echo_.port(), code) < 0 ? 0 : 1;
            }),
            0);
  const int fd = ConnectAsPlayer(echo_.port(), reply);
  ASSERT_GE(fd, 0) << Log();
  EXPECT_TRUE(Echoes(fd, "the player's own"));
  close(fd);
  EXPECT_NE(Log().find("another user"), std::string::npos);
}

TEST_F(LocalProxyLine, RelaysWithKeepaliveOnBothSides) {
  const int fd = ConnectThroughLine(ScriptedLineServer::Script{});
  ASSERT_GE(fd, 0) << Log();
  ASSERT_TRUE(Echoes(fd, "idle afterwards"));
  std::this_thread::sleep_for(200ms);
  const ScriptedLineServer::Seen seen = line_.seen();
  ASSERT_EQ(seen.relayPeerPorts.size(), 1u);
  // Timer 02 is the keepalive timer; the test's own socket has none.
  const std::string gameSide = SocketLine(mainPort_, LocalPort(fd));
  const std::string lineSide = SocketLine(seen.relayPeerPorts[0], line_.port());
  ASSERT_FALSE(gameSide.empty());
  ASSERT_FALSE(lineSide.empty());
  EXPECT_EQ(Field(gameSide, 5).substr(0, 2), "02") << gameSide;
  EXPECT_EQ(Field(lineSide, 5).substr(0, 2), "02") << lineSide;
  EXPECT_EQ(Field(SocketLine(LocalPort(fd), mainPort_), 5).substr(0, 2), "00");
  close(fd);
}

TEST_F(LocalProxyLine, AnswersARefusedTargetWithItsCode) {
  ScriptedLineServer::Script refusing;
  refusing.connectReply = 5;
  EXPECT_LT(ConnectThroughLine(refusing), 0);
  EXPECT_EQ(reply_, 5) << Log();
  EXPECT_TRUE(proxy_.process().running());
}

TEST_F(LocalProxyLine, HoldsNoCoreWhileAHalfClosedConnectionWaitsForASlowReader) {
  ScriptedLineServer::Script holding;
  holding.endAndHoldRelays = true;
  const int fd = ConnectThroughLine(holding);
  ASSERT_GE(fd, 0) << Log();
  // The line has ended its side at once.
  char byte = 0;
  ASSERT_EQ(recv(fd, &byte, 1, 0), 0);

  // Upload until the proxy stops reading us (its backlog towards the line
  // is full): bytes then wait unread in its socket.
  const std::string chunk(64 * 1024, 'u');
  std::uint64_t sent = 0;
  bool heldBack = false;
  for (int i = 0; i < 1024 && !heldBack; ++i) {
    const ssize_t put = send(fd, chunk.data(), chunk.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (put > 0) sent += static_cast<std::uint64_t>(put);
    std::this_thread::sleep_for(20ms);
    const std::string queues = Field(SocketLine(mainPort_, LocalPort(fd)), 4);
    heldBack = !queues.empty() && queues.substr(queues.find(':') + 1) != "00000000";
  }
  ASSERT_TRUE(heldBack) << "the proxy never held the upload back";
  // We hang up; the proxy's side is now ended both ways while its bytes
  // still wait for the slow reader.
  close(fd);
  std::this_thread::sleep_for(200ms);
  const pid_t pid = proxy_.process().pid();
  const long before = CpuTicks(pid);
  std::this_thread::sleep_for(3s);
  const long used = CpuTicks(pid) - before;
  std::printf("local.exe used %ld clock ticks in 3 s while held back\n", used);
  // A spinning proxy uses all of the 3 s; an idle one next to nothing.
  EXPECT_LT(used, sysconf(_SC_CLK_TCK) / 2);

  // The slow reader reads at last: everything arrives, then the end.
  line_.Release();
  const auto end = Clock::now() + 10s;
  while (line_.seen().heldEnded == 0 && Clock::now() < end) std::this_thread::sleep_for(20ms);
  EXPECT_EQ(line_.seen().heldEnded, 1);
  EXPECT_EQ(line_.seen().heldBytes, sent);
}

TEST_F(LocalProxyLine, RefusesToRunInsideTheCoveredCgroup) {
  const std::string directory = CoveredCgroupDirectory(kPlayer);
  if (geteuid() != 0 || directory.empty()) GTEST_SKIP() << "needs root and a cgroup v2 hierarchy";
  std::error_code error;
  const bool made = fs::create_directories(directory, error);
  ASSERT_TRUE(fs::is_directory(directory)) << error.message();
  std::string command = "echo $$ > " + directory + "/cgroup.procs && exec";
  for (const std::string& word : LocalProxyProcess::CommandAsUser(kPlayer, Record(FreeLoopbackPort()))) {
    command += " '" + word + "'";
  }
  ChildProcess covered;
  ASSERT_TRUE(covered.Start({"sh", "-c", command}, Output()));
  EXPECT_EQ(ExitCode(covered.Wait(5s)), 5) << Log();
  EXPECT_NE(Log().find("refusing to run"), std::string::npos) << Log();
  EXPECT_EQ(line_.seen().logins, 0);
  if (made) {
    fs::remove(directory, error);
    fs::remove(fs::path(directory).parent_path(), error);
  }
}

TEST_F(LocalProxyLine, PassesAResetFromEitherSideOnAsAReset) {
  ScriptedLineServer::Script resetting;
  resetting.resetOnWord = true;
  const int fd = ConnectThroughLine(resetting);
  ASSERT_GE(fd, 0) << Log();
  ASSERT_TRUE(Echoes(fd, "first"));
  ASSERT_TRUE(SendAll(fd, "RESET"));
  char byte = 0;
  EXPECT_EQ(recv(fd, &byte, 1, 0), -1);
  EXPECT_EQ(errno, ECONNRESET) << "the line's reset reaches the game as a reset, not an end";
  close(fd);

  const int game = ConnectAsPlayer(echo_.port(), reply_);
  ASSERT_GE(game, 0) << Log();
  ASSERT_TRUE(Echoes(game, "then the game resets"));
  const linger abortive{1, 0};
  setsockopt(game, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
  close(game);
  const auto end = Clock::now() + 5s;
  while (line_.seen().resetsFromClients == 0 && Clock::now() < end) std::this_thread::sleep_for(20ms);
  EXPECT_EQ(line_.seen().resetsFromClients, 1);
}

// The line's answers to IPv6 in the test's own namespace, where its rule
// redirects 198.18.0.1:9 and [2001:db8::1]:9 to local.exe: how the games'
// connections end.
TEST(LocalProxyRedirected, ResetsRefusedGamesAndRefusesIpv6AtOnceWhenTheLineCannotCarryIt) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root for the test's own network namespace and redirect rules";
  constexpr int kMainPort = 40123;
  OwnNetwork network;
  std::string why;
  ASSERT_TRUE(network.Enter({"ip link set lo up", "ip addr add 198.18.0.1/32 dev lo",
                             "ip -6 addr add 2001:db8::1/128 dev lo nodad",
                             "nft 'table inet brisgol_test { chain out { type nat hook output priority -100; "
                             "ip daddr 198.18.0.1 tcp dport 9 redirect to :40123; "
                             "ip6 daddr 2001:db8::1 tcp dport 9 redirect to :40123; }; }'"},
                            why))
      << why;
  const fs::path dir = fs::temp_directory_path() / ("local_proxy_redirected_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string output = (dir / "local.out").string();
  struct Case {
    const char* name;
    int ownLoopbackReply;
    int firstIpv6Game;  // GameConnection's answer: 0 reset, 2 refused at once
    int ipv6Connects;   // what the line saw
  };
  // A line that answers every IPv6 destination so tells at the start, and
  // no game's IPv6 reaches the line. One whose start answer did not say
  // (its own loopback not allowed) tells with the first game, which is
  // reset; the next one is refused at once.
  for (const Case& item : {Case{"says so at the start", -1, 2, 1}, Case{"says so to a game", 2, 0, 2}}) {
    ChildProcess frontEnd;
    ASSERT_TRUE(frontEnd.Start({"sleep", "600"}));
    ScriptedLineServer line;
    ScriptedLineServer::Script refusing;
    refusing.connectReply = 5;
    refusing.ipv6Reply = 8;
    refusing.ownLoopbackReply = item.ownLoopbackReply;
    line.SetScript(refusing);
    LaunchRecord record = TestLaunchRecord(line.port(), kMainPort);
    record.frontEndPid = frontEnd.pid();
    LocalProxyProcess proxy;
    ASSERT_TRUE(proxy.StartAsUser(kPlayer, record, output)) << ReadText(output);
    if (item.firstIpv6Game == 2) {
      const auto end = Clock::now() + 5s;
      while (Count(ReadText(output), "does not carry IPv6") == 0 && Clock::now() < end) std::this_thread::sleep_for(10ms);
    }

    // The line refuses the target: the game is reset, as by the target.
    EXPECT_EQ(RunAsUser(kPlayer, kPlayer, [] { return GameConnection("198.18.0.1", 9); }), 0) << item.name << ReadText(output);
    EXPECT_EQ(RunAsUser(kPlayer, kPlayer, [] { return GameConnection("2001:db8::1", 9); }), item.firstIpv6Game)
        << item.name << ReadText(output);
    EXPECT_EQ(RunAsUser(kPlayer, kPlayer, [] { return GameConnection("2001:db8::1", 9); }), 2) << item.name << ReadText(output);
    EXPECT_EQ(line.seen().ipv6Connects, item.ipv6Connects) << item.name;
    EXPECT_EQ(Count(ReadText(output), "does not carry IPv6"), 1u) << item.name << ReadText(output);
    EXPECT_TRUE(proxy.process().running()) << item.name;
    proxy.process().Stop(SIGTERM, 5s);
    fs::remove(output);
  }
  std::error_code error;
  fs::remove_all(dir, error);
}
