// Kernel objects and handles: CloseHandle and the waits.
//
// Every HANDLE of the layer points at a reference-counted KernelObject
// (event, semaphore, process, thread, snapshot, pipe end, ...). CloseHandle
// drops one reference; WaitForSingleObject works on the waitable kinds.
#pragma once

#include "platform/Types.h"

#include <atomic>

struct KernelObject {
  KernelObject() = default;
  KernelObject(const KernelObject&) = delete;
  KernelObject& operator=(const KernelObject&) = delete;
  virtual ~KernelObject() = default;

  // Waits until the object is signalled or the time-out passes: WAIT_OBJECT_0,
  // WAIT_TIMEOUT or WAIT_FAILED (an object that cannot be waited on).
  virtual DWORD Wait(DWORD milliseconds);

  void AddRef() { refs_.fetch_add(1, std::memory_order_relaxed); }
  void Release() {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }

 private:
  std::atomic<int> refs_{1};
};

BOOL CloseHandle(HANDLE handle);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// True for null and INVALID_HANDLE_VALUE.
inline bool IsNullHandle(HANDLE h) { return h == nullptr || h == INVALID_HANDLE_VALUE; }

// Casts a handle to the object kind it must name; null when it does not.
template <class T>
T* HandleAs(HANDLE h) {
  if (IsNullHandle(h)) return nullptr;
  return dynamic_cast<T*>(h);
}
