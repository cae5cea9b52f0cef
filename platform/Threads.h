// Threads, sleeping and clocks.
#pragma once

#include "platform/Kernel.h"

using ThreadProc = unsigned(WINAPI*)(void* argument);

// Starts a thread; the result is a waitable thread handle (0 on failure).
uintptr_t _beginthreadex(void* security, unsigned stackSize, ThreadProc proc, void* argument,
                         unsigned initFlags, unsigned* threadId);
BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode);
DWORD GetCurrentThreadId();

void Sleep(DWORD milliseconds);
DWORD GetTickCount();
std::uint64_t GetTickCount64();

struct SYSTEMTIME {
  WORD wYear = 0;
  WORD wMonth = 0;
  WORD wDayOfWeek = 0;
  WORD wDay = 0;
  WORD wHour = 0;
  WORD wMinute = 0;
  WORD wSecond = 0;
  WORD wMilliseconds = 0;
};
void GetLocalTime(SYSTEMTIME* time);
