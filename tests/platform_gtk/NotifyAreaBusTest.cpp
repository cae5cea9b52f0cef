// Notification-area icons on a desktop with a StatusNotifierWatcher: on a
// private session bus a stand-in watcher takes the icon's registration,
// reads what a panel shows, clicks it, and restarts.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "platform/Module.h"
#include "platform/shell/NotifyArea.h"
#include "platform/window/Icons.h"
#include "platform/window/gtk/DisplayBackend.h"
#include "tests/platform_gtk/DisplayProbe.h"
#include "tests/platform_gtk/WatcherStandIn.h"
#include "tests/platform_window/IconFiles.h"
#include "tests/platform_window/RecordingWindow.h"

namespace {

constexpr UINT kCallback = WM_USER + 1000;
constexpr UINT kIconId = 1000;

// Runs work on another thread while this one serves its windows (the icon
// answers the bus on this thread).
void OffThread(const std::function<void()>& work) {
    bool finished = false;
    std::thread worker([&] {
        work();
        finished = true;
    });
    RunLoopUntil([&] { return finished; }, 10000);
    worker.join();
}

std::string StringProperty(WatcherStandIn& watcher, const std::string& item, const char* name) {
    std::string text;
    OffThread([&] {
        if (GVariant* value = watcher.Property(item, name)) {
            if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)) text = g_variant_get_string(value, nullptr);
            g_variant_unref(value);
        }
    });
    return text;
}

class NotifyAreaBusTest : public ::testing::Test {
 protected:
    void SetUp() override {
        // The watcher is there before the display opens (the usual desktop).
        static const bool started = Watcher().Start();
        ASSERT_TRUE(started) << "no session bus (run under dbus-run-session)";
        ASSERT_TRUE(InstallDisplayBackendIfAvailable()) << "no X display (run under Xvfb)";
        static const std::string file = IconFile({{32, SolidPng(32, 0xFF0000)}});
        static const bool registered = RegisterIconFileResource(MAKEINTRESOURCEW(8401), file.data(), file.size());
        ASSERT_TRUE(registered);
        icon_ = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(8401), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE);
        window_.Create(WS_POPUP, 0, 0, 10, 10, nullptr, 0, L"Brisgol加速器插件");
        data_.hWnd = window_.hwnd();
        data_.uID = kIconId;
        data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        data_.uCallbackMessage = kCallback;
        data_.hIcon = icon_;
        wcscpy(data_.szTip, L"Brisgol加速器插件");
        // As the program does: the icon comes back when the area is new.
        window_.On(RegisterWindowMessageW(L"TaskbarCreated"), [this](HWND, UINT, WPARAM, LPARAM) {
            ++restarts_;
            Shell_NotifyIconW(NIM_ADD, &data_);
            return LRESULT{0};
        });
        window_.On(kCallback, [this](HWND, UINT, WPARAM wParam, LPARAM lParam) {
            POINT cursor;
            GetCursorPos(&cursor);
            clicks_.push_back(Click{wParam, static_cast<UINT>(lParam), cursor});
            return LRESULT{0};
        });
    }
    void TearDown() override {
        Shell_NotifyIconW(NIM_DELETE, &data_);
        DestroyIcon(icon_);
    }
    static WatcherStandIn& Watcher() {
        static WatcherStandIn watcher;
        return watcher;
    }
    bool Registered(size_t count) {
        return RunLoopUntil([&] { return Watcher().Items().size() >= count; }, 5000);
    }
    bool ClickedTimes(size_t count) {
        return RunLoopUntil([&] { return clicks_.size() >= count; }, 5000);
    }

    struct Click {
        WPARAM id;
        UINT message;
        POINT cursor;
    };
    RecordingWindow window_;
    HICON icon_ = nullptr;
    NOTIFYICONDATAW data_;
    int restarts_ = 0;
    std::vector<Click> clicks_;
};

TEST_F(NotifyAreaBusTest, TheIconRegistersAndShowsItsTipPixelsAndNames) {
    const size_t before = Watcher().Items().size();
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data_));
    ASSERT_TRUE(Registered(before + 1)) << "the item registered with the watcher";
    const std::string item = Watcher().Items().back();
    EXPECT_EQ(item.rfind("org.kde.StatusNotifierItem-", 0), 0u) << item;

    EXPECT_EQ(StringProperty(Watcher(), item, "Category"), "ApplicationStatus");
    EXPECT_EQ(StringProperty(Watcher(), item, "Status"), "Active");
    EXPECT_EQ(StringProperty(Watcher(), item, "Id"), "platform_gtk_notify_bus_test");
    EXPECT_EQ(StringProperty(Watcher(), item, "Title"), "Brisgol加速器插件");

    std::string tip;
    int width = 0;
    int height = 0;
    std::string firstPixel;
    OffThread([&] {
        if (GVariant* value = Watcher().Property(item, "ToolTip")) {
            const char* title = nullptr;
            g_variant_get_child(value, 2, "&s", &title);
            tip = title;
            g_variant_unref(value);
        }
        if (GVariant* value = Watcher().Property(item, "IconPixmap")) {
            if (g_variant_n_children(value) == 1) {
                GVariant* pixmap = g_variant_get_child_value(value, 0);
                GVariant* bytes = nullptr;
                g_variant_get(pixmap, "(ii@ay)", &width, &height, &bytes);
                gsize size = 0;
                const auto* data = static_cast<const char*>(g_variant_get_fixed_array(bytes, &size, 1));
                if (size >= 4) firstPixel.assign(data, 4);
                g_variant_unref(bytes);
                g_variant_unref(pixmap);
            }
            g_variant_unref(value);
        }
    });
    EXPECT_EQ(tip, "Brisgol加速器插件");
    EXPECT_EQ(width, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(height, GetSystemMetrics(SM_CYICON));
    EXPECT_EQ(firstPixel, std::string("\xFF\xFF\x00\x00", 4)) << "opaque red, ARGB in network order";

    // Hiding the icon makes the item passive.
    NOTIFYICONDATAW hide = data_;
    hide.uFlags = NIF_STATE;
    hide.dwState = hide.dwStateMask = NIS_HIDDEN;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &hide));
    RunLoopUntil([&] { return StringProperty(Watcher(), item, "Status") == "Passive"; }, 3000);
    EXPECT_EQ(StringProperty(Watcher(), item, "Status"), "Passive");
}

TEST_F(NotifyAreaBusTest, ActivateContextMenuAndSecondaryActivateReachTheWindow) {
    const size_t before = Watcher().Items().size();
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data_));
    ASSERT_TRUE(Registered(before + 1));
    const std::string item = Watcher().Items().back();

    Watcher().Call(item, "Activate", 1200, 790);
    ASSERT_TRUE(ClickedTimes(2));
    EXPECT_EQ(clicks_[0].id, kIconId);
    EXPECT_EQ(clicks_[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(clicks_[1].message, static_cast<UINT>(WM_LBUTTONUP));

    Watcher().Call(item, "ContextMenu", 300, 400);
    ASSERT_TRUE(ClickedTimes(4));
    EXPECT_EQ(clicks_[2].message, static_cast<UINT>(WM_RBUTTONDOWN));
    EXPECT_EQ(clicks_[2].cursor.x, 300) << "the cursor is where the panel was clicked";
    EXPECT_EQ(clicks_[2].cursor.y, 400);
    EXPECT_EQ(clicks_[3].message, static_cast<UINT>(WM_RBUTTONUP));

    Watcher().Call(item, "SecondaryActivate", 10, 10);
    ASSERT_TRUE(ClickedTimes(6));
    EXPECT_EQ(clicks_[4].message, static_cast<UINT>(WM_MBUTTONDOWN));
    EXPECT_EQ(clicks_[5].message, static_cast<UINT>(WM_MBUTTONUP));

    // Clicks in quick succession each arrive, in order.
    for (int i = 0; i < 20; ++i) Watcher().Call(item, "Activate", 1, 1);
    ASSERT_TRUE(ClickedTimes(46));
    for (size_t i = 6; i < 46; ++i) {
        EXPECT_EQ(clicks_[i].message, static_cast<UINT>(i % 2 == 0 ? WM_LBUTTONDOWN : WM_LBUTTONUP));
    }
}

TEST_F(NotifyAreaBusTest, AWatcherThatRestartsGetsTheIconAgain) {
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data_));
    ASSERT_TRUE(Registered(Watcher().Items().size()));

    // Gone: no notification area (no XEmbed tray on this display).
    Watcher().Stop();
    ASSERT_TRUE(RunLoopUntil([] { return NotifyIcons().empty(); }, 5000)) << "the icons went with the watcher";
    EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data_)) << "nothing takes icons now";
    EXPECT_EQ(restarts_, 0);

    // Back (with a new unique name): the window is told and adds its icon.
    ASSERT_TRUE(Watcher().Start());
    ASSERT_TRUE(RunLoopUntil([&] { return restarts_ == 1; }, 5000)) << "TaskbarCreated";
    ASSERT_TRUE(Registered(1)) << "the icon registered with the new watcher";
    EXPECT_EQ(NotifyIcons().size(), 1u);

    // Restarting at once, twice: the icon ends registered once more each time.
    Watcher().Stop();
    ASSERT_TRUE(Watcher().Start());
    ASSERT_TRUE(RunLoopUntil([&] { return restarts_ >= 2; }, 5000));
    ASSERT_TRUE(Registered(1));
    const std::string item = Watcher().Items().back();
    Watcher().Call(item, "Activate", 5, 5);
    EXPECT_TRUE(ClickedTimes(2)) << "the new item answers";
}

}  // namespace
