#include "bench/render/BenchSkinImages.h"

#include <cmath>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

bool Write(const std::string& path, int w, int h, const std::vector<unsigned char>& rgba) {
  return stbi_write_png(path.c_str(), w, h, 4, rgba.data(), w * 4) != 0;
}

}  // namespace

bool WriteBenchSkin(const std::string& folder) {
  std::vector<unsigned char> bk(64 * 64 * 4);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      unsigned char* p = &bk[(y * 64 + x) * 4];
      const double dx = std::max(0.0, std::max(8.0 - x, x - 55.0));
      const double dy = std::max(0.0, std::max(8.0 - y, y - 55.0));
      const bool inside = std::sqrt(dx * dx + dy * dy) <= 8.0;
      p[0] = static_cast<unsigned char>(40 + y);
      p[1] = static_cast<unsigned char>(90 + x);
      p[2] = 200;
      p[3] = inside ? (x < 2 || y < 2 || x > 61 || y > 61 ? 128 : 255) : 0;
    }
  }
  std::vector<unsigned char> btn(72 * 24 * 4);
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 72; ++x) {
      unsigned char* p = &btn[(y * 72 + x) * 4];
      const int state = x / 24;
      p[0] = static_cast<unsigned char>(60 + state * 60);
      p[1] = static_cast<unsigned char>(120 + y * 4);
      p[2] = 230;
      p[3] = (x % 24 == 0 || x % 24 == 23 || y == 0 || y == 23) ? 160 : 255;
    }
  }
  std::vector<unsigned char> icon(16 * 16 * 4);
  for (int i = 0; i < 16 * 16; ++i) {
    const int x = i % 16, y = i / 16;
    const bool on = (x - 8) * (x - 8) + (y - 8) * (y - 8) < 49;
    icon[i * 4 + 0] = 255;
    icon[i * 4 + 1] = 160;
    icon[i * 4 + 2] = 0;
    icon[i * 4 + 3] = on ? 255 : 0;
  }
  std::vector<unsigned char> line(8 * 4);
  for (int i = 0; i < 8; ++i) {
    line[i * 4 + 0] = line[i * 4 + 1] = line[i * 4 + 2] = static_cast<unsigned char>(180 + i * 8);
    line[i * 4 + 3] = 255;
  }
  return Write(folder + "/bk.png", 64, 64, bk) && Write(folder + "/btn.png", 72, 24, btn) &&
         Write(folder + "/icon.png", 16, 16, icon) && Write(folder + "/line.png", 1, 8, line);
}

bool WriteSurfacePng(const std::string& path, const unsigned char* argb, int width, int height, int stride) {
  std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const unsigned char* s = argb + y * stride + x * 4;
      unsigned char* d = &rgba[(y * width + x) * 4];
      const int a = s[3];
      for (int c = 0; c < 3; ++c) d[c] = a == 0 ? 0 : static_cast<unsigned char>(std::min(255, s[2 - c] * 255 / a));
      d[3] = static_cast<unsigned char>(a);
    }
  }
  return Write(path, width, height, rgba);
}
