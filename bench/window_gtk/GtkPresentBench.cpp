// Figures of presenting window surfaces on an X display through the GTK
// backend: a whole 900×600 window and a 50×30 part of it, as the time
// until the display has drawn it and the time the draw pass itself took,
// and the memory a shown window costs. Without a display it runs itself
// again on a virtual one (xvfb-run).
#include <cairo.h>
#include <glib.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/window/DeviceContext.h"
#include "platform/window/User32.h"
#include "platform/window/gtk/DisplayBackend.h"

namespace {

LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        cairo_t* cr = CreateCairoForDC(dc);
        cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 900, 600);
        cairo_pattern_add_color_stop_rgb(gradient, 0, 0.2, 0.4, 0.8);
        cairo_pattern_add_color_stop_rgb(gradient, 1, 0.8, 0.3, 0.1);
        cairo_set_source(cr, gradient);
        cairo_paint(cr);
        cairo_pattern_destroy(gradient);
        cairo_destroy(cr);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Iterates the display's main context until it has drawn once more. (A
// message loop would not return: drawing posts no message.)
bool WaitDrawn(std::uint64_t before) {
    bool expired = false;
    const guint guard = g_timeout_add(
        2000, [](gpointer flag) -> gboolean {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &expired);
    while (DisplayFramesDrawn() <= before && !expired) g_main_context_iteration(nullptr, TRUE);
    if (!expired) g_source_remove(guard);
    return !expired;
}

void Measure(const char* what, HWND hwnd, const RECT& part, int rounds) {
    double latency = 0;
    const std::uint64_t drawBefore = DisplayDrawMicroseconds();
    int done = 0;
    for (int i = 0; i < rounds; ++i) {
        const std::uint64_t before = DisplayFramesDrawn();
        const auto start = std::chrono::steady_clock::now();
        InvalidateRect(hwnd, &part, FALSE);
        UpdateWindow(hwnd);
        if (!WaitDrawn(before)) break;
        latency += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        ++done;
    }
    if (done == 0) {
        std::printf("%s: the display drew nothing\n", what);
        return;
    }
    const double drawMs = static_cast<double>(DisplayDrawMicroseconds() - drawBefore) / 1000.0 / done;
    std::printf("%s: %.3f ms until drawn (paint, present, frame clock), %.3f ms in the draw pass, %d rounds\n", what,
                latency / done, drawMs, done);
}

// A per-pixel layered window updated whole, as a skin with a shadow is:
// without a compositor every update also recomputes the window's shape.
void MeasureLayered(int rounds) {
    HWND hwnd = CreateWindowExW(WS_EX_LAYERED, L"PresentBench", L"layered", WS_POPUP, 60, 60, 900, 600, nullptr,
                                nullptr, nullptr, nullptr);
    ShowWindow(hwnd, SW_SHOWNA);
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateARGB32Bitmap(900, 600, nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    cairo_t* cr = CreateCairoForDC(memory);
    // A translucent shadow band around an opaque body with round corners.
    cairo_set_source_rgba(cr, 0, 0, 0, 0.3);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 22, 22, 12, M_PI, 1.5 * M_PI);
    cairo_arc(cr, 878, 22, 12, 1.5 * M_PI, 2 * M_PI);
    cairo_arc(cr, 878, 578, 12, 0, 0.5 * M_PI);
    cairo_arc(cr, 22, 578, 12, 0.5 * M_PI, M_PI);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0.2, 0.4, 0.8);
    cairo_fill(cr);
    cairo_destroy(cr);
    POINT origin{0, 0};
    SIZE size{900, 600};
    BLENDFUNCTION blend;
    blend.AlphaFormat = AC_SRC_ALPHA;
    double total = 0;
    const std::uint64_t drawBefore = DisplayDrawMicroseconds();
    int done = 0;
    for (int i = 0; i < rounds; ++i) {
        const std::uint64_t before = DisplayFramesDrawn();
        const auto start = std::chrono::steady_clock::now();
        UpdateLayeredWindow(hwnd, nullptr, nullptr, &size, memory, &origin, 0, &blend, ULW_ALPHA);
        if (!WaitDrawn(before)) break;
        total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        ++done;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    DestroyWindow(hwnd);
    if (done == 0) {
        std::printf("layered 900x600 update: the display drew nothing\n");
        return;
    }
    std::printf("layered 900x600 update (%s): %.3f ms until drawn, %.3f ms in the draw pass, %d rounds\n",
                DisplayComposited() ? "compositor" : "shaped, no compositor", total / done,
                static_cast<double>(DisplayDrawMicroseconds() - drawBefore) / 1000.0 / done, done);
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (!InstallDisplayBackendIfAvailable()) {
        if (std::getenv("BRISGOL_BENCH_ON_XVFB") != nullptr || argc < 1) {
            std::printf("no X display could be opened\n");
            return 1;
        }
        setenv("BRISGOL_BENCH_ON_XVFB", "1", 1);
        execlp("xvfb-run", "xvfb-run", "-a", "-s", "-screen 0 1280x800x24 -noreset", argv[0], nullptr);
        std::printf("no X display, and xvfb-run could not be started\n");
        return 1;
    }
    WNDCLASSEXW cls;
    cls.lpfnWndProc = &Proc;
    cls.lpszClassName = L"PresentBench";
    RegisterClassExW(&cls);
    HWND hwnd = CreateWindowExW(0, L"PresentBench", L"bench", WS_POPUP, 50, 50, 900, 600, nullptr, nullptr, nullptr,
                                nullptr);
    ShowWindow(hwnd, SW_SHOW);
    WaitDrawn(0);
    Measure("full 900x600 present", hwnd, RECT{0, 0, 900, 600}, 100);
    Measure("partial 50x30 present", hwnd, RECT{400, 300, 450, 330}, 200);
    DestroyWindow(hwnd);
    MeasureLayered(50);

    const long before = ResidentKiB();
    constexpr int kWindows = 10;
    std::vector<HWND> windows;
    for (int i = 0; i < kWindows; ++i) {
        HWND w = CreateWindowExW(0, L"PresentBench", L"bench", WS_POPUP, 20 + i * 10, 20 + i * 10, 900, 600, nullptr,
                                 nullptr, nullptr, nullptr);
        ShowWindow(w, SW_SHOWNA);
        windows.push_back(w);
    }
    for (HWND w : windows) {
        const std::uint64_t frames = DisplayFramesDrawn();
        InvalidateRect(w, nullptr, FALSE);
        UpdateWindow(w);
        WaitDrawn(frames);
    }
    std::printf("memory per shown 900x600 window: %.0f KiB resident\n",
                static_cast<double>(ResidentKiB() - before) / kWindows);
    for (HWND w : windows) DestroyWindow(w);
    return 0;
}
