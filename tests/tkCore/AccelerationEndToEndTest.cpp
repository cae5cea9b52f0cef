// Acceleration as it runs for real: the real redirection library, the
// real local proxy and a real SOCKS5 line server on loopback, then a web
// request through the local proxy's port reaching a local web server.
#include "tkCore/ControlManager.h"

#include "outside/proxysdk/SdkState.h"
#include "platform/Processes.h"
#include "system/Paths.h"
#include "system/ProcessUtils.h"
#include "system/WriteLogFile.h"
#include "tests/http/LocalHttpServer.h"
#include "tests/outside/support/LineServer.h"
#include "tests/outside/support/RedirectServiceStop.h"
#include "tests/outside/support/SocksTestClient.h"
#include "tests/support/TempMachineRoot.h"

#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Returns from the scenario with a report; the servers it started end
// with their objects, before the death-test child exits.
#define REQUIRE(condition, what)                                               \
  do {                                                                         \
    if (!(condition)) return std::string(what) + " (line " + std::to_string(__LINE__) + ")"; \
  } while (0)

std::string Fetch(int proxyPort, int webPort, const std::string& path) {
  int reply = -1;
  int fd = SocksConnect(proxyPort, "127.0.0.1", webPort, reply);
  if (fd < 0) return "no connection, reply " + std::to_string(reply);
  SendAll(fd, "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
  std::string response;
  char buffer[4096];
  for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) response.append(buffer, static_cast<size_t>(n));
  close(fd);
  return response;
}

std::string Line2CarriesAWebRequestAndTheStopLeavesNothing() {
  TempMachineRoot root;
  auto program = root.Dir("program");
  std::filesystem::path built = std::getenv("BRISGOL_PROGRAM_DIR");
  std::filesystem::copy_file(built / "local.exe", program / "local.exe");
  std::filesystem::copy(built / "sys2", program / "sys2", std::filesystem::copy_options::recursive);
  WriteTestFile(program / "local.cfg", "[config]\ntdx_check=0\n");
  g_programDir = program.wstring() + L"/";
  g_logFile.SetLogFile(g_programDir + L"log2.log", 1024);

  std::string why;
  LineServer line(root.Dir("line"));
  REQUIRE(line.Start(38549, why), why.c_str());
  WriteTestFile(root.path() / "site/index.html", "brisgol through the line");
  LocalHttpServer web(root.path() / "site");
  REQUIRE(web.running(), "web server");

  auto* control = ControlManager::GetInstance();
  int code = -1;
  std::wstring message = control->StartAcceleration(2, nullptr, code);
  REQUIRE(message.empty(), "accelerated");
  SdkState sdk;
  ParseSdkState(ReadTestFile(root.path() / "proxysdk/state"), sdk);
  REQUIRE(sdk.rules.size() == 1 && sdk.rules[0].port == "48080", "rule to the first pair's main port");

  std::string response = Fetch(48080, web.port(), "/files/index.html");
  REQUIRE(response.rfind("HTTP/1.", 0) == 0 && response.find(" 200 ") == 8, response.c_str());
  REQUIRE(response.find("brisgol through the line") != std::string::npos, "body through the line server");

  control->StopAcceleration();
  std::vector<DWORD> ids;
  FindProcessIdsByName(L"local.exe", ids, false);
  REQUIRE(ids.empty(), "no local.exe after the stop");
  ParseSdkState(ReadTestFile(root.path() / "proxysdk/state"), sdk);
  REQUIRE(sdk.rules.empty(), "no rule after the stop");
  REQUIRE(Fetch(48080, web.port(), "/files/index.html").rfind("no connection", 0) == 0, "the port is closed");
  return std::string();
}

void ScenarioLine2CarriesAWebRequestAndTheStopLeavesNothing() {
  std::string failure = Line2CarriesAWebRequestAndTheStopLeavesNothing();
  ControlManager::GetInstance()->StopAcceleration();
  if (!failure.empty()) {
    std::fprintf(stderr, "scenario failed: %s\n", failure.c_str());
    std::exit(1);
  }
  std::fprintf(stderr, "scenario passed\n");
  std::exit(0);
}

TEST(AccelerationEndToEnd, Line2CarriesAWebRequestAndTheStopLeavesNothing) {
  if (geteuid() != 0) GTEST_SKIP() << "the line server checks a system user, which needs root";
  // The redirection service of this build, not one another build left.
  StopRedirectService();
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(ScenarioLine2CarriesAWebRequestAndTheStopLeavesNothing(), ::testing::ExitedWithCode(0),
              "scenario passed");
  KillProcessesByName(L"local.exe", true);
  StopRedirectService();
}

}  // namespace
