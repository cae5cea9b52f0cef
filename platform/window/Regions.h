// Regions: areas made of non-overlapping rectangles, as GDI keeps them.
// Used for window shapes, invalid areas and hit testing.
#pragma once

#include <vector>

#include "platform/window/GdiObject.h"
#include "platform/window/Geometry.h"

// The value type: a set of disjoint rectangles in y-x bands.
class Region {
 public:
    Region() = default;
    explicit Region(const RECT& rc);
    static Region RoundRect(const RECT& rc, int ellipseWidth, int ellipseHeight);

    enum class Op { And, Or, Diff, Xor };
    static Region Combine(const Region& a, const Region& b, Op op);

    bool IsEmpty() const { return rects_.empty(); }
    bool Contains(POINT pt) const;
    bool Intersects(const RECT& rc) const;
    RECT Bounds() const;
    void Offset(int dx, int dy);
    const std::vector<RECT>& Rects() const { return rects_; }
    bool operator==(const Region& other) const;

 private:
    std::vector<RECT> rects_;
};

struct RegionObject : GdiObject {
    Region region;
};
using HRGN = RegionObject*;

// CombineRgn modes and results
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;
constexpr int RGN_ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;
constexpr int ERROR = 0;

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rc);
// The corners are quarters of an ellipse of the given width and height.
// Like GDI, the area excludes the right and bottom edge of the rectangle.
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode);
BOOL PtInRegion(HRGN region, int x, int y);
int GetRgnBox(HRGN region, RECT* box);
int OffsetRgn(HRGN region, int dx, int dy);
BOOL EqualRgn(HRGN a, HRGN b);
BOOL RectInRegion(HRGN region, const RECT* rc);

// The window's shape in window coordinates; the window takes over the
// region object (it must not be used or deleted afterwards). Null removes
// the shape. Hit testing and the backend honour it.
struct WindowHandleTag;
int SetWindowRgn(WindowHandleTag* hwnd, HRGN region, BOOL redraw);
// Copies the window's shape into region; ERROR when it has none.
int GetWindowRgn(WindowHandleTag* hwnd, HRGN region);
