#include "uiframework/controls/AttributeValues.h"

#include <climits>
#include <cwchar>

namespace SkinUI {

namespace {

// Reads one decimal number and moves past a following comma.
LONG NextNumber(LPCWSTR& p) {
  if (p == nullptr || *p == 0) return 0;
  wchar_t* end = nullptr;
  long value = std::wcstol(p, &end, 10);
  if (end == p) {
    // Not a number: skip to the next part.
    while (*p != 0 && *p != L',') ++p;
  } else {
    p = end;
  }
  if (*p == L',') ++p;
  else p += std::wcslen(p);
  if (value > INT_MAX) value = INT_MAX;
  if (value < INT_MIN) value = INT_MIN;
  return static_cast<LONG>(value);
}

}  // namespace

int ParseInt(LPCWSTR text) {
  LPCWSTR p = text;
  return NextNumber(p);
}

RECT ParseRect(LPCWSTR text) {
  LPCWSTR p = text;
  RECT rc;
  rc.left = ClampCoordinate(NextNumber(p));
  rc.top = ClampCoordinate(NextNumber(p));
  rc.right = ClampCoordinate(NextNumber(p));
  rc.bottom = ClampCoordinate(NextNumber(p));
  return rc;
}

SIZE ParseSize(LPCWSTR text) {
  LPCWSTR p = text;
  SIZE size;
  size.cx = ClampCoordinate(NextNumber(p));
  size.cy = ClampCoordinate(NextNumber(p));
  return size;
}

DWORD ParseColor(LPCWSTR text) {
  if (text == nullptr) return 0;
  while (*text == L'#') ++text;
  return static_cast<DWORD>(std::wcstoul(text, nullptr, 16));
}

bool ParseBool(LPCWSTR text) { return text != nullptr && std::wcscmp(text, L"true") == 0; }

}  // namespace SkinUI
