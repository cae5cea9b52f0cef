#include "platform/Threads.h"

#include "platform/LastError.h"
#include "platform/WaitableState.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <future>
#include <thread>

namespace {

class ThreadObject final : public KernelObject {
 public:
  DWORD Wait(DWORD milliseconds) override {
    return state_.WaitUntil(milliseconds, [this] { return finished_; }, [] {});
  }
  void Finish(DWORD code) {
    state_.Update([&] {
      exitCode_ = code;
      finished_ = true;
    });
  }
  DWORD ExitCode() {
    return state_.Inspect([this] { return finished_ ? exitCode_ : kStillActive; });
  }
  static constexpr DWORD kStillActive = 259;

 private:
  WaitableState state_;
  bool finished_ = false;
  DWORD exitCode_ = 0;
};

}  // namespace

uintptr_t _beginthreadex(void*, unsigned, ThreadProc proc, void* argument, unsigned, unsigned* threadId) {
  if (!proc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto* thread = new ThreadObject;
  thread->AddRef();  // the running thread's own reference
  try {
    // The new thread's id is its kernel thread id, known once it runs: the
    // caller gets it before this returns, as GetCurrentThreadId inside the
    // thread reports it.
    std::promise<DWORD> started;
    std::future<DWORD> id = started.get_future();
    // The promise travels with the thread, so its shared state outlives
    // the set_value that wakes this caller.
    std::thread worker([thread, proc, argument, started = std::move(started)]() mutable {
      started.set_value(GetCurrentThreadId());
      DWORD code = proc(argument);
      thread->Finish(code);
      thread->Release();
    });
    const DWORD newId = id.get();
    if (threadId) *threadId = newId;
    worker.detach();
  } catch (const std::system_error&) {
    thread->Release();
    thread->Release();
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  return reinterpret_cast<uintptr_t>(static_cast<KernelObject*>(thread));
}

BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode) {
  auto* t = HandleAs<ThreadObject>(thread);
  if (!t || !exitCode) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *exitCode = t->ExitCode();
  return TRUE;
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(::syscall(SYS_gettid)); }

void Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

std::uint64_t GetTickCount64() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }

void GetLocalTime(SYSTEMTIME* time) {
  if (!time) return;
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  std::tm local{};
  ::localtime_r(&ts.tv_sec, &local);
  time->wYear = static_cast<WORD>(local.tm_year + 1900);
  time->wMonth = static_cast<WORD>(local.tm_mon + 1);
  time->wDayOfWeek = static_cast<WORD>(local.tm_wday);
  time->wDay = static_cast<WORD>(local.tm_mday);
  time->wHour = static_cast<WORD>(local.tm_hour);
  time->wMinute = static_cast<WORD>(local.tm_min);
  time->wSecond = static_cast<WORD>(local.tm_sec);
  time->wMilliseconds = static_cast<WORD>(ts.tv_nsec / 1000000);
}
