// ImageDrawSpec: one image description of a control ("bkimage",
// "foreimage", ...) with its parsed and loaded state. Parsing the
// description and drawing it belong to the render engine, which registers
// its loader with SetImageSpecLoader; until then a description stays unloaded and
// the control paints without it.
#pragma once

#include "uiframework/core/UIGeometry.h"
#include "uiframework/core/UIString.h"
#include "uiframework/render/ImageEntry.h"

namespace SkinUI {

class CWindowManagerUI;

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

// Parses drawSpec.description and loads its image through the manager's image
// tables, without drawing; false when it cannot be loaded.
using ImageSpecLoaderFn = bool (*)(CWindowManagerUI* manager, ImageDrawSpec& drawSpec);
void SetImageSpecLoader(ImageSpecLoaderFn loader);
// False when no loader is registered or the image cannot be loaded.
bool LoadImageSpec(CWindowManagerUI* manager, ImageDrawSpec& drawSpec);

}  // namespace SkinUI
