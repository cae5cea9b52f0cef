#include "outside/redirect/RedirectPaths.h"

namespace {

std::string RunFile(uid_t uid, const char* suffix) {
  return std::string(kRedirectRunDir) + "/redirect-" + std::to_string(uid) + suffix;
}

}  // namespace

std::string RedirectSocketPath(uid_t uid) { return RunFile(uid, ".sock"); }
std::string RedirectLockPath(uid_t uid) { return RunFile(uid, ".pid"); }
std::string RedirectLogPath(uid_t uid) { return RunFile(uid, ".log"); }
