// The six functions of the redirection library.
//
// The state file's lock is only ever held to read or change the state,
// never while the redirection service is asked or started: a line switch
// or the exit routine (DeleteRuleAll) never waits for a privilege prompt.

#include "outside/proxysdk/proxysdk.h"

#include "outside/proxysdk/DriverCheck.h"
#include "outside/proxysdk/RedirectClient.h"
#include "outside/proxysdk/SdkLog.h"
#include "outside/proxysdk/SdkStateStore.h"

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

SdkState ReadState() {
  SdkStateTransaction transaction;
  return transaction.state();
}

// One read-modify-write of the state under its lock.
template <typename Change>
bool UpdateState(Change change) {
  SdkStateTransaction transaction;
  change(transaction.state());
  return transaction.Commit();
}

// Checks and records one installation. Exactly one of the 32-bit and the
// 64-bit pair must be given. A proxy driver that redirects through the
// service is only installed when the service runs.
int Install(const char* proxyPath, const char* processPath, int bits) {
  std::string error;
  const std::string proxy = DriverNativePath(proxyPath);
  const std::string process = DriverNativePath(processPath);
  DriverFileInfo proxyInfo, processInfo;
  const bool installed = CheckDriverFile(proxy, DriverKind::kProxy, bits, proxyInfo, error) &&
                         CheckDriverFile(process, DriverKind::kProcess, bits, processInfo, error) &&
                         (!proxyInfo.service || EnsureRedirectService(error));
  const bool committed = UpdateState([&](SdkState& state) {
    state.installed = installed;
    state.service = installed && proxyInfo.service;
    if (installed) {
      state.bits = bits;
      state.proxyPath = proxy;
      state.processPath = process;
    }
    state.error = installed ? std::string() : error;
  });
  return committed && installed ? 1 : 0;
}

// Asks the service when the installed drivers use it; true otherwise.
bool AskServiceIfUsed(const SdkState& state, const RedirectRequest& request, std::string& error) {
  return !state.service || AskRedirectService(request, error);
}

}  // namespace

extern "C" {

int InitDriverFirst(void) {
  return UpdateState([](SdkState& state) {
           state.installed = false;
           state.bits = 0;
           state.proxyPath.clear();
           state.processPath.clear();
           state.error.clear();
         })
             ? 1
             : 0;
}

int InitDriver(const char* proxy32Path, const char* proxy64Path, const char* process32Path,
               const char* process64Path) {
  const bool pair32 = proxy32Path != nullptr && process32Path != nullptr;
  const bool pair64 = proxy64Path != nullptr && process64Path != nullptr;
  const bool any32 = proxy32Path != nullptr || process32Path != nullptr;
  const bool any64 = proxy64Path != nullptr || process64Path != nullptr;
  if (pair32 && !any64) return Install(proxy32Path, process32Path, 32);
  if (pair64 && !any32) return Install(proxy64Path, process64Path, 64);
  UpdateState([](SdkState& state) {
    state.installed = false;
    state.error = "InitDriver needs exactly the 32-bit or the 64-bit driver pair";
  });
  return 0;
}

int DriverIsRun(void) {
  const SdkState state = ReadState();
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
  std::string error;
  RedirectRequest clear;
  clear.command = RedirectRequest::Command::kClear;
  // A service that does not run has no rule of ours in force either: its
  // rules go when it ends.
  const bool removed =
      AskServiceIfUsed(ReadState(), clear, error) || error.rfind(kServiceNotRunning, 0) == 0;
  const bool committed = UpdateState([](SdkState& state) { state.rules.clear(); });
  return committed && removed ? 1 : 0;
}

int AddRule(const char* protocol, const char* address, const char* port, const char* note, const char* reserved) {
  RedirectRule rule{TextOf(protocol), TextOf(address), TextOf(port), TextOf(note), TextOf(reserved)};
  in_addr parsed{};
  int portNumber = 0;
  if (inet_pton(AF_INET, rule.address.c_str(), &parsed) != 1 || !IsPort(rule.port, portNumber) ||
      !(rule.protocol.empty() || rule.protocol == "tcp")) {
    return 0;
  }
  if (ReadState().service) {
    // The service only ever redirects to the user's own proxy on 127.0.0.1.
    std::string error;
    RedirectRequest add;
    add.command = RedirectRequest::Command::kAdd;
    add.port = portNumber;
    if (rule.address != "127.0.0.1" || !AskRedirectService(add, error)) {
      LogFailure(__FILE__, __LINE__,
                 "AddRule " + rule.address + ":" + rule.port + " refused: " +
                     (error.empty() ? "only 127.0.0.1 can be a target" : error));
      return 0;
    }
  }
  return UpdateState([&](SdkState& state) { state.rules.push_back(rule); }) ? 1 : 0;
}

int AddPid(unsigned long pid) {
  if (!ProcessExists(pid)) return 0;
  std::string error;
  RedirectRequest watch;
  watch.command = RedirectRequest::Command::kWatch;
  watch.pid = static_cast<long>(pid);
  if (!AskServiceIfUsed(ReadState(), watch, error)) return 0;
  return UpdateState([pid](SdkState& state) {
           std::vector<unsigned long>& pids = state.pids;
           std::erase_if(pids, [](unsigned long id) { return !ProcessExists(id); });
           if (std::find(pids.begin(), pids.end(), pid) == pids.end()) pids.push_back(pid);
         })
             ? 1
             : 0;
}

}  // extern "C"
