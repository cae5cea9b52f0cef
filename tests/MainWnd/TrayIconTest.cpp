// The main window's notification-area icon, driven without a display: a
// test window stands in for the main window and forwards the icon's
// callback message and "TaskbarCreated" as the main window does.
#include <cairo.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "MainWnd/TrayIcon.h"
#include "platform/shell/NotifyArea.h"
#include "platform/window/Headless.h"
#include "platform/window/Menus.h"
#include "tests/platform_window/IconFiles.h"
#include "tests/platform_window/RecordingWindow.h"
#include "tests/support/TempMachineRoot.h"

namespace {

constexpr wchar_t kTip[] = L"Brisgol加速器插件";
// Where the user clicks the icon, and the menu's items below that point.
constexpr POINT kIconPoint{1000, 700};
constexpr POINT kShowItem{kIconPoint.x + 10, kIconPoint.y + kMenuItemHeight / 2};
constexpr POINT kExitItem{kIconPoint.x + 10, kIconPoint.y + kMenuItemHeight + kMenuItemHeight / 2};
constexpr UINT kDuringMenu = WM_APP + 1;

bool RegisterProgramIcon() {
    static const std::string file = IconFile({{48, SolidPng(48, 0x2080F0)}});
    static const bool registered = RegisterIconFileResource(MAKEINTRESOURCEW(kProgramIconId), file.data(), file.size());
    return registered;
}

class TrayIconTest : public ::testing::Test, public ITrayIconOwner {
 protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterProgramIcon());
        Headless::ResetInput();
        tray_ = std::make_unique<CTrayIcon>(*this);
        window_.Create(WS_POPUP, 200, 100, 300, 200, nullptr, 0, L"Brisgol加速器插件");
        window_.On(WM_TRAYNOTIFY, [this](HWND, UINT, WPARAM wParam, LPARAM lParam) {
            return tray_->OnTrayNotify(wParam, lParam);
        });
        window_.On(tray_->RestartMessage(), [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
            tray_->AddAgain();
            return DefWindowProcW(hwnd, message, wParam, lParam);
        });
        window_.On(kDuringMenu, [this](HWND, UINT, WPARAM, LPARAM) {
            menuWindow_ = FindWindowW(L"#32768", nullptr);
            GetWindowRect(menuWindow_, &menuRect_);
            if (duringMenu_) duringMenu_();
            return LRESULT{0};
        });
    }
    void TearDown() override {
        tray_->Remove();
        Headless::PumpMessages();
        Headless::ResetInput();
    }
    // The main window's exit routine, as far as the icon is concerned.
    void ExitFromTray() override {
        ++exits_;
        tray_->Remove();
        DestroyWindow(window_.hwnd());
    }

    void Click(UINT down, UINT up) {
        NotifyIconInput(window_.hwnd(), kTrayIconId, down, kIconPoint);
        NotifyIconInput(window_.hwnd(), kTrayIconId, up, kIconPoint);
    }
    // A right click on the icon; while its menu runs, then() acts on it.
    void RightClick(std::function<void()> then) {
        duringMenu_ = std::move(then);
        Click(WM_RBUTTONDOWN, WM_RBUTTONUP);
        PostMessageW(window_.hwnd(), kDuringMenu, 0, 0);
        Headless::PumpMessages();
    }
    static void ClickAt(POINT pt) { Headless::Click(pt.x, pt.y); }

    TempMachineRoot root_;
    std::unique_ptr<CTrayIcon> tray_;
    RecordingWindow window_;
    std::function<void()> duringMenu_;
    HWND menuWindow_ = nullptr;
    RECT menuRect_;
    int exits_ = 0;
};

TEST_F(TrayIconTest, AddShowsTheProgramIconWithTheTipForTheWindow) {
    ASSERT_TRUE(tray_->Add(kTip, window_.hwnd()));
    const auto icons = NotifyIcons();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].window, window_.hwnd());
    EXPECT_EQ(icons[0].id, 1000u);
    EXPECT_EQ(icons[0].callbackMessage, static_cast<UINT>(WM_USER + 1000));
    EXPECT_EQ(icons[0].tip, kTip);
    ASSERT_NE(icons[0].icon, nullptr) << "icon resource 101";
    EXPECT_EQ(cairo_image_surface_get_width(icons[0].icon.get()), GetSystemMetrics(SM_CXICON));
    EXPECT_FALSE(icons[0].hidden);

    const std::wstring longTip(300, L'长');
    ASSERT_TRUE(tray_->Remove());
    ASSERT_TRUE(tray_->Add(longTip.c_str(), window_.hwnd()));
    EXPECT_EQ(NotifyIcons()[0].tip, longTip.substr(0, 127));
}

TEST_F(TrayIconTest, ALeftClickBringsAHiddenOrMinimisedWindowBack) {
    ASSERT_TRUE(tray_->Add(kTip, window_.hwnd()));
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP);
    Headless::PumpMessages();
    EXPECT_TRUE(IsWindowVisible(window_.hwnd()));
    EXPECT_EQ(GetForegroundWindow(), window_.hwnd());

    ShowWindow(window_.hwnd(), SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window_.hwnd()));
    NotifyIconInput(window_.hwnd(), kTrayIconId, WM_LBUTTONDOWN, kIconPoint);
    Headless::PumpMessages();
    EXPECT_TRUE(IsIconic(window_.hwnd())) << "the press alone does nothing";
    NotifyIconInput(window_.hwnd(), kTrayIconId, WM_LBUTTONUP, kIconPoint);
    Headless::PumpMessages();
    EXPECT_FALSE(IsIconic(window_.hwnd()));
    EXPECT_TRUE(IsWindowVisible(window_.hwnd()));

    ShowWindow(window_.hwnd(), SW_HIDE);
    NotifyIconInput(window_.hwnd(), kTrayIconId, WM_LBUTTONDBLCLK, kIconPoint);
    Headless::PumpMessages();
    EXPECT_TRUE(IsWindowVisible(window_.hwnd())) << "a double click shows it too";
}

TEST_F(TrayIconTest, TheMenuShowsTheWindowFromItsFirstItem) {
    ASSERT_TRUE(tray_->Add(kTip, window_.hwnd()));
    RightClick([] { ClickAt(kShowItem); });
    ASSERT_NE(menuWindow_, nullptr) << "the right press opened the menu";
    const RECT menu = menuRect_;
    EXPECT_EQ(menu.left, kIconPoint.x) << "at the pointer";
    EXPECT_EQ(menu.top, kIconPoint.y);
    EXPECT_EQ(menu.bottom - menu.top, 2 * kMenuItemHeight) << "two items";
    EXPECT_FALSE(IsWindow(menuWindow_));
    EXPECT_TRUE(IsWindowVisible(window_.hwnd()));
    EXPECT_EQ(GetForegroundWindow(), window_.hwnd());
    EXPECT_EQ(exits_, 0);
}

TEST_F(TrayIconTest, ExitFromTheMenuRunsTheExitRoutineAtOnce) {
    ASSERT_TRUE(tray_->Add(kTip, window_.hwnd()));
    RightClick([] { ClickAt(kExitItem); });
    EXPECT_EQ(exits_, 1);
    EXPECT_FALSE(IsWindow(window_.hwnd()));
    EXPECT_TRUE(NotifyIcons().empty()) << "the exit routine removed the icon";
}

TEST_F(TrayIconTest, DismissingTheMenuChangesNothing) {
    ASSERT_TRUE(tray_->Add(kTip, window_.hwnd()));
    RightClick([] { ClickAt(POINT{10, 10}); });
    EXPECT_FALSE(IsWindow(menuWindow_));
    EXPECT_FALSE(IsWindowVisible(window_.hwnd()));
    EXPECT_EQ(exits_, 0);
    RightClick([] {
        Headless::KeyDown(VK_ESCAPE);
        Headless::KeyUp(VK_ESCAPE);
    });
    EXPECT_FALSE(IsWindowVisible(window_.hwnd()));
    EXPECT_EQ(exits_, 0);
    EXPECT_EQ(NotifyIcons().size(), 1u);
}

TEST_F(TrayIconTest, RapidRepeatedClicksOpenOneMenuAtATime) {
    ASSERT_TRUE(tray_->Add(kTip, window_.hwnd()));
    for (int i = 0; i < 50; ++i) Click(WM_LBUTTONDOWN, WM_LBUTTONUP);
    // Right presses that arrive while the menu is open belong to it.
    RightClick([this] {
        for (int i = 0; i < 20; ++i) Click(WM_RBUTTONDOWN, WM_RBUTTONUP);
        Headless::PumpMessages();
        EXPECT_EQ(FindWindowW(L"#32768", nullptr), menuWindow_) << "still the first menu";
        ClickAt(kShowItem);
    });
    EXPECT_EQ(FindWindowW(L"#32768", nullptr), nullptr);
    EXPECT_TRUE(IsWindowVisible(window_.hwnd()));
    EXPECT_EQ(exits_, 0);
    EXPECT_EQ(NotifyIcons().size(), 1u);
}

TEST_F(TrayIconTest, TheIconComesBackWhenTheNotificationAreaIsCreatedAnew) {
    ASSERT_TRUE(tray_->Add(kTip, window_.hwnd()));
    NotifyAreaRestarted(true);
    EXPECT_TRUE(NotifyIcons().empty());
    Headless::PumpMessages();
    const auto icons = NotifyIcons();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].window, window_.hwnd());
    EXPECT_EQ(icons[0].tip, kTip);
    EXPECT_NE(icons[0].icon, nullptr);

    // The icon still answers clicks.
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP);
    Headless::PumpMessages();
    EXPECT_TRUE(IsWindowVisible(window_.hwnd()));
}

TEST_F(TrayIconTest, TheIconOutlivesTheTrayObjectUntilRemoved) {
    ASSERT_TRUE(tray_->Add(kTip, window_.hwnd()));
    EXPECT_FALSE(tray_->Add(kTip, window_.hwnd())) << "added once";
    tray_ = std::make_unique<CTrayIcon>(*this);
    EXPECT_EQ(NotifyIcons().size(), 1u) << "the destructor leaves the icon";
    EXPECT_FALSE(tray_->Remove()) << "a tray object that added nothing removes nothing";
    ASSERT_TRUE(tray_->Add(L"", window_.hwnd()) == false);
    NOTIFYICONDATAW gone;
    gone.hWnd = window_.hwnd();
    gone.uID = kTrayIconId;
    EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &gone));
}

}  // namespace
