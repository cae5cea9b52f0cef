// Skinned windows on several threads at once: each thread's windows get
// their own events, and pre-translation finds only the managers of the
// message's window while others come and go. The window resources shared
// by all managers (default font and colours) are not guarded, so windows
// are made and ended one at a time; everything else runs concurrently.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/TempMachineRoot.h"
#include "tests/uiframework_window/SkinTestWindow.h"

namespace skintest {
namespace {

TEST(ThreadedManagersTest, WindowsOnSeveralThreadsKeepTheirOwnManagers) {
  TempMachineRoot root;
  std::atomic<int> focusedRight{0};
  std::mutex lifetimes;
  auto run = [&](int index) {
    for (int round = 0; round < 20; ++round) {
      EventLog log;
      std::unique_ptr<SkinTestWindow> made;
      {
        std::lock_guard<std::mutex> lock(lifetimes);
        made = std::make_unique<SkinTestWindow>();
        if (made->Open(index * 300, 0, 200, 50) == nullptr) return;
      }
      SkinTestWindow& window = *made;
      auto* a = new RecordingControl(L"a", &log, UIFLAG_TABSTOP);
      auto* b = new RecordingControl(L"b", &log, UIFLAG_TABSTOP);
      window.AttachRow({a, b}, {100});
      Pump();
      MSG tab{window.GetHWND(), WM_KEYDOWN, VK_TAB, 0, 0, POINT{}};
      if (CWindowManagerUI::PreTranslate(&tab) && window.pm.GetFocus() == b) ++focusedRight;
      std::lock_guard<std::mutex> lock(lifetimes);
      ::DestroyWindow(window.GetHWND());
      made.reset();
    }
  };
  std::vector<std::thread> threads;
  for (int i = 0; i < 3; ++i) threads.emplace_back(run, i);
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(focusedRight.load(), 60);
}

}  // namespace
}  // namespace skintest
