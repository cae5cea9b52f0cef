// The image description of a markup attribute such as "bkimage": either a
// bare image name, or key='value' pairs separated by single spaces
// ("file='a.png' source='0,0,20,20' corner='4,4,4,4' fade='128'").
#pragma once

#include "uiframework/render/ImageDrawSpec.h"

namespace SkinUI {

// The resource type that makes an image name a colour.
constexpr const wchar_t* kColorImageType = L"*COLOR*";

// What a description says besides the drawing fields of an ImageDrawSpec: where
// the image comes from and how it is keyed.
struct ImageSource {
  CUIString name;  // the whole description unless "file", "res" or "color" set it
  CUIString type;  // "restype" for "res", kColorImageType for "color", else empty
  DWORD mask = 0;
  bool useHsl = false;
};

// Parses description into the ImageDrawSpec drawing fields (dest, source, corners,
// fade, hole, tiling) and the image source. Parsing stops at the first
// malformed pair; pairs before it apply.
void ParseImageDescription(LPCWSTR description, ImageDrawSpec& drawSpec, ImageSource& source);

// "l,t,r,b" with decimal numbers; missing parts read as 0.
RECT ParseRectValue(LPCWSTR text);

}  // namespace SkinUI
