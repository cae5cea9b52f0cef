// Real windows on an X display through the GTK backend: what is painted
// reaches the screen at the window's place and in its shape, X input
// reaches the window procedure at client coordinates, and posts from
// other threads reach nested loops.
#include <gtest/gtest.h>

#include <cairo.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "platform/window/DeviceContext.h"
#include "platform/window/Regions.h"
#include "platform/window/gtk/DisplayBackend.h"
#include "tests/platform_gtk/DisplayProbe.h"
#include "tests/platform_window/RecordingWindow.h"
#include "tests/platform_window/TrackingTip.h"

namespace {

constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kBlue = 0x0000FF;
constexpr std::uint32_t kGreen = 0x00FF00;

class GtkWindowTest : public ::testing::Test {
 protected:
    void SetUp() override { ASSERT_TRUE(InstallDisplayBackendIfAvailable()) << "no X display (run under Xvfb)"; }
};

// Paints the client area: the left half red, the right half blue.
void PaintHalves(RecordingWindow& window) {
    window.On(WM_PAINT, [](HWND hwnd, UINT, WPARAM, LPARAM) -> LRESULT {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        cairo_t* cr = CreateCairoForDC(dc);
        cairo_set_source_rgb(cr, 1, 0, 0);
        cairo_rectangle(cr, 0, 0, rc.right / 2, rc.bottom);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0, 0, 1);
        cairo_rectangle(cr, rc.right / 2, 0, rc.right - rc.right / 2, rc.bottom);
        cairo_fill(cr);
        cairo_destroy(cr);
        EndPaint(hwnd, &ps);
        return 0;
    });
}

LRESULT PaintGreen(HWND hwnd, UINT, WPARAM, LPARAM) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    cairo_t* cr = CreateCairoForDC(dc);
    cairo_set_source_rgb(cr, 0, 1, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    EndPaint(hwnd, &ps);
    return 0;
}

// Gives a per-pixel layered window the pixels drawn by draw.
bool UpdateLayered(HWND hwnd, int width, int height, const std::function<void(cairo_t*)>& draw) {
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateARGB32Bitmap(width, height, nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    cairo_t* cr = CreateCairoForDC(memory);
    draw(cr);
    cairo_destroy(cr);
    POINT origin{0, 0};
    SIZE size{width, height};
    BLENDFUNCTION blend;
    blend.AlphaFormat = AC_SRC_ALPHA;
    const bool done = UpdateLayeredWindow(hwnd, nullptr, nullptr, &size, memory, &origin, 0, &blend, ULW_ALPHA) != FALSE;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return done;
}

int Channel(std::uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

bool HasMessageAt(const RecordingWindow& window, UINT message, int x, int y) {
    for (const Received& r : window.Log({message})) {
        if (GET_X_LPARAM(r.lParam) == x && GET_Y_LPARAM(r.lParam) == y) return true;
    }
    return false;
}

TEST_F(GtkWindowTest, PaintedPixelsAppearAtTheWindowPlaceAndFollowMoves) {
    RecordingWindow window;
    PaintHalves(window);
    ASSERT_NE(window.Create(WS_POPUP, 100, 100, 200, 120), nullptr);
    ShowWindow(window.hwnd(), SW_SHOW);
    WaitForDrawing();

    Screenshot shot = TakeScreenshot(RECT{80, 80, 340, 240});
    ASSERT_FALSE(shot.pixels.empty()) << "screenshot failed";
    EXPECT_EQ(shot.At(100, 100), kRed);
    EXPECT_EQ(shot.At(199, 219), kRed);
    EXPECT_EQ(shot.At(200, 100), kBlue);
    EXPECT_EQ(shot.At(299, 219), kBlue);
    EXPECT_NE(shot.At(99, 150), kRed);
    EXPECT_NE(shot.At(300, 150), kBlue);
    EXPECT_NE(shot.At(150, 220), kRed);

    SetWindowPos(window.hwnd(), nullptr, 400, 300, 100, 50, SWP_NOZORDER);
    WaitForDrawing();
    shot = TakeScreenshot(RECT{380, 280, 520, 370});
    ASSERT_FALSE(shot.pixels.empty());
    EXPECT_EQ(shot.At(400, 300), kRed);
    EXPECT_EQ(shot.At(499, 349), kBlue);
    EXPECT_NE(shot.At(500, 320), kBlue);
    EXPECT_NE(shot.At(450, 350), kBlue);

    ShowWindow(window.hwnd(), SW_HIDE);
    WaitForDrawing();
    shot = TakeScreenshot(RECT{380, 280, 520, 370});
    EXPECT_NE(shot.At(400, 300), kRed);
}

TEST_F(GtkWindowTest, BringingAWindowToTheTopRaisesItOnTheScreen) {
    RecordingWindow green;
    green.On(WM_PAINT, PaintGreen);
    ASSERT_NE(green.Create(WS_POPUP, 600, 600, 100, 100), nullptr);
    RecordingWindow halves;
    PaintHalves(halves);
    ASSERT_NE(halves.Create(WS_POPUP, 650, 650, 100, 100), nullptr);
    ShowWindow(green.hwnd(), SW_SHOW);
    ShowWindow(halves.hwnd(), SW_SHOW);
    WaitForDrawing();
    Screenshot shot = TakeScreenshot(RECT{600, 600, 750, 750});
    ASSERT_FALSE(shot.pixels.empty());
    EXPECT_EQ(shot.At(670, 670), kRed);

    BringWindowToTop(green.hwnd());
    WaitForDrawing();
    shot = TakeScreenshot(RECT{600, 600, 750, 750});
    EXPECT_EQ(shot.At(670, 670), kGreen);
    EXPECT_EQ(shot.At(720, 720), kBlue);

    SetForegroundWindow(halves.hwnd());
    WaitForDrawing();
    shot = TakeScreenshot(RECT{600, 600, 750, 750});
    EXPECT_EQ(shot.At(670, 670), kRed);
}

TEST_F(GtkWindowTest, TitleIsShownAndHiddenWindowsAreNotListedAsVisible) {
    RecordingWindow window;
    ASSERT_NE(window.Create(WS_POPUP, 50, 500, 80, 40, nullptr, 0, L"Brisgol加速器插件"), nullptr);
    ShowWindow(window.hwnd(), SW_SHOW);
    WaitForDrawing();
    EXPECT_TRUE(Xdotool("search --onlyvisible --name 'Brisgol加速器插件'"));

    SetWindowTextW(window.hwnd(), L"renamed window");
    WaitForDrawing();
    EXPECT_TRUE(Xdotool("search --onlyvisible --name 'renamed window'"));

    ShowWindow(window.hwnd(), SW_MINIMIZE);
    WaitForDrawing();
    EXPECT_FALSE(Xdotool("search --onlyvisible --name 'renamed window'"));
    ShowWindow(window.hwnd(), SW_RESTORE);
    WaitForDrawing();
    EXPECT_TRUE(Xdotool("search --onlyvisible --name 'renamed window'"));
}

TEST_F(GtkWindowTest, XInputReachesTheProcedureAtClientCoordinatesAndCaptureFollowsADrag) {
    RecordingWindow window;
    PaintHalves(window);
    window.On(WM_LBUTTONDOWN, [](HWND hwnd, UINT, WPARAM, LPARAM) -> LRESULT {
        SetCapture(hwnd);
        return 0;
    });
    window.On(WM_LBUTTONUP, [](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
        ReleaseCapture();
        return 0;
    });
    ASSERT_NE(window.Create(WS_POPUP, 300, 200, 200, 100), nullptr);
    ShowWindow(window.hwnd(), SW_SHOW);
    WaitForDrawing();

    ASSERT_TRUE(Xdotool("mousemove 350 260"));
    EXPECT_TRUE(RunLoopUntil([&] { return HasMessageAt(window, WM_MOUSEMOVE, 50, 60); }, 3000));
    window.Clear();
    ASSERT_TRUE(Xdotool("mousedown 1"));
    EXPECT_TRUE(RunLoopUntil([&] { return HasMessageAt(window, WM_LBUTTONDOWN, 50, 60); }, 3000));
    EXPECT_EQ(GetCapture(), window.hwnd());

    // Outside the window while the button is held: the captured window
    // still hears of it, in its own (negative) coordinates.
    ASSERT_TRUE(Xdotool("mousemove 280 190"));
    EXPECT_TRUE(RunLoopUntil([&] { return HasMessageAt(window, WM_MOUSEMOVE, -20, -10); }, 3000));
    ASSERT_TRUE(Xdotool("mouseup 1"));
    EXPECT_TRUE(RunLoopUntil([&] { return HasMessageAt(window, WM_LBUTTONUP, -20, -10); }, 3000));
    EXPECT_EQ(GetCapture(), nullptr);

    // After a move the same screen point is elsewhere in the window.
    SetWindowPos(window.hwnd(), nullptr, 600, 400, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    WaitForDrawing();
    window.Clear();
    ASSERT_TRUE(Xdotool("mousemove 610 405 click 1"));
    EXPECT_TRUE(RunLoopUntil([&] { return HasMessageAt(window, WM_LBUTTONUP, 10, 5); }, 3000));
    EXPECT_TRUE(HasMessageAt(window, WM_LBUTTONDOWN, 10, 5));

    // The wheel, and leaving the window while it is tracked.
    ASSERT_TRUE(Xdotool("click 4"));
    EXPECT_TRUE(RunLoopUntil([&] { return window.Count(WM_MOUSEWHEEL) > 0; }, 3000));
    ASSERT_FALSE(window.Log({WM_MOUSEWHEEL}).empty());
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(window.Log({WM_MOUSEWHEEL})[0].wParam), WHEEL_DELTA);
    TRACKMOUSEEVENT track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = window.hwnd();
    ASSERT_TRUE(TrackMouseEvent(&track));
    ASSERT_TRUE(Xdotool("mousemove 100 100"));
    EXPECT_TRUE(RunLoopUntil([&] { return window.Count(WM_MOUSELEAVE) > 0; }, 3000));
}

TEST_F(GtkWindowTest, KeysReachTheWindowWithTheFocus) {
    RecordingWindow window;
    ASSERT_NE(window.Create(WS_POPUP, 700, 100, 100, 60), nullptr);
    ShowWindow(window.hwnd(), SW_SHOW);
    SetFocus(window.hwnd());
    WaitForDrawing();
    // The pointer is elsewhere: the keys follow the active window.
    ASSERT_TRUE(Xdotool("mousemove 5 5"));
    ASSERT_TRUE(Xdotool("key a key period"));
    EXPECT_TRUE(RunLoopUntil([&] { return window.Count(WM_CHAR) >= 2; }, 3000));
    std::wstring typed;
    for (const Received& r : window.Log({WM_CHAR})) typed += static_cast<wchar_t>(r.wParam);
    EXPECT_EQ(typed, L"a.");
    bool sawA = false;
    for (const Received& r : window.Log({WM_KEYDOWN})) sawA = sawA || r.wParam == 'A';
    EXPECT_TRUE(sawA);
}

TEST_F(GtkWindowTest, ShapedWindowShowsNothingOutsideItsRegion) {
    RecordingWindow window;
    window.On(WM_PAINT, PaintGreen);
    ASSERT_NE(window.Create(WS_POPUP, 900, 300, 100, 100), nullptr);
    // A square with its top left quarter cut away.
    HRGN shape = CreateRectRgn(0, 0, 100, 100);
    HRGN cut = CreateRectRgn(0, 0, 50, 50);
    CombineRgn(shape, shape, cut, RGN_DIFF);
    DeleteObject(cut);
    SetWindowRgn(window.hwnd(), shape, TRUE);
    ShowWindow(window.hwnd(), SW_SHOW);
    WaitForDrawing();

    Screenshot shot = TakeScreenshot(RECT{900, 300, 1000, 400});
    ASSERT_FALSE(shot.pixels.empty());
    EXPECT_NE(shot.At(910, 310), kGreen);
    EXPECT_NE(shot.At(949, 349), kGreen);
    EXPECT_EQ(shot.At(950, 310), kGreen);
    EXPECT_EQ(shot.At(910, 350), kGreen);
    EXPECT_EQ(shot.At(999, 399), kGreen);

    // The cut-away part takes no input either.
    window.Clear();
    ASSERT_TRUE(Xdotool("mousemove 910 310 click 1"));
    ASSERT_TRUE(Xdotool("mousemove 960 360 click 1"));
    EXPECT_TRUE(RunLoopUntil([&] { return HasMessageAt(window, WM_LBUTTONUP, 60, 60); }, 3000));
    EXPECT_FALSE(HasMessageAt(window, WM_LBUTTONDOWN, 10, 10));
}

// Run twice: on a plain display and on one with a compositor.
TEST_F(GtkWindowTest, TranslucencyIsBlendedWithACompositorAndOpaqueWithout) {
    RecordingWindow below;
    below.On(WM_PAINT, PaintGreen);
    ASSERT_NE(below.Create(WS_POPUP, 300, 500, 200, 100), nullptr);
    ShowWindow(below.hwnd(), SW_SHOW);
    // Per-pixel: the left half transparent, the right half blue at 60 %.
    RecordingWindow perPixel;
    ASSERT_NE(perPixel.Create(WS_POPUP, 300, 500, 100, 100, nullptr, WS_EX_LAYERED), nullptr);
    ShowWindow(perPixel.hwnd(), SW_SHOWNA);
    ASSERT_TRUE(UpdateLayered(perPixel.hwnd(), 100, 100, [](cairo_t* cr) {
        cairo_set_source_rgba(cr, 0, 0, 1, 0.6);
        cairo_rectangle(cr, 50, 0, 50, 100);
        cairo_fill(cr);
    }));
    // Constant alpha: an opaque red window shown at 60 %.
    RecordingWindow constant;
    constant.On(WM_PAINT, [](HWND hwnd, UINT, WPARAM, LPARAM) -> LRESULT {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        cairo_t* cr = CreateCairoForDC(dc);
        cairo_set_source_rgb(cr, 1, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        EndPaint(hwnd, &ps);
        return 0;
    });
    ASSERT_NE(constant.Create(WS_POPUP, 400, 500, 100, 100, nullptr, WS_EX_LAYERED), nullptr);
    ASSERT_TRUE(SetLayeredWindowAttributes(constant.hwnd(), 0, 153, LWA_ALPHA));
    ShowWindow(constant.hwnd(), SW_SHOWNA);
    WaitForDrawing();

    Screenshot shot = TakeScreenshot(RECT{300, 500, 500, 600});
    ASSERT_FALSE(shot.pixels.empty());
    const char* expected = std::getenv("BRISGOL_EXPECT_COMPOSITOR");
    ASSERT_EQ(DisplayComposited(), expected != nullptr && std::string(expected) == "1");
    // Nothing at all (in particular no black) where the surface is transparent.
    EXPECT_EQ(shot.At(300, 500), kGreen);
    EXPECT_EQ(shot.At(349, 599), kGreen);
    const std::uint32_t blended = shot.At(375, 550);
    const std::uint32_t faded = shot.At(450, 550);
    if (DisplayComposited()) {
        // 60 % blue over green; 60 % red over green.
        EXPECT_NEAR(Channel(blended, 0), 153, 3);
        EXPECT_NEAR(Channel(blended, 8), 102, 3);
        EXPECT_NEAR(Channel(faded, 16), 153, 3);
        EXPECT_NEAR(Channel(faded, 8), 102, 3);
    } else {
        // More than half opaque: shown, without blending.
        EXPECT_EQ(Channel(blended, 8), 0);
        EXPECT_NEAR(Channel(blended, 0), 153, 3);
        EXPECT_EQ(faded, kRed);
    }
}

TEST_F(GtkWindowTest, NestedModalLoopReceivesPostsFromAnotherThread) {
    RecordingWindow window;
    constexpr UINT kEnterModal = WM_USER + 1;
    constexpr UINT kFromThread = WM_USER + 2;
    bool nestedSawPost = false;
    bool modalDone = false;
    window.On(kEnterModal, [&](HWND hwnd, UINT, WPARAM, LPARAM) -> LRESULT {
        // A modal loop inside the outer one, bounded by its own timer.
        SetTimer(hwnd, 77, 3000, nullptr);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0)) {
            if (msg.hwnd == hwnd && msg.message == kFromThread) {
                nestedSawPost = true;
                break;
            }
            if (msg.hwnd == hwnd && msg.message == WM_TIMER && msg.wParam == 77) break;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        KillTimer(hwnd, 77);
        modalDone = true;
        return 0;
    });
    ASSERT_NE(window.Create(WS_POPUP, 1000, 600, 50, 50), nullptr);
    ShowWindow(window.hwnd(), SW_SHOW);
    WaitForDrawing();

    HWND target = window.hwnd();
    std::thread poster([target] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        PostMessageW(target, kFromThread, 0, 0);
    });
    PostMessageW(target, kEnterModal, 0, 0);
    EXPECT_TRUE(RunLoopUntil([&] { return modalDone; }, 5000));
    poster.join();
    EXPECT_TRUE(nestedSawPost);
}

TEST_F(GtkWindowTest, WindowOfAnotherThreadIsShownThroughTheDisplayThread) {
    std::atomic<bool> stop{false};
    std::atomic<HWND> created{nullptr};
    std::thread owner([&] {
        RecordingWindow window;
        window.On(WM_PAINT, PaintGreen);
        window.Create(WS_POPUP, 1100, 100, 60, 60);
        ShowWindow(window.hwnd(), SW_SHOWNA);
        created = window.hwnd();
        SetTimer(window.hwnd(), 1, 20, nullptr);
        MSG msg;
        while (!stop && GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
    });
    EXPECT_TRUE(RunLoopUntil([&] { return created.load() != nullptr; }, 3000));
    WaitForDrawing();
    Screenshot shot = TakeScreenshot(RECT{1090, 90, 1170, 170});
    stop = true;
    owner.join();
    ASSERT_FALSE(shot.pixels.empty());
    EXPECT_EQ(shot.At(1100, 100), kGreen);
    EXPECT_EQ(shot.At(1159, 159), kGreen);
    EXPECT_NE(shot.At(1160, 130), kGreen);
}

TEST_F(GtkWindowTest, TrackingTooltipShowsItsTextOnTheSkinPanelWithOrWithoutACompositor) {
    RecordingWindow owner;
    owner.Create(WS_POPUP | WS_VISIBLE, 600, 500, 40, 40);
    wchar_t text[] = L"线路一：延迟 32 ms";
    const TrackingTip shown = ShowTrackingTip(owner.hwnd(), text, 200, 200);
    ASSERT_NE(shown.tip, nullptr);
    WaitForDrawing();
    RECT rc;
    GetWindowRect(shown.tip, &rc);
    EXPECT_GT(rc.right - rc.left, 60) << "sized to the text";
    EXPECT_LT(rc.right - rc.left, 300);
    Screenshot shot = TakeScreenshot(rc);
    ASSERT_FALSE(shot.pixels.empty());
    constexpr std::uint32_t kPanel = 0x131B2E;
    EXPECT_EQ(shot.At(rc.left + 2, rc.top + 2), kPanel);
    EXPECT_EQ(shot.At(rc.right - 3, rc.bottom - 3), kPanel);
    int black = 0;
    int light = 0;
    for (std::uint32_t pixel : shot.pixels) {
        if (pixel == 0) ++black;
        if (((pixel >> 16) & 0xFF) > 0x80 && ((pixel >> 8) & 0xFF) > 0x80 && (pixel & 0xFF) > 0x80) ++light;
    }
    EXPECT_EQ(black, 0) << "no unpainted (black) pixels";
    EXPECT_GT(light, 20) << "the text is drawn";
    SendMessageW(shown.tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&shown.info));
}

}  // namespace
