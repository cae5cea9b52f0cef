#include "platform/Sync.h"

#include "platform/LastError.h"
#include "platform/Threads.h"
#include "tests/support/TempMachineRoot.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

TEST(Events, ManualResetStaysSignalledAndTimedWaitsExpire) {
  HANDLE event = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  ResetEvent(event);
  DWORD before = GetTickCount();
  EXPECT_EQ(WaitForSingleObject(event, 60), WAIT_TIMEOUT);
  EXPECT_GE(GetTickCount() - before, 50u);
  SetEvent(event);
  EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
  CloseHandle(event);

  HANDLE autoReset = CreateEventW(nullptr, FALSE, TRUE, nullptr);
  EXPECT_EQ(WaitForSingleObject(autoReset, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(autoReset, 0), WAIT_TIMEOUT);
  CloseHandle(autoReset);
  EXPECT_EQ(CreateEventW(nullptr, TRUE, TRUE, L"named"), nullptr);
}

std::atomic<int> g_ran{0};

unsigned WINAPI Worker(void* argument) {
  auto* event = static_cast<HANDLE>(argument);
  WaitForSingleObject(event, INFINITE);
  g_ran.fetch_add(1);
  return 42;
}

TEST(Threads, ThreadHandlesAreWaitableAndKeepTheExitCode) {
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  auto thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &Worker, go, 0, nullptr));
  ASSERT_NE(thread, nullptr);
  DWORD code = 0;
  EXPECT_EQ(WaitForSingleObject(thread, 20), WAIT_TIMEOUT);
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 259u);
  SetEvent(go);
  EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(g_ran.load(), 1);
  CloseHandle(thread);
  CloseHandle(go);
}

static unsigned WINAPI ReportOwnId(void* slot) {
  *static_cast<DWORD*>(slot) = GetCurrentThreadId();
  return 0;
}

TEST(Threads, TheIdHandedOutIsTheOneTheThreadSees) {
  DWORD seen[2] = {};
  unsigned ids[2] = {};
  HANDLE threads[2];
  for (int i = 0; i < 2; ++i) {
    threads[i] = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &ReportOwnId, &seen[i], 0, &ids[i]));
    ASSERT_NE(threads[i], nullptr);
  }
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(WaitForSingleObject(threads[i], 5000), WAIT_OBJECT_0);
    EXPECT_NE(ids[i], 0u);
    EXPECT_EQ(ids[i], seen[i]);
    CloseHandle(threads[i]);
  }
  EXPECT_NE(ids[0], GetCurrentThreadId());
}

TEST(NamedSemaphore, ASecondHolderSeesThatTheNameExists) {
  TempMachineRoot root;
  SECURITY_DESCRIPTOR descriptor;
  ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE));
  SECURITY_ATTRIBUTES attributes{12, &descriptor, TRUE};
  HANDLE first = CreateSemaphoreA(&attributes, 1, 1, "Global\\_ONCE_RUN_test_");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  HANDLE second = CreateSemaphoreA(nullptr, 1, 1, "Global\\_ONCE_RUN_test_");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  CloseHandle(second);
  CloseHandle(first);
  HANDLE again = CreateSemaphoreA(nullptr, 1, 1, "Global\\_ONCE_RUN_test_");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  // Counting within the process.
  EXPECT_EQ(WaitForSingleObject(again, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(again, 0), WAIT_TIMEOUT);
  LONG previous = -1;
  EXPECT_TRUE(ReleaseSemaphore(again, 1, &previous));
  EXPECT_EQ(previous, 0);
  EXPECT_FALSE(ReleaseSemaphore(again, 1, nullptr));  // beyond the maximum
  CloseHandle(again);
}

}  // namespace
