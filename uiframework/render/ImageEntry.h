// ImageEntry: one decoded skin image, owned by the image tables of the
// window resources. Pixels are 32-bit premultiplied BGRA, top-down.
//
// Decoding belongs to the render engine: it registers its loader with
// CWindowResourcesUI::SetImageLoader. Until a loader is registered, adding
// an image fails (null), and controls paint without it.
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

// Decodes the image name (an archive entry or file, a numeric resource id
// made with MAKEINTRESOURCEW when type is given, or a colour for the type
// "*COLOR*"); null on failure. The caller owns the entry.
using ImageLoaderFn = ImageEntry* (*)(LPCWSTR name, LPCWSTR type, DWORD mask);

}  // namespace SkinUI
