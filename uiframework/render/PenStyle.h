// Pen styles of lines and frames, with the values of the Win32 PS_ styles
// the skins write in "borderstyle".
#pragma once

namespace SkinUI {

constexpr int kPenSolid = 0;
constexpr int kPenDash = 1;
constexpr int kPenDot = 2;
constexpr int kPenDashDot = 3;
constexpr int kPenDashDotDot = 4;
constexpr int kPenNull = 5;
constexpr int kPenInsideFrame = 6;
constexpr int kPenStyleMask = 0x0F;

}  // namespace SkinUI
