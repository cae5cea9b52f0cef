#include "tests/outside/support/RedirectServiceStop.h"

#include "outside/redirect/NftRuleset.h"
#include "outside/redirect/RedirectPaths.h"
#include "tests/outside/support/ShellCommand.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

std::string Output(const std::string& command) { return ShellOutput(command + " 2>/dev/null"); }

}  // namespace

bool UserTableInForce(uid_t uid) {
  return ShellSucceeds("nft list table inet " + std::string(kUserTablePrefix) + std::to_string(uid));
}

bool DetourRoutesInForce() {
  const std::string priority = std::to_string(kDetourRulePriority);
  if (!Output("ip -4 rule list pref " + priority + "; ip -6 rule list pref " + priority).empty()) return true;
  std::istringstream routes(Output("ip -4 route show table all; ip -6 route show table all"));
  for (std::string line; std::getline(routes, line);) {
    const std::size_t at = line.find(" table ");
    if (at == std::string::npos) continue;
    const unsigned long table = std::strtoul(line.c_str() + at + 7, nullptr, 10);
    if (table >= kDetourRouteTableBase && table < kDetourRouteTableBase + kMaxRuleSlots) return true;
  }
  return false;
}

void StopRedirectService() {
  std::ifstream file(kRedirectLockFile);
  long pid = 0;
  if (file >> pid && pid > 1 && kill(static_cast<pid_t>(pid), SIGTERM) == 0) {
    for (int i = 0; i < 100 && kill(static_cast<pid_t>(pid), 0) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // The files go only when no service holds the lock: removing the lock
  // file of one that runs would let a second copy start beside it.
  const int lock = open(kRedirectLockFile, O_RDWR | O_CLOEXEC);
  if (lock < 0 || flock(lock, LOCK_EX | LOCK_NB) != 0) {
    if (lock >= 0) close(lock);
    return;
  }
  unlink(kRedirectLockFile);
  unlink(kRedirectLogFile);
  close(lock);
  rmdir(kRedirectRunDir);
}
