// Events, critical sections and the named semaphore.
#pragma once

#include "platform/Kernel.h"

#include <mutex>

struct SECURITY_DESCRIPTOR {
  BYTE revision = 0;
  bool daclPresent = false;
  bool daclNull = false;  // present but null: every account may open the object
};
using PSECURITY_DESCRIPTOR = SECURITY_DESCRIPTOR*;

struct SECURITY_ATTRIBUTES {
  DWORD nLength = 0;
  void* lpSecurityDescriptor = nullptr;
  BOOL bInheritHandle = FALSE;
};

constexpr DWORD SECURITY_DESCRIPTOR_REVISION = 1;
BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision);
BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL present, void* acl, BOOL defaulted);

// Unnamed events (the name must be null). Manual-reset events stay
// signalled until reset; auto-reset ones release one waiter.
HANDLE CreateEventW(SECURITY_ATTRIBUTES* attributes, BOOL manualReset, BOOL initialState, LPCWSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// A named semaphore is visible to every process that uses the same machine
// root; creating one that another process holds succeeds with
// GetLastError() == ERROR_ALREADY_EXISTS. Inside the process it counts as
// a Win32 semaphore (waits take a unit, ReleaseSemaphore gives units back).
// An unnamed semaphore is private to the process.
HANDLE CreateSemaphoreA(SECURITY_ATTRIBUTES* attributes, LONG initialCount, LONG maximumCount, LPCSTR name);
BOOL ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LONG* previousCount);

// CRITICAL_SECTION: a recursive lock, as on Windows.
struct CRITICAL_SECTION {
  std::recursive_mutex mutex;
};
void InitializeCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
BOOL TryEnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);
