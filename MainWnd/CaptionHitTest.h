// The hit test of the program's borderless windows: inside the caption
// area (left and right given as insets from the client edges, top and
// bottom as absolute rows) the window is dragged, except over a control
// that takes the mouse itself.
#pragma once

#include "uiframework/manager/WindowManagerUI.h"

// lParam: the point in screen coordinates. takesTheMouse decides by a
// control's class name. HTCAPTION or HTCLIENT.
LRESULT CaptionHitTest(HWND window, const SkinUI::CWindowManagerUI& pm, LPARAM lParam,
                       bool (*takesTheMouse)(LPCWSTR className));
