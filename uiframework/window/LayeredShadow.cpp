#include "uiframework/window/LayeredShadow.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace SkinUI {

float ShadowFocusScale(const ShadowStyle& style) {
  if (style.focusScale != -1.0f) return std::clamp(style.focusScale, 0.0f, 1.0f);
  return std::clamp((100.0f - static_cast<float>(style.size)) / 100.0f, 0.0f, 1.0f);
}

DWORD ShadowPixel(const ShadowStyle& style, int width, int height, int x, int y) {
  const int s = style.size;
  if (s < 1 || width <= 0 || height <= 0) return 0;
  // Inside the inner rectangle there is no shadow.
  if (x >= s && x < width - s && y >= s && y < height - s) return 0;
  // Depth into the window from its rounded outer edge, in pixels.
  const double cx = x + 0.5;
  const double cy = y + 0.5;
  double depth;
  const double nearX = std::clamp(cx, static_cast<double>(s), static_cast<double>(width - s));
  const double nearY = std::clamp(cy, static_cast<double>(s), static_cast<double>(height - s));
  if ((cx < s || cx > width - s) && (cy < s || cy > height - s)) {
    depth = s - std::hypot(cx - nearX, cy - nearY);  // a corner arc
  } else {
    depth = std::min(std::min(cx, width - cx), std::min(cy, height - cy));
  }
  if (depth <= 0.0) return 0;
  // The colour fades in over the part of the half-extent outside the focus.
  const double half = std::min(width, height) / 2.0;
  const double span = std::max(1.0, (1.0 - ShadowFocusScale(style)) * half);
  const double strength = std::min(1.0, depth / span);
  const double alpha = ((style.color >> 24) & 0xFF) * strength;
  const auto a = static_cast<DWORD>(std::lround(alpha));
  auto channel = [&](int shift) { return static_cast<DWORD>(std::lround(((style.color >> shift) & 0xFF) * alpha / 255.0)); };
  return (a << 24) | (channel(16) << 16) | (channel(8) << 8) | channel(0);
}

void DrawLayeredShadow(cairo_surface_t* surface, const ShadowStyle& style) {
  if (surface == nullptr || style.size < 1) return;
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  if (data == nullptr) return;
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<size_t>(y) * stride);
    const bool band = y < style.size || y >= height - style.size;
    for (int x = 0; x < width; ++x) {
      if (!band && x == style.size) x = std::max(x, width - style.size);
      if (x >= width) break;
      row[x] = ShadowPixel(style, width, height, x, y);
    }
  }
  cairo_surface_mark_dirty(surface);
}

}  // namespace SkinUI
