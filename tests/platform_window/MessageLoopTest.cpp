// Message queues and loops: ordering, nesting, quitting, timers, paint
// generation and the cross-thread paths.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/window/Headless.h"
#include "tests/platform_window/RecordingWindow.h"
#include "tests/support/TempMachineRoot.h"

namespace {

class MessageLoopTest : public ::testing::Test {
 protected:
    TempMachineRoot root_;
    void SetUp() override {
        Headless::ResetInput();
        Headless::UseManualClock(true);
    }
    void TearDown() override {
        Headless::PumpMessages();
        Headless::UseManualClock(false);
    }
};

TEST_F(MessageLoopTest, PostedBeforePaintBeforeTimerAndSentMessagesRunAtOnce) {
    RecordingWindow w;
    ASSERT_NE(w.Create(WS_POPUP | WS_VISIBLE, 0, 0, 50, 50), nullptr);
    Headless::PumpMessages();
    w.Clear();

    SetTimer(w.hwnd(), 7, 10, nullptr);
    Headless::AdvanceClock(10);
    InvalidateRect(w.hwnd(), nullptr, FALSE);
    PostMessageW(w.hwnd(), WM_USER + 1, 1, 0);
    PostMessageW(w.hwnd(), WM_USER + 2, 2, 0);
    EXPECT_EQ(SendMessageW(w.hwnd(), WM_USER + 3, 0, 0), 0);
    EXPECT_EQ(w.Messages({WM_USER + 3}).size(), 1u) << "a same-thread send runs before returning";

    Headless::PumpMessages();
    EXPECT_EQ(w.Messages({WM_USER + 1, WM_USER + 2, WM_PAINT, WM_TIMER}),
              (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_PAINT, WM_TIMER}));
    KillTimer(w.hwnd(), 7);
}

TEST_F(MessageLoopTest, PaintRequestsCoalesceIntoOneUpdateArea) {
    RecordingWindow w;
    RECT seen{};
    int paints = 0;
    w.On(WM_PAINT, [&](HWND h, UINT, WPARAM, LPARAM) {
        ++paints;
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        seen = ps.rcPaint;
        EndPaint(h, &ps);
        return LRESULT{0};
    });
    w.Create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    Headless::PumpMessages();
    paints = 0;

    RECT a{10, 10, 20, 20};
    RECT b{50, 40, 200, 60};  // clipped to the client area
    InvalidateRect(w.hwnd(), &a, FALSE);
    InvalidateRect(w.hwnd(), &b, FALSE);
    RECT update;
    EXPECT_TRUE(GetUpdateRect(w.hwnd(), &update, FALSE));
    Headless::PumpMessages();
    EXPECT_EQ(paints, 1);
    EXPECT_EQ(seen.left, 10);
    EXPECT_EQ(seen.top, 10);
    EXPECT_EQ(seen.right, 100);
    EXPECT_EQ(seen.bottom, 60);
    EXPECT_FALSE(GetUpdateRect(w.hwnd(), &update, FALSE));

    // Validating part of the area leaves the rest to paint.
    InvalidateRect(w.hwnd(), &a, FALSE);
    InvalidateRect(w.hwnd(), &b, FALSE);
    ValidateRect(w.hwnd(), &b);
    EXPECT_TRUE(GetUpdateRect(w.hwnd(), &update, FALSE));
    EXPECT_TRUE(EqualRect(&update, &a));
    ValidateRect(w.hwnd(), nullptr);
    EXPECT_EQ(Headless::PumpMessages(), 0);

    // Hidden windows are not painted.
    ShowWindow(w.hwnd(), SW_HIDE);
    InvalidateRect(w.hwnd(), nullptr, FALSE);
    EXPECT_FALSE(GetUpdateRect(w.hwnd(), &update, FALSE));
}

TEST_F(MessageLoopTest, TimersFireAtTheirIntervalUntilKilled) {
    RecordingWindow w;
    w.Create(WS_POPUP, 0, 0, 10, 10);
    EXPECT_EQ(SetTimer(w.hwnd(), 17, 100, nullptr), 17u);
    EXPECT_EQ(SetTimer(w.hwnd(), 18, 250, nullptr), 18u);
    Headless::AdvanceClock(99);
    Headless::PumpMessages();
    EXPECT_EQ(w.Count(WM_TIMER), 0);
    Headless::AdvanceClock(1);
    Headless::PumpMessages();
    ASSERT_EQ(w.Count(WM_TIMER), 1);
    EXPECT_EQ(w.Log({WM_TIMER})[0].wParam, 17u);
    Headless::AdvanceClock(150);
    Headless::PumpMessages();
    EXPECT_EQ(w.Count(WM_TIMER), 3);  // 17 again, and 18

    EXPECT_TRUE(KillTimer(w.hwnd(), 17));
    EXPECT_FALSE(KillTimer(w.hwnd(), 17));
    w.Clear();
    Headless::AdvanceClock(1000);
    Headless::PumpMessages();
    ASSERT_EQ(w.Count(WM_TIMER), 1) << "an overdue timer fires once, not once per missed interval";
    EXPECT_EQ(w.Log({WM_TIMER})[0].wParam, 18u);

    // Timers die with their window.
    DestroyWindow(w.hwnd());
    EXPECT_FALSE(KillTimer(w.hwnd(), 18));
}

TEST_F(MessageLoopTest, TimerProcedureRunsInsteadOfTheWindow) {
    RecordingWindow w;
    w.Create(WS_POPUP, 0, 0, 10, 10);
    static int calls;
    calls = 0;
    SetTimer(w.hwnd(), 3, 10, [](HWND, UINT, UINT_PTR id, DWORD) { calls += static_cast<int>(id); });
    Headless::AdvanceClock(10);
    Headless::PumpMessages();
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(w.Count(WM_TIMER), 0);
}

// A modal loop as windows run it: until the window is gone or WM_QUIT.
int RunModal(HWND hwnd) {
    int result = -1;
    MSG msg;
    while (IsWindow(hwnd)) {
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (msg.message == WM_CLOSE && msg.hwnd == hwnd) result = static_cast<int>(msg.wParam);
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return result;
}

TEST_F(MessageLoopTest, NestedModalLoopsServeEveryWindowOfTheThread) {
    RecordingWindow outer;
    RecordingWindow inner;
    RecordingWindow innermost;
    outer.Create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    std::vector<std::string> trace;
    int innerResult = 0;
    int innermostResult = 0;

    outer.On(WM_USER + 10, [&](HWND, UINT, WPARAM, LPARAM) {
        trace.push_back("open inner");
        inner.Create(WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, outer.hwnd());
        PostMessageW(inner.hwnd(), WM_USER + 11, 0, 0);
        innerResult = RunModal(inner.hwnd());
        trace.push_back("inner closed");
        return LRESULT{0};
    });
    inner.On(WM_USER + 11, [&](HWND, UINT, WPARAM, LPARAM) {
        trace.push_back("open innermost");
        innermost.Create(WS_POPUP | WS_VISIBLE, 20, 20, 30, 30, inner.hwnd());
        // Posted to the outer window while two modal loops run above it.
        PostMessageW(outer.hwnd(), WM_USER + 20, 0, 0);
        PostMessageW(innermost.hwnd(), WM_CLOSE, 2, 0);
        innermostResult = RunModal(innermost.hwnd());
        trace.push_back("innermost closed");
        PostMessageW(inner.hwnd(), WM_CLOSE, 1, 0);
        return LRESULT{0};
    });
    outer.On(WM_USER + 20, [&](HWND, UINT, WPARAM, LPARAM) {
        trace.push_back("outer served");
        return LRESULT{0};
    });

    PostMessageW(outer.hwnd(), WM_USER + 10, 0, 0);
    Headless::PumpMessages();
    EXPECT_EQ(trace, (std::vector<std::string>{"open inner", "open innermost", "outer served", "innermost closed",
                                               "inner closed"}));
    EXPECT_EQ(innermostResult, 2);
    EXPECT_EQ(innerResult, 1);
}

TEST_F(MessageLoopTest, QuitInsideANestedLoopEndsItAndReachesTheOuterLoop) {
    RecordingWindow outer;
    RecordingWindow inner;
    outer.Create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    inner.Create(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, outer.hwnd());
    PostQuitMessage(5);
    EXPECT_EQ(RunModal(inner.hwnd()), -1);
    EXPECT_TRUE(IsWindow(inner.hwnd()));
    MSG msg;
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 5u);
}

TEST_F(MessageLoopTest, PeekWithoutRemovingLeavesTheMessageAndFiltersApply) {
    RecordingWindow a;
    RecordingWindow b;
    a.Create(WS_POPUP, 0, 0, 10, 10);
    b.Create(WS_POPUP, 0, 0, 10, 10);
    PostMessageW(a.hwnd(), WM_USER + 1, 0, 0);
    PostMessageW(b.hwnd(), WM_USER + 2, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, b.hwnd(), 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_USER + 2);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, b.hwnd());
    EXPECT_FALSE(PeekMessageW(&msg, b.hwnd(), 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 1);
    // Posting to a destroyed window fails.
    const HWND gone = a.hwnd();
    DestroyWindow(gone);
    EXPECT_FALSE(PostMessageW(gone, WM_USER, 0, 0));
}

TEST_F(MessageLoopTest, PostsFromOtherThreadsArriveInOrderAndWakeABlockedLoop) {
    Headless::UseManualClock(false);
    RecordingWindow w;
    w.Create(WS_POPUP, 0, 0, 10, 10);
    const HWND hwnd = w.hwnd();
    constexpr int kThreads = 4;
    constexpr int kEach = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([=] {
            for (int i = 0; i < kEach; ++i) PostMessageW(hwnd, WM_USER + 1, static_cast<WPARAM>(t), i);
        });
    }
    std::vector<int> lastSeen(kThreads, -1);
    bool ordered = true;
    int received = 0;
    MSG msg;
    while (received < kThreads * kEach && GetMessageW(&msg, nullptr, 0, 0)) {
        if (msg.message != WM_USER + 1) continue;
        ordered = ordered && msg.lParam == lastSeen[msg.wParam] + 1;
        lastSeen[msg.wParam] = static_cast<int>(msg.lParam);
        ++received;
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(received, kThreads * kEach);
    EXPECT_TRUE(ordered);
}

TEST_F(MessageLoopTest, SendToAWindowOfAnotherThreadRunsThereAndReturnsItsResult) {
    Headless::UseManualClock(false);
    std::atomic<HWND> remote{nullptr};
    std::atomic<bool> stop{false};
    std::thread owner([&] {
        RecordingWindow w;
        w.On(WM_USER + 5, [](HWND, UINT, WPARAM wParam, LPARAM) {
            return static_cast<LRESULT>(wParam * 2);
        });
        w.Create(WS_POPUP, 0, 0, 10, 10);
        remote = w.hwnd();
        MSG msg;
        while (!stop) {
            if (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
        }
        DestroyWindow(w.hwnd());
    });
    while (remote.load() == nullptr) std::this_thread::yield();
    EXPECT_EQ(SendMessageW(remote, WM_USER + 5, 21, 0), 42);
    // The window's procedure never runs on this thread: dispatching here does nothing.
    MSG msg{remote, WM_USER + 5, 1, 0, 0, {}};
    EXPECT_EQ(DispatchMessageW(&msg), 0);
    EXPECT_FALSE(DestroyWindow(remote));
    stop = true;
    PostMessageW(remote, WM_NULL, 0, 0);
    owner.join();
}

TEST_F(MessageLoopTest, ThreadMessagesReachTheThreadQueue) {
    Headless::UseManualClock(false);
    std::atomic<DWORD> id{0};
    std::atomic<int> value{0};
    std::thread worker([&] {
        MSG msg;
        RecordingWindow w;
        w.Create(WS_POPUP, 0, 0, 1, 1);
        id = GetWindowThreadProcessId(w.hwnd(), nullptr);
        if (GetMessageW(&msg, nullptr, 0, 0) && msg.hwnd == nullptr) value = static_cast<int>(msg.wParam);
    });
    while (id.load() == 0) std::this_thread::yield();
    while (!PostThreadMessageW(id, WM_USER, 77, 0)) std::this_thread::yield();
    worker.join();
    EXPECT_EQ(value, 77);
}

TEST_F(MessageLoopTest, CallsFromAnotherThreadRunOnTheOwnerThread) {
    Headless::UseManualClock(false);
    RecordingWindow owner;
    owner.Create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    const HWND hwnd = owner.hwnd();
    const auto self = std::this_thread::get_id();
    bool everyCallHere = true;
    for (UINT m : {WM_ENABLE, WM_SHOWWINDOW, WM_SIZE}) {
        owner.On(m, [&, m](HWND h, UINT, WPARAM wp, LPARAM lp) {
            everyCallHere = everyCallHere && std::this_thread::get_id() == self;
            return DefWindowProcW(h, m, wp, lp);
        });
    }
    // What a message box on a worker thread does to its owner.
    std::thread worker([hwnd] {
        EnableWindow(hwnd, FALSE);
        ShowWindow(hwnd, SW_MINIMIZE);
        PostMessageW(hwnd, WM_USER + 9, 0, 0);
    });
    worker.join();
    EXPECT_FALSE(IsWindowEnabled(hwnd)) << "the state changes at once";
    MSG msg;
    do {
        ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
        DispatchMessageW(&msg);
    } while (msg.message != WM_USER + 9);
    EXPECT_TRUE(IsIconic(hwnd));
    EXPECT_EQ(owner.Count(WM_ENABLE), 1);
    EXPECT_EQ(owner.Log({WM_SIZE}).back().wParam, SIZE_MINIMIZED);
    EXPECT_TRUE(everyCallHere);
}

TEST_F(MessageLoopTest, WindowsOfAnEndedThreadAreGone) {
    WNDCLASSEXW cls;
    cls.lpfnWndProc = DefWindowProcW;
    cls.lpszClassName = L"PlainWindow";
    RegisterClassExW(&cls);
    HWND left = nullptr;
    std::thread worker([&] {
        left = CreateWindowExW(0, L"PlainWindow", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    });
    worker.join();
    ASSERT_NE(left, nullptr);
    EXPECT_FALSE(IsWindow(left));
    EXPECT_FALSE(PostMessageW(left, WM_USER, 0, 0));
}

}  // namespace
