// Routing of synthetic mouse and keyboard input: hit testing, capture,
// activation by clicks, double clicks, caption dragging, hover and leave
// tracking, cursors, keys and tooltips.
#include <gtest/gtest.h>

#include "platform/window/Headless.h"
#include "platform/window/Regions.h"
#include "platform/window/Tooltips.h"
#include "tests/platform_window/RecordingWindow.h"
#include "tests/platform_window/TrackingTip.h"
#include "tests/support/TempMachineRoot.h"

namespace {

using Headless::Button;

class InputTest : public ::testing::Test {
 protected:
    void SetUp() override {
        Headless::ResetInput();
        Headless::UseManualClock(true);
    }
    void TearDown() override {
        Headless::PumpMessages();
        Headless::UseManualClock(false);
        Headless::ResetInput();
    }
    TempMachineRoot root_;
};

TEST_F(InputTest, MouseMessagesCarryClientCoordinatesAndButtonState) {
    RecordingWindow w;
    w.Create(WS_POPUP | WS_VISIBLE, 100, 100, 200, 100);
    Headless::MouseMove(150, 130);
    Headless::MouseDown();
    Headless::PumpMessages();
    const auto downs = w.Log({WM_LBUTTONDOWN});
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(GET_X_LPARAM(downs[0].lParam), 50);
    EXPECT_EQ(GET_Y_LPARAM(downs[0].lParam), 30);
    EXPECT_EQ(downs[0].wParam & MK_LBUTTON, MK_LBUTTON);
    EXPECT_LT(GetKeyState(VK_LBUTTON), 0);
    Headless::MouseUp();
    EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON), 0);
    EXPECT_LT(GetKeyState(VK_LBUTTON), 0) << "the button is up once its message was read";
    Headless::PumpMessages();
    EXPECT_EQ(GetKeyState(VK_LBUTTON), 0);
    // Every mouse message is preceded by a hit test and a cursor request.
    const auto routed = w.Messages({WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEMOVE});
    ASSERT_GE(routed.size(), 3u);
    EXPECT_EQ(std::vector<UINT>(routed.begin(), routed.begin() + 2), (std::vector<UINT>{WM_NCHITTEST, WM_SETCURSOR}));
    EXPECT_EQ(w.Count(WM_MOUSEMOVE), 1);
}

TEST_F(InputTest, CaptureKeepsDragInputWhenTheMouseLeavesTheWindow) {
    RecordingWindow w;
    RecordingWindow other;
    w.Create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    other.Create(WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
    w.On(WM_LBUTTONDOWN, [](HWND h, UINT, WPARAM, LPARAM) {
        SetCapture(h);
        return LRESULT{0};
    });
    w.On(WM_LBUTTONUP, [](HWND, UINT, WPARAM, LPARAM) {
        ReleaseCapture();
        return LRESULT{0};
    });
    Headless::MouseMove(50, 50);
    Headless::MouseDown();
    Headless::PumpMessages();
    EXPECT_EQ(GetCapture(), w.hwnd());
    Headless::MouseMove(250, 150);  // over the other window, then nowhere
    Headless::MouseMove(900, 700);
    Headless::MouseUp();
    Headless::PumpMessages();
    EXPECT_EQ(other.Count(WM_MOUSEMOVE), 0);
    const auto moves = w.Log({WM_MOUSEMOVE});
    ASSERT_EQ(moves.size(), 3u);
    EXPECT_EQ(GET_X_LPARAM(moves[2].lParam), 900);
    EXPECT_EQ(w.Count(WM_LBUTTONUP), 1);
    EXPECT_EQ(GetCapture(), nullptr);
    ASSERT_EQ(w.Count(WM_CAPTURECHANGED), 1);
    EXPECT_EQ(w.Log({WM_CAPTURECHANGED})[0].lParam, 0);

    // Without capture the next move goes to the window under the mouse.
    Headless::MouseMove(250, 50);
    Headless::PumpMessages();
    EXPECT_EQ(other.Count(WM_MOUSEMOVE), 1);
}

TEST_F(InputTest, ClicksActivateUnlessTheWindowDeclines) {
    RecordingWindow a;
    RecordingWindow b;
    a.Create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    b.Create(WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
    EXPECT_EQ(GetForegroundWindow(), b.hwnd());
    Headless::Click(50, 50);
    Headless::PumpMessages();
    EXPECT_EQ(GetForegroundWindow(), a.hwnd());
    EXPECT_EQ(LOWORD(a.Log({WM_ACTIVATE}).back().wParam), WA_CLICKACTIVE);

    b.On(WM_MOUSEACTIVATE, [](HWND, UINT, WPARAM, LPARAM) { return MA_NOACTIVATE; });
    Headless::Click(250, 50);
    Headless::PumpMessages();
    EXPECT_EQ(GetForegroundWindow(), a.hwnd());
    EXPECT_EQ(b.Count(WM_LBUTTONDOWN), 1) << "the click itself is still delivered";

    b.On(WM_MOUSEACTIVATE, [](HWND, UINT, WPARAM, LPARAM) { return MA_NOACTIVATEANDEAT; });
    Headless::Click(250, 50);
    Headless::PumpMessages();
    EXPECT_EQ(b.Count(WM_LBUTTONDOWN), 1) << "eaten";

    // A disabled window gets no mouse input at all.
    EnableWindow(b.hwnd(), FALSE);
    b.Clear();
    Headless::Click(260, 50);
    Headless::PumpMessages();
    EXPECT_EQ(b.Count(WM_LBUTTONDOWN) + b.Count(WM_MOUSEMOVE) + b.Count(WM_NCHITTEST), 0);
}

TEST_F(InputTest, DoubleClicksNeedTheClassStyleTimeAndDistance) {
    RecordingWindow w;
    w.Create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    Headless::Click(10, 10);
    Headless::AdvanceClock(100);
    Headless::Click(12, 12);
    Headless::PumpMessages();
    EXPECT_EQ(w.Messages({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}));
    w.Clear();

    Headless::AdvanceClock(1000);
    Headless::Click(10, 10);
    Headless::AdvanceClock(GetDoubleClickTime() + 1);  // too slow
    Headless::Click(10, 10);
    Headless::AdvanceClock(10);
    Headless::Click(20, 10);  // too far
    Headless::PumpMessages();
    EXPECT_EQ(w.Count(WM_LBUTTONDBLCLK), 0);
    EXPECT_EQ(w.Count(WM_LBUTTONDOWN), 3);
}

TEST_F(InputTest, DraggingTheCaptionMovesTheWindowAndDoubleClickingItMaximises) {
    RecordingWindow w;
    w.On(WM_NCHITTEST, [](HWND h, UINT m, WPARAM wp, LPARAM lp) {
        POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        ScreenToClient(h, &pt);
        return pt.y < 20 ? HTCAPTION : DefWindowProcW(h, m, wp, lp);
    });
    w.Create(WS_POPUP | WS_VISIBLE, 100, 100, 200, 100);
    Headless::MouseMove(150, 110);
    Headless::MouseDown();
    Headless::PumpMessages();
    EXPECT_EQ(w.Count(WM_NCLBUTTONDOWN), 1);
    Headless::MouseMove(180, 150);
    Headless::MouseMove(200, 170);
    Headless::MouseUp();
    Headless::PumpMessages();
    RECT rc;
    GetWindowRect(w.hwnd(), &rc);
    EXPECT_EQ(rc.left, 150);
    EXPECT_EQ(rc.top, 160);
    EXPECT_EQ(w.Count(WM_MOUSEMOVE), 0);

    Headless::AdvanceClock(1000);
    Headless::Click(160, 165);
    Headless::Click(160, 165);
    Headless::PumpMessages();
    EXPECT_EQ(w.Count(WM_NCLBUTTONDBLCLK), 1);
    EXPECT_TRUE(IsZoomed(w.hwnd()));
}

TEST_F(InputTest, WindowRegionsShapeHitTesting) {
    RecordingWindow below;
    RecordingWindow shaped;
    below.Create(WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
    shaped.Create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    SetWindowRgn(shaped.hwnd(), CreateRoundRectRgn(0, 0, 101, 101, 40, 40), TRUE);
    EXPECT_EQ(WindowFromPoint(POINT{1, 1}), below.hwnd()) << "the cut-off corner belongs to the window below";
    EXPECT_EQ(WindowFromPoint(POINT{50, 1}), shaped.hwnd());
    EXPECT_EQ(WindowFromPoint(POINT{99, 99}), below.hwnd());
    EXPECT_EQ(WindowFromPoint(POINT{90, 90}), shaped.hwnd());
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(shaped.hwnd(), copy), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(copy, 0, 0));
    DeleteObject(copy);
    SetWindowRgn(shaped.hwnd(), nullptr, FALSE);
    EXPECT_EQ(WindowFromPoint(POINT{1, 1}), shaped.hwnd());

    // Child windows are found inside their parent.
    RecordingWindow child;
    child.Create(WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, shaped.hwnd());
    EXPECT_EQ(WindowFromPoint(POINT{15, 15}), child.hwnd());
    Headless::Click(15, 15);
    Headless::PumpMessages();
    EXPECT_EQ(child.Count(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(GetForegroundWindow(), shaped.hwnd()) << "clicking a child activates its top-level window";
}

TEST_F(InputTest, HoverFiresAfterTheDelayOnceAndLeaveWhenTheMouseGoes) {
    RecordingWindow w;
    RecordingWindow other;
    w.Create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    other.Create(WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
    auto track = [&] {
        TRACKMOUSEEVENT tme;
        tme.dwFlags = TME_HOVER | TME_LEAVE;
        tme.hwndTrack = w.hwnd();
        tme.dwHoverTime = 400;
        EXPECT_TRUE(TrackMouseEvent(&tme));
    };
    Headless::MouseMove(50, 50);
    track();
    Headless::AdvanceClock(300);
    Headless::MouseMove(51, 51);  // small moves keep the hover timer
    Headless::AdvanceClock(99);
    Headless::PumpMessages();
    EXPECT_EQ(w.Count(WM_MOUSEHOVER), 0);
    Headless::AdvanceClock(1);
    Headless::PumpMessages();
    ASSERT_EQ(w.Count(WM_MOUSEHOVER), 1);
    EXPECT_EQ(w.Log({WM_MOUSEHOVER})[0].lParam, MAKELPARAM(51, 51));
    Headless::AdvanceClock(1000);
    Headless::PumpMessages();
    EXPECT_EQ(w.Count(WM_MOUSEHOVER), 1) << "hover fires once per request";

    // A bigger move restarts the delay.
    track();
    Headless::AdvanceClock(300);
    Headless::MouseMove(70, 70);
    Headless::AdvanceClock(300);
    Headless::PumpMessages();
    EXPECT_EQ(w.Count(WM_MOUSEHOVER), 1);

    Headless::MouseMove(250, 50);
    Headless::PumpMessages();
    EXPECT_EQ(w.Count(WM_MOUSELEAVE), 1);
    Headless::AdvanceClock(1000);
    Headless::PumpMessages();
    EXPECT_EQ(w.Count(WM_MOUSEHOVER), 1) << "leaving cancels the pending hover";
    Headless::MouseMove(260, 50);
    Headless::PumpMessages();
    EXPECT_EQ(w.Count(WM_MOUSELEAVE), 1) << "leave fires once per request";

    // Asking while the mouse is elsewhere reports the leave at once.
    TRACKMOUSEEVENT tme;
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = w.hwnd();
    TrackMouseEvent(&tme);
    Headless::PumpMessages();
    EXPECT_EQ(w.Count(WM_MOUSELEAVE), 2);
}

TEST_F(InputTest, CursorFollowsTheClassOrTheWindowsAnswer) {
    RecordingWindow w;
    w.Create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    Headless::MouseMove(10, 10);
    EXPECT_EQ(CursorId(GetCursor()), 32512u);
    w.On(WM_SETCURSOR, [](HWND, UINT, WPARAM, LPARAM lp) {
        if (LOWORD(lp) != HTCLIENT) return LRESULT{FALSE};
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return LRESULT{TRUE};
    });
    Headless::MouseMove(20, 20);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
    EXPECT_EQ(LoadCursorW(reinterpret_cast<HINSTANCE>(1), IDC_HAND), nullptr);
}

TEST_F(InputTest, KeysGoToTheFocusAndTranslateIntoCharacters) {
    RecordingWindow w;
    RecordingWindow child;
    w.Create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    child.Create(WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, w.hwnd());
    SetFocus(child.hwnd());
    Headless::KeyDown(VK_SHIFT);
    Headless::KeyDown('A');
    Headless::KeyUp('A');
    Headless::KeyUp(VK_SHIFT);
    Headless::KeyDown('B');
    Headless::PumpMessages();
    const auto chars = child.Log({WM_CHAR});
    ASSERT_EQ(chars.size(), 2u);
    EXPECT_EQ(chars[0].wParam, static_cast<WPARAM>(L'A'));
    EXPECT_EQ(chars[1].wParam, static_cast<WPARAM>(L'b'));
    const auto keys = child.Log({WM_KEYDOWN, WM_CHAR});
    ASSERT_GE(keys.size(), 3u);
    EXPECT_EQ(keys[1].wParam, static_cast<WPARAM>('A'));
    EXPECT_EQ(keys[2].message, WM_CHAR) << "the character follows its key";
    EXPECT_EQ(w.Count(WM_KEYDOWN), 0);
    Headless::KeyUp('B');

    // Alt+F4 becomes the close command of the top-level window.
    w.On(WM_SYSCOMMAND, [](HWND, UINT, WPARAM, LPARAM) { return LRESULT{0}; });
    Headless::KeyDown(VK_MENU);
    Headless::KeyDown(VK_F4);
    Headless::KeyUp(VK_F4);
    Headless::KeyUp(VK_MENU);
    Headless::PumpMessages();
    ASSERT_EQ(w.Count(WM_SYSCOMMAND), 1);
    EXPECT_EQ(w.Log({WM_SYSCOMMAND})[0].wParam, SC_CLOSE);

    // The wheel goes to the focus window, whatever is under the mouse.
    Headless::MouseMove(500, 500);
    Headless::Wheel(-WHEEL_DELTA);
    Headless::PumpMessages();
    ASSERT_EQ(child.Count(WM_MOUSEWHEEL), 1);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(child.Log({WM_MOUSEWHEEL})[0].wParam), -WHEEL_DELTA);
}

// A key released while the keyboard was elsewhere never reaches us: once
// the held keys are read again, Escape is a plain key, not Alt+Escape.
TEST_F(InputTest, KeysReadAgainDropAReleaseThatWentElsewhere) {
    RecordingWindow w;
    w.Create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    SetFocus(w.hwnd());
    Headless::KeyDown(VK_MENU);
    Headless::KeyDown(VK_SHIFT);
    Headless::KeysHeldNow(true, false, false);
    EXPECT_EQ(GetKeyState(VK_MENU) & 0x8000, 0);
    EXPECT_NE(GetKeyState(VK_SHIFT) & 0x8000, 0);
    Headless::KeyDown(VK_ESCAPE);
    Headless::PumpMessages();
    const auto keys = w.Log({WM_KEYDOWN, WM_SYSKEYDOWN});
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.back().message, WM_KEYDOWN);
    EXPECT_EQ(keys.back().wParam, static_cast<WPARAM>(VK_ESCAPE));
    Headless::KeysHeldNow(false, false, true);
    EXPECT_NE(GetKeyState(VK_MENU) & 0x8000, 0);
    EXPECT_EQ(GetKeyState(VK_ESCAPE) & 0x8000, 0);
}

TEST_F(InputTest, TrackingTooltipShowsTheToolTextAtThePosition) {
    RecordingWindow owner;
    owner.Create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    wchar_t text[] = L"线路一";
    TrackingTip tracking = ShowTrackingTip(owner.hwnd(), text, 40, 60);
    const HWND tip = tracking.tip;
    ASSERT_NE(tip, nullptr);
    TOOLINFOW& info = tracking.info;
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageW(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 500);
    EXPECT_TRUE(IsWindowVisible(tip));
    EXPECT_EQ(GetForegroundWindow(), owner.hwnd()) << "a tooltip never takes activation";
    wchar_t shown[16];
    GetWindowTextW(tip, shown, 16);
    EXPECT_STREQ(shown, L"线路一");
    RECT rc;
    GetWindowRect(tip, &rc);
    EXPECT_EQ(rc.left, 40);
    EXPECT_EQ(rc.top, 60);

    wchar_t changed[] = L"new";
    info.lpszText = changed;
    SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
    GetWindowTextW(tip, shown, 16);
    EXPECT_STREQ(shown, L"new");
    SendMessageW(tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&info));
    EXPECT_FALSE(IsWindowVisible(tip));
    DestroyWindow(owner.hwnd());
    EXPECT_FALSE(IsWindow(tip)) << "the tooltip is owned by its window";
}

}  // namespace
