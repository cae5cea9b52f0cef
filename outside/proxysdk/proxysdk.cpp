// The six functions of the redirection library.

#include "outside/proxysdk/proxysdk.h"

#include "outside/proxysdk/DriverCheck.h"
#include "outside/proxysdk/RedirectClient.h"
#include "outside/proxysdk/SdkStateStore.h"
#include "system/TextConvert.h"
#include "system/WriteLogFile.h"

#include <arpa/inet.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

namespace {

std::string TextOf(const char* text) { return text == nullptr ? std::string() : std::string(text); }

bool IsPort(const std::string& text, int& port) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  return !text.empty() && error == std::errc() && end == text.data() + text.size() && port >= 1 && port <= 65535;
}

bool ProcessExists(unsigned long pid) {
  return pid != 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// What went wrong and what to do, in the log of the program directory the
// library lies in.
void LogFailure(int line, const std::string& text) {
  CWriteLogFile log;
  log.SetLogFile(Utf8ToWide(LibraryDirectory() + "/log2.log"), 1024);
  log.WriteText(__FILE__, line, Utf8ToWide("proxysdk: " + text));
}

// Checks and records one installation. Exactly one of the 32-bit and the
// 64-bit pair must be given. A proxy driver that redirects through the
// service is only installed when the service runs.
int Install(const char* proxyPath, const char* processPath, int bits) {
  SdkStateTransaction transaction;
  SdkState& state = transaction.state();
  state.installed = false;
  state.service = false;
  std::string error;
  const std::string proxy = DriverNativePath(proxyPath);
  const std::string process = DriverNativePath(processPath);
  DriverFileInfo proxyInfo, processInfo;
  if (CheckDriverFile(proxy, DriverKind::kProxy, bits, proxyInfo, error) &&
      CheckDriverFile(process, DriverKind::kProcess, bits, processInfo, error) &&
      (!proxyInfo.service || EnsureRedirectService(error))) {
    state.installed = true;
    state.service = proxyInfo.service;
    state.bits = bits;
    state.proxyPath = proxy;
    state.processPath = process;
    error.clear();
  }
  if (!error.empty() && proxyInfo.service) LogFailure(__LINE__, error);
  state.error = error;
  return transaction.Commit() && state.installed ? 1 : 0;
}

// Asks the service when the installed drivers use it; true otherwise.
bool AskServiceIfUsed(const SdkState& state, const RedirectRequest& request, std::string& error) {
  return !state.service || AskRedirectService(request, error);
}

}  // namespace

extern "C" {

int InitDriverFirst(void) {
  SdkStateTransaction transaction;
  SdkState& state = transaction.state();
  state.installed = false;
  state.bits = 0;
  state.proxyPath.clear();
  state.processPath.clear();
  state.error.clear();
  return transaction.Commit() ? 1 : 0;
}

int InitDriver(const char* proxy32Path, const char* proxy64Path, const char* process32Path,
               const char* process64Path) {
  const bool pair32 = proxy32Path != nullptr && process32Path != nullptr;
  const bool pair64 = proxy64Path != nullptr && process64Path != nullptr;
  const bool any32 = proxy32Path != nullptr || process32Path != nullptr;
  const bool any64 = proxy64Path != nullptr || process64Path != nullptr;
  if (pair32 && !any64) return Install(proxy32Path, process32Path, 32);
  if (pair64 && !any32) return Install(proxy64Path, process64Path, 64);
  SdkStateTransaction transaction;
  transaction.state().installed = false;
  transaction.state().error = "InitDriver needs exactly the 32-bit or the 64-bit driver pair";
  transaction.Commit();
  return 0;
}

int DriverIsRun(void) {
  SdkStateTransaction transaction;
  const SdkState& state = transaction.state();
  if (!state.installed) return 0;
  std::string error;
  DriverFileInfo info;
  return CheckDriverFile(state.proxyPath, DriverKind::kProxy, state.bits, info, error) &&
                 CheckDriverFile(state.processPath, DriverKind::kProcess, state.bits, info, error) &&
                 (!state.service || EnsureRedirectService(error))
             ? 1
             : 0;
}

int DeleteRuleAll(void) {
  SdkStateTransaction transaction;
  SdkState& state = transaction.state();
  std::string error;
  RedirectRequest clear;
  clear.command = RedirectRequest::Command::kClear;
  // A service that does not run has no rule in force either: it removes
  // its rules when it ends.
  const bool removed = AskServiceIfUsed(state, clear, error) || error.rfind(kServiceNotRunning, 0) == 0;
  state.rules.clear();
  return transaction.Commit() && removed ? 1 : 0;
}

int AddRule(const char* protocol, const char* address, const char* port, const char* note, const char* reserved) {
  RedirectRule rule{TextOf(protocol), TextOf(address), TextOf(port), TextOf(note), TextOf(reserved)};
  in_addr parsed{};
  int portNumber = 0;
  if (inet_pton(AF_INET, rule.address.c_str(), &parsed) != 1 || !IsPort(rule.port, portNumber) ||
      !(rule.protocol.empty() || rule.protocol == "tcp")) {
    return 0;
  }
  SdkStateTransaction transaction;
  SdkState& state = transaction.state();
  std::string error;
  if (state.service) {
    // The service only ever redirects to a local proxy on 127.0.0.1.
    RedirectRequest add;
    add.command = RedirectRequest::Command::kAdd;
    add.port = portNumber;
    if (rule.address != "127.0.0.1" || !AskRedirectService(add, error)) {
      LogFailure(__LINE__, "AddRule " + rule.address + ":" + rule.port + " refused: " +
                               (error.empty() ? "only 127.0.0.1 can be a target" : error));
      return 0;
    }
  }
  state.rules.push_back(rule);
  return transaction.Commit() ? 1 : 0;
}

int AddPid(unsigned long pid) {
  if (!ProcessExists(pid)) return 0;
  SdkStateTransaction transaction;
  SdkState& state = transaction.state();
  std::string error;
  RedirectRequest watch;
  watch.command = RedirectRequest::Command::kWatch;
  watch.pid = static_cast<long>(pid);
  if (!AskServiceIfUsed(state, watch, error)) return 0;
  std::vector<unsigned long>& pids = state.pids;
  pids.erase(std::remove_if(pids.begin(), pids.end(), [](unsigned long id) { return !ProcessExists(id); }),
             pids.end());
  if (std::find(pids.begin(), pids.end(), pid) == pids.end()) pids.push_back(pid);
  return transaction.Commit() ? 1 : 0;
}

}  // extern "C"
