// The main window's notification-area icon on a desktop: a stand-in
// StatusNotifierWatcher on a private session bus clicks it as a panel
// would, and its menu is a real GTK menu driven by the keyboard.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "MainWnd/TrayIcon.h"
#include "platform/shell/NotifyArea.h"
#include "platform/window/gtk/DisplayBackend.h"
#include "tests/platform_gtk/DisplayProbe.h"
#include "tests/platform_gtk/WatcherStandIn.h"
#include "tests/platform_window/IconFiles.h"
#include "tests/platform_window/RecordingWindow.h"

namespace {

class TrayIconGtkTest : public ::testing::Test, public ITrayIconOwner {
 protected:
    void SetUp() override {
        static const bool started = Watcher().Start();
        ASSERT_TRUE(started) << "no session bus (run under dbus-run-session)";
        ASSERT_TRUE(InstallDisplayBackendIfAvailable()) << "no X display (run under Xvfb)";
        static const std::string file = IconFile({{48, SolidPng(48, 0x2080F0)}});
        static const bool icon = RegisterIconFileResource(MAKEINTRESOURCEW(kProgramIconId), file.data(), file.size());
        ASSERT_TRUE(icon);
        tray_ = std::make_unique<CTrayIcon>(*this);
        window_.Create(WS_POPUP, 300, 200, 200, 100, nullptr, 0, L"Brisgol加速器插件");
        window_.On(WM_TRAYNOTIFY, [this](HWND, UINT, WPARAM wParam, LPARAM lParam) {
            return tray_->OnTrayNotify(wParam, lParam);
        });
        window_.On(tray_->RestartMessage(), [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
            tray_->AddAgain();
            return DefWindowProcW(hwnd, message, wParam, lParam);
        });
    }
    void TearDown() override {
        if (tray_ != nullptr) tray_->Remove();
    }
    void ExitFromTray() override {
        ++exits_;
        tray_->Remove();
        DestroyWindow(window_.hwnd());
    }
    static WatcherStandIn& Watcher() {
        static WatcherStandIn watcher;
        return watcher;
    }
    // Adds the icon and waits for its registration; its bus name.
    std::string AddIcon() {
        const size_t before = Watcher().Items().size();
        if (!tray_->Add(L"Brisgol加速器插件", window_.hwnd())) return "";
        if (!RunLoopUntil([&] { return Watcher().Items().size() > before; }, 5000)) return "";
        return Watcher().Items().back();
    }

    std::unique_ptr<CTrayIcon> tray_;
    RecordingWindow window_;
    int exits_ = 0;
};

TEST_F(TrayIconGtkTest, ActivateShowsTheHiddenWindow) {
    const std::string item = AddIcon();
    ASSERT_FALSE(item.empty());
    ASSERT_FALSE(IsWindowVisible(window_.hwnd()));
    Watcher().Call(item, "Activate", 1200, 790);
    ASSERT_TRUE(RunLoopUntil([&] { return IsWindowVisible(window_.hwnd()) != FALSE; }, 5000));
    EXPECT_EQ(GetForegroundWindow(), window_.hwnd());
}

TEST_F(TrayIconGtkTest, TheContextMenusExitItemRunsTheExitRoutine) {
    const std::string item = AddIcon();
    ASSERT_FALSE(item.empty());
    // The menu opens at the panel's point; the second item is "退出程序".
    std::system("(sleep 0.8; xdotool key Down Down Return) >/dev/null 2>&1 &");
    Watcher().Call(item, "ContextMenu", 600, 500);
    ASSERT_TRUE(RunLoopUntil([&] { return exits_ == 1; }, 8000));
    EXPECT_FALSE(IsWindow(window_.hwnd()));
    EXPECT_TRUE(NotifyIcons().empty());
}

TEST_F(TrayIconGtkTest, DismissingTheContextMenuChangesNothing) {
    const std::string item = AddIcon();
    ASSERT_FALSE(item.empty());
    std::system("(sleep 0.8; xdotool key Escape) >/dev/null 2>&1 &");
    Watcher().Call(item, "ContextMenu", 600, 500);
    RunLoopUntil([] { return false; }, 2000);
    EXPECT_EQ(exits_, 0);
    EXPECT_FALSE(IsWindowVisible(window_.hwnd()));
    EXPECT_EQ(NotifyIcons().size(), 1u);
}

TEST_F(TrayIconGtkTest, TheIconRegistersAgainWhenTheWatcherRestarts) {
    ASSERT_FALSE(AddIcon().empty());
    Watcher().Stop();
    ASSERT_TRUE(Watcher().Start());
    ASSERT_TRUE(RunLoopUntil([] { return Watcher().Items().size() == 1; }, 5000)) << "registered with the new watcher";
    Watcher().Call(Watcher().Items().back(), "Activate", 0, 0);
    EXPECT_TRUE(RunLoopUntil([&] { return IsWindowVisible(window_.hwnd()) != FALSE; }, 5000));
}

}  // namespace
