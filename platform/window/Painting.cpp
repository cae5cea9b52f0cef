// Invalid areas, WM_PAINT, window surfaces and layered windows.
#include <algorithm>
#include <cstring>

#include "platform/window/Backend.h"
#include "platform/window/DeviceContextState.h"
#include "platform/window/WindowState.h"

using namespace windowing;

namespace {

constexpr size_t kMaxUpdatePieces = 32;

}  // namespace

namespace windowing {

void FitSurface(WindowRecord& w) {
    const SIZE size = ClientSize(w);
    if (w.surface != nullptr && cairo_image_surface_get_width(w.surface) == size.cx &&
        cairo_image_surface_get_height(w.surface) == size.cy) {
        return;
    }
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max<LONG>(size.cx, 0), std::max<LONG>(size.cy, 0));
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return;
    }
    if (w.surface != nullptr) {
        cairo_t* cr = cairo_create(surface);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr, w.surface, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(w.surface);
    }
    w.surface = surface;
}

void InvalidateInternal(HWND hwnd, const RECT* rc, bool erase) {
    std::shared_ptr<ThreadQueue> queue;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr || !EffectivelyVisible(*w)) return;
        const SIZE size = ClientSize(*w);
        RECT client{0, 0, size.cx, size.cy};
        RECT area = client;
        if (rc != nullptr && !IntersectRect(&area, rc, &client)) return;
        if (IsRectEmpty(&area)) return;
        w->update = Region::Combine(w->update, Region(area), Region::Op::Or);
        // Many scattered pieces cost more to track than to repaint.
        if (w->update.Rects().size() > kMaxUpdatePieces) w->update = Region(w->update.Bounds());
        w->erase = w->erase || erase;
        queue = w->queue;
    }
    WakeQueue(*queue);
}

}  // namespace windowing

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    if (!IsWindow(hwnd)) return FALSE;
    InvalidateInternal(hwnd, rect, erase != FALSE);
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr) return FALSE;
    if (rect == nullptr) {
        w->update = Region();
        w->erase = false;
    } else {
        w->update = Region::Combine(w->update, Region(*rect), Region::Op::Diff);
    }
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr) return FALSE;
    const RECT bounds = w->update.Bounds();
    if (rect != nullptr) *rect = bounds;
    return !w->update.IsEmpty();
}

BOOL UpdateWindow(HWND hwnd) {
    if (!IsWindow(hwnd)) return FALSE;
    if (GetUpdateRect(hwnd, nullptr, FALSE) && IsWindowVisible(hwnd)) SendMessageW(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
    if (paint == nullptr) return nullptr;
    bool erase;
    Region area;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr) return nullptr;
        area = w->update;
        paint->rcPaint = w->update.Bounds();
        erase = w->erase;
        w->update = Region();
        w->erase = false;
    }
    paint->hdc = WindowContext(hwnd);
    if (paint->hdc != nullptr) {
        paint->hdc->state.hasClip = true;
        paint->hdc->state.clip = std::move(area);
    }
    paint->fErase = FALSE;
    if (erase && paint->hdc != nullptr) {
        paint->fErase = SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint->hdc), 0) == 0;
    }
    return paint->hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
    if (paint == nullptr || !IsLiveContext(paint->hdc) || paint->hdc->window != hwnd) return FALSE;
    cairo_surface_flush(paint->hdc->surface);
    FreeContext(paint->hdc);
    if (!IsRectEmpty(&paint->rcPaint)) CurrentBackend().Present(hwnd, paint->rcPaint);
    return TRUE;
}

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) {
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr || (w->exStyle & WS_EX_LAYERED) == 0) return FALSE;
        w->perPixelAlpha = false;
        w->layeredFlags = flags;
        w->colorKey = key;
        w->constantAlpha = (flags & LWA_ALPHA) != 0 ? alpha : 255;
    }
    CurrentBackend().LayeringChanged(hwnd, false, (flags & LWA_ALPHA) != 0 ? alpha : 255);
    InvalidateInternal(hwnd, nullptr, false);
    return TRUE;
}

BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr || (w->exStyle & WS_EX_LAYERED) == 0 || w->perPixelAlpha) return FALSE;
    if (key != nullptr) *key = w->colorKey;
    if (alpha != nullptr) *alpha = w->constantAlpha;
    if (flags != nullptr) *flags = w->layeredFlags;
    return TRUE;
}

BOOL UpdateLayeredWindow(HWND hwnd, HDC, POINT* position, SIZE* size, HDC sourceDc, POINT* sourcePoint, COLORREF,
                         BLENDFUNCTION* blend, DWORD flags) {
    RECT rc;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr || (w->exStyle & WS_EX_LAYERED) == 0) return FALSE;
        rc = w->rect;
    }
    if (sourceDc != nullptr && !IsLiveContext(sourceDc)) return FALSE;
    if (position != nullptr || size != nullptr) {
        const int x = position != nullptr ? position->x : rc.left;
        const int y = position != nullptr ? position->y : rc.top;
        const int cx = size != nullptr ? size->cx : rc.right - rc.left;
        const int cy = size != nullptr ? size->cy : rc.bottom - rc.top;
        if (x != rc.left || y != rc.top || cx != rc.right - rc.left || cy != rc.bottom - rc.top) {
            SetWindowPos(hwnd, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    const bool perPixel = (flags & ULW_ALPHA) != 0 && blend != nullptr && (blend->AlphaFormat & AC_SRC_ALPHA) != 0;
    const BYTE alpha = (flags & ULW_ALPHA) != 0 && blend != nullptr ? blend->SourceConstantAlpha : 255;
    SIZE clientSize{};
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr) return FALSE;
        w->perPixelAlpha = perPixel;
        w->constantAlpha = alpha;
        w->layeredFlags = flags;
        FitSurface(*w);
        clientSize = ClientSize(*w);
        if (sourceDc != nullptr && w->surface != nullptr) {
            const POINT from = sourcePoint != nullptr ? *sourcePoint : POINT{};
            cairo_surface_flush(sourceDc->surface);
            cairo_t* cr = cairo_create(w->surface);
            cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
            cairo_set_source_rgba(cr, 0, 0, 0, 0);
            cairo_paint(cr);
            cairo_set_source_surface(cr, sourceDc->surface, -from.x, -from.y);
            cairo_paint(cr);
            cairo_destroy(cr);
            cairo_surface_flush(w->surface);
        }
    }
    CurrentBackend().LayeringChanged(hwnd, perPixel, alpha);
    CurrentBackend().Present(hwnd, RECT{0, 0, clientSize.cx, clientSize.cy});
    return TRUE;
}
