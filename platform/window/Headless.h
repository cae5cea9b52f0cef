// Driving the window system without a display: synthetic mouse and
// keyboard input at screen coordinates, a controllable timer clock, the
// virtual screen, and reading back what windows drew.
//
// Input is routed as the window system routes real input: the capture
// window or the window under the point receives WM_NCHITTEST and
// WM_SETCURSOR, then the mouse message is posted to its thread's queue.
// Call PumpMessages (or run a message loop) to have it delivered.
#pragma once

#include <string>

#include "platform/window/User32.h"

namespace Headless {

enum class Button { Left, Right };

// Screen geometry (default 1280×800, work area the whole screen).
void SetScreenSize(int width, int height);
void SetWorkArea(const RECT& work);

void MouseMove(int x, int y);
void MouseDown(Button button = Button::Left);
void MouseUp(Button button = Button::Left);
// Move, press and release.
void Click(int x, int y, Button button = Button::Left);
// Positive delta: away from the user.
void Wheel(int delta);
void KeyDown(int virtualKey);
void KeyUp(int virtualKey);
void Char(wchar_t ch);
// The keyboard was away (another window had it) or comes back: the keys
// released meanwhile were reported elsewhere. Every key counts as
// released except the modifiers named as held now.
void KeysHeldNow(bool shift, bool control, bool alt);
// Forgets held buttons and keys, the double-click memory and the cursor
// position (back to -1,-1 outside every window).
void ResetInput();

// Dispatches everything the calling thread's queue holds now, including
// invalid windows (WM_PAINT) and due timers; returns the number of
// messages dispatched. Never waits.
int PumpMessages();

// Timers, hover delays and double-click times follow the real clock
// unless the manual clock is on; then only AdvanceClock moves them.
void UseManualClock(bool manual);
void AdvanceClock(DWORD milliseconds);

// A pixel of the window's surface as premultiplied 0xAARRGGBB; 0 outside.
DWORD ReadPixel(HWND hwnd, int x, int y);
// Bytes of pixel memory held by the window's surface.
size_t SurfaceBytes(HWND hwnd);
// Whether the window is per-pixel layered, and its constant alpha.
bool IsPerPixelLayered(HWND hwnd);
BYTE ConstantAlpha(HWND hwnd);

}  // namespace Headless
