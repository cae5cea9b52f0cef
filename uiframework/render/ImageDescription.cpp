#include "uiframework/render/ImageDescription.h"

#include "uiframework/render/ColorValue.h"

#include <cwchar>

namespace SkinUI {

namespace {

// Reads one decimal number (optional sign); advances past it and one
// following comma.
LONG ReadNumber(LPCWSTR& p) {
  while (*p == L' ') ++p;
  bool negative = false;
  if (*p == L'-' || *p == L'+') negative = *p++ == L'-';
  long long value = 0;
  while (*p >= L'0' && *p <= L'9') {
    if (value < 100000000) value = value * 10 + (*p - L'0');
    ++p;
  }
  while (*p != 0 && *p != L',') ++p;
  if (*p == L',') ++p;
  return static_cast<LONG>(negative ? -value : value);
}

bool IsTrue(const CUIString& value) { return value == L"true"; }

void ApplyPair(const CUIString& key, const CUIString& value, ImageDrawSpec& drawSpec, ImageSource& source) {
  if (key == L"file") {
    source.name = value;
  } else if (key == L"res") {
    source.name = value;
  } else if (key == L"restype") {
    source.type = value;
  } else if (key == L"color") {
    // Colours are named with their "#" so that a colour never reads as a
    // numeric resource id.
    source.name = value.GetAt(0) == L'#' ? value : CUIString(L"#") + value;
    source.type = kColorImageType;
  } else if (key == L"dest") {
    drawSpec.dest = ParseRectValue(value);
  } else if (key == L"source") {
    drawSpec.source = ParseRectValue(value);
  } else if (key == L"corner" || key == L"scale9") {
    drawSpec.corners = ParseRectValue(value);
  } else if (key == L"mask") {
    source.mask = ParseColorValue(value);
  } else if (key == L"fade") {
    LPCWSTR p = value.GetData();
    const LONG fade = ReadNumber(p);
    drawSpec.fade = static_cast<BYTE>(fade < 0 ? 0 : (fade > 255 ? 255 : fade));
  } else if (key == L"hole") {
    drawSpec.hole = IsTrue(value);
  } else if (key == L"xtiled") {
    drawSpec.xTiled = IsTrue(value);
  } else if (key == L"ytiled") {
    drawSpec.yTiled = IsTrue(value);
  } else if (key == L"hsl") {
    source.useHsl = IsTrue(value);
  }
}

}  // namespace

RECT ParseRectValue(LPCWSTR text) {
  RECT rc;
  if (text == nullptr) return rc;
  LPCWSTR p = text;
  rc.left = ReadNumber(p);
  rc.top = ReadNumber(p);
  rc.right = ReadNumber(p);
  rc.bottom = ReadNumber(p);
  return rc;
}

void ParseImageDescription(LPCWSTR description, ImageDrawSpec& drawSpec, ImageSource& source) {
  source = ImageSource();
  if (description == nullptr) description = L"";
  source.name = description;
  LPCWSTR p = description;
  while (*p != 0) {
    while (*p != 0 && *p <= L' ') ++p;
    LPCWSTR keyStart = p;
    while (*p != 0 && *p != L'=' && *p > L' ') ++p;
    const CUIString key(keyStart, static_cast<int>(p - keyStart));
    if (*p != L'=') break;
    ++p;
    if (*p != L'\'') break;
    ++p;
    LPCWSTR valueStart = p;
    while (*p != 0 && *p != L'\'') ++p;
    if (*p != L'\'') break;
    const CUIString value(valueStart, static_cast<int>(p - valueStart));
    ++p;
    if (!value.IsEmpty()) ApplyPair(key, value, drawSpec, source);
    if (*p != L' ') break;
    ++p;
  }
}

}  // namespace SkinUI
