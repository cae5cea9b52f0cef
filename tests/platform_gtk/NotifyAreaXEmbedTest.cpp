// Notification-area icons on a desktop without a session bus: the X
// screen's system tray (trayer, started and ended by the test) takes them
// as XEmbed icons, and a tray that appears or restarts tells the windows.
// (A pointer click on the embedded icon is driven against the program
// itself: tests/app/XEmbedTrayXvfbTest.cpp.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/Processes.h"
#include "platform/shell/NotifyArea.h"
#include "platform/window/gtk/DisplayBackend.h"
#include "tests/platform_gtk/DisplayProbe.h"
#include "tests/platform_window/RecordingWindow.h"

namespace {

constexpr UINT kCallback = WM_USER + 1000;
constexpr wchar_t kTip[] = L"xembed-probe-icon";

class TrayManager {
 public:
    ~TrayManager() { Stop(); }
    bool Start() {
        std::wstring command = L"trayer --edge bottom --align right --widthtype request --height 24 --expand false";
        STARTUPINFOW startup;
        PROCESS_INFORMATION process;
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            return false;
        }
        CloseHandle(process.hThread);
        process_ = process.hProcess;
        return true;
    }
    void Stop() {
        if (process_ == nullptr) return;
        TerminateProcess(process_, 0);
        WaitForSingleObject(process_, 5000);
        CloseHandle(process_);
        process_ = nullptr;
    }

 private:
    HANDLE process_ = nullptr;
};

class NotifyAreaXEmbedTest : public ::testing::Test {
 protected:
    void SetUp() override {
        ASSERT_EQ(std::getenv("DBUS_SESSION_BUS_ADDRESS"), nullptr) << "run without a session bus";
        ASSERT_TRUE(InstallDisplayBackendIfAvailable()) << "no X display (run under Xvfb)";
        window_.Create(WS_POPUP, 0, 0, 10, 10, nullptr, 0, L"owner");
        data_.hWnd = window_.hwnd();
        data_.uID = 1000;
        data_.uFlags = NIF_MESSAGE | NIF_TIP;
        data_.uCallbackMessage = kCallback;
        wcscpy(data_.szTip, kTip);
        window_.On(RegisterWindowMessageW(L"TaskbarCreated"), [this](HWND, UINT, WPARAM, LPARAM) {
            ++restarts_;
            added_ = Shell_NotifyIconW(NIM_ADD, &data_) != FALSE;
            return LRESULT{0};
        });
    }

    // Whether a window of this program shows in the tray: the icon (the
    // program's own windows here are hidden).
    static bool IconInTray() {
        return RunLoopUntil(
            [] { return Xdotool("search --onlyvisible --classname platform_gtk_notify_xembed_test"); }, 15000);
    }

    RecordingWindow window_;
    NOTIFYICONDATAW data_;
    TrayManager tray_;
    int restarts_ = 0;
    bool added_ = false;
};

TEST_F(NotifyAreaXEmbedTest, WithoutBusOrTrayNoIconIsTakenUntilATrayAppears) {
    EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data_)) << "no notification area at all";

    ASSERT_TRUE(tray_.Start()) << "trayer";
    ASSERT_TRUE(RunLoopUntil([&] { return restarts_ == 1; }, 15000)) << "TaskbarCreated when the tray appears";
    EXPECT_TRUE(added_);
    EXPECT_TRUE(IconInTray());

    // The tray restarts: the windows are told again and the icon is back.
    tray_.Stop();
    ASSERT_TRUE(tray_.Start());
    ASSERT_TRUE(RunLoopUntil([&] { return restarts_ == 2; }, 15000));
    EXPECT_TRUE(added_);
    EXPECT_TRUE(IconInTray());
    Shell_NotifyIconW(NIM_DELETE, &data_);
}

}  // namespace
