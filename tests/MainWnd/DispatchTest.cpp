// The call dispatcher, the thread table and the error texts: the pieces
// the main window's workers and other processes talk to.
#include "MainWnd/ErrorText.h"
#include "MainWnd/MsgDispatch.h"
#include "MainWnd/ThreadTable.h"
#include "platform/Threads.h"
#include "platform/window/Headless.h"
#include "uiframework/window/WindowWnd.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

// A window that counts its wake-up messages and runs its queued calls.
class DispatchWindow : public SkinUI::CWindowWnd, public CMsgDispatch<DispatchWindow> {
 public:
  std::vector<std::string> calls;
  int wakeUps = 0;

  HWND Open() { return Create(nullptr, L"dispatch", WS_POPUP, 0, 0, 0, 10, 10); }
  void Record(int value, void* text) {
    calls.push_back(std::to_string(value) + (text ? static_cast<const char*>(text) : ""));
  }
  void RecordAndPostAgain(int value, void*) {
    calls.push_back("outer" + std::to_string(value));
    PostCall(m_hWnd, &DispatchWindow::Record, value + 1, nullptr);
  }

 protected:
  LPCWSTR WindowClassName() const override { return L"DispatchWindow"; }
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (IsDispatchWakeUp(message)) {
      ++wakeUps;
      RunQueuedCalls();
      return 0;
    }
    return CWindowWnd::OnMessage(message, wParam, lParam);
  }
};

void Pump() {
  for (int i = 0; i < 50 && Headless::PumpMessages() > 0; ++i) {
  }
}

class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(window.Open(), nullptr); }
  void TearDown() override { DestroyWindow(window.GetHWND()); }
  DispatchWindow window;
};

TEST_F(DispatchTest, OnePostWakesFourTimesAndRunsOnce) {
  static char tag[] = "a";
  ASSERT_TRUE(window.PostCall(window.GetHWND(), &DispatchWindow::Record, 7, tag));
  EXPECT_TRUE(window.calls.empty()) << "nothing runs before the loop sees a wake-up";
  Pump();
  EXPECT_EQ(window.wakeUps, 4);
  EXPECT_EQ(window.calls, std::vector<std::string>{"7a"});
}

TEST_F(DispatchTest, CallsRunInPostingOrderAndACallMayPostAnother) {
  window.PostCall(window.GetHWND(), &DispatchWindow::Record, 1, nullptr);
  window.PostCall(window.GetHWND(), &DispatchWindow::RecordAndPostAgain, 2, nullptr);
  window.PostCall(window.GetHWND(), &DispatchWindow::Record, 9, nullptr);
  Pump();
  EXPECT_EQ(window.calls, (std::vector<std::string>{"1", "outer2", "9", "3"}));
}

TEST_F(DispatchTest, PostsFromWorkersAllRunOnTheWindowThread) {
  constexpr int kThreads = 4, kPerThread = 50;
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t)
    workers.emplace_back([this, t] {
      for (int i = 0; i < kPerThread; ++i)
        window.PostCall(window.GetHWND(), &DispatchWindow::Record, t * 1000 + i, nullptr);
    });
  for (auto& worker : workers) worker.join();
  Pump();
  ASSERT_EQ(window.calls.size(), static_cast<size_t>(kThreads * kPerThread));
  // Each worker's own calls keep their order.
  for (int t = 0; t < kThreads; ++t) {
    int last = -1;
    for (const auto& call : window.calls) {
      int value = std::stoi(call);
      if (value / 1000 != t) continue;
      EXPECT_GT(value, last);
      last = value;
    }
  }
}

TEST_F(DispatchTest, AClosedQueueDropsWhatWasQueuedAndEveryLaterPost) {
  window.PostCall(window.GetHWND(), &DispatchWindow::Record, 1, nullptr);
  window.CloseQueue();
  EXPECT_FALSE(window.PostCall(window.GetHWND(), &DispatchWindow::Record, 2, nullptr));
  Pump();
  EXPECT_TRUE(window.calls.empty());
  EXPECT_TRUE(window.IsQueueClosed());
}

TEST_F(DispatchTest, APostToAWindowThatIsGoneIsHarmless) {
  DispatchWindow gone;
  ASSERT_NE(gone.Open(), nullptr);
  HWND handle = gone.GetHWND();
  DestroyWindow(handle);
  EXPECT_TRUE(gone.PostCall(handle, &DispatchWindow::Record, 1, nullptr));
  Pump();
  EXPECT_TRUE(gone.calls.empty());
}

// ---- Thread table

struct Worker {
  CThreadTable* table;
  std::atomic<bool>* ignoreStop;
  std::atomic<int>* ended;
};

unsigned WINAPI CooperativeWorker(void* argument) {
  auto* worker = static_cast<Worker*>(argument);
  // Works in small steps and looks at the stop flag between them.
  while (!worker->table->StopRequested() || worker->ignoreStop->load()) Sleep(5);
  ++*worker->ended;
  return 0;
}

HANDLE StartWorker(Worker& worker, unsigned* id) {
  return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, CooperativeWorker, &worker, 0, id));
}

TEST(ThreadTable, NullAndInvalidHandlesAreNotRegistered) {
  CThreadTable table;
  table.Register(1, nullptr);
  table.Register(2, INVALID_HANDLE_VALUE);
  EXPECT_EQ(table.Count(), 0u);
  EXPECT_TRUE(table.StopAll(0).empty());
}

TEST(ThreadTable, StopAllEndsCooperatingWorkersAndEmptiesTheTable) {
  CThreadTable table;
  std::atomic<bool> ignore{false};
  std::atomic<int> ended{0};
  Worker worker{&table, &ignore, &ended};
  unsigned ids[3] = {};
  for (unsigned& id : ids) {
    HANDLE handle = StartWorker(worker, &id);
    table.Register(id, handle);
  }
  ASSERT_EQ(table.Count(), 3u);
  EXPECT_FALSE(table.StopRequested());
  EXPECT_TRUE(table.StopAll(5000).empty());
  EXPECT_TRUE(table.StopRequested());
  EXPECT_EQ(ended.load(), 3);
  EXPECT_EQ(table.Count(), 0u);
}

TEST(ThreadTable, AWorkerThatDoesNotEndInTimeIsNamedNotKilled) {
  CThreadTable table;
  std::atomic<bool> ignore{true};
  std::atomic<int> ended{0};
  Worker worker{&table, &ignore, &ended};
  unsigned id = 0;
  HANDLE handle = StartWorker(worker, &id);
  table.Register(id, handle);
  EXPECT_EQ(table.StopAll(50), std::vector<unsigned>{id});
  EXPECT_EQ(ended.load(), 0);
  ignore = false;  // the worker goes on and ends by itself
  for (int i = 0; i < 500 && ended.load() == 0; ++i) Sleep(10);
  EXPECT_EQ(ended.load(), 1);
}

TEST(ThreadTable, ThreadsSharingAnIdAreAllKeptAndAllWaitedFor) {
  CThreadTable table;
  std::atomic<bool> ignore{false};
  std::atomic<int> ended{0};
  Worker worker{&table, &ignore, &ended};
  unsigned id = 0;
  HANDLE first = StartWorker(worker, &id);
  unsigned otherId = 0;
  HANDLE second = StartWorker(worker, &otherId);
  table.Register(42, first);
  table.Register(42, second);
  table.Register(42, second);  // the same handle again adds nothing
  EXPECT_EQ(table.Count(), 2u);
  EXPECT_TRUE(table.StopAll(5000).empty());
  EXPECT_EQ(ended.load(), 2);
}

// ---- Error texts

TEST(ErrorText, EveryCodeOfTheTableHasItsText) {
  EXPECT_EQ(GetErrorText(1), L"成功");
  EXPECT_EQ(GetErrorText(3), L"连接服务器失败,请检查您的网络");
  EXPECT_EQ(GetErrorText(24),
            L"检测到Orvanta正在运行，加速效果将受到影响，建议您退出Orvanta后再启动加速器进行加速");
  EXPECT_EQ(GetErrorText(44), L"请先选择游戏再加速");
  EXPECT_EQ(GetErrorText(0), L"未知错误");
}

TEST(ErrorText, CodesOutsideTheTableAreUnknownWithoutTruncation) {
  for (long long code : {-1LL, -24LL, 4LL, 43LL, 99LL, (1LL << 32) + 24, 0x7FFFFFFFFFFFFFFFLL,
                         static_cast<long long>(0x8000000000000000ULL)})
    EXPECT_EQ(GetErrorText(code), L"未知错误") << code;
}

}  // namespace
