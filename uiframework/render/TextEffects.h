// The drawn text effects of a label: a gradient fill, an outline stroke,
// a drop shadow and a glow, each on or off. Colours are 0xAARRGGBB.
#pragma once

#include "platform/Types.h"

namespace SkinUI {

struct TextEffects {
  // The text is filled with a gradient from textColor to textColor2 (a
  // textColor2 of 0xFFFFFFFF means textColor again) along the line from
  // (gradientAngle, 0) to (0, gradientLength); a length of 0 means the
  // text box's height.
  DWORD textColor = 0;
  DWORD textColor2 = 0xFFFFFFFF;
  int gradientAngle = 0;
  int gradientLength = 0;
  // Glow: the text blurred by drawing it scaled down by fuzziness and
  // back up, at the shadow offset.
  bool glow = false;
  float fuzziness = 3.0f;
  // Stroke: the text drawn in strokeColor one pixel left, right, up and
  // down before the fill.
  bool stroke = false;
  DWORD strokeColor = 0;
  // Shadow: the text at the shadow offset, filled with a gradient from
  // shadowColorA to shadowColorB.
  bool shadow = false;
  DWORD shadowColorA = 0xFF000000;
  DWORD shadowColorB = 0xFFFFFFFF;
  float shadowOffsetX = 0.0f;
  float shadowOffsetY = 0.0f;
  // The text rendering hint of the markup ("rhaa"): 0 system default,
  // 1-2 no anti-aliasing, 3-4 anti-aliased, 5 sub-pixel.
  int renderingHint = 4;
};

}  // namespace SkinUI
