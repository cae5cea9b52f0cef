// What windows draw: window surfaces, memory contexts, copying, layered
// windows; and the region arithmetic behind shapes and invalid areas.
#include <cairo.h>
#include <gtest/gtest.h>

#include "platform/window/DeviceContext.h"
#include "platform/window/Headless.h"
#include "platform/window/Regions.h"
#include "tests/platform_window/RecordingWindow.h"
#include "tests/support/TempMachineRoot.h"

namespace {

class SurfaceTest : public ::testing::Test {
 protected:
    void SetUp() override { Headless::ResetInput(); }
    void TearDown() override { Headless::PumpMessages(); }
    TempMachineRoot root_;
};

void Fill(HDC dc, const RECT& rc, double r, double g, double b, double a) {
    cairo_t* cr = cairo_create(GetDCSurface(dc));
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, r, g, b, a);
    cairo_rectangle(cr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    cairo_fill(cr);
    cairo_destroy(cr);
}

TEST_F(SurfaceTest, PaintingDrawsTheInvalidAreaIntoTheWindowSurface) {
    RecordingWindow w;
    int paints = 0;
    w.On(WM_PAINT, [&](HWND h, UINT, WPARAM, LPARAM) {
        ++paints;
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        Fill(dc, ps.rcPaint, paints == 1 ? 1.0 : 0.0, 0.0, paints == 1 ? 0.0 : 1.0, 1.0);
        EndPaint(h, &ps);
        return LRESULT{0};
    });
    w.Create(WS_POPUP | WS_VISIBLE, 0, 0, 40, 30);
    Headless::PumpMessages();
    EXPECT_EQ(paints, 1) << "showing a window paints it once";
    EXPECT_EQ(Headless::ReadPixel(w.hwnd(), 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Headless::ReadPixel(w.hwnd(), 39, 29), 0xFFFF0000u);
    EXPECT_EQ(Headless::ReadPixel(w.hwnd(), 40, 0), 0u) << "outside the surface";

    RECT part{10, 10, 20, 15};
    InvalidateRect(w.hwnd(), &part, FALSE);
    Headless::PumpMessages();
    EXPECT_EQ(Headless::ReadPixel(w.hwnd(), 10, 10), 0xFF0000FFu);
    EXPECT_EQ(Headless::ReadPixel(w.hwnd(), 19, 14), 0xFF0000FFu);
    EXPECT_EQ(Headless::ReadPixel(w.hwnd(), 20, 14), 0xFFFF0000u);
    EXPECT_EQ(Headless::ReadPixel(w.hwnd(), 9, 10), 0xFFFF0000u);

    // Growing keeps what was drawn and asks for the whole window again.
    SetWindowPos(w.hwnd(), nullptr, 0, 0, 60, 30, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(Headless::ReadPixel(w.hwnd(), 10, 10), 0xFF0000FFu);
    RECT update;
    ASSERT_TRUE(GetUpdateRect(w.hwnd(), &update, FALSE));
    EXPECT_EQ(update.right, 60);
    EXPECT_EQ(Headless::SurfaceBytes(w.hwnd()), 60u * 30u * 4u);
}

TEST_F(SurfaceTest, PaintContextsAreClippedToTheInvalidArea) {
    RecordingWindow w;
    double blue = 0.0;
    w.On(WM_PAINT, [&](HWND h, UINT, WPARAM, LPARAM) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        cairo_t* cr = CreateCairoForDC(dc);
        cairo_set_source_rgb(cr, 1.0 - blue, 0.0, blue);
        cairo_paint(cr);  // the whole surface, as far as the clip lets it
        cairo_destroy(cr);
        EndPaint(h, &ps);
        return LRESULT{0};
    });
    w.Create(WS_POPUP | WS_VISIBLE, 0, 0, 40, 20);
    Headless::PumpMessages();
    blue = 1.0;
    RECT left{0, 0, 5, 5};
    RECT right{30, 10, 40, 20};
    InvalidateRect(w.hwnd(), &left, FALSE);
    InvalidateRect(w.hwnd(), &right, FALSE);
    Headless::PumpMessages();
    EXPECT_EQ(Headless::ReadPixel(w.hwnd(), 4, 4), 0xFF0000FFu);
    EXPECT_EQ(Headless::ReadPixel(w.hwnd(), 35, 15), 0xFF0000FFu);
    EXPECT_EQ(Headless::ReadPixel(w.hwnd(), 20, 5), 0xFFFF0000u) << "between the two areas, inside their bounds";
    EXPECT_EQ(Headless::ReadPixel(w.hwnd(), 5, 5), 0xFFFF0000u);
}

TEST_F(SurfaceTest, ContextOriginClipAndSavedStates) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateARGB32Bitmap(20, 20, nullptr);
    SelectObject(dc, bitmap);
    RECT box;
    EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 20);

    EXPECT_EQ(SaveDC(dc), 1);
    SetViewportOrgEx(dc, 10, 5, nullptr);
    EXPECT_EQ(IntersectClipRect(dc, 0, 0, 4, 4), SIMPLEREGION);  // device 10,5 .. 14,9
    GetClipBox(dc, &box);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.right, 4);
    Fill(dc, RECT{0, 0, 20, 20}, 0.0, 1.0, 0.0, 1.0);  // Fill draws in device space, unclipped
    cairo_t* cr = CreateCairoForDC(dc);
    cairo_set_source_rgb(cr, 1.0, 0.0, 0.0);
    cairo_rectangle(cr, -100, -100, 200, 200);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_t* surface = GetDCSurface(dc);
    cairo_surface_flush(surface);
    auto pixel = [&](int x, int y) {
        const auto* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        return reinterpret_cast<const std::uint32_t*>(row)[x];
    };
    EXPECT_EQ(pixel(10, 5), 0xFFFF0000u);
    EXPECT_EQ(pixel(13, 8), 0xFFFF0000u);
    EXPECT_EQ(pixel(14, 8), 0xFF00FF00u);
    EXPECT_EQ(pixel(9, 5), 0xFF00FF00u);

    EXPECT_TRUE(RestoreDC(dc, -1));
    POINT origin;
    GetViewportOrgEx(dc, &origin);
    EXPECT_EQ(origin.x, 0);
    GetClipBox(dc, &box);
    EXPECT_EQ(box.right, 20);
    EXPECT_FALSE(RestoreDC(dc, -1)) << "nothing left to restore";
    DeleteDC(dc);
    DeleteObject(bitmap);
}

TEST_F(SurfaceTest, MemoryContextsCopyIntoWindowsUnchanged) {
    RecordingWindow w;
    w.Create(WS_POPUP | WS_VISIBLE, 0, 0, 20, 20);
    Headless::PumpMessages();
    HDC window = GetDC(w.hwnd());
    ASSERT_NE(window, nullptr);
    HDC memory = CreateCompatibleDC(window);
    void* bits = nullptr;
    HBITMAP bitmap = CreateARGB32Bitmap(8, 8, &bits);
    ASSERT_NE(bits, nullptr);
    // Premultiplied half-transparent green written straight into the pixels.
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (int i = 0; i < 64; ++i) pixels[i] = 0x80008000u;
    cairo_surface_mark_dirty(GetBitmapSurface(bitmap));
    HGDIOBJ old = SelectObject(memory, bitmap);
    ASSERT_NE(old, nullptr);
    EXPECT_TRUE(BitBlt(window, 5, 6, 4, 4, memory, 2, 2, SRCCOPY));
    EXPECT_EQ(Headless::ReadPixel(w.hwnd(), 5, 6), 0x80008000u);
    EXPECT_EQ(Headless::ReadPixel(w.hwnd(), 8, 9), 0x80008000u);
    EXPECT_EQ(Headless::ReadPixel(w.hwnd(), 9, 9), 0u);
    EXPECT_EQ(Headless::ReadPixel(w.hwnd(), 4, 6), 0u);
    SelectObject(memory, old);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_EQ(ReleaseDC(w.hwnd(), window), 1);
    EXPECT_EQ(ReleaseDC(w.hwnd(), window), 0);
}

TEST_F(SurfaceTest, LayeredWindowsTakePerPixelAlphaAndAConstantAlpha) {
    RecordingWindow w;
    w.Create(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateARGB32Bitmap(10, 10, nullptr);
    SelectObject(memory, bitmap);
    Fill(memory, RECT{0, 0, 10, 10}, 0.0, 0.0, 0.0, 0.0);
    Fill(memory, RECT{2, 2, 4, 4}, 1.0, 1.0, 1.0, 1.0);
    POINT origin{};
    SIZE size{10, 10};
    BLENDFUNCTION blend;
    blend.SourceConstantAlpha = 200;
    blend.AlphaFormat = AC_SRC_ALPHA;
    EXPECT_FALSE(UpdateLayeredWindow(w.hwnd(), nullptr, nullptr, &size, memory, &origin, 0, &blend, ULW_ALPHA))
        << "only layered windows";
    SetWindowLongPtrW(w.hwnd(), GWL_EXSTYLE, WS_EX_LAYERED);
    POINT position{300, 200};
    ASSERT_TRUE(UpdateLayeredWindow(w.hwnd(), nullptr, &position, &size, memory, &origin, 0, &blend, ULW_ALPHA));
    EXPECT_TRUE(Headless::IsPerPixelLayered(w.hwnd()));
    EXPECT_EQ(Headless::ConstantAlpha(w.hwnd()), 200);
    EXPECT_EQ(Headless::ReadPixel(w.hwnd(), 2, 2), 0xFFFFFFFFu);
    EXPECT_EQ(Headless::ReadPixel(w.hwnd(), 5, 5), 0u);
    RECT rc;
    GetWindowRect(w.hwnd(), &rc);
    EXPECT_EQ(rc.left, 300);

    // Whole-window alpha replaces per-pixel layering; dropping the style ends both.
    EXPECT_TRUE(SetLayeredWindowAttributes(w.hwnd(), 0, 128, LWA_ALPHA));
    EXPECT_FALSE(Headless::IsPerPixelLayered(w.hwnd()));
    BYTE alpha = 0;
    EXPECT_TRUE(GetLayeredWindowAttributes(w.hwnd(), nullptr, &alpha, nullptr));
    EXPECT_EQ(alpha, 128);
    SetWindowLongPtrW(w.hwnd(), GWL_EXSTYLE, 0);
    EXPECT_EQ(Headless::ConstantAlpha(w.hwnd()), 255);
    DeleteDC(memory);
    DeleteObject(bitmap);
}

TEST(RegionTest, CombinationsCoverExactlyTheExpectedPoints) {
    HRGN a = CreateRectRgn(0, 0, 10, 10);
    HRGN b = CreateRectRgn(5, 5, 15, 15);
    HRGN out = CreateRectRgn(0, 0, 0, 0);
    struct Case {
        int mode;
        int type;
        int area;
    } cases[] = {{RGN_AND, SIMPLEREGION, 25}, {RGN_OR, COMPLEXREGION, 175}, {RGN_DIFF, COMPLEXREGION, 75},
                 {RGN_XOR, COMPLEXREGION, 150}, {RGN_COPY, SIMPLEREGION, 100}};
    for (const Case& c : cases) {
        EXPECT_EQ(CombineRgn(out, a, b, c.mode), c.type) << c.mode;
        int area = 0;
        for (int y = -1; y < 16; ++y) {
            for (int x = -1; x < 16; ++x) {
                const bool inA = x >= 0 && x < 10 && y >= 0 && y < 10;
                const bool inB = x >= 5 && x < 15 && y >= 5 && y < 15;
                bool expected = false;
                switch (c.mode) {
                    case RGN_AND: expected = inA && inB; break;
                    case RGN_OR: expected = inA || inB; break;
                    case RGN_DIFF: expected = inA && !inB; break;
                    case RGN_XOR: expected = inA != inB; break;
                    case RGN_COPY: expected = inA; break;
                }
                EXPECT_EQ(PtInRegion(out, x, y) != FALSE, expected) << c.mode << " at " << x << "," << y;
                area += expected ? 1 : 0;
            }
        }
        EXPECT_EQ(area, c.area);
    }
    // Disjoint parts give an empty intersection; bounding boxes and offsets.
    HRGN far = CreateRectRgn(100, 100, 110, 120);
    EXPECT_EQ(CombineRgn(out, a, far, RGN_AND), NULLREGION);
    EXPECT_EQ(CombineRgn(out, a, far, RGN_OR), COMPLEXREGION);
    RECT box;
    GetRgnBox(out, &box);
    EXPECT_EQ(box.right, 110);
    EXPECT_EQ(box.bottom, 120);
    OffsetRgn(out, -100, -100);
    EXPECT_TRUE(PtInRegion(out, -100, -100));
    EXPECT_TRUE(PtInRegion(out, 9, 19));
    EXPECT_EQ(CombineRgn(out, a, nullptr, RGN_OR), RGN_ERROR);
    for (HRGN r : {a, b, out, far}) EXPECT_TRUE(DeleteObject(r));
    EXPECT_EQ(CombineRgn(out, a, b, RGN_AND), RGN_ERROR) << "deleted regions are refused";
}

TEST(RegionTest, RoundedRectanglesCutEllipticCornersAndLeaveOutTheFarEdges) {
    HRGN r = CreateRoundRectRgn(0, 0, 101, 51, 20, 20);
    RECT box;
    GetRgnBox(r, &box);
    EXPECT_EQ(box.right, 100);
    EXPECT_EQ(box.bottom, 50);
    // Points are inside when they lie inside the corner circle of radius 10.
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 100; ++x) {
            const double cx = x < 10 ? 10.0 : x >= 90 ? 90.0 : x + 0.5;
            const double cy = y < 10 ? 10.0 : y >= 40 ? 40.0 : y + 0.5;
            const double dx = x + 0.5 - cx;
            const double dy = y + 0.5 - cy;
            const double d2 = dx * dx + dy * dy;
            if (d2 < 8.0 * 8.0) {
                EXPECT_TRUE(PtInRegion(r, x, y)) << x << "," << y;
            }
            if (d2 > 11.0 * 11.0) {
                EXPECT_FALSE(PtInRegion(r, x, y)) << x << "," << y;
            }
        }
    }
    EXPECT_TRUE(PtInRegion(r, 50, 0));
    EXPECT_FALSE(PtInRegion(r, 100, 25));
    HRGN square = CreateRoundRectRgn(0, 0, 11, 11, 0, 0);
    HRGN plain = CreateRectRgn(0, 0, 10, 10);
    EXPECT_TRUE(EqualRgn(square, plain)) << "no rounding gives the plain rectangle";
    DeleteObject(r);
    DeleteObject(square);
    DeleteObject(plain);
}

}  // namespace
