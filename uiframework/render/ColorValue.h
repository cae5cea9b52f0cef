// Colour values: 0xAARRGGBB, written in attributes as hexadecimal with an
// optional leading "#".
#pragma once

#include "platform/Types.h"

namespace SkinUI {

// Parses the hexadecimal digits after an optional "#"; stops at the first
// other character (no digits give 0).
DWORD ParseColorValue(LPCWSTR text);

// Text, lines and gradients never use pure black (0 or opaque black):
// those become 0xFF000001, as the drawing of the skins expects.
inline DWORD AvoidPureBlack(DWORD color) { return (color == 0 || color == 0xFF000000u) ? 0xFF000001u : color; }

}  // namespace SkinUI
