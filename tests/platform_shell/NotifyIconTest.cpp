// Notification-area icons without a display: the icons the area holds,
// the callback messages the user's clicks post, and the area's restart.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "platform/Module.h"
#include "platform/shell/NotifyArea.h"
#include "platform/window/Headless.h"
#include "platform/window/Icons.h"
#include "tests/platform_window/IconFiles.h"
#include "tests/platform_window/RecordingWindow.h"
#include "tests/support/TempMachineRoot.h"

namespace {

constexpr UINT kCallback = WM_USER + 1000;

HICON SolidIcon(int resourceId, unsigned rgb) {
    static std::string files[4];
    std::string& file = files[resourceId % 4];
    file = IconFile({{32, SolidPng(32, rgb)}});
    if (!RegisterIconFileResource(MAKEINTRESOURCEW(resourceId), file.data(), file.size())) return nullptr;
    return LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE);
}

DWORD PixelOf(const NotifyIconState& icon) {
    cairo_surface_t* surface = icon.icon.get();
    cairo_surface_flush(surface);
    return *reinterpret_cast<const DWORD*>(cairo_image_surface_get_data(surface));
}

class NotifyIconTest : public ::testing::Test {
 protected:
    void SetUp() override {
        Headless::ResetInput();
        window_.Create(WS_POPUP, 0, 0, 50, 50);
        data_.hWnd = window_.hwnd();
        data_.uID = 7;
        data_.uFlags = NIF_MESSAGE | NIF_TIP;
        data_.uCallbackMessage = kCallback;
        std::wcscpy(data_.szTip, L"Brisgol加速器插件");
    }
    void TearDown() override {
        for (const NotifyIconState& icon : NotifyIcons()) {
            NOTIFYICONDATAW gone;
            gone.hWnd = icon.window;
            gone.uID = icon.id;
            Shell_NotifyIconW(NIM_DELETE, &gone);
        }
        Headless::PumpMessages();
    }
    std::vector<Received> Callbacks() {
        Headless::PumpMessages();
        auto log = window_.Log({kCallback});
        window_.Clear();
        return log;
    }

    TempMachineRoot root_;
    RecordingWindow window_;
    NOTIFYICONDATAW data_;
};

TEST_F(NotifyIconTest, AddModifyAndDeleteKeepTheRecordAsTheWin32CallsDo) {
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data_));
    EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data_)) << "one icon per window and id";
    auto icons = NotifyIcons();
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].window, window_.hwnd());
    EXPECT_EQ(icons[0].id, 7u);
    EXPECT_TRUE(icons[0].hasMessage);
    EXPECT_EQ(icons[0].callbackMessage, kCallback);
    EXPECT_EQ(icons[0].tip, L"Brisgol加速器插件");
    EXPECT_EQ(icons[0].icon, nullptr);
    EXPECT_FALSE(icons[0].hidden);

    // A change touches only the fields its flags name.
    NOTIFYICONDATAW change;
    change.hWnd = window_.hwnd();
    change.uID = 7;
    change.uFlags = NIF_STATE;
    change.dwState = NIS_HIDDEN;
    change.dwStateMask = NIS_HIDDEN;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &change));
    icons = NotifyIcons();
    EXPECT_TRUE(icons[0].hidden);
    EXPECT_EQ(icons[0].tip, L"Brisgol加速器插件");

    change.uID = 8;
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &change)) << "no such icon";
    EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &change));
    EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data_));
    EXPECT_TRUE(NotifyIcons().empty());
    EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &data_)) << "deleted once";
}

TEST_F(NotifyIconTest, RecordsThatCannotBeReadAreRefused) {
    NOTIFYICONDATAW wrongSize = data_;
    wrongSize.cbSize = 956;
    EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &wrongSize));
    NOTIFYICONDATAW unknownFlag = data_;
    unknownFlag.uFlags |= 0x10;  // balloons are not offered
    EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &unknownFlag));
    NOTIFYICONDATAW noWindow = data_;
    noWindow.hWnd = reinterpret_cast<HWND>(0x1234);
    EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &noWindow));
    EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, nullptr));
    EXPECT_FALSE(Shell_NotifyIconW(99, &data_));
    EXPECT_TRUE(NotifyIcons().empty());
}

TEST_F(NotifyIconTest, TheTipIsReadUpToItsFieldEvenWithoutTerminator) {
    std::wmemset(data_.szTip, L'x', std::size(data_.szTip));
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data_));
    EXPECT_EQ(NotifyIcons()[0].tip, std::wstring(127, L'x'));
}

TEST_F(NotifyIconTest, TheIconPixelsAreCopiedSoTheCallerMayDestroyItsIcon) {
    HICON icon = SolidIcon(8301, 0x3366CC);
    ASSERT_NE(icon, nullptr);
    data_.uFlags |= NIF_ICON;
    data_.hIcon = icon;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data_));
    ASSERT_TRUE(DestroyIcon(icon));
    auto icons = NotifyIcons();
    ASSERT_NE(icons[0].icon, nullptr);
    EXPECT_EQ(cairo_image_surface_get_width(icons[0].icon.get()), GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(PixelOf(icons[0]), 0xFF3366CCu);

    HICON other = SolidIcon(8302, 0xCC3300);
    data_.uFlags = NIF_ICON;
    data_.hIcon = other;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data_));
    EXPECT_EQ(PixelOf(NotifyIcons()[0]), 0xFFCC3300u);
    DestroyIcon(other);
}

TEST_F(NotifyIconTest, ClicksPostTheCallbackMessageWithIdAndMouseMessage) {
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data_));
    ASSERT_TRUE(NotifyIconInput(window_.hwnd(), 7, WM_LBUTTONDOWN, POINT{1200, 790}));
    ASSERT_TRUE(NotifyIconInput(window_.hwnd(), 7, WM_LBUTTONUP, POINT{1200, 790}));
    auto log = Callbacks();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].wParam, 7u);
    EXPECT_EQ(log[0].lParam, static_cast<LPARAM>(WM_LBUTTONDOWN));
    EXPECT_EQ(log[1].lParam, static_cast<LPARAM>(WM_LBUTTONUP));
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 1200) << "the pointer is where the user clicked";
    EXPECT_EQ(cursor.y, 790);
    EXPECT_FALSE(NotifyIconInput(window_.hwnd(), 8, WM_LBUTTONUP, POINT{0, 0})) << "no such icon";

    // Without NIF_MESSAGE the icon posts nothing.
    NOTIFYICONDATAW silent = data_;
    silent.uID = 9;
    silent.uFlags = NIF_TIP;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &silent));
    EXPECT_TRUE(NotifyIconInput(window_.hwnd(), 9, WM_LBUTTONUP, POINT{0, 0}));
    EXPECT_TRUE(Callbacks().empty());
}

TEST_F(NotifyIconTest, NewerVersionsPostPositionsAndTheSelectionMessages) {
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data_));
    data_.uVersion = NOTIFYICON_VERSION_4;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_SETVERSION, &data_));
    NotifyIconInput(window_.hwnd(), 7, WM_RBUTTONUP, POINT{640, 780});
    auto log = Callbacks();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(LOWORD(log[0].wParam), 640);
    EXPECT_EQ(HIWORD(log[0].wParam), 780);
    EXPECT_EQ(LOWORD(static_cast<std::uintptr_t>(log[0].lParam)), WM_RBUTTONUP);
    EXPECT_EQ(HIWORD(static_cast<std::uintptr_t>(log[0].lParam)), 7);
    EXPECT_EQ(LOWORD(static_cast<std::uintptr_t>(log[1].lParam)), WM_CONTEXTMENU);

    data_.uVersion = NOTIFYICON_VERSION;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_SETVERSION, &data_));
    NotifyIconInput(window_.hwnd(), 7, WM_LBUTTONUP, POINT{640, 780});
    log = Callbacks();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].lParam, static_cast<LPARAM>(WM_LBUTTONUP));
    EXPECT_EQ(log[1].lParam, static_cast<LPARAM>(NIN_SELECT));

    data_.uVersion = 5;
    EXPECT_FALSE(Shell_NotifyIconW(NIM_SETVERSION, &data_));
}

TEST_F(NotifyIconTest, ARestartDropsEveryIconAndTellsEveryTopLevelWindow) {
    RecordingWindow visible;
    visible.Create(WS_POPUP | WS_VISIBLE, 100, 100, 20, 20);
    RecordingWindow child;
    child.Create(WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, visible.hwnd());
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data_));
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_NE(taskbarCreated, 0u);

    const std::uint64_t before = NotifyIcons()[0].generation;
    EXPECT_GT(NotifyAreaRestarted(true), before);
    EXPECT_TRUE(NotifyIcons().empty());
    Headless::PumpMessages();
    EXPECT_EQ(window_.Count(taskbarCreated), 1) << "hidden windows are told too";
    EXPECT_EQ(visible.Count(taskbarCreated), 1);
    EXPECT_EQ(child.Count(taskbarCreated), 0) << "only top-level windows";
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &data_)) << "the owner adds its icon again";
    EXPECT_GT(NotifyIcons()[0].generation, before);

    // An area that went away tells nobody.
    NotifyAreaRestarted(false);
    Headless::PumpMessages();
    EXPECT_EQ(window_.Count(taskbarCreated), 1);
    EXPECT_TRUE(NotifyIcons().empty());
}

}  // namespace
