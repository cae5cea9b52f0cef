// The acceleration control against the real redirection library, with a
// machine root and a program directory of its own. The instance keeps its
// driver state for the whole process, so every scenario runs in a process
// of its own (a death-test child) and reports what it found.
#include "tkCore/ControlManager.h"

#include "outside/drivers/DriverFile.h"
#include "outside/launchrecord/LaunchRecordCodec.h"
#include "outside/proxysdk/SdkState.h"
#include "platform/CodePage.h"
#include "platform/MachineRoot.h"
#include "platform/Processes.h"
#include "system/Paths.h"
#include "system/ProcessUtils.h"
#include "system/WriteLogFile.h"
#include "tests/support/TempMachineRoot.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

const char* const kDriverNames[] = {"proxy32.sys",       "proxy64.sys",      "process32.sys",  "process64.sys",
                                    "process64_new.sys", "proxy64_win8.sys", "proxy64_old.sys"};

// Stops the child with a report the parent matches.
#define REQUIRE(condition, what)                                      \
  do {                                                                \
    if (!(condition)) {                                               \
      std::fprintf(stderr, "scenario failed: %s (line %d)\n", what, __LINE__); \
      std::exit(1);                                                   \
    }                                                                 \
  } while (0)

void Pass() {
  std::fprintf(stderr, "scenario passed\n");
  std::exit(0);
}

class Machine {
 public:
  Machine(const char* version, int wordSize) {
    program_ = root_.Dir("program");
    g_programDir = program_.wstring() + L"/";
    WriteTestFile(root_.path() / "Windows/System32/ntdll.dll", std::string("FILEVERSION ") + version);
    WriteTestFile(root_.path() / "machine.ini", "[machine]\nword_size=" + std::to_string(wordSize) + "\n");
    WriteTestFile(program_ / "local.cfg", "[config]\ntdx_check=0\n");
  }

  // Writes the driver files of a folder; names listed in failing refuse to load.
  void Drivers(const char* folder, std::initializer_list<std::string> failing = {}) {
    for (const char* name : kDriverNames) {
      DriverFileInfo info;
      std::string n = name;
      info.name = n;
      info.kind = n.rfind("proxy", 0) == 0 ? DriverKind::kProxy : DriverKind::kProcess;
      info.bits = n.find("32") != std::string::npos ? 32 : 64;
      info.loads = std::find(failing.begin(), failing.end(), n) == failing.end();
      WriteTestFile(program_ / folder / name, FormatDriverFile(info));
    }
  }

  void InstallLocalProxy() {
    std::filesystem::copy_file(std::filesystem::path(std::getenv("BRISGOL_BUILD_DIR")) / "tests/fake_local_proxy",
                               program_ / "local.exe");
  }

  std::string Installed(const char* name) { return ReadTestFile(root_.path() / "Windows/sys" / name); }
  std::string Source(const char* folder, const char* name) { return ReadTestFile(program_ / folder / name); }
  std::wstring Log() {
    std::string bytes = ReadTestFile(program_ / "log2.log");
    return bytes.size() > 2 ? Utf16LeBytesToWide(bytes.substr(2)) : std::wstring();
  }
  int Count(const std::wstring& text) {
    std::wstring log = Log();
    int n = 0;
    for (size_t at = log.find(text); at != std::wstring::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }
  SdkState Sdk() {
    SdkState state;
    ParseSdkState(ReadTestFile(root_.path() / "proxysdk/state"), state);
    return state;
  }
  std::string Launches() { return ReadTestFile(program_ / "launches.txt"); }
  const std::filesystem::path& program() const { return program_; }
  const std::filesystem::path& root() const { return root_.path(); }

  TempMachineRoot root_;
  std::filesystem::path program_;
};

void StartLog(Machine& m) { g_logFile.SetLogFile((m.program() / "log2.log").wstring(), 1024); }

class ControlManagerTest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
  void TearDown() override { KillProcessesByName(L"local.exe", true); }
};

void ScenarioFirstInstallOnWindows10CopiesFromSys2AndLaterOnesOnlyClearRules() {
    Machine m("10.0.19041.1", 64);
    m.Drivers("sys2");
    StartLog(m);
    auto* control = ControlManager::GetInstance();
    REQUIRE(control == ControlManager::GetInstance(), "one instance");
    REQUIRE(control->InstallDriver(), "installed");
    for (const char* name : {"proxy32.sys", "proxy64.sys", "process32.sys", "process64.sys", "process64_new.sys",
                             "proxy64_win8.sys"})
      REQUIRE(m.Installed(name) == m.Source("sys2", name), name);
    REQUIRE(!std::filesystem::exists(m.root() / "Windows/sys/proxy64_old.sys"), "old build not copied");
    SdkState sdk = m.Sdk();
    REQUIRE(sdk.installed && sdk.bits == 64, "library installed the 64-bit pair");
    REQUIRE(sdk.proxyPath == (m.root() / "Windows/sys/proxy64.sys").string(), "proxy path");
    std::filesystem::remove(m.root() / "Windows/sys/proxy32.sys");
    REQUIRE(control->InstallDriver(), "second start");
    REQUIRE(!std::filesystem::exists(m.root() / "Windows/sys/proxy32.sys"), "no copies the second time");
    REQUIRE(m.Log().empty(), "nothing logged");
    Pass();
}

TEST_F(ControlManagerTest, FirstInstallOnWindows10CopiesFromSys2AndLaterOnesOnlyClearRules) {
  EXPECT_EXIT(ScenarioFirstInstallOnWindows10CopiesFromSys2AndLaterOnesOnlyClearRules(), ::testing::ExitedWithCode(0), "scenario passed");
}

void ScenarioWindows7FallsBackToTheOldProxyAndTheNewProcessDriver() {
    Machine m("6.1.7601.1", 64);
    m.Drivers("sys", {"process64.sys"});
    StartLog(m);
    auto* control = ControlManager::GetInstance();
    REQUIRE(control->InstallDriver(), "third try installs");
    REQUIRE(m.Installed("proxy64.sys") == m.Source("sys", "proxy64_old.sys"), "proxy64 replaced by the old build");
    REQUIRE(m.Installed("process64.sys") == m.Source("sys", "process64_new.sys"), "process64 replaced");
    REQUIRE(m.Count(L"复制为") == 2, "two copy records");
    REQUIRE(m.Count(L"]复制文件失败") == 0, "no copy failures");
    Pass();
}

TEST_F(ControlManagerTest, Windows7FallsBackToTheOldProxyAndTheNewProcessDriver) {
  EXPECT_EXIT(ScenarioWindows7FallsBackToTheOldProxyAndTheNewProcessDriver(), ::testing::ExitedWithCode(0), "scenario passed");
}

void ScenarioAFailedAttemptIsNotRepeatedInTheSameRun() {
    Machine m("10.0.19041.1", 64);
    m.Drivers("sys2", {"proxy64.sys", "proxy64_win8.sys", "process64.sys", "process64_new.sys"});
    StartLog(m);
    auto* control = ControlManager::GetInstance();
    REQUIRE(!control->InstallDriver(), "all tries fail");
    REQUIRE(control->driverState() == DriverState::Failed, "failed state");
    std::filesystem::remove_all(m.root() / "Windows/sys");
    std::wstring before = m.Log();
    REQUIRE(!control->InstallDriver(), "later start fails at once");
    REQUIRE(!std::filesystem::exists(m.root() / "Windows/sys"), "no copying");
    REQUIRE(m.Log() == before, "no logging");
    int code = -1;
    REQUIRE(control->StartAcceleration(1, nullptr, code) == L"组件启动失败,请尝试其他模式", "no local.exe: 109");
    REQUIRE(code == 109, "code 109");
    Pass();
}

TEST_F(ControlManagerTest, AFailedAttemptIsNotRepeatedInTheSameRun) {
  EXPECT_EXIT(ScenarioAFailedAttemptIsNotRepeatedInTheSameRun(), ::testing::ExitedWithCode(0), "scenario passed");
}

void ScenarioAMissingSys2FolderLogsSixCopyFailuresAndStillAsksTheLibrary() {
    Machine m("6.3.9600.1", 64);
    StartLog(m);
    REQUIRE(!ControlManager::GetInstance()->InstallDriver(), "nothing to install");
    REQUIRE(m.Count(L"bIsWin7Up=1") == 6, "six copy failures");
    REQUIRE(m.Count(L"proxy64_win8.sys] bIsWin7Up=1") == 1, "the Windows 8 build is among them");
    REQUIRE(!m.Sdk().error.empty(), "the library was asked and said why it failed");
    Pass();
}

TEST_F(ControlManagerTest, AMissingSys2FolderLogsSixCopyFailuresAndStillAsksTheLibrary) {
  EXPECT_EXIT(ScenarioAMissingSys2FolderLogsSixCopyFailuresAndStillAsksTheLibrary(), ::testing::ExitedWithCode(0), "scenario passed");
}

void ScenarioOn32BitWindowsOnlyThe32BitPairIsGiven() {
    Machine m("6.1.7601.1", 32);
    m.Drivers("sys");
    StartLog(m);
    REQUIRE(ControlManager::GetInstance()->InstallDriver(), "installed");
    SdkState sdk = m.Sdk();
    REQUIRE(sdk.bits == 32, "32-bit pair");
    REQUIRE(sdk.proxyPath.find("proxy32.sys") != std::string::npos, "proxy32 first");
    REQUIRE(sdk.processPath.find("process32.sys") != std::string::npos, "process32 third");
    Pass();
}

TEST_F(ControlManagerTest, On32BitWindowsOnlyThe32BitPairIsGiven) {
  EXPECT_EXIT(ScenarioOn32BitWindowsOnlyThe32BitPairIsGiven(), ::testing::ExitedWithCode(0), "scenario passed");
}

void ScenarioAMissingTdxServiceStopsTheStartBeforeAnythingElse() {
    Machine m("10.0.19041.1", 64);
    m.Drivers("sys2");
    m.InstallLocalProxy();
    WriteTestFile(m.program() / "local.cfg", "");  // tdx_check defaults to 1
    WriteTestFile(m.root() / "services.ini", "[tdx]\nstate=absent\n");
    StartLog(m);
    int code = -1;
    auto* control = ControlManager::GetInstance();
    REQUIRE(control->StartAcceleration(1, nullptr, code) == L"系统Tdx驱动缺失，请先使用其他加速模式", "message");
    REQUIRE(code == 101, "code 101");
    REQUIRE(m.Count(L"]tdx_status=-3\r\n") == 1, "status logged");
    REQUIRE(control->driverState() == DriverState::NotTried, "no installation");
    REQUIRE(m.Launches().empty(), "no launch");
    WriteTestFile(m.root() / "services.ini", "[tdx]\nstate=stopped\n");
    REQUIRE(control->StartAcceleration(1, nullptr, code) != L"", "stopped service");
    REQUIRE(m.Count(L"]tdx_status=-6\r\n") == 1, "stopped logged");
    // A default install names no service: the machine's own "tdx" runs.
    std::filesystem::remove(m.root() / "services.ini");
    code = -1;
    REQUIRE(control->StartAcceleration(1, nullptr, code) != L"系统Tdx驱动缺失，请先使用其他加速模式", "default tdx runs");
    REQUIRE(code != 101, "no code 101 on a default install");
    control->StopAcceleration();
    Pass();
}

TEST_F(ControlManagerTest, AMissingTdxServiceStopsTheStartBeforeAnythingElse) {
  EXPECT_EXIT(ScenarioAMissingTdxServiceStopsTheStartBeforeAnythingElse(), ::testing::ExitedWithCode(0), "scenario passed");
}

int g_started = 0;
void OnStarted() { ++g_started; }

void ScenarioASuccessfulStartLaunchesTheProxyWithTheRecordAndAddsTheRule() {
    Machine m("10.0.19041.1", 64);
    m.Drivers("sys2");
    m.InstallLocalProxy();
    WriteTestFile(m.program() / "local.cfg", "[config]\ntdx_check=0\nproxy_port_index=2\n");
    StartLog(m);
    int code = -1;
    auto* control = ControlManager::GetInstance();
    auto start = std::chrono::steady_clock::now();
    std::wstring message = control->StartAcceleration(2, &OnStarted, code);
    REQUIRE(std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(1900), "waited for the proxy");
    REQUIRE(message.empty(), "success");
    REQUIRE(code == -1, "code untouched");
    REQUIRE(g_started == 1, "onStarted once");
    std::string launch = m.Launches();
    REQUIRE(!launch.empty() && launch.back() == '\n', "launched once");
    launch.pop_back();
    REQUIRE(launch.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=") ==
                std::string::npos && launch.size() % 4 == 0,
            "ASCII Base64 command line");
    LaunchRecord record;
    REQUIRE(DecodeLaunchRecord(launch, record) == LaunchRecordError::kNone, "record decodes");
    std::string plain;
    DecryptLaunchRecord(launch, plain);
    std::string expected = "127.0.0.1|38549|WsxRfvYhn738#!&|47070|" + std::to_string(getpid()) + "||5190467|0";
    REQUIRE(plain == expected, "record fields");
    SdkState sdk = m.Sdk();
    REQUIRE(sdk.rules.size() == 1 && sdk.rules[0].address == "127.0.0.1" && sdk.rules[0].port == "47070",
            "rule to the proxy");
    REQUIRE(sdk.pids.size() == 1 && sdk.pids[0] == static_cast<unsigned long>(getpid()), "our pid registered");
    REQUIRE(ReadTestFile(m.program() / "local.cfg").find("proxy_port_index=2") != std::string::npos,
            "index kept");

    control->StopAcceleration();
    std::vector<DWORD> ids;
    FindProcessIdsByName(L"local.exe", ids, false);
    REQUIRE(ids.empty(), "no local.exe after the stop");
    REQUIRE(m.Sdk().rules.empty(), "no rule after the stop");
    Pass();
}

TEST_F(ControlManagerTest, ASuccessfulStartLaunchesTheProxyWithTheRecordAndAddsTheRule) {
  EXPECT_EXIT(ScenarioASuccessfulStartLaunchesTheProxyWithTheRecordAndAddsTheRule(), ::testing::ExitedWithCode(0), "scenario passed");
}

void ScenarioASecondLocalProxyMakesTheStartFail() {
    Machine m("10.0.19041.1", 64);
    m.Drivers("sys2");
    m.InstallLocalProxy();
    StartLog(m);
    std::wstring app = (m.program() / "local.exe").wstring(), arguments = L"earlier";
    STARTUPINFOW startup;
    PROCESS_INFORMATION info;
    REQUIRE(CreateProcessW(app.c_str(), arguments.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &info),
            "earlier copy");
    int code = -1;
    REQUIRE(ControlManager::GetInstance()->StartAcceleration(1, nullptr, code) == L"组件启动失败,请尝试其他模式",
            "109 message");
    REQUIRE(code == 109, "code 109");
    REQUIRE(m.Sdk().rules.empty(), "no rule");
    ControlManager::GetInstance()->StopAcceleration();
    REQUIRE(WaitForSingleObject(info.hProcess, 5000) == WAIT_OBJECT_0, "the stop ends every copy");
    Pass();
}

TEST_F(ControlManagerTest, ASecondLocalProxyMakesTheStartFail) {
  EXPECT_EXIT(ScenarioASecondLocalProxyMakesTheStartFail(), ::testing::ExitedWithCode(0), "scenario passed");
}

// Binds 127.0.0.1:port (and keeps it) so that the port counts as owned.
int Hold(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 1) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

void ScenarioPortPairsAreTriedCyclicallyFromTheStoredIndex() {
    Machine m("10.0.19041.1", 64);
    StartLog(m);
    auto* control = ControlManager::GetInstance();
    int main = 0, secondary = 0;
    std::filesystem::remove(m.program() / "local.cfg");
    REQUIRE(control->SelectProxyPorts(main, secondary, true), "free ports");
    REQUIRE(main == 48080 && secondary == 58080, "pair 1 from a new file");
    REQUIRE(ReadTestFile(m.program() / "local.cfg") == "[config]\r\nproxy_port_index=1\r\n", "index written");

    int held = Hold(46060);
    REQUIRE(held >= 0, "hold 46060");
    WriteTestFile(m.program() / "local.cfg", "[config]\nproxy_port_index=3\n");
    REQUIRE(control->SelectProxyPorts(main, secondary, true) && main == 48080 && secondary == 58080,
            "index 3 with 46060 owned");
    REQUIRE(ReadTestFile(m.program() / "local.cfg") == "[config]\nproxy_port_index=3\n", "index unchanged");
    for (const char* index : {"0", "7"}) {
      WriteTestFile(m.program() / "local.cfg", std::string("[config]\nproxy_port_index=") + index + "\n");
      REQUIRE(control->SelectProxyPorts(main, secondary, true) && main == 48080, "out of range: pair 1");
    }
    close(held);

    int h1 = Hold(58080);
    REQUIRE(h1 >= 0, "hold 58080");
    WriteTestFile(m.program() / "local.cfg", "[config]\nproxy_port_index=1\n");
    REQUIRE(control->SelectProxyPorts(main, secondary, true) && main == 47070 && secondary == 57070,
            "secondary owned: next pair");
    int h2 = Hold(48080), h3 = Hold(47070), h4 = Hold(56060);
    REQUIRE(h2 >= 0 && h3 >= 0 && h4 >= 0, "hold 48080, 47070 and 56060");
    REQUIRE(!control->SelectProxyPorts(main, secondary, true), "no pair");
    REQUIRE(m.Count(L"]引擎无可用副端口\r\n") == 1, "pair 3 failed on its secondary port");
    int h5 = Hold(46060);
    REQUIRE(h5 >= 0, "hold 46060");
    REQUIRE(!control->SelectProxyPorts(main, secondary, true) && main == 0, "no main port");
    REQUIRE(m.Count(L"]引擎无可用主端口\r\n") == 1, "main port message");
    for (int fd : {h1, h2, h3, h4, h5}) close(fd);
    Pass();
}

TEST_F(ControlManagerTest, PortPairsAreTriedCyclicallyFromTheStoredIndex) {
  EXPECT_EXIT(ScenarioPortPairsAreTriedCyclicallyFromTheStoredIndex(), ::testing::ExitedWithCode(0), "scenario passed");
}

// The fields of the one launch record the stand-in proxy received.
std::string LaunchedRecord(Machine& m) {
  std::string launch = m.Launches();
  if (launch.empty()) return std::string();
  launch.pop_back();
  std::string plain;
  DecryptLaunchRecord(launch, plain);
  return plain;
}

void ScenarioAFailedDriverInstallStillLaunchesTheProxyWithPortZero() {
  Machine m("10.0.19041.1", 64);
  m.Drivers("sys2", {"proxy64.sys", "proxy64_win8.sys"});
  m.InstallLocalProxy();
  StartLog(m);
  int code = -1;
  auto* control = ControlManager::GetInstance();
  REQUIRE(control->StartAcceleration(3, nullptr, code) == L"引擎启动失败", "engine message");
  REQUIRE(code == 102, "code 102");
  REQUIRE(LaunchedRecord(m) == "127.0.0.1|6199|WsxRfvYhn738#!&|0|" + std::to_string(getpid()) + "||5190467|0",
          "launched with main port 0");
  REQUIRE(!std::filesystem::exists(m.program() / "local.cfg") ||
              ReadTestFile(m.program() / "local.cfg").find("proxy_port_index") == std::string::npos,
          "no port selection");
  REQUIRE(m.Sdk().rules.empty(), "no rule");
  control->StopAcceleration();
  Pass();
}

TEST_F(ControlManagerTest, AFailedDriverInstallStillLaunchesTheProxyWithPortZero) {
  EXPECT_EXIT(ScenarioAFailedDriverInstallStillLaunchesTheProxyWithPortZero(), ::testing::ExitedWithCode(0),
              "scenario passed");
}

void ScenarioTakenPortsGiveCode103AndNoRule() {
  Machine m("10.0.19041.1", 64);
  m.Drivers("sys2");
  m.InstallLocalProxy();
  StartLog(m);
  int held[3] = {Hold(48080), Hold(47070), Hold(46060)};
  for (int fd : held) REQUIRE(fd >= 0, "hold the main ports");
  int code = -1;
  auto* control = ControlManager::GetInstance();
  REQUIRE(control->StartAcceleration(1, nullptr, code) == L"引擎可用端口被全部占用,请重启电脑", "ports message");
  REQUIRE(code == 103, "code 103");
  REQUIRE(LaunchedRecord(m).find("|WsxRfvYhn738#!&|0|") != std::string::npos, "launched with main port 0");
  REQUIRE(m.Sdk().rules.empty(), "no rule");
  for (int fd : held) close(fd);
  control->StopAcceleration();
  Pass();
}

TEST_F(ControlManagerTest, TakenPortsGiveCode103AndNoRule) {
  EXPECT_EXIT(ScenarioTakenPortsGiveCode103AndNoRule(), ::testing::ExitedWithCode(0), "scenario passed");
}

void ScenarioAStopDuringTheStartPreventsTheRule() {
    Machine m("10.0.19041.1", 64);
    m.Drivers("sys2");
    m.InstallLocalProxy();
    StartLog(m);
    auto* control = ControlManager::GetInstance();
    int code = -1;
    std::wstring message;
    std::thread worker([&] { message = control->StartAcceleration(1, nullptr, code); });
    for (int i = 0; i < 500 && m.Launches().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    auto stopAt = std::chrono::steady_clock::now();
    control->StopAcceleration();
    worker.join();
    REQUIRE(std::chrono::steady_clock::now() - stopAt < std::chrono::milliseconds(1500), "the wait was cut short");
    REQUIRE(message == ControlManager::kStoppedMessage, "stopped message");
    REQUIRE(m.Sdk().rules.empty(), "no rule after the stop");
    std::vector<DWORD> ids;
    FindProcessIdsByName(L"local.exe", ids, false);
    REQUIRE(ids.empty(), "no local.exe");
    Pass();
}

TEST_F(ControlManagerTest, AStopDuringTheStartPreventsTheRule) {
  EXPECT_EXIT(ScenarioAStopDuringTheStartPreventsTheRule(), ::testing::ExitedWithCode(0), "scenario passed");
}

void ScenarioAStopBetweenTheRequestAndTheWorkersFirstStepIsNotMissed() {
  Machine m("10.0.19041.1", 64);
  m.Drivers("sys2");
  m.InstallLocalProxy();
  StartLog(m);
  auto* control = ControlManager::GetInstance();
  const std::uint64_t ticket = control->PrepareStart();
  control->StopAcceleration();  // before the worker got going
  int code = -1;
  std::wstring message;
  std::thread worker([&] { message = control->StartAcceleration(1, nullptr, code, ticket); });
  worker.join();
  REQUIRE(message == ControlManager::kStoppedMessage, "stopped message");
  REQUIRE(m.Launches().empty(), "no local.exe launched");
  REQUIRE(m.Sdk().rules.empty(), "no rule");
  Pass();
}

TEST_F(ControlManagerTest, AStopBetweenTheRequestAndTheWorkersFirstStepIsNotMissed) {
  EXPECT_EXIT(ScenarioAStopBetweenTheRequestAndTheWorkersFirstStepIsNotMissed(), ::testing::ExitedWithCode(0),
              "scenario passed");
}

void ScenarioASupersededStartNeverTearsDownTheStartAfterIt() {
  Machine m("10.0.19041.1", 64);
  m.Drivers("sys2");
  m.InstallLocalProxy();
  StartLog(m);
  auto* control = ControlManager::GetInstance();
  const std::uint64_t older = control->PrepareStart();
  const std::uint64_t newer = control->PrepareStart();
  int code = -1;
  int started = 0;
  REQUIRE(control->StartAcceleration(2, [&] { ++started; }, code, newer).empty(), "the newer start succeeds");
  REQUIRE(started == 1, "onStarted once");
  // The older worker only now gets going: it must leave the newer start's
  // proxy and rule alone.
  REQUIRE(control->StartAcceleration(1, [&] { ++started; }, code, older) == ControlManager::kStoppedMessage,
          "the older start ends as stopped");
  REQUIRE(started == 1, "no second onStarted");
  std::vector<DWORD> ids;
  FindProcessIdsByName(L"local.exe", ids, false);
  REQUIRE(ids.size() == 1, "the newer proxy still runs");
  REQUIRE(m.Sdk().rules.size() == 1, "the newer rule is still there");
  REQUIRE(LaunchedRecord(m).find("|38549|") != std::string::npos, "only line 2 was launched");
  control->StopAcceleration();
  Pass();
}

TEST_F(ControlManagerTest, ASupersededStartNeverTearsDownTheStartAfterIt) {
  EXPECT_EXIT(ScenarioASupersededStartNeverTearsDownTheStartAfterIt(), ::testing::ExitedWithCode(0),
              "scenario passed");
}

}  // namespace
