// Drawing of images: a control's ImageDrawSpec through the manager's image
// tables, and the nine-slice drawing core.
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/render/DrawableRange.h"
#include "uiframework/render/ImageDescription.h"
#include "uiframework/render/NineSliceLayout.h"
#include "uiframework/render/Renderer.h"

#include <algorithm>
#include <cmath>
#include <cairo.h>

namespace SkinUI {

namespace {

// A cairo surface over the image's pixels, without copying them. Cairo
// only reads them: the surface is used as a drawing source alone.
cairo_surface_t* WrapImage(const ImageEntry& image) {
  auto* data = reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(image.Pixels().data()));
  return cairo_image_surface_create_for_data(data, CAIRO_FORMAT_ARGB32, image.width, image.height, image.width * 4);
}

void DrawPart(cairo_t* dc, cairo_surface_t* surface, const ImagePart& part, BYTE fade) {
  const double dw = part.dest.right - part.dest.left;
  const double dh = part.dest.bottom - part.dest.top;
  const double sw = part.source.right - part.source.left;
  const double sh = part.source.bottom - part.source.top;
  cairo_save(dc);
  cairo_rectangle(dc, part.dest.left, part.dest.top, dw, dh);
  cairo_clip(dc);
  cairo_translate(dc, part.dest.left, part.dest.top);
  cairo_scale(dc, dw / sw, dh / sh);
  cairo_set_source_surface(dc, surface, -part.source.left, -part.source.top);
  // Stretching picks source pixels (no smoothing), and never reads past
  // the part's own source rectangle.
  cairo_pattern_set_filter(cairo_get_source(dc), CAIRO_FILTER_NEAREST);
  cairo_pattern_set_extend(cairo_get_source(dc), CAIRO_EXTEND_PAD);
  if (fade == 255) cairo_paint(dc);
  else cairo_paint_with_alpha(dc, fade / 255.0);
  cairo_restore(dc);
}

}  // namespace

bool CRenderer::LoadImageSpec(CWindowManagerUI* manager, ImageDrawSpec& drawSpec) {
  if (drawSpec.image != nullptr) return true;
  if (drawSpec.loadAttempted || drawSpec.description.IsEmpty() || manager == nullptr) return false;
  drawSpec.loadAttempted = true;
  ImageSource source;
  ParseImageDescription(drawSpec.description, drawSpec, source);
  drawSpec.imageName = source.name;
  drawSpec.image = manager->GetOrAddImage(source.name, source.type.IsEmpty() ? nullptr : source.type.GetData(),
                                          source.mask, source.useHsl);
  if (drawSpec.image == nullptr) return false;
  drawSpec.source = ClampSourceRect(drawSpec.source, drawSpec.image->width, drawSpec.image->height);
  return true;
}

bool CRenderer::DrawImage(cairo_t* dc, CWindowManagerUI* manager, const RECT& item, const RECT& paint,
                          ImageDrawSpec& drawSpec) {
  if (manager == nullptr) return true;
  if (drawSpec.description.IsEmpty()) return false;
  if (!LoadImageSpec(manager, drawSpec)) return false;
  if (dc == nullptr || !IsWithinDrawableRange(item)) return true;
  RECT dest = item;
  const RECT& d = drawSpec.dest;
  if (d.left != 0 || d.top != 0 || d.right != 0 || d.bottom != 0) {
    dest.left = item.left + d.left;
    dest.top = item.top + d.top;
    dest.right = std::min(item.left + d.right, item.right);
    dest.bottom = std::min(item.top + d.bottom, item.bottom);
  }
  RECT meet;
  if (!RectIntersect(meet, dest, item) || !RectIntersect(meet, dest, paint)) return true;
  // The first draw decodes the image; one that does not decode draws
  // nothing, like one that did not load.
  const ImageEntry& image = *drawSpec.image;
  if (image.Pixels().empty()) return false;
  DrawImageRect(dc, image, dest, paint, drawSpec.source, drawSpec.corners, image.HasAlpha(), drawSpec.fade,
                drawSpec.hole, drawSpec.xTiled, drawSpec.yTiled);
  return true;
}

void CRenderer::DrawImageEntry(cairo_t* dc, const ImageEntry& image, const RECT& dest, const ImageTurn& turn) {
  if (dc == nullptr || image.width <= 0 || image.height <= 0 || RectIsEmpty(dest)) return;
  if (image.Pixels().size() < static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) return;
  if (!IsWithinDrawableRange(dest) || !std::isfinite(turn.degrees) || !std::isfinite(turn.centreX) ||
      !std::isfinite(turn.centreY))
    return;
  cairo_surface_t* surface = WrapImage(image);
  cairo_save(dc);
  cairo_set_operator(dc, CAIRO_OPERATOR_OVER);
  if (turn.degrees != 0) {
    cairo_translate(dc, turn.centreX, turn.centreY);
    cairo_rotate(dc, std::fmod(turn.degrees, 360.0) * M_PI / 180.0);
    cairo_translate(dc, -turn.centreX, -turn.centreY);
  }
  const double width = dest.right - dest.left;
  const double height = dest.bottom - dest.top;
  cairo_translate(dc, dest.left, dest.top);
  cairo_scale(dc, width / image.width, height / image.height);
  cairo_set_source_surface(dc, surface, 0, 0);
  // Smooth scaling and turning; the edges stay inside the image.
  cairo_pattern_set_filter(cairo_get_source(dc), CAIRO_FILTER_GOOD);
  cairo_pattern_set_extend(cairo_get_source(dc), CAIRO_EXTEND_PAD);
  cairo_rectangle(dc, 0, 0, image.width, image.height);
  cairo_fill(dc);
  cairo_restore(dc);
  cairo_surface_destroy(surface);
}

void CRenderer::DrawImageRect(cairo_t* dc, const ImageEntry& image, const RECT& dest, const RECT& paint,
                              const RECT& source, const RECT& corners, bool hasAlpha, BYTE fade, bool hole,
                              bool xTiled, bool yTiled) {
  if (dc == nullptr || image.width <= 0 || image.height <= 0 || fade == 0) return;
  if (image.Pixels().size() < static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) return;
  if (!IsWithinDrawableRange(dest) || !IsWithinDrawableRange(paint) || !IsWithinDrawableRange(corners)) return;
  NineSliceRequest request;
  request.dest = dest;
  request.paint = paint;
  request.source = ClampSourceRect(source, image.width, image.height);
  // Negative insets would reach outside the source: they count as 0.
  request.corners = RECT{std::max<LONG>(corners.left, 0), std::max<LONG>(corners.top, 0),
                         std::max<LONG>(corners.right, 0), std::max<LONG>(corners.bottom, 0)};
  request.hole = hole;
  request.xTiled = xTiled;
  request.yTiled = yTiled;
  const std::vector<ImagePart> parts = LayoutImageParts(request);
  if (parts.empty()) return;
  cairo_surface_t* surface = WrapImage(image);
  cairo_save(dc);
  // Opaque images replace what is below; the others blend over it.
  cairo_set_operator(dc, (hasAlpha || fade != 255) ? CAIRO_OPERATOR_OVER : CAIRO_OPERATOR_SOURCE);
  for (const ImagePart& part : parts) DrawPart(dc, surface, part, fade);
  cairo_restore(dc);
  cairo_surface_destroy(surface);
}

}  // namespace SkinUI
