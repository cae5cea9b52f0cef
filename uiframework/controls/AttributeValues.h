// Parsing of markup attribute values: decimal integers that stop at the
// first non-digit, "l,t,r,b" quadruples and "x,y" pairs whose missing
// parts read as 0, hexadecimal ARGB colours with an optional "#", and
// booleans that are true only for "true". Quadruples and pairs are
// coordinates and stay within +-kMaxCoordinate.
#pragma once

#include "platform/Types.h"
#include "uiframework/core/UIGeometry.h"

namespace SkinUI {

int ParseInt(LPCWSTR text);
RECT ParseRect(LPCWSTR text);
SIZE ParseSize(LPCWSTR text);
DWORD ParseColor(LPCWSTR text);
bool ParseBool(LPCWSTR text);

}  // namespace SkinUI
