#include "uiframework/manager/WindowAttributes.h"

#include "uiframework/controls/AttributeValues.h"

#include <cwchar>

namespace SkinUI {

bool ApplyWindowAttribute(WindowAttributes& a, LPCWSTR name, LPCWSTR value) {
  if (name == nullptr) return false;
  const CUIString n(name);
  auto is = [&](LPCWSTR key) { return n.CompareNoCase(key) == 0; };
  if (is(L"size")) a.initSize = ParseSize(value);
  else if (is(L"sizebox")) a.sizeBox = ParseRect(value);
  else if (is(L"caption")) a.caption = ParseRect(value);
  else if (is(L"roundcorner")) a.roundCorner = ParseSize(value);
  else if (is(L"mininfo")) a.minInfo = ParseSize(value);
  else if (is(L"maxinfo")) a.maxInfo = ParseSize(value);
  else if (is(L"showdirty")) a.showDirty = CUIString(value).CompareNoCase(L"true") == 0;
  else if (n == L"noactivate") a.noActivate = CUIString(value).CompareNoCase(L"true") == 0;
  else if (is(L"opacity")) {
    a.opacity = ParseInt(value);
    a.opacitySet = true;
    a.layered = false;
  } else if (n == L"layeredopacity") {
    a.layeredOpacity = ParseInt(value);
  } else if (n == L"layeredimage") {
    a.layered = true;
    a.layeredImage = value;
  } else if (is(L"shadowsize")) {
    a.shadowSize = ParseInt(value);
  } else if (is(L"shadowcolor")) {
    a.shadowColor = ParseColor(value);
  } else if (is(L"shadowfocusscales")) {
    a.shadowFocusScale = value == nullptr ? -1.0f : static_cast<float>(std::wcstod(value, nullptr));
  } else if (is(L"nolayeredpadding")) {
    a.noLayeredPadding = ParseRect(value);
  } else {
    return false;
  }
  return true;
}

}  // namespace SkinUI
