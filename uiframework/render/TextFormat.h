// Text format flags of DrawText and DrawHtmlText, with the values of the
// Win32 DT_ flags that the skins write in "textstyle"-like attributes.
#pragma once

#include "platform/Types.h"

namespace SkinUI {

constexpr UINT kTextTop = 0x0000;
constexpr UINT kTextLeft = 0x0000;
constexpr UINT kTextCenter = 0x0001;
constexpr UINT kTextRight = 0x0002;
constexpr UINT kTextVCenter = 0x0004;
constexpr UINT kTextBottom = 0x0008;
constexpr UINT kTextWordBreak = 0x0010;
constexpr UINT kTextSingleLine = 0x0020;
constexpr UINT kTextNoClip = 0x0100;
constexpr UINT kTextCalcRect = 0x0400;
constexpr UINT kTextNoPrefix = 0x0800;
constexpr UINT kTextEndEllipsis = 0x8000;

}  // namespace SkinUI
