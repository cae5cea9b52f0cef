// The drawn shadow of a layered window: a band of the given width inside
// the window's edge, with rounded outer corners of radius = width, fading
// from the shadow colour at its inner side to transparent at the window
// edge. The focus scale says how much of the window's half-extent keeps
// the full colour (as a path gradient's focus scale); -1 picks
// (100 - width) / 100 clamped to [0, 1].
#pragma once

#include "platform/Types.h"

typedef struct _cairo_surface cairo_surface_t;

namespace SkinUI {

struct ShadowStyle {
  int size = 0;
  DWORD color = 0xFF000000;  // ARGB
  float focusScale = -1.0f;
};

float ShadowFocusScale(const ShadowStyle& style);
// The premultiplied alpha-scaled pixel of the shadow at (x, y) of a w × h
// window; 0 outside the band.
DWORD ShadowPixel(const ShadowStyle& style, int width, int height, int x, int y);
// Draws the band into the surface's pixels (ARGB32, premultiplied).
void DrawLayeredShadow(cairo_surface_t* surface, const ShadowStyle& style);

}  // namespace SkinUI
