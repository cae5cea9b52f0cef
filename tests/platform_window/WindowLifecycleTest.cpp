// Creating and destroying windows, window state, z-order, activation and
// focus.
#include <gtest/gtest.h>

#include "platform/window/Headless.h"
#include "platform/window/Regions.h"
#include "tests/platform_window/RecordingWindow.h"
#include "tests/support/TempMachineRoot.h"

namespace {

class WindowLifecycleTest : public ::testing::Test {
 protected:
    void SetUp() override {
        Headless::ResetInput();
        Headless::SetScreenSize(1280, 800);
    }
    void TearDown() override { Headless::PumpMessages(); }
    TempMachineRoot root_;
};

TEST_F(WindowLifecycleTest, CreationDeliversTheParameterAndFailsWhenTheWindowRefuses) {
    RecordingWindow w;
    const HWND hwnd = w.Create(WS_POPUP, 10, 20, 300, 200);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(w.Messages({WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE}),
              (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE}));
    const Received size = w.Log({WM_SIZE})[0];
    EXPECT_EQ(size.lParam, MAKELPARAM(300, 200));
    RECT rc;
    GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.left, 10);
    EXPECT_EQ(rc.bottom, 220);
    GetClientRect(hwnd, &rc);
    EXPECT_EQ(rc.right, 300);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    wchar_t name[64];
    EXPECT_EQ(GetClassNameW(hwnd, name, 64), 15);
    EXPECT_STREQ(name, L"RecordingWindow");

    RecordingWindow refused;
    refused.On(WM_CREATE, [](HWND, UINT, WPARAM, LPARAM) { return LRESULT{-1}; });
    EXPECT_EQ(refused.Create(WS_POPUP, 0, 0, 10, 10), nullptr);
    EXPECT_EQ(refused.Count(WM_NCDESTROY), 1);

    EXPECT_EQ(CreateWindowExW(0, L"NoSuchClass", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(CreateWindowExW(0, RecordingWindow::ClassName(), L"", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                              nullptr),
              nullptr)
        << "a child needs a parent";
}

TEST_F(WindowLifecycleTest, DestroyingAWindowTakesItsChildrenAndOwnedWindows) {
    RecordingWindow parent;
    RecordingWindow child;
    RecordingWindow grandchild;
    RecordingWindow owned;
    parent.Create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    child.Create(WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, parent.hwnd());
    grandchild.Create(WS_CHILD | WS_VISIBLE, 5, 5, 10, 10, child.hwnd());
    owned.Create(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, parent.hwnd());
    EXPECT_EQ(GetParent(grandchild.hwnd()), child.hwnd());
    EXPECT_EQ(GetParent(owned.hwnd()), parent.hwnd());
    EXPECT_EQ(GetWindow(owned.hwnd(), GW_OWNER), parent.hwnd());
    EXPECT_EQ(GetWindow(parent.hwnd(), GW_CHILD), child.hwnd());
    EXPECT_TRUE(IsChild(parent.hwnd(), grandchild.hwnd()));
    EXPECT_EQ(GetAncestor(grandchild.hwnd(), GA_ROOT), parent.hwnd());
    POINT pt{1, 2};
    ClientToScreen(grandchild.hwnd(), &pt);
    EXPECT_EQ(pt.x, 16);
    EXPECT_EQ(pt.y, 17);

    const HWND handles[] = {parent.hwnd(), child.hwnd(), grandchild.hwnd(), owned.hwnd()};
    std::vector<std::pair<HWND, UINT>> order;
    for (RecordingWindow* w : {&parent, &child, &grandchild, &owned}) {
        for (UINT m : {WM_DESTROY, WM_NCDESTROY}) {
            w->On(m, [&order](HWND h, UINT msg, WPARAM, LPARAM) {
                order.emplace_back(h, msg);
                return LRESULT{0};
            });
        }
    }
    EXPECT_TRUE(DestroyWindow(parent.hwnd()));
    const std::vector<std::pair<HWND, UINT>> expected = {
        {handles[3], WM_DESTROY}, {handles[3], WM_NCDESTROY},  // owned windows go first
        {handles[0], WM_DESTROY}, {handles[1], WM_DESTROY},   {handles[2], WM_DESTROY},
        {handles[2], WM_NCDESTROY}, {handles[1], WM_NCDESTROY}, {handles[0], WM_NCDESTROY},
    };
    EXPECT_EQ(order, expected);
    for (HWND h : handles) EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(DestroyWindow(handles[0]));
}

TEST_F(WindowLifecycleTest, CloseCommandsReachDestroyThroughTheDefaultProcedure) {
    RecordingWindow w;
    w.Create(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
    const HWND hwnd = w.hwnd();
    SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(w.Messages({WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}),
              (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
}

TEST_F(WindowLifecycleTest, MinimiseMaximiseAndRestoreReportTheirSizes) {
    Headless::SetWorkArea(RECT{0, 0, 1280, 760});
    RecordingWindow w;
    w.Create(WS_POPUP | WS_VISIBLE, 100, 100, 400, 300);
    const HWND hwnd = w.hwnd();
    w.Clear();

    ShowWindow(hwnd, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(hwnd));
    EXPECT_TRUE(IsWindowVisible(hwnd));
    RECT rc;
    GetClientRect(hwnd, &rc);
    EXPECT_TRUE(IsRectEmpty(&rc));
    ASSERT_EQ(w.Log({WM_SIZE}).size(), 1u);
    EXPECT_EQ(w.Log({WM_SIZE})[0].wParam, SIZE_MINIMIZED);
    EXPECT_NE(GetForegroundWindow(), hwnd) << "a minimised window is not active";

    ShowWindow(hwnd, SW_RESTORE);
    EXPECT_FALSE(IsIconic(hwnd));
    EXPECT_EQ(GetForegroundWindow(), hwnd);
    EXPECT_EQ(w.Log({WM_SIZE}).back().lParam, MAKELPARAM(400, 300));

    ShowWindow(hwnd, SW_MAXIMIZE);
    EXPECT_TRUE(IsZoomed(hwnd));
    GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.left, 0);
    EXPECT_EQ(rc.bottom, 760) << "maximised windows fill the work area";
    EXPECT_EQ(w.Log({WM_SIZE}).back().wParam, SIZE_MAXIMIZED);

    ShowWindow(hwnd, SW_SHOWNORMAL);
    EXPECT_FALSE(IsZoomed(hwnd));
    GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.left, 100);
    EXPECT_EQ(rc.right, 500);

    EXPECT_TRUE(ShowWindow(hwnd, SW_HIDE));
    EXPECT_FALSE(ShowWindow(hwnd, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(w.Log({WM_SHOWWINDOW}).back().wParam, static_cast<WPARAM>(FALSE));
}

TEST_F(WindowLifecycleTest, MovingAndResizingSendMoveAndSizeOnlyForWhatChanged) {
    RecordingWindow w;
    w.Create(WS_POPUP, 0, 0, 100, 100);
    w.Clear();
    MoveWindow(w.hwnd(), 5, 6, 100, 100, TRUE);
    EXPECT_EQ(w.Messages({WM_MOVE, WM_SIZE}), (std::vector<UINT>{WM_MOVE}));
    w.Clear();
    SetWindowPos(w.hwnd(), nullptr, 0, 0, 120, 80, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(w.Messages({WM_MOVE, WM_SIZE}), (std::vector<UINT>{WM_SIZE}));
    EXPECT_EQ(w.Log({WM_SIZE})[0].lParam, MAKELPARAM(120, 80));
    RECT rc;
    GetWindowRect(w.hwnd(), &rc);
    EXPECT_EQ(rc.left, 5);
    EXPECT_EQ(rc.right, 125);
}

TEST_F(WindowLifecycleTest, TopmostBandAndRaisingDecideWhatIsUnderThePoint) {
    RecordingWindow a;
    RecordingWindow b;
    a.Create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    b.Create(WS_POPUP | WS_VISIBLE, 50, 50, 100, 100);
    const POINT overlap{75, 75};
    EXPECT_EQ(WindowFromPoint(overlap), b.hwnd());

    // Raising through the topmost band and back leaves it on top but not topmost.
    SetWindowPos(a.hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    EXPECT_NE(GetWindowLongPtrW(a.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    SetWindowPos(a.hwnd(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    EXPECT_EQ(GetWindowLongPtrW(a.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(WindowFromPoint(overlap), a.hwnd());

    // A topmost window stays above a raised normal one.
    SetWindowPos(a.hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    BringWindowToTop(b.hwnd());
    EXPECT_EQ(WindowFromPoint(overlap), a.hwnd());

    ShowWindow(a.hwnd(), SW_HIDE);
    EXPECT_EQ(WindowFromPoint(overlap), b.hwnd());
    EXPECT_EQ(WindowFromPoint(POINT{10, 10}), nullptr);
}

TEST_F(WindowLifecycleTest, ActivationMovesFocusAndHidingHandsItOn) {
    RecordingWindow a;
    RecordingWindow b;
    a.Create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    EXPECT_EQ(GetForegroundWindow(), a.hwnd());
    EXPECT_EQ(GetFocus(), a.hwnd());
    b.Create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    EXPECT_EQ(GetForegroundWindow(), b.hwnd());
    EXPECT_EQ(GetFocus(), b.hwnd());
    ASSERT_FALSE(a.Log({WM_ACTIVATE}).empty());
    EXPECT_EQ(LOWORD(a.Log({WM_ACTIVATE}).back().wParam), WA_INACTIVE);
    EXPECT_EQ(a.Log({WM_KILLFOCUS}).back().wParam, reinterpret_cast<WPARAM>(b.hwnd()));

    RecordingWindow child;
    child.Create(WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, a.hwnd());
    a.Clear();
    b.Clear();
    EXPECT_EQ(SetFocus(child.hwnd()), b.hwnd());
    EXPECT_EQ(GetForegroundWindow(), a.hwnd()) << "focusing a child activates its top-level window";
    EXPECT_EQ(GetFocus(), child.hwnd());
    EXPECT_EQ(child.Log({WM_SETFOCUS}).size(), 1u);

    ShowWindow(a.hwnd(), SW_HIDE);
    EXPECT_EQ(GetForegroundWindow(), b.hwnd());
    EXPECT_EQ(GetFocus(), b.hwnd());

    // A disabled window takes no focus and loses the one it has.
    EXPECT_FALSE(EnableWindow(b.hwnd(), FALSE));
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(SetFocus(b.hwnd()), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_TRUE(EnableWindow(b.hwnd(), TRUE));
    SetFocus(b.hwnd());
    EXPECT_EQ(GetFocus(), b.hwnd());
}

TEST_F(WindowLifecycleTest, AttributesTextPropertiesAndSearchInTheProcess) {
    RecordingWindow w;
    w.Create(WS_POPUP, 0, 0, 10, 10, nullptr, 0, L"Brisgol加速器插件");
    EXPECT_EQ(FindWindowW(L"recordingwindow", L"Brisgol加速器插件"), w.hwnd()) << "class names ignore case";
    EXPECT_EQ(FindWindowW(L"RecordingWindow", L"other"), nullptr);
    SetWindowTextW(w.hwnd(), L"other");
    EXPECT_EQ(FindWindowW(nullptr, L"other"), w.hwnd());
    wchar_t text[4];
    EXPECT_EQ(GetWindowTextW(w.hwnd(), text, 4), 3) << "text is cut to the buffer";
    EXPECT_STREQ(text, L"oth");

    int markerObject = 0;
    const HANDLE marker = reinterpret_cast<HANDLE>(&markerObject);
    EXPECT_TRUE(SetPropW(w.hwnd(), L"WndX", marker));
    EXPECT_EQ(GetPropW(w.hwnd(), L"WndX"), marker);
    EXPECT_EQ(RemovePropW(w.hwnd(), L"WndX"), marker);
    EXPECT_EQ(GetPropW(w.hwnd(), L"WndX"), nullptr);

    // Subclassing swaps the procedure; the old one stays callable.
    static WNDPROC previous;
    static int seen;
    seen = 0;
    previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        w.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            if (m == WM_USER) ++seen;
            return CallWindowProcW(previous, h, m, wp, lp);
        })));
    SendMessageW(w.hwnd(), WM_USER, 0, 0);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(w.Count(WM_USER), 1);

    // Style changes keep the window state bits.
    ShowWindow(w.hwnd(), SW_SHOWNA);
    SetWindowLongPtrW(w.hwnd(), GWL_STYLE, WS_POPUP | WS_CLIPCHILDREN);
    EXPECT_TRUE(IsWindowVisible(w.hwnd()));
}

TEST_F(WindowLifecycleTest, ScreenWorkAreaAndMonitor) {
    Headless::SetScreenSize(1024, 768);
    Headless::SetWorkArea(RECT{0, 0, 1024, 728});
    RECT work;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(work.bottom, 728);
    RecordingWindow w;
    w.Create(WS_POPUP, 2000, 2000, 10, 10);
    EXPECT_EQ(MonitorFromWindow(w.hwnd(), MONITOR_DEFAULTTONULL), nullptr);
    MONITORINFO info;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(w.hwnd(), MONITOR_DEFAULTTONEAREST), &info));
    EXPECT_EQ(info.rcMonitor.right, 1024);
    EXPECT_EQ(info.rcWork.bottom, 728);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
}

}  // namespace
