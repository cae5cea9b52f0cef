// A small ARGB32 drawing target for render tests, with pixel read-back.
#pragma once

#include "uiframework/core/UIGeometry.h"
#include "uiframework/render/ImageEntry.h"

#include <cstdint>
#include <initializer_list>

typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo cairo_t;

class TestCanvas {
 public:
  // Filled with background (0xAARRGGBB, premultiplied as stored).
  TestCanvas(int width, int height, std::uint32_t background);
  ~TestCanvas();
  TestCanvas(const TestCanvas&) = delete;
  TestCanvas& operator=(const TestCanvas&) = delete;

  cairo_t* dc() const { return dc_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // The stored (premultiplied) pixel.
  std::uint32_t Pixel(int x, int y);
  // The bounding box of the pixels that differ from background; empty
  // when none do.
  SkinUI::RECT ChangedBox(std::uint32_t background);

 private:
  int width_;
  int height_;
  cairo_surface_t* surface_;
  cairo_t* dc_;
};

// An image entry of width × height pixels given row by row (0xAARRGGBB,
// already premultiplied).
SkinUI::ImageEntry MakeImage(int width, int height, std::initializer_list<std::uint32_t> pixels);
// A solid image.
SkinUI::ImageEntry MakeSolidImage(int width, int height, std::uint32_t pixel);

// Channel distance: the largest difference of the four channels.
int ChannelDistance(std::uint32_t a, std::uint32_t b);
