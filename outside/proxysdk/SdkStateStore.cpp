#include "outside/proxysdk/SdkStateStore.h"

#include "platform/AtomicFile.h"
#include "platform/MachineRoot.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace {

constexpr std::size_t kMaxStateBytes = 1024 * 1024;

std::string StatePath() { return SdkStateDir() + "/state"; }

}  // namespace

std::string SdkStateDir() {
  const std::string dir = MachinePath("proxysdk");
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  return dir;
}

SdkStateTransaction::SdkStateTransaction() {
  lockFd_ = open((SdkStateDir() + "/state.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lockFd_ >= 0) {
    while (flock(lockFd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  std::string text;
  if (ReadWholeFile(StatePath(), text, kMaxStateBytes)) ParseSdkState(text, state_);
}

SdkStateTransaction::~SdkStateTransaction() {
  if (lockFd_ >= 0) close(lockFd_);
}

bool SdkStateTransaction::Commit() { return WriteFileAtomically(StatePath(), FormatSdkState(state_)); }
