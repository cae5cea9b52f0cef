#include "tkCore/ControlManager.h"

#include "outside/launchrecord/LaunchRecordCodec.h"
#include "outside/proxysdk/proxysdk.h"
#include "platform/Files.h"
#include "platform/Processes.h"
#include "platform/Profile.h"
#include "system/EnvProbes.h"
#include "system/Paths.h"
#include "system/ProcessUtils.h"
#include "system/TextConvert.h"
#include "system/WriteLogFile.h"
#include "tkCore/ServerLines.h"

#include <chrono>
#include <vector>

namespace {

struct PortPair {
  int main;
  int secondary;
};
constexpr PortPair kPortPairs[3] = {{48080, 58080}, {47070, 57070}, {46060, 56060}};

constexpr unsigned kLaunchSettleMs = 2000;

const wchar_t* const kTdxMissing = L"系统Tdx驱动缺失，请先使用其他加速模式";
const wchar_t* const kEngineFailed = L"引擎启动失败";
const wchar_t* const kPortsTaken = L"引擎可用端口被全部占用,请重启电脑";
const wchar_t* const kComponentFailed = L"组件启动失败,请尝试其他模式";

std::wstring WindowsDirectory() {
  wchar_t buffer[1024] = {};
  UINT n = GetWindowsDirectoryW(buffer, 1024);
  return n > 0 && n < 1024 ? std::wstring(buffer, n) : std::wstring();
}

// Copies one driver file, replacing what is there.
bool CopyDriver(const std::wstring& from, const std::wstring& to) { return CopyFileW(from.c_str(), to.c_str(), FALSE); }

}  // namespace

ControlManager* ControlManager::GetInstance() {
  static ControlManager* instance = new ControlManager;
  return instance;
}

bool ControlManager::InstallDriver() {
  if (!InstallDriverOnce()) return false;
  DeleteRuleAll();
  return true;
}

bool ControlManager::InstallDriverOnce() {
  // One attempt per run; later callers wait for it and share its outcome.
  std::lock_guard<std::mutex> guard(installLock_);
  if (driverState_ == DriverState::Installed) return true;
  if (driverState_ == DriverState::Failed) return false;
  driverState_ = DriverState::Failed;

  const std::wstring destination = WindowsDirectory() + L"\\sys";
  CreateDirectoryTree(destination);
  const bool win8 = IsWindows8OrLater();
  const std::wstring source = g_programDir + (win8 ? L"sys2" : L"sys");
  const std::wstring alternativeProxy64 = win8 ? L"proxy64_win8.sys" : L"proxy64_old.sys";
  for (const wchar_t* name : {L"proxy32.sys", L"proxy64.sys", L"process32.sys", L"process64.sys", L"process64_new.sys",
                              alternativeProxy64.c_str()}) {
    std::wstring target = destination + L"\\" + name;
    CopyDriver(source + L"\\" + name, target);
    if (!PathExists(target))
      g_logFile.WriteFormat(__FILE__, __LINE__, L"复制文件失败,未检测到复制后的文件[%s] bIsWin7Up=%d", target.c_str(),
                            win8 ? 1 : 0);
  }

  InitDriverFirst();
  bool installed = false;
  const std::string folder = WideToAnsi(destination);
  if (IsWow64()) {
    const std::string proxy64 = folder + "\\proxy64.sys";
    const std::string process64 = folder + "\\process64.sys";
    installed = InitDriver(nullptr, proxy64.c_str(), nullptr, process64.c_str()) != 0;
    // Fallbacks: an alternative proxy driver build, then also an
    // alternative process driver build.
    const std::pair<std::wstring, std::wstring> replacements[2] = {
        {source + L"\\" + alternativeProxy64, destination + L"\\proxy64.sys"},
        {source + L"\\process64_new.sys", destination + L"\\process64.sys"},
    };
    for (const auto& [from, to] : replacements) {
      if (installed) break;
      if (!CopyDriver(from, to)) continue;
      g_logFile.WriteFormat(__FILE__, __LINE__, L"[InitDriver]%s复制为%s成功", from.c_str(), to.c_str());
      installed = InitDriver(nullptr, proxy64.c_str(), nullptr, process64.c_str()) != 0;
    }
  } else {
    const std::string proxy32 = folder + "\\proxy32.sys";
    const std::string process32 = folder + "\\process32.sys";
    installed = InitDriver(proxy32.c_str(), nullptr, process32.c_str(), nullptr) != 0;
  }
  if (!installed) return false;
  driverState_ = DriverState::Installed;
  return true;
}

bool ControlManager::CheckPortPair(int index, bool needSecondary, int& mainPort, int& secondaryPort) {
  mainPort = 0;
  secondaryPort = 0;
  if (index < 1 || index > 3) return false;
  const PortPair& pair = kPortPairs[index - 1];
  if (QueryPortOwner(pair.main) > 0) return false;
  mainPort = pair.main;
  if (needSecondary) {
    if (QueryPortOwner(pair.secondary) > 0) return false;
    secondaryPort = pair.secondary;
  }
  return true;
}

bool ControlManager::SelectProxyPorts(int& mainPort, int& secondaryPort, bool needSecondary) {
  bool stopped = false;
  return SelectPorts(mainPort, secondaryPort, needSecondary, stopGeneration_.load(), stopped);
}

bool ControlManager::SelectPorts(int& mainPort, int& secondaryPort, bool needSecondary, std::uint64_t generation,
                                 bool& stopped) {
  mainPort = 0;
  secondaryPort = 0;
  const std::wstring config = g_programDir + L"\\local.cfg";
  int index = static_cast<int>(GetPrivateProfileIntW(L"config", L"proxy_port_index", -1, config.c_str()));
  if (index == -1) {
    WritePrivateProfileStringW(L"config", L"proxy_port_index", L"1", config.c_str());
    index = 1;
  }
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (StopRequestedSince(generation)) {
      stopped = true;
      return false;
    }
    if (index > 3 || index < 1) index = 1;
    if (CheckPortPair(index, needSecondary, mainPort, secondaryPort)) break;
    ++index;
  }
  if (mainPort == 0) {
    g_logFile.WriteText(__FILE__, __LINE__, L"引擎无可用主端口");
    return false;
  }
  if (needSecondary && secondaryPort == 0) {
    g_logFile.WriteText(__FILE__, __LINE__, L"引擎无可用副端口");
    return false;
  }
  return true;
}

bool ControlManager::StopRequestedSince(std::uint64_t generation) const { return stopGeneration_.load() != generation; }

bool ControlManager::WaitUnlessStopped(unsigned milliseconds, std::uint64_t generation) {
  std::unique_lock<std::mutex> lock(stopLock_);
  return stopSignal_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                              [&] { return StopRequestedSince(generation); });
}

bool ControlManager::LaunchLocalProxy(const std::wstring& commandLine) {
  std::wstring application = g_programDir + L"\\local.exe";
  std::wstring arguments = commandLine;
  STARTUPINFOW startup;
  PROCESS_INFORMATION info;
  if (!CreateProcessW(application.c_str(), arguments.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &info))
    return false;
  // The process is found again by name; its handles are not kept.
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return true;
}

bool ControlManager::UnlessStopped(std::uint64_t generation, const std::function<void()>& step) {
  std::lock_guard<std::mutex> guard(launchLock_);
  if (StopRequestedSince(generation)) return false;
  step();
  return true;
}

std::wstring ControlManager::StartAcceleration(int line, const std::function<void()>& onStarted, int& resultCode) {
  return StartAcceleration(line, onStarted, resultCode, stopGeneration_.load());
}

std::wstring ControlManager::StartAcceleration(int line, const std::function<void()>& onStarted, int& resultCode,
                                               std::uint64_t generation) {
  std::wstring message;
  if (StopRequestedSince(generation)) return kStoppedMessage;

  if (!IsPreVistaSystem()) {
    const std::wstring config = g_programDir + L"local.cfg";
    if (GetPrivateProfileIntW(L"config", L"tdx_check", 1, config.c_str()) == 1) {
      int state = QueryServiceState("tdx");
      if (state != 1) {
        g_logFile.WriteFormat(__FILE__, __LINE__, L"tdx_status=%d", state);
        resultCode = 101;
        return kTdxMissing;
      }
    }
  }

  // A start that was stopped meanwhile must not clear the rules of the
  // start that followed it.
  const bool installed = InstallDriverOnce();
  if (!UnlessStopped(generation, [installed] {
        if (installed) DeleteRuleAll();
      }))
    return kStoppedMessage;
  if (!installed || DriverIsRun() == 0) {
    message = kEngineFailed;
    resultCode = 102;
  }

  int mainPort = 0, secondaryPort = 0;
  if (message.empty()) {
    bool stopped = false;
    if (!SelectPorts(mainPort, secondaryPort, true, generation, stopped)) {
      if (stopped) return kStoppedMessage;
      // The record then names no port: the local proxy only waits, and
      // the failure stays the ports' own.
      mainPort = 0;
      message = kPortsTaken;
      resultCode = 103;
    }
  }

  // The local proxy starts even after a driver or port failure (with main
  // port 0); the caller's failure handling ends it.
  const std::string record =
      BuildLaunchRecord(GetServerLine(line), mainPort, static_cast<long>(GetCurrentProcessId()));
  const std::wstring commandLine = AnsiToWide(EncodeLaunchRecord(record));
  if (!UnlessStopped(generation, [&] { LaunchLocalProxy(commandLine); })) return kStoppedMessage;
  if (WaitUnlessStopped(kLaunchSettleMs, generation)) return kStoppedMessage;

  std::vector<DWORD> running;
  FindProcessIdsByName(L"local.exe", running, false);
  if (running.size() != 1) {
    resultCode = 109;
    return kComponentFailed;
  }
  if (!message.empty()) return message;

  if (!UnlessStopped(generation, [mainPort] {
        const std::string port = std::to_string(mainPort);
        AddRule("", "127.0.0.1", port.c_str(), "", "");
        AddPid(static_cast<unsigned long>(GetCurrentProcessId()));
      }))
    return kStoppedMessage;
  if (onStarted) onStarted();
  return std::wstring();
}

void ControlManager::StopAcceleration() { PrepareStart(); }

std::uint64_t ControlManager::PrepareStart() {
  std::lock_guard<std::mutex> guard(launchLock_);
  std::uint64_t ticket;
  {
    std::lock_guard<std::mutex> stopGuard(stopLock_);
    ticket = stopGeneration_.fetch_add(1) + 1;
  }
  stopSignal_.notify_all();
  KillProcessesByName(L"local.exe", true);
  DeleteRuleAll();
  return ticket;
}
