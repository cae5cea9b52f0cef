// Popup menus tracked at a point, as the notification-area menu uses them.
#include <gtest/gtest.h>

#include <functional>

#include "platform/window/Headless.h"
#include "platform/window/Menus.h"
#include "tests/platform_window/RecordingWindow.h"
#include "tests/support/TempMachineRoot.h"

namespace {

class MenuTest : public ::testing::Test {
 protected:
    void SetUp() override {
        Headless::ResetInput();
        Headless::SetScreenSize(1280, 800);
        owner_.Create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
        menu_ = CreatePopupMenu();
        AppendMenuW(menu_, MF_STRING, 101, L"显示主窗口");
        AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu_, MF_STRING | MF_GRAYED, 102, L"disabled");
        AppendMenuW(menu_, MF_STRING, 100, L"退出程序");
    }
    void TearDown() override {
        DestroyMenu(menu_);
        Headless::PumpMessages();
        Headless::ResetInput();
    }
    // Runs the given input once the menu loop is running.
    UINT_PTR Track(int x, int y, std::function<void()> input, UINT flags = TPM_RETURNCMD) {
        owner_.On(WM_USER + 50, [input](HWND, UINT, WPARAM, LPARAM) {
            input();
            return LRESULT{0};
        });
        PostMessageW(owner_.hwnd(), WM_USER + 50, 0, 0);
        return static_cast<UINT_PTR>(TrackPopupMenu(menu_, flags, x, y, 0, owner_.hwnd(), nullptr));
    }
    static HWND MenuWindow() { return FindWindowW(L"#32768", nullptr); }

    TempMachineRoot root_;
    RecordingWindow owner_;
    HMENU menu_ = nullptr;
};

// Item tops: 0 (101), 22 (separator), 30 (102), 52 (100).
TEST_F(MenuTest, ReleasingOverAnItemReturnsItsIdAndLeavesTheActiveWindowAlone) {
    HWND shown = nullptr;
    const UINT_PTR id = Track(200, 300, [&] {
        shown = MenuWindow();
        Headless::MouseMove(210, 300 + 52 + 5);
        Headless::MouseDown();
        Headless::MouseUp();
    });
    EXPECT_EQ(id, 100u);
    ASSERT_NE(shown, nullptr);
    EXPECT_FALSE(IsWindow(shown)) << "the menu window closes with the menu";
    EXPECT_EQ(GetForegroundWindow(), owner_.hwnd());
    EXPECT_EQ(owner_.Count(WM_LBUTTONDOWN), 0);
    EXPECT_EQ(GetMenuItemCount(menu_), 4);
}

TEST_F(MenuTest, DisabledItemsAndSeparatorsCannotBePicked) {
    const UINT_PTR id = Track(200, 300, [] {
        Headless::Click(210, 300 + 30 + 5);  // disabled
        Headless::Click(210, 300 + 22 + 2);  // separator
        Headless::Click(210, 300 + 5);       // the first item
    });
    EXPECT_EQ(id, 101u);
}

TEST_F(MenuTest, PressingElsewhereOrEscapeDismissesTheMenu) {
    EXPECT_EQ(Track(200, 300, [] { Headless::Click(50, 50); }), 0u);
    EXPECT_EQ(owner_.Count(WM_LBUTTONDOWN), 0) << "the dismissing press is not passed on";
    SetFocus(owner_.hwnd());
    EXPECT_EQ(Track(200, 300, [] {
                  Headless::KeyDown(VK_ESCAPE);
                  Headless::KeyUp(VK_ESCAPE);
              }),
              0u);
}

TEST_F(MenuTest, APressWhereNoWindowIsDismissesTheMenu) {
    // The owner is hidden, as the main window is behind the tray's menu.
    ShowWindow(owner_.hwnd(), SW_HIDE);
    EXPECT_EQ(Track(200, 300, [] { Headless::Click(900, 700); }), 0u);
    EXPECT_EQ(MenuWindow(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr) << "the menu gives the capture back";
}

TEST_F(MenuTest, OpensTowardsTheScreenAndServesOtherMessagesMeanwhile) {
    RECT rc{};
    int served = 0;
    owner_.On(WM_USER + 1003, [&](HWND, UINT, WPARAM, LPARAM) {
        ++served;
        return LRESULT{0};
    });
    owner_.On(WM_USER + 51, [](HWND, UINT, WPARAM, LPARAM) {
        Headless::Click(1275 - kMenuWidth, 790 - 10);  // the last item, seen from below
        return LRESULT{0};
    });
    const UINT_PTR id = Track(1270, 790, [&] {
        GetWindowRect(MenuWindow(), &rc);
        PostMessageW(owner_.hwnd(), WM_USER + 1003, 0, 0);
        PostMessageW(owner_.hwnd(), WM_USER + 51, 0, 0);
    });
    EXPECT_EQ(id, 100u);
    EXPECT_EQ(rc.right, 1270);
    EXPECT_EQ(rc.bottom, 790);
    EXPECT_EQ(served, 1);
}

TEST_F(MenuTest, WithoutReturningTheCommandAPickIsPostedToTheOwner) {
    EXPECT_TRUE(Track(
        200, 300,
        [] {
            Headless::Click(210, 305);
        },
        TPM_LEFTALIGN));
    Headless::PumpMessages();
    ASSERT_EQ(owner_.Count(WM_COMMAND), 1);
    EXPECT_EQ(owner_.Log({WM_COMMAND})[0].wParam, 101u);
}

}  // namespace
