// What the GTK backend carries besides pixels and input: real GTK popup
// menus for TrackPopupMenu, activation changes made by the desktop, loops
// that only peek, window icons, the taskbar, minimising to a window
// manager's taskbar and restoring from it, and embedded widgets (a web
// view) kept to their child window's rectangle.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/window/Icons.h"
#include "platform/window/Menus.h"
#include "platform/window/gtk/DisplayBackend.h"
#include "platform/window/gtk/GtkBackend.h"
#include "tests/platform_gtk/DisplayProbe.h"
#include "tests/platform_window/IconFiles.h"
#include "tests/platform_window/RecordingWindow.h"

namespace {

constexpr UINT kDuringMenu = WM_APP + 7;

// The standard output of a command.
std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}

// The X window shown for a window title (empty when none is mapped).
std::string XWindow(const std::string& title) {
    std::string id = Output("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null | head -n 1");
    while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
    return id;
}

// Waits until the window of the title is shown (or no longer is). The
// loop serves the display between the checks, which take longer than its
// tick.
bool BecomesShown(const std::string& title, bool shown) {
    for (int waited = 0; waited < 5000; waited += 100) {
        RunLoopUntil([] { return false; }, 100);
        if (XWindow(title).empty() != shown) return true;
    }
    return false;
}

class GtkSeamsTest : public ::testing::Test {
 protected:
    void SetUp() override { ASSERT_TRUE(InstallDisplayBackendIfAvailable()) << "no X display (run under Xvfb)"; }

    // Tracks a two-item menu owned by the window while keys are typed
    // into it by the desktop.
    BOOL TrackWithKeys(RecordingWindow& owner, UINT flags, const std::string& keys) {
        HMENU menu = CreatePopupMenu();
        AppendMenuW(menu, MF_STRING, 101, L"显示主窗口");
        AppendMenuW(menu, MF_STRING, 100, L"退出程序");
        owner.On(kDuringMenu, [keys](HWND, UINT, WPARAM, LPARAM) {
            const std::string command = "(sleep 0.5; xdotool " + keys + ") >/dev/null 2>&1 &";
            std::system(command.c_str());
            return LRESULT{0};
        });
        PostMessageW(owner.hwnd(), kDuringMenu, 0, 0);
        const BOOL result = TrackPopupMenu(menu, flags, 400, 300, 0, owner.hwnd(), nullptr);
        DestroyMenu(menu);
        return result;
    }
};

TEST_F(GtkSeamsTest, TrackPopupMenuShowsAGtkMenuAndAnswersAsWin32Does) {
    RecordingWindow owner;
    owner.Create(WS_POPUP, 0, 0, 10, 10, nullptr, 0, L"menu owner");
    EXPECT_EQ(TrackWithKeys(owner, TPM_RETURNCMD, "key Down Down Return"), 100);
    EXPECT_EQ(FindWindowW(L"#32768", nullptr), nullptr) << "a GTK menu, not a window of ours";
    EXPECT_EQ(TrackWithKeys(owner, TPM_RETURNCMD, "key Escape"), 0) << "Escape dismisses";
    EXPECT_EQ(TrackWithKeys(owner, TPM_RETURNCMD, "mousemove 1000 700 click 1"), 0) << "a click elsewhere too";

    // Without TPM_RETURNCMD the pick arrives as WM_COMMAND.
    owner.Clear();
    EXPECT_EQ(TrackWithKeys(owner, 0, "key Down Return"), TRUE);
    RunLoopUntil([&] { return owner.Count(WM_COMMAND) > 0; }, 2000);
    const auto commands = owner.Log({WM_COMMAND});
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, 101u);
}

TEST_F(GtkSeamsTest, FocusGivenByTheDesktopActivatesTheWindow) {
    RecordingWindow first;
    RecordingWindow second;
    first.Create(WS_POPUP, 100, 100, 120, 80, nullptr, 0, L"first window");
    second.Create(WS_POPUP, 300, 100, 120, 80, nullptr, 0, L"second window");
    ShowWindow(first.hwnd(), SW_SHOW);
    ShowWindow(second.hwnd(), SW_SHOW);
    WaitForDrawing();
    ASSERT_EQ(GetForegroundWindow(), second.hwnd());
    first.Clear();
    second.Clear();

    const std::string id = XWindow("first window");
    ASSERT_FALSE(id.empty());
    ASSERT_TRUE(Xdotool("windowfocus --sync " + id));
    ASSERT_TRUE(RunLoopUntil([&] { return GetForegroundWindow() == first.hwnd(); }, 3000));
    const auto activated = first.Log({WM_ACTIVATE});
    ASSERT_FALSE(activated.empty());
    EXPECT_EQ(LOWORD(activated.back().wParam), WA_ACTIVE);
    EXPECT_GT(first.Count(WM_NCACTIVATE), 0);
    const auto left = second.Log({WM_ACTIVATE});
    ASSERT_FALSE(left.empty());
    EXPECT_EQ(LOWORD(left.back().wParam), WA_INACTIVE);

    // The focus goes elsewhere (the root window): no window of ours is active.
    first.Clear();
    const std::string root = Output("xwininfo -root | awk '/Window id/ {print $4}'");
    // With the pointer over no window of ours, so that it does not keep the keyboard.
    ASSERT_TRUE(Xdotool("mousemove 5 790 windowfocus " + root));
    ASSERT_TRUE(RunLoopUntil([&] { return GetForegroundWindow() == nullptr; }, 3000));
    const auto deactivated = first.Log({WM_ACTIVATE});
    ASSERT_FALSE(deactivated.empty());
    EXPECT_EQ(LOWORD(deactivated.back().wParam), WA_INACTIVE);
    const auto frame = first.Log({WM_NCACTIVATE});
    ASSERT_FALSE(frame.empty());
    EXPECT_EQ(frame.back().wParam, static_cast<WPARAM>(FALSE));
}

TEST_F(GtkSeamsTest, ALoopThatOnlyPeeksStillGetsTheWindowDrawn) {
    RecordingWindow window;
    window.Create(WS_POPUP, 50, 400, 100, 60, nullptr, 0, L"peeking");
    const std::uint64_t before = DisplayFramesDrawn();
    ShowWindow(window.hwnd(), SW_SHOW);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    MSG msg;
    while (DisplayFramesDrawn() == before && std::chrono::steady_clock::now() < deadline) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GT(DisplayFramesDrawn(), before);
}

TEST_F(GtkSeamsTest, WindowIconsReachTheRealWindow) {
    static const std::string file = IconFile({{48, SolidPng(48, 0x00FF00)}});
    ASSERT_TRUE(RegisterIconFileResource(MAKEINTRESOURCEW(8501), file.data(), file.size()));
    HICON big = LoadImageW(nullptr, MAKEINTRESOURCEW(8501), IMAGE_ICON, 32, 32, 0);
    HICON small = LoadImageW(nullptr, MAKEINTRESOURCEW(8501), IMAGE_ICON, 16, 16, 0);
    RecordingWindow window;
    window.Create(WS_POPUP, 500, 400, 100, 60, nullptr, 0, L"with icons");
    SendMessageW(window.hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessageW(window.hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    DestroyIcon(big);  // the real window keeps its own copy
    DestroyIcon(small);
    ShowWindow(window.hwnd(), SW_SHOW);
    WaitForDrawing();
    const std::string id = XWindow("with icons");
    ASSERT_FALSE(id.empty());
    // Width, height, then the pixels as 0xAARRGGBB, for each size.
    const std::string icon = Output("xprop -id " + id + " -f _NET_WM_ICON 32x ' $0+' _NET_WM_ICON | head -c 300");
    EXPECT_NE(icon.find("0x20, 0x20, 0xff00ff00"), std::string::npos) << "32 x 32, opaque green: " << icon;
    EXPECT_NE(Output("xprop -id " + id + " -f _NET_WM_ICON 32x ' $0+' _NET_WM_ICON").find("0x10, 0x10, 0xff00ff00"),
              std::string::npos)
        << "and 16 x 16";
}

TEST_F(GtkSeamsTest, OnlyShownWindowsAreInTheTaskbarAndRestoringShowsAtOnce) {
    RecordingWindow window;
    window.Create(WS_POPUP, 700, 400, 100, 60, nullptr, 0, L"taskbar window");
    RecordingWindow tool;
    tool.Create(WS_POPUP, 700, 500, 100, 60, nullptr, WS_EX_TOOLWINDOW, L"tool window");
    ShowWindow(window.hwnd(), SW_SHOW);
    ShowWindow(tool.hwnd(), SW_SHOWNA);
    WaitForDrawing();
    const std::string id = XWindow("taskbar window");
    ASSERT_FALSE(id.empty());
    EXPECT_EQ(Output("xprop -id " + id + " _NET_WM_STATE").find("SKIP_TASKBAR"), std::string::npos);
    EXPECT_NE(Output("xprop -id " + XWindow("tool window") + " _NET_WM_STATE").find("SKIP_TASKBAR"),
              std::string::npos);

    ShowWindow(window.hwnd(), SW_MINIMIZE);
    ASSERT_TRUE(RunLoopUntil([] { return XWindow("taskbar window").empty(); }, 3000)) << "minimised: not shown";
    window.Clear();
    ShowWindow(window.hwnd(), SW_RESTORE);
    EXPECT_TRUE(IsWindowVisible(window.hwnd()));
    EXPECT_FALSE(IsIconic(window.hwnd()));
    // Shown by the restore itself, before any repaint of the window.
    EXPECT_TRUE(RunLoopUntil([] { return !XWindow("taskbar window").empty(); }, 3000));
}

// With a window manager a minimised window is iconified (kept in its
// taskbar), not withdrawn; the desktop's own minimise and restore reach the
// window as its system commands.
TEST_F(GtkSeamsTest, MinimisingIconifiesWhereAWindowManagerKeepsIcons) {
    if (std::getenv("BRISGOL_EXPECT_WM") == nullptr) GTEST_SKIP() << "needs a window manager (run_under_xvfb.sh --wm)";
    RecordingWindow window;
    window.Create(WS_POPUP, 600, 300, 120, 60, nullptr, 0, L"iconic window");
    ShowWindow(window.hwnd(), SW_SHOW);
    WaitForDrawing();
    const std::string id = XWindow("iconic window");
    ASSERT_FALSE(id.empty());
    auto state = [&id] { return Output("xprop -id " + id + " WM_STATE _NET_WM_STATE"); };

    ShowWindow(window.hwnd(), SW_MINIMIZE);
    EXPECT_TRUE(RunLoopUntil([&] { return state().find("Iconic") != std::string::npos; }, 3000)) << state();
    EXPECT_NE(state().find("_NET_WM_STATE_HIDDEN"), std::string::npos) << "iconified, not withdrawn";
    EXPECT_EQ(state().find("SKIP_TASKBAR"), std::string::npos) << "still in the taskbar";
    EXPECT_TRUE(IsWindowVisible(window.hwnd())) << "a minimised window stays visible";
    EXPECT_TRUE(IsIconic(window.hwnd()));

    ShowWindow(window.hwnd(), SW_RESTORE);
    EXPECT_FALSE(IsIconic(window.hwnd()));
    EXPECT_TRUE(BecomesShown("iconic window", true)) << "shown at once";
    EXPECT_NE(state().find("Normal"), std::string::npos) << state();

    // The desktop minimises (a taskbar click) and gives the window back.
    Xdotool("windowminimize " + id);
    EXPECT_TRUE(RunLoopUntil([&] { return IsIconic(window.hwnd()) != FALSE; }, 3000)) << "told of the minimise";
    Xdotool("windowactivate " + id);
    EXPECT_TRUE(RunLoopUntil([&] { return IsIconic(window.hwnd()) == FALSE; }, 3000)) << "told of the restore";
    EXPECT_TRUE(IsWindowVisible(window.hwnd()));
    EXPECT_TRUE(BecomesShown("iconic window", true));
}

}  // namespace

TEST_F(GtkSeamsTest, AnEmbeddedWidgetTakesItsChildWindowsRectangleWhateverItsNaturalSize) {
    RecordingWindow window;
    window.Create(WS_POPUP, 300, 200, 300, 300, nullptr, 0, L"with a view");
    RecordingWindow child;
    child.Create(WS_CHILD | WS_VISIBLE, 20, 30, 100, 50, window.hwnd());
    // Like a web view showing a long page: small minimum, tall natural size.
    GtkWidget* view = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_propagate_natural_height(GTK_SCROLLED_WINDOW(view), TRUE);
    GtkWidget* page = gtk_drawing_area_new();
    gtk_widget_set_size_request(page, 50, 2000);
    gtk_container_add(GTK_CONTAINER(view), page);
    gtk_widget_show(page);
    auto* backend = dynamic_cast<GtkBackend*>(&CurrentBackend());
    ASSERT_NE(backend, nullptr);
    ShowWindow(window.hwnd(), SW_SHOW);
    ASSERT_TRUE(backend->EmbedWidget(child.hwnd(), view));
    auto placedAt = [view](int x, int y, int width, int height) {
        // The place in the top-level window (an overlay child has a window
        // of its own, which its allocation is relative to).
        GtkAllocation at{};
        const bool placed = RunLoopUntil(
            [&] {
                gtk_widget_get_allocation(view, &at);
                gtk_widget_translate_coordinates(view, gtk_widget_get_toplevel(view), 0, 0, &at.x, &at.y);
                return gtk_widget_get_mapped(view) && at.x == x && at.y == y && at.width == width &&
                       at.height == height;
            },
            3000);
        return placed ? ::testing::AssertionSuccess()
                      : ::testing::AssertionFailure() << "placed at " << at.x << "," << at.y << " " << at.width
                                                      << "x" << at.height;
    };
    EXPECT_TRUE(placedAt(20, 30, 100, 50));
    // Hidden and shown again at another place, as the portal is while a
    // line starts.
    ShowWindow(child.hwnd(), SW_HIDE);
    MoveWindow(child.hwnd(), 10, 40, 200, 120, TRUE);
    ShowWindow(child.hwnd(), SW_SHOW);
    EXPECT_TRUE(placedAt(10, 40, 200, 120));
    backend->RemoveWidget(child.hwnd());
}
