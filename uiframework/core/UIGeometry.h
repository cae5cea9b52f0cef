// Rectangles, sizes and points of the framework: the window system's RECT,
// SIZE and POINT (client coordinates, right and bottom exclusive), with
// the framework's clamping and set operations.
#pragma once

#include "platform/window/Geometry.h"

inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator!=(const RECT& a, const RECT& b) { return !(a == b); }
inline bool operator==(const SIZE& a, const SIZE& b) { return a.cx == b.cx && a.cy == b.cy; }

namespace SkinUI {

// The window system's own types: controls and windows share coordinates.
using ::POINT;
using ::RECT;
using ::SIZE;

// Coordinates and sizes are kept within +-kMaxCoordinate, so that layout
// arithmetic on any markup stays far from integer overflow.
constexpr LONG kMaxCoordinate = 1 << 24;
LONG ClampCoordinate(long long value);
// int(extent * ratio), truncated; 0 for a ratio that is not finite.
LONG ScaleByRatio(LONG extent, double ratio);
RECT ClampRect(const RECT& rc);

inline RECT MakeRect(LONG l, LONG t, LONG r, LONG b) { return RECT{l, t, r, b}; }
inline bool RectIsEmpty(const RECT& rc) { return rc.right <= rc.left || rc.bottom <= rc.top; }
inline bool RectContains(const RECT& rc, POINT pt) {
  return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}
inline void RectOffset(RECT& rc, LONG dx, LONG dy) {
  rc.left += dx;
  rc.right += dx;
  rc.top += dy;
  rc.bottom += dy;
}
// The intersection; false (and an empty rectangle) when they do not meet.
bool RectIntersect(RECT& out, const RECT& a, const RECT& b);
// The bounding rectangle; an empty operand does not count.
void RectUnion(RECT& out, const RECT& a, const RECT& b);

}  // namespace SkinUI
