#include "tests/uiframework_render/TestCanvas.h"

#include <algorithm>
#include <cairo.h>
#include <cstdlib>

TestCanvas::TestCanvas(int width, int height, std::uint32_t background) : width_(width), height_(height) {
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  auto* data = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface_));
  const int stride = cairo_image_surface_get_stride(surface_) / 4;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) data[y * stride + x] = background;
  cairo_surface_mark_dirty(surface_);
  dc_ = cairo_create(surface_);
}

TestCanvas::~TestCanvas() {
  cairo_destroy(dc_);
  cairo_surface_destroy(surface_);
}

std::uint32_t TestCanvas::Pixel(int x, int y) {
  cairo_surface_flush(surface_);
  const auto* data = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface_));
  return data[y * (cairo_image_surface_get_stride(surface_) / 4) + x];
}

SkinUI::RECT TestCanvas::ChangedBox(std::uint32_t background) {
  SkinUI::RECT box{width_, height_, 0, 0};
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      if (Pixel(x, y) == background) continue;
      box.left = std::min<LONG>(box.left, x);
      box.top = std::min<LONG>(box.top, y);
      box.right = std::max<LONG>(box.right, x + 1);
      box.bottom = std::max<LONG>(box.bottom, y + 1);
    }
  }
  if (box.right <= box.left) return SkinUI::RECT{};
  return box;
}

SkinUI::ImageEntry MakeImage(int width, int height, std::initializer_list<std::uint32_t> pixels) {
  SkinUI::ImageEntry image;
  image.width = width;
  image.height = height;
  std::vector<std::uint32_t> all(pixels.begin(), pixels.end());
  all.resize(static_cast<size_t>(width * height));
  const bool hasAlpha = std::any_of(all.begin(), all.end(), [](std::uint32_t p) { return (p >> 24) != 255; });
  image.SetPixels(std::move(all), hasAlpha);
  return image;
}

SkinUI::ImageEntry MakeSolidImage(int width, int height, std::uint32_t pixel) {
  SkinUI::ImageEntry image;
  image.width = width;
  image.height = height;
  image.SetPixels(std::vector<std::uint32_t>(static_cast<size_t>(width * height), pixel), (pixel >> 24) != 255);
  return image;
}

int ChannelDistance(std::uint32_t a, std::uint32_t b) {
  int worst = 0;
  for (int shift = 0; shift < 32; shift += 8)
    worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  return worst;
}
