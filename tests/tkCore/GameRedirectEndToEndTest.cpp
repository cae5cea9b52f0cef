// Games started with brisgol-run, accelerated for real, as a player meets
// it: the front end's start path (ControlManager, the redirection library,
// local.exe) runs as a player account the test creates, and so do the
// games; root only starts the redirection service, the SOCKS5 line server
// on 127.0.0.1 and the test's network. The game servers live in a network
// namespace of the test's own: 198.18.7.2 and 198.18.7.4 and
// 2001:db8:7::2 behind one veth pair, a "LAN" host 10.213.77.2 and
// fd62:7700::2 (unique-local) behind a second one (the machine's end:
// 10.213.77.1, fd62:7700::1), with a DNS-style UDP server on the LAN
// host's port 53. Every inside address is checked to route into the
// test's own veth pairs before anything is sent. Every server answers with the address
// it saw the request come from: the line server's outgoing address
// (198.18.7.3, 2001:db8:7::3) when the line carried it, the machine's own
// address when it came directly.
#include "MainWnd/ProcessWatch.h"
#include "outside/redirect/CoveredCgroup.h"
#include "outside/redirect/RedirectPaths.h"
#include "outside/redirect/ServiceClient.h"
#include "platform/Processes.h"
#include "system/Paths.h"
#include "system/ProcessUtils.h"
#include "system/WriteLogFile.h"
#include "tests/outside/support/ChildProcess.h"
#include "tests/outside/support/GameScripts.h"
#include "tests/outside/support/LineServer.h"
#include "tests/outside/support/RedirectServiceStop.h"
#include "tests/outside/support/ShellCommand.h"
#include "tests/outside/support/TestNetwork.h"
#include "tests/outside/support/TestUser.h"
#include "tests/outside/support/UserChild.h"
#include "tests/outside/support/WaitUntil.h"
#include "tests/support/TempMachineRoot.h"
#include "tkCore/ControlManager.h"

#include <arpa/inet.h>
#include <signal.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kHost4 = "198.18.7.1";
constexpr const char* kGame4 = "198.18.7.2";
constexpr const char* kLine4 = "198.18.7.3";
constexpr const char* kSecond4 = "198.18.7.4";
constexpr const char* kHost6 = "2001:db8:7::1";
constexpr const char* kGame6 = "2001:db8:7::2";
constexpr const char* kLine6 = "2001:db8:7::3";
constexpr const char* kLanOwn = "10.213.77.1";
constexpr const char* kLanHost = "10.213.77.2";
constexpr const char* kLanOwn6 = "fd62:7700::1";  // unique-local
constexpr const char* kLanHost6 = "fd62:7700::2";
constexpr int kGamePort = 7777;
constexpr int kOwnPort = 7778;
constexpr int kResolverPort = 53;
constexpr int kLinePort = 38549;  // line 2's
constexpr int kMainPorts[] = {48080, 47070, 46060};

using Clock = std::chrono::steady_clock;

std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

std::string Program(const char* name) { return std::string(std::getenv("BRISGOL_PROGRAM_DIR")) + "/" + name; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

// "<address the server saw> hello".
std::string From(const std::string& address, const std::string& text = "hello") { return address + " " + text; }

// The front end of one player: the start path of acceleration on line 2
// in a child process running as the player, as the program runs it. It
// reports the start's result once: "started", or "failed <code> <how
// many local.exe ran then>" (and stops). Once started, it reports "proxy
// ended" when its local.exe ends and runs the failure handling (the stop)
// as the window does. Finish stops acceleration and ends it.
class PlayerFrontEnd {
 public:
  struct Options {
    bool drivers = true;      // false: the driver files are missing (code 102)
    bool portsTaken = false;  // true: every main port is taken (code 103)
  };

  PlayerFrontEnd(const TestUser& player, const Options& options) : player_(player), options_(options) {}

  std::string Start() {
    auto program = root_.Dir("program");
    const fs::path built = std::getenv("BRISGOL_PROGRAM_DIR");
    fs::copy_file(built / "local.exe", program / "local.exe");
    if (options_.drivers) fs::copy(built / "sys2", program / "sys2", fs::copy_options::recursive);
    ShellSucceeds("chmod 755 " + root_.path().string() + " && chown -R " + std::to_string(player_.uid()) + ":" +
                  std::to_string(player_.gid()) + " " + root_.path().string());
    const bool portsTaken = options_.portsTaken;
    const std::string home = root_.path().string();
    child_.Start(player_.uid(), player_.gid(), [program, portsTaken, home](const auto& report, const auto& hold) {
      setenv("HOME", home.c_str(), 1);
      unsetenv("XDG_RUNTIME_DIR");
      g_programDir = program.wstring() + L"/";
      g_logFile.SetLogFile(g_programDir + L"log2.log", 1024);
      std::vector<int> held;
      if (portsTaken) {
        for (const int port : kMainPorts) held.push_back(ListenOn(port));
      }
      ControlManager* control = ControlManager::GetInstance();
      int code = -1;
      const std::wstring message = control->StartAcceleration(2, nullptr, code);
      CProcessWatch watch;
      if (message.empty()) {
        std::vector<DWORD> running;
        FindProcessIdsByName(L"local.exe", running, false);
        report("started");
        watch.Start(running.size() == 1 ? running[0] : 0, [&report, control] {
          report("proxy ended");
          control->StopAcceleration();
        });
      } else {
        report("failed " + std::to_string(code) + " " + std::to_string(LocalProxies()));
        control->StopAcceleration();
      }
      hold();
      watch.Stop();
      control->StopAcceleration();
      for (const int fd : held) close(fd);
      return 0;
    });
    return child_.Report(std::chrono::seconds(20));
  }
  std::string Report(std::chrono::milliseconds timeout) { return child_.Report(timeout); }
  void Finish() { child_.Finish(); }
  // The front end dies: no stop, no failure handling.
  void Crash() {
    kill(child_.pid(), SIGKILL);
    child_.Finish();
  }

 private:
  static int ListenOn(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fd, 1);
    return fd;
  }
  static std::size_t LocalProxies() {
    std::vector<DWORD> running;
    FindProcessIdsByName(L"local.exe", running, false);
    return running.size();
  }

  const TestUser& player_;
  Options options_;
  TempMachineRoot root_;
  UserChild child_;
};

class GameRedirectEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (geteuid() != 0 || !ShellSucceeds("nft list tables") || !ShellSucceeds("command -v danted") ||
        !ShellSucceeds("command -v useradd") || !ShellSucceeds("command -v setpriv") ||
        Cgroup2MountPoint().empty()) {
      return;
    }
    // The service of this build, not one another build left running.
    StopRedirectService();
    std::string why;
    player_ = new TestUser;
    network_ = new TestNetwork;
    service_ = new ChildProcess;
    ownServer_ = new ChildProcess;
    const std::string game = std::string(kGame4) + "," + kSecond4 + "," + kGame6 + "," + kLanHost + "," + kLanHost6;
    const bool ready =
        player_->Create(why) &&
        // The line's IPv6 address is never a source of its own choosing
        // (deprecated at once): direct IPv6 leaves from kHost6.
        network_->Create({{std::string(kHost4) + "/29", std::string(kLine4) + "/29", std::string(kHost6) + "/64",
                           std::string(kLine6) + "/64 preferred_lft 0"},
                          {std::string(kGame4) + "/29", std::string(kSecond4) + "/29", std::string(kGame6) + "/64"},
                          {std::string(kLanOwn) + "/30", std::string(kLanOwn6) + "/64"},
                          {std::string(kLanHost) + "/30", std::string(kLanHost6) + "/64"}},
                         why) &&
        network_->Start({PythonProgram(), GameScript("game_server.py"), game, std::to_string(kGamePort)}, why) &&
        network_->Start({PythonProgram(), GameScript("game_server.py"), kLanHost, std::to_string(kResolverPort)}, why) &&
        ownServer_->Start(player_->As({PythonProgram(), GameScript("game_server.py"), kLanOwn, std::to_string(kOwnPort)}));
    if (!ready) {
      failure_ = new std::string(why.empty() ? "cannot start the game servers" : why);
      return;
    }
    for (const char* address : {kGame4, kSecond4, kGame6, kLanHost, kLanHost6}) {
      if (!network_->RoutesInside(address)) {
        failure_ = new std::string(std::string(address) + " is not routed into the test's network");
        return;
      }
    }
    if (!WaitUntil([] { return Other("tcp", kGame4) == From(kHost4) && Other("tcp", kLanOwn, kOwnPort) == From(kLanOwn) &&
                             Other("udp", kLanHost, kResolverPort) == From(kLanOwn); },
                 std::chrono::seconds(10))) {
      failure_ = new std::string("the game servers do not answer");
      return;
    }
    if (!service_->Start({Program(kRedirectServiceName)}) ||
        !WaitUntil([] { std::string error; return AskRedirectService(RedirectRequest{}, error); },
                 std::chrono::seconds(5))) {
      failure_ = new std::string("the redirection service does not answer");
    }
  }
  static void TearDownTestSuite() {
    if (service_ != nullptr) service_->Stop(SIGTERM, std::chrono::seconds(5));
    StopRedirectService();
    delete ownServer_;
    delete service_;
    delete network_;
    delete player_;
    delete failure_;
    ownServer_ = service_ = nullptr;
    network_ = nullptr;
    player_ = nullptr;
    failure_ = nullptr;
  }
  void SetUp() override {
    if (player_ == nullptr) GTEST_SKIP() << "needs root, nftables, danted, cgroup v2, useradd and setpriv";
    ASSERT_EQ(failure_, nullptr) << *failure_;
    line_ = std::make_unique<LineServer>(scratch_.Dir("line"));
  }
  void TearDown() override {
    if (player_ == nullptr || failure_ != nullptr) return;
    line_.reset();
    // Whatever the case did, the player's rules go with its front end.
    EXPECT_TRUE(RulesGone()) << ShellOutput("nft list table inet brisgol_u" + std::to_string(player_->uid()));
    EXPECT_TRUE(WaitUntil([] { return Trimmed(ShellOutput("pgrep -u " + std::to_string(player_->uid()) + " -x local.exe")).empty(); },
                        std::chrono::seconds(5)))
        << "a local.exe of the player is left";
    // Nothing of one case reaches the next.
    for (const std::string& pid : Lines(ShellOutput("pgrep -u " + std::to_string(player_->uid()) + " -x local.exe")))
      kill(static_cast<pid_t>(std::stol(pid)), SIGKILL);
  }

  bool StartLine(bool udp = true) {
    std::string why;
    const bool started = line_->Start(kLinePort, why, std::string(kLine4) + "," + kLine6, udp);
    EXPECT_TRUE(started) << why;
    return started;
  }
  static bool RulesGone() {
    return WaitUntil([] { return !UserTableInForce(player_->uid()) && !DetourRoutesInForce(); }, std::chrono::seconds(5));
  }

  // One request of a game the player starts with brisgol-run.
  static std::string Game(const std::string& protocol, const std::string& address, int port = kGamePort,
                          const std::string& text = "hello") {
    return Trimmed(player_->Run(Program("brisgol-run") + " " + GameClientCommand(protocol, address, port, text)));
  }
  // The same request of another of the player's programs.
  static std::string Other(const std::string& protocol, const std::string& address, int port = kGamePort,
                           const std::string& text = "hello") {
    return Trimmed(player_->Run(GameClientCommand(protocol, address, port, text)));
  }

  static TestUser* player_;
  static TestNetwork* network_;
  static ChildProcess* service_;
  static ChildProcess* ownServer_;
  static std::string* failure_;
  TempMachineRoot scratch_;
  std::unique_ptr<LineServer> line_;
};

TestUser* GameRedirectEndToEnd::player_ = nullptr;
TestNetwork* GameRedirectEndToEnd::network_ = nullptr;
ChildProcess* GameRedirectEndToEnd::service_ = nullptr;
ChildProcess* GameRedirectEndToEnd::ownServer_ = nullptr;
std::string* GameRedirectEndToEnd::failure_ = nullptr;

}  // namespace

TEST_F(GameRedirectEndToEnd, TcpAndUdpOfBothFamiliesGoThroughTheLineAndLocalDestinationsDirectly) {
  ASSERT_TRUE(StartLine());
  PlayerFrontEnd frontEnd(*player_, {});
  ASSERT_EQ(frontEnd.Start(), "started");
  for (const char* protocol : {"tcp", "udp"}) {
    EXPECT_EQ(Game(protocol, kGame4), From(kLine4)) << protocol;
    EXPECT_EQ(Game(protocol, kGame6), From(kLine6)) << protocol;
    EXPECT_EQ(Other(protocol, kGame4), From(kHost4)) << protocol << " of another program";
    EXPECT_EQ(Other(protocol, kGame6), From(kHost6)) << protocol << " of another program";
    // The LAN host, the machine's own address and the LAN's resolver are
    // reached directly.
    EXPECT_EQ(Game(protocol, kLanHost), From(kLanOwn)) << protocol;
    EXPECT_EQ(Game(protocol, kLanHost6), From(kLanOwn6)) << protocol;
    EXPECT_EQ(Game(protocol, kLanOwn, kOwnPort), From(kLanOwn)) << protocol;
  }
  EXPECT_EQ(Game("udp", kLanHost, kResolverPort, "query"), From(kLanOwn, "query"));
  // One game socket, two servers: each answer from its own server.
  EXPECT_EQ(Game("udp-two", std::string(kGame4) + "," + kSecond4),
            std::string(kGame4) + ":7777 " + From(kLine4) + "\n" + kSecond4 + ":7777 " + From(kLine4));
  EXPECT_EQ(Game("udp", kGame4, kGamePort, "@0"), kLine4 + std::string(" "));
  EXPECT_EQ(Game("udp", kGame4, kGamePort, "@1400").rfind(From(kLine4, "xxxxxxxx"), 0), 0u);
  frontEnd.Finish();
  ASSERT_TRUE(RulesGone());
  for (const char* protocol : {"tcp", "udp"}) EXPECT_EQ(Game(protocol, kGame4), From(kHost4)) << protocol;
}

TEST_F(GameRedirectEndToEnd, ALineThatRefusesUdpCarriesTcpWhileUdpFlowsDirectly) {
  ASSERT_TRUE(StartLine(false));
  PlayerFrontEnd frontEnd(*player_, {});
  ASSERT_EQ(frontEnd.Start(), "started");
  EXPECT_EQ(Game("tcp", kGame4), From(kLine4));
  // The first datagrams may be lost while local.exe learns that the line
  // refuses UDP; then the detour goes and UDP flows directly.
  EXPECT_TRUE(WaitUntil([] { return Game("udp", kGame4) == From(kHost4); }, std::chrono::seconds(10)))
      << Game("udp", kGame4);
  EXPECT_EQ(Game("udp", kLanHost, kResolverPort, "query"), From(kLanOwn, "query"));
  EXPECT_EQ(Game("tcp", kGame4), From(kLine4));
  frontEnd.Finish();
}

TEST_F(GameRedirectEndToEnd, ALineStoppedBeforeTheStartFailsItOnce) {
  PlayerFrontEnd frontEnd(*player_, {});
  const std::string outcome = frontEnd.Start();
  EXPECT_EQ(outcome.rfind("failed ", 0), 0u) << outcome;
  EXPECT_EQ(frontEnd.Report(std::chrono::milliseconds(500)), "") << "one outcome only";
  EXPECT_FALSE(UserTableInForce(player_->uid()));
  EXPECT_EQ(Game("tcp", kGame4), From(kHost4));
  frontEnd.Finish();
}

TEST_F(GameRedirectEndToEnd, ALineThatDiesWhileAcceleratingIsHandledOnceAndTheGameGoesDirect) {
  ASSERT_TRUE(StartLine());
  PlayerFrontEnd frontEnd(*player_, {});
  ASSERT_EQ(frontEnd.Start(), "started");
  EXPECT_EQ(Game("tcp", kGame4), From(kLine4));
  const auto stopped = Clock::now();
  line_->Stop();
  EXPECT_EQ(frontEnd.Report(std::chrono::seconds(25)), "proxy ended");
  std::printf("the failure handling ran %.1f s after the line stopped\n",
              std::chrono::duration<double>(Clock::now() - stopped).count());
  EXPECT_EQ(frontEnd.Report(std::chrono::seconds(1)), "") << "the failure handling runs once";
  EXPECT_TRUE(RulesGone());
  for (const char* protocol : {"tcp", "udp"}) EXPECT_EQ(Game(protocol, kGame4), From(kHost4)) << protocol;
  frontEnd.Finish();
}

TEST_F(GameRedirectEndToEnd, AFrontEndThatEndsWithoutAStopTakesItsRulesAndItsLocalProxyWithIt) {
  ASSERT_TRUE(StartLine());
  PlayerFrontEnd frontEnd(*player_, {});
  ASSERT_EQ(frontEnd.Start(), "started");
  EXPECT_EQ(Game("udp", kGame4), From(kLine4));
  frontEnd.Crash();
  EXPECT_TRUE(RulesGone());
  for (const char* protocol : {"tcp", "udp"}) EXPECT_EQ(Game(protocol, kGame4), From(kHost4)) << protocol;
}

TEST_F(GameRedirectEndToEnd, MainPortZeroReportsTheDriverOrPortFailure) {
  ASSERT_TRUE(StartLine());
  {
    PlayerFrontEnd frontEnd(*player_, {.drivers = false});
    EXPECT_EQ(frontEnd.Start(), "failed 102 1");
    frontEnd.Finish();
  }
  {
    PlayerFrontEnd frontEnd(*player_, {.portsTaken = true});
    EXPECT_EQ(frontEnd.Start(), "failed 103 1");
    frontEnd.Finish();
  }
  EXPECT_FALSE(UserTableInForce(player_->uid()));
}
