// Hue, saturation and lightness adjustment of colours and images.
#include "uiframework/render/Renderer.h"

#include <algorithm>
#include <cmath>

namespace SkinUI {

namespace {

struct Hsl {
  double h, s, l;  // degrees, 0-1, 0-1
};

Hsl RgbToHsl(double r, double g, double b) {
  const double maxc = std::max({r, g, b});
  const double minc = std::min({r, g, b});
  Hsl out{0, 0, (maxc + minc) / 2};
  const double delta = maxc - minc;
  if (delta <= 0) return out;
  out.s = out.l > 0.5 ? delta / (2 - maxc - minc) : delta / (maxc + minc);
  if (maxc == r) out.h = (g - b) / delta + (g < b ? 6 : 0);
  else if (maxc == g) out.h = (b - r) / delta + 2;
  else out.h = (r - g) / delta + 4;
  out.h *= 60;
  return out;
}

double HueChannel(double p, double q, double t) {
  if (t < 0) t += 1;
  if (t > 1) t -= 1;
  if (t < 1.0 / 6) return p + (q - p) * 6 * t;
  if (t < 0.5) return q;
  if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
  return p;
}

void HslToRgb(const Hsl& c, double& r, double& g, double& b) {
  if (c.s <= 0) {
    r = g = b = c.l;
    return;
  }
  const double q = c.l < 0.5 ? c.l * (1 + c.s) : c.l + c.s - c.l * c.s;
  const double p = 2 * c.l - q;
  const double h = c.h / 360;
  r = HueChannel(p, q, h + 1.0 / 3);
  g = HueChannel(p, q, h);
  b = HueChannel(p, q, h - 1.0 / 3);
}

DWORD ToByte(double v) { return static_cast<DWORD>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); }

}  // namespace

DWORD CRenderer::AdjustColor(DWORD color, short hue, short saturation, short lightness) {
  if (hue == 180 && saturation == 100 && lightness == 100) return color;
  Hsl c = RgbToHsl(((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, (color & 0xFF) / 255.0);
  c.h = std::fmod(c.h + (hue - 180), 360.0);
  if (c.h < 0) c.h += 360;
  c.s = std::clamp(c.s * saturation / 100.0, 0.0, 1.0);
  c.l = std::clamp(c.l * lightness / 100.0, 0.0, 1.0);
  double r, g, b;
  HslToRgb(c, r, g, b);
  return (color & 0xFF000000u) | (ToByte(r) << 16) | (ToByte(g) << 8) | ToByte(b);
}

void CRenderer::AdjustImage(bool useHsl, ImageEntry* entry, short hue, short saturation, short lightness) {
  if (!useHsl || entry == nullptr || !entry->useHsl) return;
  std::vector<std::uint32_t>& pixels = entry->MutablePixels();
  if (entry->original.size() != pixels.size()) return;
  for (size_t i = 0; i < pixels.size(); ++i) {
    const std::uint32_t px = entry->original[i];
    const std::uint32_t a = px >> 24;
    if (a == 0) {
      pixels[i] = px;
      continue;
    }
    // The adjustment works on straight colours: unpremultiply, adjust,
    // premultiply again.
    auto straight = [a](std::uint32_t c) { return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a); };
    const DWORD colour = (a << 24) | (straight((px >> 16) & 0xFF) << 16) | (straight((px >> 8) & 0xFF) << 8) |
                         straight(px & 0xFF);
    const DWORD adjusted = AdjustColor(colour, hue, saturation, lightness);
    auto pre = [a](std::uint32_t c) { return c * a / 255; };
    pixels[i] = (a << 24) | (pre((adjusted >> 16) & 0xFF) << 16) | (pre((adjusted >> 8) & 0xFF) << 8) |
                       pre(adjusted & 0xFF);
  }
}

}  // namespace SkinUI
