// The path of a rectangle with elliptic corners, shared by rounded frames
// and rounded clips.
#pragma once

typedef struct _cairo cairo_t;

namespace SkinUI {

// Adds a closed rounded-rectangle path; radii are clamped to half the
// width and height, and a zero radius gives a square corner.
void AddRoundRectPath(cairo_t* dc, double x, double y, double width, double height, double radiusX,
                      double radiusY);

}  // namespace SkinUI
