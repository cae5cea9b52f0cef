#include "uiframework/render/ColorValue.h"

namespace SkinUI {

DWORD ParseColorValue(LPCWSTR text) {
  if (text == nullptr) return 0;
  if (*text == L'#') ++text;
  DWORD value = 0;
  for (; *text != 0; ++text) {
    const wchar_t c = *text;
    DWORD digit;
    if (c >= L'0' && c <= L'9') digit = static_cast<DWORD>(c - L'0');
    else if (c >= L'a' && c <= L'f') digit = static_cast<DWORD>(c - L'a' + 10);
    else if (c >= L'A' && c <= L'F') digit = static_cast<DWORD>(c - L'A' + 10);
    else break;
    value = (value << 4) | digit;
  }
  return value;
}

}  // namespace SkinUI
