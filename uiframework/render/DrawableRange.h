// The coordinate range the drawing library can represent. Rectangles of
// controls may lie far outside it (huge or hostile layouts); fills clamp
// to it, and stretched images beyond it are not drawn.
#pragma once

#include "uiframework/core/UIGeometry.h"

#include <algorithm>

namespace SkinUI {

constexpr LONG kMaxDrawableCoordinate = 1 << 22;

inline bool IsWithinDrawableRange(const RECT& rc) {
  for (LONG v : {rc.left, rc.top, rc.right, rc.bottom})
    if (v < -kMaxDrawableCoordinate || v > kMaxDrawableCoordinate) return false;
  return true;
}

inline RECT ClampToDrawableRange(const RECT& rc) {
  auto clamp = [](LONG v) { return std::clamp<LONG>(v, -kMaxDrawableCoordinate, kMaxDrawableCoordinate); };
  return RECT{clamp(rc.left), clamp(rc.top), clamp(rc.right), clamp(rc.bottom)};
}

}  // namespace SkinUI
