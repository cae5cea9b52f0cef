// ImageEntry: one decoded skin image, owned by the image tables of the
// window resources. Pixels are 32-bit premultiplied BGRA, top-down.
//
// Decoding belongs to the installed image decoder (RenderServices.h);
// without one, adding an image fails (null) and controls paint without it.
#pragma once

#include "platform/Types.h"
#include "uiframework/core/UIString.h"

#include <cstdint>
#include <vector>

namespace SkinUI {

struct ImageEntry {
  std::vector<std::uint32_t> pixels;
  // The unadjusted pixels, kept only for images that follow the colour
  // adjustment.
  std::vector<std::uint32_t> original;
  int width = 0;
  int height = 0;
  bool hasAlpha = false;
  bool useHsl = false;
  CUIString resourceType;
  DWORD mask = 0;
};

}  // namespace SkinUI
