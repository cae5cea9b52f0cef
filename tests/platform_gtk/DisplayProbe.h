// What a test of real windows needs around them: a message loop that
// serves the display for a while, synthetic X input and screenshots.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/window/User32.h"

// Runs a message loop on the calling thread until done() holds or
// timeoutMs passed; returns done(). A timer on the helper window keeps
// the loop looking.
bool RunLoopUntil(const std::function<bool()>& done, int timeoutMs);
// Serves the display until the backend drew at least once more and the
// X server had time to show it.
void WaitForDrawing();

// Runs xdotool with the arguments; true when it succeeded.
bool Xdotool(const std::string& arguments);

// Pixels of the screen inside a rectangle, 0x00RRGGBB, rows top-down.
struct Screenshot {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    // The pixel at a screen point; 0xFFFFFFFF outside the shot.
    std::uint32_t At(int screenX, int screenY) const;
};
// Empty pixels when the shot failed.
Screenshot TakeScreenshot(const RECT& area);
