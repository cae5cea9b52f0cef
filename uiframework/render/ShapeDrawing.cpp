// Solid fills, gradients, lines and frames.
#include "uiframework/render/ColorValue.h"
#include "uiframework/render/DrawableRange.h"
#include "uiframework/render/PenStyle.h"
#include "uiframework/render/Renderer.h"
#include "uiframework/render/RoundRectPath.h"

#include <algorithm>
#include <cairo.h>

namespace SkinUI {

namespace {

double Channel(DWORD color, int shift) { return ((color >> shift) & 0xFF) / 255.0; }

void SetOpaqueColor(cairo_t* dc, DWORD color) {
  cairo_set_source_rgb(dc, Channel(color, 16), Channel(color, 8), Channel(color, 0));
}

// Sets up a pen; false for the null pen, which draws nothing.
bool SetPen(cairo_t* dc, int width, DWORD color, int style) {
  style &= kPenStyleMask;
  if (style == kPenNull) return false;
  SetOpaqueColor(dc, AvoidPureBlack(color));
  const double w = std::max(width, 1);
  cairo_set_line_width(dc, w);
  cairo_set_line_cap(dc, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(dc, CAIRO_LINE_JOIN_MITER);
  const double dash[] = {18 * w, 6 * w};
  const double dot[] = {3 * w, 3 * w};
  const double dashDot[] = {9 * w, 6 * w, 3 * w, 6 * w};
  const double dashDotDot[] = {9 * w, 3 * w, 3 * w, 3 * w, 3 * w, 3 * w};
  switch (style) {
    case kPenDash: cairo_set_dash(dc, dash, 2, 0); break;
    case kPenDot: cairo_set_dash(dc, dot, 2, 0); break;
    case kPenDashDot: cairo_set_dash(dc, dashDot, 4, 0); break;
    case kPenDashDotDot: cairo_set_dash(dc, dashDotDot, 6, 0); break;
    default: cairo_set_dash(dc, nullptr, 0, 0); break;
  }
  return true;
}

// A pen of width w on the integer coordinate x covers the pixels
// x - w/2 .. x - w/2 + w - 1; this is the centre of that band.
double PenCentre(LONG x, int width) {
  const int w = std::max(width, 1);
  return (x - w / 2) + w / 2.0;
}

}  // namespace

void CRenderer::DrawColor(cairo_t* dc, const RECT& given, DWORD color) {
  const RECT rect = ClampToDrawableRange(given);
  if (dc == nullptr || color <= 0x00FFFFFFu || RectIsEmpty(rect)) return;
  cairo_save(dc);
  cairo_set_operator(dc, CAIRO_OPERATOR_OVER);
  cairo_set_source_rgba(dc, Channel(color, 16), Channel(color, 8), Channel(color, 0), Channel(color, 24));
  cairo_rectangle(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  cairo_fill(dc);
  cairo_restore(dc);
}

void CRenderer::DrawGradient(cairo_t* dc, const RECT& given, DWORD color1, DWORD color2, bool vertical, int) {
  const RECT rect = ClampToDrawableRange(given);
  if (dc == nullptr || RectIsEmpty(rect)) return;
  const DWORD alpha = ((color1 >> 24) + (color2 >> 24)) / 2;
  if (alpha == 0) return;
  color1 = AvoidPureBlack(color1);
  color2 = AvoidPureBlack(color2);
  cairo_pattern_t* pattern = vertical ? cairo_pattern_create_linear(0, rect.top, 0, rect.bottom)
                                      : cairo_pattern_create_linear(rect.left, 0, rect.right, 0);
  cairo_pattern_add_color_stop_rgb(pattern, 0, Channel(color1, 16), Channel(color1, 8), Channel(color1, 0));
  cairo_pattern_add_color_stop_rgb(pattern, 1, Channel(color2, 16), Channel(color2, 8), Channel(color2, 0));
  cairo_save(dc);
  cairo_set_operator(dc, CAIRO_OPERATOR_OVER);
  cairo_rectangle(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  cairo_clip(dc);
  cairo_set_source(dc, pattern);
  if (alpha >= 255) cairo_paint(dc);
  else cairo_paint_with_alpha(dc, alpha / 255.0);
  cairo_restore(dc);
  cairo_pattern_destroy(pattern);
}

void CRenderer::DrawLine(cairo_t* dc, const RECT& given, int width, DWORD color, int style) {
  const RECT rect = ClampToDrawableRange(given);
  if (dc == nullptr) return;
  cairo_save(dc);
  if (SetPen(dc, width, color, style)) {
    double x0 = rect.left, y0 = rect.top, x1 = rect.right, y1 = rect.bottom;
    // Vertical and horizontal lines cover whole pixel columns or rows;
    // other lines run through pixel centres.
    if (rect.left == rect.right) {
      x0 = x1 = PenCentre(rect.left, width);
    } else if (rect.top == rect.bottom) {
      y0 = y1 = PenCentre(rect.top, width);
    } else {
      x0 += 0.5;
      y0 += 0.5;
      x1 += 0.5;
      y1 += 0.5;
    }
    cairo_move_to(dc, x0, y0);
    cairo_line_to(dc, x1, y1);
    cairo_stroke(dc);
  }
  cairo_restore(dc);
}

void CRenderer::DrawSmoothLine(cairo_t* dc, double x0, double y0, double x1, double y1, double width, DWORD color) {
  if (dc == nullptr || !(width >= 0.1) || (color >> 24) == 0) return;
  const double limit = kMaxDrawableCoordinate;
  for (double v : {x0, y0, x1, y1, width})
    if (!(v >= -limit && v <= limit)) return;
  cairo_save(dc);
  cairo_set_operator(dc, CAIRO_OPERATOR_OVER);
  cairo_set_antialias(dc, CAIRO_ANTIALIAS_DEFAULT);
  cairo_set_source_rgba(dc, Channel(color, 16), Channel(color, 8), Channel(color, 0), Channel(color, 24));
  cairo_set_line_width(dc, width);
  cairo_set_line_cap(dc, CAIRO_LINE_CAP_ROUND);
  cairo_set_dash(dc, nullptr, 0, 0);
  cairo_move_to(dc, x0, y0);
  cairo_line_to(dc, x1, y1);
  cairo_stroke(dc);
  cairo_restore(dc);
}

void CRenderer::DrawRect(cairo_t* dc, const RECT& given, int width, DWORD color, int style) {
  const RECT rect = ClampToDrawableRange(given);
  if (dc == nullptr || RectIsEmpty(rect)) return;
  cairo_save(dc);
  if (SetPen(dc, width, color, style)) {
    // The frame lies inside the rectangle.
    const double w = std::max(width, 1);
    const double rw = rect.right - rect.left, rh = rect.bottom - rect.top;
    if (w * 2 >= rw || w * 2 >= rh) {
      cairo_rectangle(dc, rect.left, rect.top, rw, rh);
      cairo_fill(dc);
    } else {
      cairo_rectangle(dc, rect.left + w / 2, rect.top + w / 2, rw - w, rh - w);
      cairo_stroke(dc);
    }
  }
  cairo_restore(dc);
}

void CRenderer::DrawRoundRect(cairo_t* dc, const RECT& given, int width, int roundX, int roundY, DWORD color,
                              int style) {
  const RECT rect = ClampToDrawableRange(given);
  if (dc == nullptr || RectIsEmpty(rect)) return;
  cairo_save(dc);
  if (SetPen(dc, width, color, style)) {
    const double w = std::max(width, 1);
    const double rw = rect.right - rect.left, rh = rect.bottom - rect.top;
    if (w * 2 < rw && w * 2 < rh) {
      AddRoundRectPath(dc, rect.left + w / 2, rect.top + w / 2, rw - w, rh - w, std::max(0.0, roundX / 2.0 - w / 2),
                       std::max(0.0, roundY / 2.0 - w / 2));
      cairo_stroke(dc);
    }
  }
  cairo_restore(dc);
}

}  // namespace SkinUI
