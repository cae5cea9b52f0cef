// A tracking tooltip owned by a window, showing a text at a screen point,
// as a skinned window's manager shows its controls' tips.
#pragma once

#include "platform/window/Tooltips.h"

struct TrackingTip {
    HWND tip = nullptr;
    TOOLINFOW info{};
};

// Creates the tip with one tool for the owner (text must outlive the
// calls), wrapped at 300 pixels, and shows it at (x, y).
TrackingTip ShowTrackingTip(HWND owner, wchar_t* text, int x, int y);
