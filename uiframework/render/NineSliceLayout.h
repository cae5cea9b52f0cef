// The parts an image is drawn in: a destination rectangle is split by the
// corner insets into a centre and up to eight border parts, each drawn
// from the matching part of the source rectangle. The centre may be tiled
// horizontally, vertically or both instead of stretched.
#pragma once

#include "uiframework/core/UIGeometry.h"

#include <vector>

namespace SkinUI {

struct ImagePart {
  RECT dest;
  RECT source;
};

struct NineSliceRequest {
  RECT dest;
  RECT paint;    // parts that do not meet it are left out
  RECT source;   // already clamped to the image
  RECT corners;  // insets of both source and destination
  bool hole = false;
  bool xTiled = false;
  bool yTiled = false;
};

// The parts to draw, centre (or its tiles) first, then the borders in the
// order top-left, top, top-right, left, right, bottom-left, bottom,
// bottom-right. Parts whose destination or source has no area are left
// out, and so is a tiled centre whose tile size is not positive.
std::vector<ImagePart> LayoutImageParts(const NineSliceRequest& request);

// Clamps a source rectangle into an image of the given size on all four
// sides; an all-zero source means the whole image.
RECT ClampSourceRect(const RECT& source, int width, int height);

}  // namespace SkinUI
