// A game started with brisgol-run, accelerated for real: the front end's
// start path with the real redirection service, local.exe and a SOCKS5
// line server on 127.0.0.1, and a game server (TCP and UDP echo) inside a
// network namespace this test creates, reached over a veth pair with
// addresses of the benchmarking range 198.18.0.0/15. The game server
// answers with the address it saw the request come from: 198.18.7.3 (the
// line server's outgoing address) when the line carried it, 198.18.7.1
// when it came directly.
#include "tkCore/ControlManager.h"

#include "outside/proxysdk/proxysdk.h"
#include "platform/Processes.h"
#include "system/Paths.h"
#include "system/ProcessUtils.h"
#include "system/WriteLogFile.h"
#include "tests/outside/support/ChildReport.h"
#include "tests/outside/support/LineServer.h"
#include "tests/outside/support/RedirectServiceStop.h"
#include "tests/outside/support/ShellCommand.h"
#include "tests/outside/support/TestNetwork.h"
#include "tests/support/TempMachineRoot.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

#define REQUIRE(condition, what)                                                                 \
  do {                                                                                           \
    if (!(condition)) return std::string(what) + " (line " + std::to_string(__LINE__) + ")";    \
  } while (0)

constexpr char kHostAddress[] = "198.18.7.1";
constexpr char kGameAddress[] = "198.18.7.2";
constexpr char kLineAddress[] = "198.18.7.3";
constexpr int kGamePort = 7777;

std::string Output(const std::string& command) {
  std::string text = ShellOutput(command);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

bool Succeeds(const std::string& command) { return ShellSucceeds(command); }

// The system's interpreter: wrappers found first on PATH (pyenv's shims)
// can take seconds to start.
std::string Python() { return access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3"; }

std::string Script(const char* name) { return std::string(std::getenv("BRISGOL_SOURCE_DIR")) + "/tests/tkCore/" + name; }
std::string Program(const char* name) { return std::string(std::getenv("BRISGOL_PROGRAM_DIR")) + "/" + name; }

// One request from a game client, started with brisgol-run or directly.
std::string Ask(bool launched, const std::string& protocol, const std::string& text = "hello") {
  return Output((launched ? Program("brisgol-run") + " " : std::string()) + Python() + " " + Script("game_client.py") + " " +
                protocol + " " + kGameAddress + " " + std::to_string(kGamePort) + " " + text + " 2>&1");
}

std::string Through(const std::string& address, const std::string& text = "hello") { return address + " " + text; }

bool TableInForce() { return UserTableInForce(getuid()); }
bool DetourRouteInForce() { return DetourRoutesInForce(); }

// Waits until the table, the policy rules and the routes are all gone; the
// time it took.
std::chrono::milliseconds WaitForRulesGone(std::chrono::milliseconds limit) {
  const auto start = std::chrono::steady_clock::now();
  while ((TableInForce() || DetourRouteInForce()) && std::chrono::steady_clock::now() - start < limit)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

// The game server's host: a namespace and a veth pair, removed again.
class GameNetwork {
 public:
  bool Create(std::string& why) {
    const std::string prefix = "/29";
    if (!network_.Create({{kHostAddress + prefix, kLineAddress + prefix}, {kGameAddress + prefix}}, why) ||
        !network_.Start({Python(), Script("game_server.py"), kGameAddress, std::to_string(kGamePort)}, why)) {
      return false;
    }
    for (int i = 0; i < 100; ++i) {
      if (Ask(false, "tcp") == Through(kHostAddress)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    why = "the game server does not answer";
    return false;
  }

 private:
  TestNetwork network_;
};

std::string GameTrafficGoesThroughTheLineOnlyWhileAccelerated(const std::filesystem::path& dir) {
  TempMachineRoot root;
  auto program = root.Dir("program");
  std::filesystem::path built = std::getenv("BRISGOL_PROGRAM_DIR");
  std::filesystem::copy_file(built / "local.exe", program / "local.exe");
  std::filesystem::copy(built / "sys2", program / "sys2", std::filesystem::copy_options::recursive);
  g_programDir = program.wstring() + L"/";
  g_logFile.SetLogFile(g_programDir + L"log2.log", 1024);

  std::string why;
  LineServer line(dir / "line");
  REQUIRE(line.Start(38549, why, kLineAddress), why.c_str());

  // A default install: no local.cfg, the machine's own tdx runs.
  auto* control = ControlManager::GetInstance();
  int code = -1;
  const std::wstring message = control->StartAcceleration(2, nullptr, code);
  REQUIRE(message.empty(), "accelerated, code " + std::to_string(code));
  REQUIRE(TableInForce() && DetourRouteInForce(), "rules in force");

  for (const char* protocol : {"tcp", "udp"}) {
    REQUIRE(Ask(true, protocol) == Through(kLineAddress), std::string(protocol) + " through the line: " + Ask(true, protocol));
    REQUIRE(Ask(false, protocol) == Through(kHostAddress), std::string(protocol) + " of another program is direct");
  }
  REQUIRE(Ask(true, "udp", "@0") == kLineAddress + std::string(" "), "an empty datagram through the line");
  REQUIRE(Ask(true, "udp", "@1400").rfind(Through(kLineAddress, "xxxxxxxx"), 0) == 0, "a large datagram");
  // 65 507 bytes cannot be carried with the relay's header: dropped, and
  // the proxy goes on.
  REQUIRE(Ask(true, "udp", "@65507").rfind("FAIL", 0) == 0, "the largest datagram is dropped");
  REQUIRE(Ask(true, "udp") == Through(kLineAddress), "udp still carried after the largest datagram");

  line.Stop();
  for (const char* protocol : {"tcp", "udp"})
    REQUIRE(Ask(true, protocol).rfind("FAIL", 0) == 0, std::string(protocol) + " fails without the line");
  REQUIRE(line.Start(38549, why, kLineAddress, false), why.c_str());
  REQUIRE(Ask(true, "tcp") == Through(kLineAddress), "tcp through a line that refuses UDP");
  REQUIRE(Ask(true, "udp").rfind("FAIL", 0) == 0, "udp fails when the line refuses UDP ASSOCIATE");
  line.Stop();
  REQUIRE(line.Start(38549, why, kLineAddress), why.c_str());
  for (const char* protocol : {"tcp", "udp"})
    REQUIRE(Ask(true, protocol) == Through(kLineAddress), std::string(protocol) + " through the line again");

  DeleteRuleAll();
  REQUIRE(!TableInForce() && !DetourRouteInForce(), "DeleteRuleAll leaves no rule and no route");
  for (const char* protocol : {"tcp", "udp"})
    REQUIRE(Ask(true, protocol) == Through(kHostAddress), std::string(protocol) + " direct after DeleteRuleAll");

  // Bad rules are refused and change nothing.
  REQUIRE(AddRule("", "10.0.0.1", "48080", "", "") == 0, "only 127.0.0.1 is a target");
  REQUIRE(AddRule("", "127.0.0.1", "46060", "", "") == 0, "nothing listens on 46060");
  REQUIRE(!TableInForce(), "no rule after refusals");

  REQUIRE(AddRule("", "127.0.0.1", "48080", "", "") != 0 && AddPid(getpid()) != 0, "rule again");
  REQUIRE(Ask(true, "tcp") == Through(kLineAddress), "through the line with the rule again");
  KillProcessesByName(L"local.exe", true);
  const auto took = WaitForRulesGone(std::chrono::seconds(3));
  REQUIRE(took <= std::chrono::milliseconds(1000), "rules gone " + std::to_string(took.count()) + " ms after local.exe ended");
  REQUIRE(!DetourRouteInForce(), "no route after local.exe ended");
  REQUIRE(Ask(true, "tcp") == Through(kHostAddress), "direct once local.exe ended");

  control->StopAcceleration();
  REQUIRE(!TableInForce() && !DetourRouteInForce(), "the stop leaves nothing");

  // Accelerated again, then the front end ends without a stop.
  REQUIRE(control->StartAcceleration(2, nullptr, code).empty(), "accelerated again, code " + std::to_string(code));
  REQUIRE(Ask(true, "udp") == Through(kLineAddress), "udp through the line again");
  return std::string();
}

// Runs the scenario in a child process, which is the front end: it ends
// with the rules in force. The failure, if any, is returned.
std::string RunScenarioAsFrontEnd(const std::filesystem::path& dir) {
  return RunInChild([&] {
    const std::string failure = GameTrafficGoesThroughTheLineOnlyWhileAccelerated(dir);
    if (!failure.empty()) ControlManager::GetInstance()->StopAcceleration();
    return failure;
  });
}

TEST(GameRedirectEndToEnd, GameTrafficGoesThroughTheLineOnlyWhileAccelerated) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root: nftables, a network namespace and the line server's user";
  if (!Succeeds("nft list tables")) GTEST_SKIP() << "nftables cannot be used here";
  if (!Succeeds("command -v danted")) GTEST_SKIP() << "danted (dante-server) is missing";
  // The service of this build, not one another build left running.
  StopRedirectService();
  TempMachineRoot scratch;
  GameNetwork network;
  std::string why;
  ASSERT_TRUE(network.Create(why)) << why;
  const std::string failure = RunScenarioAsFrontEnd(scratch.path());
  EXPECT_EQ(failure, "");
  // The front end ended with the rules in force: the service drops them.
  const auto took = WaitForRulesGone(std::chrono::seconds(3));
  EXPECT_LE(took.count(), 1000) << "rules still in force after the front end ended";
  EXPECT_FALSE(DetourRouteInForce());
  EXPECT_EQ(Ask(true, "tcp"), Through(kHostAddress));
  KillProcessesByName(L"local.exe", true);
  StopRedirectService();
}

}  // namespace
