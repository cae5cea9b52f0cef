// Input read from a native window, in the window system's terms, waiting
// to be fed to it outside the GLib dispatch that read it.
#pragma once

#include "platform/window/Headless.h"

struct NativeInput {
    enum class Kind {
        Move, ButtonDown, ButtonUp, Wheel, KeyDown, KeyUp, Char, FocusIn, FocusOut,
        Minimized, Restored  // the desktop iconified or gave back a top-level window
    };
    Kind kind = Kind::Move;
    int x = 0;  // screen coordinates (mouse kinds)
    int y = 0;
    Headless::Button button = Headless::Button::Left;
    int wheelDelta = 0;
    int virtualKey = 0;
    wchar_t ch = 0;
    HWND window = nullptr;  // the top-level window (focus and state kinds)
};
