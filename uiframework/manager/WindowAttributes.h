// The window-level attributes of a layout's root "Window" element, as the
// manager keeps them for the window layer to apply (initial size, caption,
// size box, corners, tracking limits, layering and shadow settings).
#pragma once

#include "uiframework/core/UIGeometry.h"
#include "uiframework/core/UIString.h"

namespace SkinUI {

struct WindowAttributes {
  SIZE initSize;
  RECT sizeBox;
  RECT caption;  // bottom -1: the whole window height
  SIZE roundCorner;
  SIZE minInfo;
  SIZE maxInfo;
  bool showDirty = false;
  bool noActivate = false;
  int opacity = 255;
  bool opacitySet = false;
  int layeredOpacity = 255;
  bool layered = false;
  CUIString layeredImage;
  int shadowSize = 0;
  DWORD shadowColor = 0xFF000000;
  float shadowFocusScale = -1.0f;
  RECT noLayeredPadding;
};

// Applies one attribute of the table; false for names it does not know.
// Names ignore case except "noactivate", "layeredopacity" and
// "layeredimage".
bool ApplyWindowAttribute(WindowAttributes& attributes, LPCWSTR name, LPCWSTR value);

}  // namespace SkinUI
