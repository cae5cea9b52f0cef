#include "uiframework/render/NineSliceLayout.h"

#include <algorithm>

namespace SkinUI {

namespace {

bool HasArea(const RECT& rc) { return rc.right > rc.left && rc.bottom > rc.top; }

void AddPart(std::vector<ImagePart>& parts, const RECT& paint, const RECT& dest, const RECT& source) {
  if (!HasArea(dest) || !HasArea(source)) return;
  RECT meet;
  if (!RectIntersect(meet, dest, paint)) return;
  parts.push_back(ImagePart{dest, source});
}

void AddCentre(std::vector<ImagePart>& parts, const NineSliceRequest& r, const RECT& dest, const RECT& source) {
  if (!HasArea(dest) || !HasArea(source)) return;
  RECT meet;
  if (!RectIntersect(meet, dest, r.paint)) return;
  const LONG tileW = source.right - source.left;
  const LONG tileH = source.bottom - source.top;
  if (!r.xTiled && !r.yTiled) {
    parts.push_back(ImagePart{dest, source});
    return;
  }
  // Tiles run from the top-left corner and are cut at the right and
  // bottom edges (the source shortened to match); an untiled direction
  // stretches over the whole centre. Only tiles that meet the paint
  // rectangle are listed, so their number stays bounded by its size.
  const LONG stepY = r.yTiled ? tileH : dest.bottom - dest.top;
  const LONG stepX = r.xTiled ? tileW : dest.right - dest.left;
  const LONG firstY = dest.top + std::max<LONG>(0, (meet.top - dest.top) / stepY) * stepY;
  const LONG firstX = dest.left + std::max<LONG>(0, (meet.left - dest.left) / stepX) * stepX;
  for (LONG top = firstY; top < meet.bottom; top += stepY) {
    const LONG h = std::min<LONG>(stepY, dest.bottom - top);
    const LONG srcBottom = r.yTiled ? source.top + h : source.bottom;
    for (LONG left = firstX; left < meet.right; left += stepX) {
      const LONG w = std::min<LONG>(stepX, dest.right - left);
      const LONG srcRight = r.xTiled ? source.left + w : source.right;
      parts.push_back(ImagePart{RECT{left, top, left + w, top + h}, RECT{source.left, source.top, srcRight, srcBottom}});
    }
  }
}

}  // namespace

RECT ClampSourceRect(const RECT& source, int width, int height) {
  RECT rc = source;
  if (rc.left == 0 && rc.top == 0 && rc.right == 0 && rc.bottom == 0) return RECT{0, 0, width, height};
  rc.left = std::clamp<LONG>(rc.left, 0, width);
  rc.top = std::clamp<LONG>(rc.top, 0, height);
  rc.right = std::clamp<LONG>(rc.right, rc.left, width);
  rc.bottom = std::clamp<LONG>(rc.bottom, rc.top, height);
  return rc;
}

std::vector<ImagePart> LayoutImageParts(const NineSliceRequest& r) {
  std::vector<ImagePart> parts;
  const RECT& d = r.dest;
  const RECT& s = r.source;
  const RECT& c = r.corners;
  if (!r.hole) {
    AddCentre(parts, r, RECT{d.left + c.left, d.top + c.top, d.right - c.right, d.bottom - c.bottom},
              RECT{s.left + c.left, s.top + c.top, s.right - c.right, s.bottom - c.bottom});
  }
  if (c.left > 0 && c.top > 0)
    AddPart(parts, r.paint, RECT{d.left, d.top, d.left + c.left, d.top + c.top},
            RECT{s.left, s.top, s.left + c.left, s.top + c.top});
  if (c.top > 0)
    AddPart(parts, r.paint, RECT{d.left + c.left, d.top, d.right - c.right, d.top + c.top},
            RECT{s.left + c.left, s.top, s.right - c.right, s.top + c.top});
  if (c.right > 0 && c.top > 0)
    AddPart(parts, r.paint, RECT{d.right - c.right, d.top, d.right, d.top + c.top},
            RECT{s.right - c.right, s.top, s.right, s.top + c.top});
  if (c.left > 0)
    AddPart(parts, r.paint, RECT{d.left, d.top + c.top, d.left + c.left, d.bottom - c.bottom},
            RECT{s.left, s.top + c.top, s.left + c.left, s.bottom - c.bottom});
  if (c.right > 0)
    AddPart(parts, r.paint, RECT{d.right - c.right, d.top + c.top, d.right, d.bottom - c.bottom},
            RECT{s.right - c.right, s.top + c.top, s.right, s.bottom - c.bottom});
  if (c.left > 0 && c.bottom > 0)
    AddPart(parts, r.paint, RECT{d.left, d.bottom - c.bottom, d.left + c.left, d.bottom},
            RECT{s.left, s.bottom - c.bottom, s.left + c.left, s.bottom});
  if (c.bottom > 0)
    AddPart(parts, r.paint, RECT{d.left + c.left, d.bottom - c.bottom, d.right - c.right, d.bottom},
            RECT{s.left + c.left, s.bottom - c.bottom, s.right - c.right, s.bottom});
  if (c.right > 0 && c.bottom > 0)
    AddPart(parts, r.paint, RECT{d.right - c.right, d.bottom - c.bottom, d.right, d.bottom},
            RECT{s.right - c.right, s.bottom - c.bottom, s.right, s.bottom});
  return parts;
}

}  // namespace SkinUI
