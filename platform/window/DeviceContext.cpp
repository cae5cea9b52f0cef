#include "platform/window/DeviceContext.h"

#include <cairo.h>

#include <mutex>
#include <unordered_set>

#include "platform/window/Backend.h"
#include "platform/window/DeviceContextState.h"
#include "platform/window/WindowState.h"

using namespace windowing;

BitmapObject::~BitmapObject() {
    if (surface != nullptr) cairo_surface_destroy(surface);
}

namespace {

struct LiveContexts {
    std::mutex lock;
    std::unordered_set<DeviceContext*> contexts;
};

LiveContexts& Live() {
    static LiveContexts live;
    return live;
}

bool IsContext(HDC dc) {
    if (dc == nullptr) return false;
    std::lock_guard guard(Live().lock);
    return Live().contexts.count(dc) != 0;
}

HDC Track(DeviceContext* dc) {
    std::lock_guard guard(Live().lock);
    Live().contexts.insert(dc);
    return dc;
}

void Untrack(HDC dc) {
    std::lock_guard guard(Live().lock);
    Live().contexts.erase(dc);
}

cairo_surface_t* NewSurface(int width, int height) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(width, 0), std::max(height, 0));
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return surface;
}

}  // namespace

namespace windowing {

HDC WindowContext(HWND hwnd) {
    cairo_surface_t* surface;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr) return nullptr;
        FitSurface(*w);
        if (w->surface == nullptr) return nullptr;
        surface = cairo_surface_reference(w->surface);
    }
    auto* dc = new DeviceContext;
    dc->window = hwnd;
    dc->surface = surface;
    return Track(dc);
}

void FreeContext(HDC dc) {
    Untrack(dc);
    if (dc->defaultBitmap != nullptr) DeleteObject(dc->defaultBitmap);
    if (dc->surface != nullptr) cairo_surface_destroy(dc->surface);
    delete dc;
}

bool IsLiveContext(HDC dc) { return IsContext(dc); }

}  // namespace windowing

HDC GetDC(HWND hwnd) { return WindowContext(hwnd); }

int ReleaseDC(HWND hwnd, HDC dc) {
    if (!IsContext(dc) || dc->window != hwnd || hwnd == nullptr) return 0;
    cairo_surface_flush(dc->surface);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FreeContext(dc);
    CurrentBackend().Present(hwnd, rc);
    return 1;
}

HDC CreateCompatibleDC(HDC) {
    HBITMAP first = CreateARGB32Bitmap(1, 1, nullptr);
    if (first == nullptr) return nullptr;
    auto* dc = new DeviceContext;
    dc->memory = true;
    dc->defaultBitmap = first;
    dc->selected = first;
    dc->surface = cairo_surface_reference(first->surface);
    return Track(dc);
}

BOOL DeleteDC(HDC dc) {
    if (!IsContext(dc) || !dc->memory) return FALSE;
    FreeContext(dc);
    return TRUE;
}

HBITMAP CreateARGB32Bitmap(int width, int height, void** bits) {
    if (width < 0 || height < 0) return nullptr;
    cairo_surface_t* surface = NewSurface(width, height);
    if (surface == nullptr) return nullptr;
    auto* bitmap = new BitmapObject;
    bitmap->surface = surface;
    RegisterGdiObject(bitmap);
    if (bits != nullptr) *bits = cairo_image_surface_get_data(surface);
    return bitmap;
}

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) { return CreateARGB32Bitmap(width, height, nullptr); }

SIZE GetBitmapSize(HBITMAP bitmap) {
    if (!IsGdiObject(bitmap) || dynamic_cast<BitmapObject*>(static_cast<GdiObject*>(bitmap)) == nullptr) return SIZE{};
    return SIZE{cairo_image_surface_get_width(bitmap->surface), cairo_image_surface_get_height(bitmap->surface)};
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    if (!IsContext(dc) || !dc->memory || !IsGdiObject(object)) return nullptr;
    auto* bitmap = dynamic_cast<BitmapObject*>(object);
    if (bitmap == nullptr) return nullptr;
    HBITMAP previous = dc->selected;
    cairo_surface_destroy(dc->surface);
    dc->surface = cairo_surface_reference(bitmap->surface);
    dc->selected = bitmap;
    return previous;
}

cairo_surface_t* GetDCSurface(HDC dc) { return IsContext(dc) ? dc->surface : nullptr; }

cairo_surface_t* GetBitmapSurface(HBITMAP bitmap) {
    return IsGdiObject(bitmap) && dynamic_cast<BitmapObject*>(static_cast<GdiObject*>(bitmap)) != nullptr
               ? bitmap->surface
               : nullptr;
}

namespace {

void ApplyState(cairo_t* cr, const DeviceContextState& state) {
    if (state.hasClip) {
        for (const RECT& r : state.clip.Rects()) cairo_rectangle(cr, r.left, r.top, r.right - r.left, r.bottom - r.top);
        if (state.clip.IsEmpty()) cairo_rectangle(cr, 0, 0, 0, 0);
        cairo_clip(cr);
    }
    cairo_translate(cr, state.origin.x, state.origin.y);
}

int ClipType(const DeviceContextState& state) {
    if (!state.hasClip) return SIMPLEREGION;
    if (state.clip.IsEmpty()) return NULLREGION;
    return state.clip.Rects().size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

RECT SurfaceRect(HDC dc) {
    return RECT{0, 0, cairo_image_surface_get_width(dc->surface), cairo_image_surface_get_height(dc->surface)};
}

}  // namespace

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous) {
    if (!IsContext(dc)) return FALSE;
    if (previous != nullptr) *previous = dc->state.origin;
    dc->state.origin = POINT{x, y};
    return TRUE;
}

BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* previous) {
    if (!IsContext(dc)) return FALSE;
    if (previous != nullptr) *previous = dc->state.origin;
    dc->state.origin.x += dx;
    dc->state.origin.y += dy;
    return TRUE;
}

BOOL GetViewportOrgEx(HDC dc, POINT* origin) {
    if (!IsContext(dc) || origin == nullptr) return FALSE;
    *origin = dc->state.origin;
    return TRUE;
}

int SelectClipRgn(HDC dc, HRGN region) {
    if (!IsContext(dc)) return ERROR;
    if (region == nullptr) {
        dc->state.hasClip = false;
        dc->state.clip = Region();
        return SIMPLEREGION;
    }
    if (!IsGdiObject(region)) return ERROR;
    dc->state.hasClip = true;
    dc->state.clip = region->region;
    return ClipType(dc->state);
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
    if (!IsContext(dc)) return ERROR;
    RECT rc{left, top, right, bottom};
    OffsetRect(&rc, dc->state.origin.x, dc->state.origin.y);
    const Region current = dc->state.hasClip ? dc->state.clip : Region(SurfaceRect(dc));
    dc->state.clip = Region::Combine(current, Region(rc), Region::Op::And);
    dc->state.hasClip = true;
    return ClipType(dc->state);
}

int GetClipBox(HDC dc, RECT* box) {
    if (!IsContext(dc) || box == nullptr) return ERROR;
    *box = dc->state.hasClip ? dc->state.clip.Bounds() : SurfaceRect(dc);
    OffsetRect(box, -dc->state.origin.x, -dc->state.origin.y);
    return ClipType(dc->state);
}

int SaveDC(HDC dc) {
    if (!IsContext(dc)) return 0;
    dc->saved.push_back(dc->state);
    return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC dc, int level) {
    if (!IsContext(dc)) return FALSE;
    const int depth = static_cast<int>(dc->saved.size());
    const int target = level < 0 ? depth + level + 1 : level;
    if (target < 1 || target > depth) return FALSE;
    dc->state = dc->saved[static_cast<size_t>(target - 1)];
    dc->saved.resize(static_cast<size_t>(target - 1));
    return TRUE;
}

cairo_t* CreateCairoForDC(HDC dc) {
    if (!IsContext(dc)) return nullptr;
    cairo_t* cr = cairo_create(dc->surface);
    ApplyState(cr, dc->state);
    return cr;
}

BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop) {
    if (!IsContext(destination) || !IsContext(source) || rop != SRCCOPY) return FALSE;
    if (width <= 0 || height <= 0) return TRUE;
    cairo_surface_flush(source->surface);
    cairo_t* cr = cairo_create(destination->surface);
    ApplyState(cr, destination->state);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_rectangle(cr, x, y, width, height);
    cairo_clip(cr);
    cairo_set_source_surface(cr, source->surface, x - sourceX - source->state.origin.x,
                             y - sourceY - source->state.origin.y);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(destination->surface);
    if (destination->window != nullptr) {
        RECT dirty{x, y, x + width, y + height};
        OffsetRect(&dirty, destination->state.origin.x, destination->state.origin.y);
        CurrentBackend().Present(destination->window, dirty);
    }
    return TRUE;
}
