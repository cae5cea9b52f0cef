// The whole product on the embedded default, nothing faked, on a virtual X
// display: the configuration server and the three line servers of
// scripts/embedded, the real program with its real local proxy and
// redirection service. Start -> configuration fetched and decrypted ->
// line 1 accelerating (read from the running "local.exe"'s launch record)
// -> a request through the local proxy's main port reaches a local web
// server through the real line server -> the local proxy killed while
// accelerating: the failure handling once -> the session's end runs the
// exit routine -> nothing of ours left running.
#include "outside/launchrecord/LaunchRecordCodec.h"
#include "platform/CodePage.h"
#include "tests/app/RunningProgram.h"
#include "tests/http/LocalHttpServer.h"
#include "tests/outside/support/RedirectServiceStop.h"
#include "tests/outside/support/SocksTestClient.h"
#include "tests/support/TempMachineRoot.h"

#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

bool Have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// The pids of the running processes whose executable is named name.
std::vector<pid_t> ProcessesNamed(const std::string& name) {
  std::vector<pid_t> pids;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string id = entry.path().filename();
    if (id.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code error;
    const fs::path exe = fs::read_symlink(entry.path() / "exe", error);
    if (!error && exe.filename() == name) pids.push_back(std::stoi(id));
  }
  return pids;
}

// The launch record on the process's command line (its one argument).
std::string RecordArgument(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t first = all.find('\0');
  if (first == std::string::npos) return {};
  return all.substr(first + 1, all.find('\0', first + 1) - first - 1);
}

std::string Fetch(int proxyPort, int webPort) {
  int reply = -1;
  const int fd = SocksConnect(proxyPort, "127.0.0.1", webPort, reply);
  if (fd < 0) return "no connection, reply " + std::to_string(reply);
  SendAll(fd, "GET /files/index.html HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
  std::string response;
  char buffer[4096];
  for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) response.append(buffer, static_cast<size_t>(n));
  close(fd);
  return response;
}

class ProductEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under Xvfb)";
    if (geteuid() != 0) GTEST_SKIP() << "the line servers and the redirection service need root";
    for (const char* tool : {"danted", "python3", "iconv"})
      if (!Have(tool)) GTEST_SKIP() << tool << " is missing";
    buildDir = std::getenv("BRISGOL_BUILD_DIR");
    source = std::getenv("BRISGOL_SOURCE_DIR");
    programDir = root.path() / "program";
    fs::copy(buildDir / "bin", programDir, fs::copy_options::recursive);
    for (const char* stale : {"log2.log", "config.txt", "WebWhiteList.txt", "OutWebWhiteList.txt", "local.cfg"})
      fs::remove(programDir / stale);
    WriteTestFile(programDir / "local.cfg", "[config]\ntdx_check=0\n");
    ASSERT_TRUE(Service("config", "start")) << "the configuration server did not start";
    ASSERT_TRUE(Service("lines", "start")) << "the line servers did not start";
  }
  void TearDown() override {
    if (IsSkipped()) return;
    Service("lines", "stop");
    Service("config", "stop");
    StopRedirectService();
  }
  bool Service(const char* name, const char* action) {
    const std::string command = (source / "scripts/embedded" / (std::string(name) + ".sh")).string() + " " + action +
                                " '" + buildDir.string() + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  }
  std::wstring Log() {
    const std::string bytes = ReadTestFile(programDir / "log2.log");
    return bytes.size() >= 2 ? Utf16LeBytesToWide(bytes.substr(2)) : std::wstring();
  }
  size_t Count(const std::wstring& text) {
    const std::wstring log = Log();
    size_t n = 0;
    for (size_t at = log.find(text); at != std::wstring::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }
  bool WaitFor(const std::function<bool()>& done, std::chrono::seconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
  }

  TempMachineRoot root;
  fs::path buildDir, source, programDir;
};

TEST_F(ProductEndToEndTest, Line1AcceleratesCarriesARequestAndALostProxyIsAFailureOnce) {
  WriteTestFile(root.path() / "site/index.html", "brisgol through line one");
  LocalHttpServer web(root.path() / "site");
  ASSERT_TRUE(web.running());

  RunningProgram program(programDir / "brisgol");
  ASSERT_TRUE(program.Started());
  ASSERT_NE(program.WaitForWindow(), nullptr) << "no main window";

  // Configuration fetched and decrypted, line 1 started by itself.
  ASSERT_TRUE(WaitFor([&] { return Count(L"]加速成功\r\n") == 1; }, std::chrono::seconds(60))) << Log();
  EXPECT_NE(Log().find(L"]开始加速线路1\r\n"), std::wstring::npos);
  EXPECT_TRUE(fs::exists(programDir / "config.txt"));

  const std::vector<pid_t> proxies = ProcessesNamed("local.exe");
  ASSERT_EQ(proxies.size(), 1u);
  LaunchRecord record;
  ASSERT_EQ(DecodeLaunchRecord(RecordArgument(proxies[0]), record), LaunchRecordError::kNone);
  EXPECT_EQ(record.serverAddress, "127.0.0.1");
  EXPECT_EQ(record.serverPort, 38649) << "line 1's server";
  EXPECT_GT(record.mainPort, 0);
  const std::vector<pid_t> fronts = ProcessesNamed("brisgol");
  EXPECT_NE(std::find(fronts.begin(), fronts.end(), static_cast<pid_t>(record.frontEndPid)), fronts.end())
      << "the record names the running front end";

  // Through the local proxy and the real line server to the web server.
  const std::string response = Fetch(record.mainPort, web.port());
  EXPECT_NE(response.find(" 200 "), std::string::npos) << response;
  EXPECT_NE(response.find("brisgol through line one"), std::string::npos);

  // The local proxy ends under the program: the failure handling, once.
  kill(proxies[0], SIGKILL);
  ASSERT_TRUE(WaitFor([&] { return Count(L"]本地代理进程已结束，加速中断\r\n") > 0; }, std::chrono::seconds(10)))
      << Log();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  EXPECT_EQ(Count(L"]本地代理进程已结束，加速中断\r\n"), 1u) << Log();
  EXPECT_TRUE(ProcessesNamed("local.exe").empty());

  // The session ends the program: the exit routine, nothing left running.
  ASSERT_TRUE(program.Signal(SIGTERM));
  EXPECT_EQ(program.Wait(std::chrono::seconds(30)), 0);
  EXPECT_TRUE(ProcessesNamed("local.exe").empty());
  EXPECT_TRUE(ProcessesNamed("brisgol").empty() ||
              std::find(ProcessesNamed("brisgol").begin(), ProcessesNamed("brisgol").end(),
                        static_cast<pid_t>(record.frontEndPid)) == ProcessesNamed("brisgol").end());
}

}  // namespace
