// Device contexts and bitmaps: the drawing targets of windows.
//
// Every target is a cairo image surface in premultiplied ARGB32 (in memory
// the bytes are blue, green, red, alpha, rows top-down). A window context
// draws into the window's own surface; a memory context draws into the
// bitmap selected into it. Drawing code takes a cairo context from
// CreateCairoForDC so that the context's origin and clip apply.
#pragma once

#include "platform/window/GdiObject.h"
#include "platform/window/Regions.h"
#include "platform/window/User32.h"

typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo cairo_t;

// A bitmap: a premultiplied ARGB32 cairo image surface.
struct BitmapObject : GdiObject {
    ~BitmapObject() override;
    cairo_surface_t* surface = nullptr;  // one reference held
};
using HBITMAP = BitmapObject*;

constexpr DWORD SRCCOPY = 0x00CC0020;

HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC dc);
// A memory context; its first bitmap is 1×1 as in GDI.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);

// A premultiplied ARGB32 bitmap, zero-filled. bits (optional) receives the
// first byte of the top row; the stride is width × 4.
HBITMAP CreateARGB32Bitmap(int width, int height, void** bits);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
SIZE GetBitmapSize(HBITMAP bitmap);
// Selects a bitmap into a memory context; returns the previous one. Other
// objects are not selected into contexts here.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);

// The surface a context draws on (borrowed; valid while the context lives).
cairo_surface_t* GetDCSurface(HDC dc);
cairo_surface_t* GetBitmapSurface(HBITMAP bitmap);

// Context state: a viewport origin (logical point 0,0 lands on this device
// point) and a clip region in device coordinates. BeginPaint's context is
// clipped to the invalid area, as in GDI.
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* previous);
BOOL GetViewportOrgEx(HDC dc, POINT* origin);
// Replaces the clip with a copy of region (device coordinates); null removes it.
int SelectClipRgn(HDC dc, HRGN region);
// Narrows the clip to a rectangle in logical coordinates.
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
// The clip's bounds in logical coordinates (the whole surface without a clip).
int GetClipBox(HDC dc, RECT* box);
// Saves origin and clip; returns the new depth (0 on failure).
int SaveDC(HDC dc);
// Restores a saved state: a positive level is absolute, a negative one
// counts back from the latest.
BOOL RestoreDC(HDC dc, int level);
// A cairo context on the context's surface with its origin and clip
// applied; release with cairo_destroy. Null for a dead context.
cairo_t* CreateCairoForDC(HDC dc);

// Copies pixels unchanged (source operator), within the destination's clip;
// both positions are logical.
BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop);
