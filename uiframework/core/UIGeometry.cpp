#include "uiframework/core/UIGeometry.h"

#include <algorithm>
#include <cmath>

namespace SkinUI {

LONG ClampCoordinate(long long value) {
  return static_cast<LONG>(std::clamp<long long>(value, -kMaxCoordinate, kMaxCoordinate));
}

LONG ScaleByRatio(LONG extent, double ratio) {
  if (!std::isfinite(ratio)) return 0;
  const double scaled = std::trunc(static_cast<double>(extent) * ratio);
  return static_cast<LONG>(std::clamp<double>(scaled, -kMaxCoordinate, kMaxCoordinate));
}

RECT ClampRect(const RECT& rc) {
  return RECT{ClampCoordinate(rc.left), ClampCoordinate(rc.top), ClampCoordinate(rc.right), ClampCoordinate(rc.bottom)};
}

bool RectIntersect(RECT& out, const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (RectIsEmpty(r)) {
    out = RECT{};
    return false;
  }
  out = r;
  return true;
}

void RectUnion(RECT& out, const RECT& a, const RECT& b) {
  if (RectIsEmpty(a)) {
    out = b;
    return;
  }
  if (RectIsEmpty(b)) {
    out = a;
    return;
  }
  out = RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

}  // namespace SkinUI
