// Measuring a label's text without a paint surface, so that controls can
// size themselves during layout. Text goes through the language tokens
// and is laid out in the window's font of the given id, with the same
// font map the painting uses.
#pragma once

#include "uiframework/core/UIGeometry.h"

namespace SkinUI {

class CWindowManagerUI;

// The size of the text on one line (singleLine) or wrapped within width
// pixels. Texts longer than kMaxMeasuredChars are measured up to that.
SIZE MeasureText(CWindowManagerUI* manager, LPCWSTR text, int fontId, bool singleLine, int width);

constexpr int kMaxMeasuredChars = 1 << 16;

}  // namespace SkinUI
