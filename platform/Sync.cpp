#include "platform/Sync.h"

#include "platform/LastError.h"
#include "platform/MachineRoot.h"
#include "platform/WaitableState.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace {

class EventObject final : public KernelObject {
 public:
  EventObject(bool manualReset, bool signalled) : manualReset_(manualReset), signalled_(signalled) {}

  DWORD Wait(DWORD milliseconds) override {
    return state_.WaitUntil(
        milliseconds, [this] { return signalled_; },
        [this] {
          if (!manualReset_) signalled_ = false;
        });
  }
  void Set() {
    state_.Update([this] { signalled_ = true; });
  }
  void Reset() {
    state_.Update([this] { signalled_ = false; });
  }

 private:
  WaitableState state_;
  const bool manualReset_;
  bool signalled_;
};

class SemaphoreObject final : public KernelObject {
 public:
  SemaphoreObject(LONG count, LONG maximum, int lockFd) : count_(count), maximum_(maximum), lockFd_(lockFd) {}
  ~SemaphoreObject() override {
    if (lockFd_ >= 0) ::close(lockFd_);  // drops this process's hold on the name
  }

  DWORD Wait(DWORD milliseconds) override {
    return state_.WaitUntil(
        milliseconds, [this] { return count_ > 0; }, [this] { --count_; });
  }
  bool Release(LONG units, LONG* previous) {
    bool ok = false;
    state_.Update([&] {
      if (units <= 0 || count_ > maximum_ - units) return;
      if (previous) *previous = count_;
      count_ += units;
      ok = true;
    });
    return ok;
  }

 private:
  WaitableState state_;
  LONG count_;
  const LONG maximum_;
  int lockFd_;
};

// A kernel-object name becomes a file under <root>/kernel-objects/; "\\"
// and "/" of the name become "_" so that "Global\\x" stays one file.
std::string NamedObjectPath(const char* name) {
  std::string file;
  for (const char* p = name; *p; ++p) file += (*p == '\\' || *p == '/') ? '_' : *p;
  return MachinePath("kernel-objects/" + file);
}

}  // namespace

BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision) {
  if (!descriptor || revision != SECURITY_DESCRIPTOR_REVISION) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *descriptor = SECURITY_DESCRIPTOR{};
  descriptor->revision = static_cast<BYTE>(revision);
  return TRUE;
}

BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL present, void* acl, BOOL) {
  if (!descriptor || descriptor->revision != SECURITY_DESCRIPTOR_REVISION) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  descriptor->daclPresent = present != FALSE;
  descriptor->daclNull = present && acl == nullptr;
  return TRUE;
}

HANDLE CreateEventW(SECURITY_ATTRIBUTES*, BOOL manualReset, BOOL initialState, LPCWSTR name) {
  if (name) {
    SetLastError(ERROR_INVALID_PARAMETER);  // named events are not offered
    return nullptr;
  }
  SetLastError(ERROR_SUCCESS);
  return new EventObject(manualReset != FALSE, initialState != FALSE);
}

BOOL SetEvent(HANDLE event) {
  auto* e = HandleAs<EventObject>(event);
  if (!e) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  e->Set();
  return TRUE;
}

BOOL ResetEvent(HANDLE event) {
  auto* e = HandleAs<EventObject>(event);
  if (!e) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  e->Reset();
  return TRUE;
}

HANDLE CreateSemaphoreA(SECURITY_ATTRIBUTES* attributes, LONG initialCount, LONG maximumCount, LPCSTR name) {
  if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!name) {
    SetLastError(ERROR_SUCCESS);
    return new SemaphoreObject(initialCount, maximumCount, -1);
  }
  // The name is held by every process that has it open: a shared lock on
  // its file. Whoever can take the lock exclusively is the first holder.
  std::string path = NamedObjectPath(name);
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  bool everyone = false;
  if (attributes && attributes->lpSecurityDescriptor) {
    auto* sd = static_cast<SECURITY_DESCRIPTOR*>(attributes->lpSecurityDescriptor);
    everyone = sd->daclNull;
  }
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, everyone ? 0666 : 0600);
  if (fd < 0) {
    SetLastError(Win32ErrorFromErrno(errno));
    return nullptr;
  }
  if (everyone) ::fchmod(fd, 0666);
  bool existed = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  if (::flock(fd, LOCK_SH) != 0) {
    SetLastError(Win32ErrorFromErrno(errno));
    ::close(fd);
    return nullptr;
  }
  auto* semaphore = new SemaphoreObject(initialCount, maximumCount, fd);
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return semaphore;
}

BOOL ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LONG* previousCount) {
  auto* s = HandleAs<SemaphoreObject>(semaphore);
  if (!s) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!s->Release(releaseCount, previousCount)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

void InitializeCriticalSection(CRITICAL_SECTION*) {}
void DeleteCriticalSection(CRITICAL_SECTION*) {}
void EnterCriticalSection(CRITICAL_SECTION* section) { section->mutex.lock(); }
BOOL TryEnterCriticalSection(CRITICAL_SECTION* section) { return section->mutex.try_lock() ? TRUE : FALSE; }
void LeaveCriticalSection(CRITICAL_SECTION* section) { section->mutex.unlock(); }
