// Conversion of decoded RGBA pixels to the framework's 32-bit premultiplied
// blue-green-red-alpha pixels, with an optional colour key.
#pragma once

#include "platform/Types.h"

#include <cstdint>
#include <vector>

namespace SkinUI {

// rgba holds width × height pixels of four bytes (red, green, blue, alpha).
// Opaque pixels are copied; others are premultiplied (channel × alpha / 255,
// integer division). Then every pixel whose converted value equals mask
// becomes fully transparent. Returns whether the result has any pixel that
// is not fully opaque.
bool ConvertRgbaPixels(const unsigned char* rgba, int width, int height, DWORD mask,
                       std::vector<std::uint32_t>& pixels);

}  // namespace SkinUI
