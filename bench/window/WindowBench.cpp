// Figures of the window system without a display: the cost of a paint
// cycle (invalidate, WM_PAINT, drawing into the window surface, end of
// paint) for a whole 900×600 window and for a 50×30 part, with a skin-like
// drawing (a stretched background image, nine corner pieces, a gradient
// band, text), the cost of posting and dispatching messages, and the
// memory a window holds.
#include <cairo.h>

#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/window/DeviceContext.h"
#include "platform/window/Headless.h"
#include "platform/window/User32.h"

namespace {

cairo_surface_t* g_background;
cairo_surface_t* g_piece;

void DrawSkin(HDC, cairo_surface_t* target, const RECT& clip) {
    cairo_t* cr = cairo_create(target);
    cairo_rectangle(cr, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top);
    cairo_clip(cr);
    // Background image stretched over the window.
    cairo_save(cr);
    cairo_scale(cr, 900.0 / 300.0, 600.0 / 200.0);
    cairo_set_source_surface(cr, g_background, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    // A nine-slice frame drawn as nine pieces of a small image.
    const int slices[3] = {0, 8, 892};
    for (int sy : {0, 8, 592}) {
        for (int sx : slices) {
            cairo_save(cr);
            cairo_rectangle(cr, sx, sy, sx == 8 ? 884 : 8, sy == 8 ? 584 : 8);
            cairo_clip(cr);
            cairo_set_source_surface(cr, g_piece, sx, sy);
            cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_REPEAT);
            cairo_paint(cr);
            cairo_restore(cr);
        }
    }
    // A gradient title band and a few text lines.
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 0, 40);
    cairo_pattern_add_color_stop_rgba(gradient, 0, 0.2, 0.4, 0.8, 1);
    cairo_pattern_add_color_stop_rgba(gradient, 1, 0.1, 0.2, 0.5, 1);
    cairo_set_source(cr, gradient);
    cairo_rectangle(cr, 0, 0, 900, 40);
    cairo_fill(cr);
    cairo_pattern_destroy(gradient);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_set_font_size(cr, 13);
    for (int line = 0; line < 12; ++line) {
        cairo_move_to(cr, 40, 80 + line * 40);
        cairo_show_text(cr, "Brisgol line selection 1 2 3");
    }
    cairo_destroy(cr);
}

LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        DrawSkin(dc, GetDCSurface(dc), ps.rcPaint);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

double MicrosPerRepaint(HWND hwnd, const RECT* area, int rounds) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        InvalidateRect(hwnd, area, FALSE);
        Headless::PumpMessages();
    }
    const auto spent = std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double, std::micro>(spent).count() / rounds;
}

}  // namespace

int main() {
    // Top-level windows are listed under the machine root: keep them out of the real one.
    char rootTemplate[] = "/tmp/brisgol-window-bench-XXXXXX";
    if (mkdtemp(rootTemplate) == nullptr) return 1;
    setenv("BRISGOL_ROOT", rootTemplate, 1);
    g_background = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 300, 200);
    g_piece = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
    for (cairo_surface_t* s : {g_background, g_piece}) {
        cairo_t* cr = cairo_create(s);
        cairo_set_source_rgba(cr, 0.3, 0.5, 0.7, 0.9);
        cairo_paint(cr);
        cairo_destroy(cr);
    }
    WNDCLASSEXW cls;
    cls.lpfnWndProc = Proc;
    cls.lpszClassName = L"BenchWindow";
    RegisterClassExW(&cls);
    HWND hwnd = CreateWindowExW(0, L"BenchWindow", L"bench", WS_POPUP | WS_VISIBLE, 0, 0, 900, 600, nullptr, nullptr,
                                nullptr, nullptr);
    Headless::PumpMessages();

    const double full = MicrosPerRepaint(hwnd, nullptr, 200);
    RECT part{400, 300, 450, 330};
    const double partial = MicrosPerRepaint(hwnd, &part, 2000);
    std::printf("full repaint 900x600: %.1f us\n", full);
    std::printf("partial repaint 50x30: %.1f us\n", partial);

    const int messages = 200000;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < messages; ++i) PostMessageW(hwnd, WM_USER, 0, 0);
    Headless::PumpMessages();
    const double perMessage =
        std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() / messages;
    std::printf("post and dispatch: %.0f ns per message\n", perMessage);

    std::printf("memory per 900x600 window: %zu bytes of surface\n", Headless::SurfaceBytes(hwnd));
    std::vector<HWND> small;
    for (int i = 0; i < 100; ++i) {
        small.push_back(CreateWindowExW(0, L"BenchWindow", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                        nullptr));
    }
    std::printf("windows created: %zu (each keeps a record plus a surface of its client size)\n", small.size());
    for (HWND h : small) DestroyWindow(h);
    DestroyWindow(hwnd);
    cairo_surface_destroy(g_background);
    cairo_surface_destroy(g_piece);
    std::error_code ec;
    std::filesystem::remove_all(rootTemplate, ec);
    return 0;
}
