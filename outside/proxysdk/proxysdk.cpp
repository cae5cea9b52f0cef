// The six functions of the redirection library.

#include "outside/proxysdk/proxysdk.h"

#include "outside/proxysdk/DriverCheck.h"
#include "outside/proxysdk/NftRedirect.h"
#include "outside/proxysdk/SdkStateStore.h"

#include <arpa/inet.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

namespace {

std::string TextOf(const char* text) { return text == nullptr ? std::string() : std::string(text); }

bool IsPort(const std::string& text) {
  int port = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  return !text.empty() && error == std::errc() && end == text.data() + text.size() && port >= 1 && port <= 65535;
}

bool ProcessExists(unsigned long pid) {
  return pid != 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// Checks and records one installation. Exactly one of the 32-bit and the
// 64-bit pair must be given.
int Install(const char* proxyPath, const char* processPath, int bits) {
  SdkStateTransaction transaction;
  SdkState& state = transaction.state();
  state.installed = false;
  std::string error;
  const std::string proxy = DriverNativePath(proxyPath);
  const std::string process = DriverNativePath(processPath);
  if (CheckDriverFile(proxy, DriverKind::kProxy, bits, error) &&
      CheckDriverFile(process, DriverKind::kProcess, bits, error)) {
    state.installed = true;
    state.bits = bits;
    state.proxyPath = proxy;
    state.processPath = process;
    error.clear();
  }
  state.error = error;
  return transaction.Commit() && state.installed ? 1 : 0;
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
  return CheckDriverFile(state.proxyPath, DriverKind::kProxy, state.bits, error) &&
                 CheckDriverFile(state.processPath, DriverKind::kProcess, state.bits, error)
             ? 1
             : 0;
}

int DeleteRuleAll(void) {
  SdkStateTransaction transaction;
  SdkState& state = transaction.state();
  bool removed = true;
  // The table is removed whenever a redirect may exist, also one left by a
  // process that crashed before it could record it.
  if (state.redirectActive || NftRedirectRequested()) {
    std::string error;
    removed = RemoveNftRedirect(error);
    if (removed) state.redirectActive = false;
  }
  state.rules.clear();
  return transaction.Commit() && removed ? 1 : 0;
}

int AddRule(const char* protocol, const char* address, const char* port, const char* note, const char* reserved) {
  RedirectRule rule{TextOf(protocol), TextOf(address), TextOf(port), TextOf(note), TextOf(reserved)};
  in_addr parsed{};
  if (inet_pton(AF_INET, rule.address.c_str(), &parsed) != 1 || !IsPort(rule.port) ||
      !(rule.protocol.empty() || rule.protocol == "tcp")) {
    return 0;
  }
  SdkStateTransaction transaction;
  SdkState& state = transaction.state();
  state.rules.push_back(rule);
  bool installed = true;
  if (NftRedirectRequested()) {
    std::string error;
    installed = InstallNftRedirect(state.rules, error);
    state.redirectActive = installed;
    if (!installed) state.rules.pop_back();
  }
  return transaction.Commit() && installed ? 1 : 0;
}

int AddPid(unsigned long pid) {
  if (!ProcessExists(pid)) return 0;
  SdkStateTransaction transaction;
  std::vector<unsigned long>& pids = transaction.state().pids;
  pids.erase(std::remove_if(pids.begin(), pids.end(), [](unsigned long id) { return !ProcessExists(id); }),
             pids.end());
  if (std::find(pids.begin(), pids.end(), pid) == pids.end()) pids.push_back(pid);
  return transaction.Commit() ? 1 : 0;
}

}  // extern "C"
