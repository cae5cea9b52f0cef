#include "uiframework/render/PixelConversion.h"

namespace SkinUI {

bool ConvertRgbaPixels(const unsigned char* rgba, int width, int height, DWORD mask,
                       std::vector<std::uint32_t>& pixels) {
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  pixels.resize(count);
  bool hasAlpha = false;
  for (size_t i = 0; i < count; ++i) {
    const unsigned char* p = rgba + i * 4;
    std::uint32_t r = p[0], g = p[1], b = p[2];
    const std::uint32_t a = p[3];
    if (a != 255) {
      r = r * a / 255;
      g = g * a / 255;
      b = b * a / 255;
      hasAlpha = true;
    }
    std::uint32_t value = (a << 24) | (r << 16) | (g << 8) | b;
    if (value == mask) {
      value = 0;
      hasAlpha = true;
    }
    pixels[i] = value;
  }
  return hasAlpha;
}

}  // namespace SkinUI
