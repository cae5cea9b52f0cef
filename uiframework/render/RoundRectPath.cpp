#include "uiframework/render/RoundRectPath.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>

namespace SkinUI {

void AddRoundRectPath(cairo_t* dc, double x, double y, double width, double height, double radiusX,
                      double radiusY) {
  if (width <= 0 || height <= 0) return;
  const double rx = std::clamp(radiusX, 0.0, width / 2);
  const double ry = std::clamp(radiusY, 0.0, height / 2);
  if (rx <= 0 || ry <= 0) {
    cairo_rectangle(dc, x, y, width, height);
    return;
  }
  cairo_new_sub_path(dc);
  const double corners[4][3] = {
      {x + width - rx, y + ry, -M_PI / 2},
      {x + width - rx, y + height - ry, 0},
      {x + rx, y + height - ry, M_PI / 2},
      {x + rx, y + ry, M_PI},
  };
  for (const auto& c : corners) {
    cairo_save(dc);
    cairo_translate(dc, c[0], c[1]);
    cairo_scale(dc, rx, ry);
    cairo_arc(dc, 0, 0, 1, c[2], c[2] + M_PI / 2);
    cairo_restore(dc);
  }
  cairo_close_path(dc);
}

}  // namespace SkinUI
