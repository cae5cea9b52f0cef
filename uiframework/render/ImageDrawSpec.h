// ImageDrawSpec: one image description of a control ("bkimage",
// "foreimage", ...) with its parsed and loaded state. Parsing the
// description and loading its image belong to the installed image decoder
// (LoadImageSpec in uiframework/resources/RenderServices.h); without one a
// description stays unloaded and the control paints without it.
#pragma once

#include "uiframework/core/UIGeometry.h"
#include "uiframework/core/UIString.h"
#include "uiframework/render/ImageEntry.h"

namespace SkinUI {

struct ImageDrawSpec {
  CUIString description;
  CUIString imageName;
  const ImageEntry* image = nullptr;
  RECT dest;
  RECT source;
  RECT corners;
  BYTE fade = 255;
  bool hole = false;
  bool xTiled = false;
  bool yTiled = false;
  bool loadAttempted = false;

  void Reset() { *this = ImageDrawSpec(); }
};

}  // namespace SkinUI
