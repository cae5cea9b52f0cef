// The text settings the spinner and the GIF players share: alignment and
// wrapping bits (0x01 centre, 0x02 right, 0x04 vertical centre, 0x08
// bottom, 0x10 word break, 0x20 single line; default centre, vertical
// centre, single line), colour, font, padding and rendering hint, their
// markup attributes, and the drawing of a caption in a rectangle.
#pragma once

#include "uiframework/core/UIGeometry.h"
#include "uiframework/core/UIString.h"
#include "uiframework/render/PaintSurface.h"

namespace SkinUI {

class CWindowManagerUI;

struct AnimatedTextStyle {
  UINT style = 0x25;
  DWORD color = 0xFF000000;
  int font = -1;
  RECT padding{};
  int renderingHint = 4;

  // "align", "valign", "multiline", "textcolor", "font", "textpadding",
  // "rhaa"; false for any other name.
  bool SetAttribute(const CUIString& name, LPCWSTR value);
  // The text in the colour given, inside rect shrunk by the padding.
  void Draw(IPaintSurfaceUI* surface, CWindowManagerUI* manager, const RECT& rect, const CUIString& text,
            DWORD textColor) const;
};

}  // namespace SkinUI
