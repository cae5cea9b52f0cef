// Choosing the window backend at start: real windows when a display is
// there, otherwise windows stay in memory (the headless backend).
#pragma once

#include <cstdint>

// Sets what the display's libraries read from the environment when they
// start (no OpenGL probing, no accessibility bridge without a session bus,
// no WebKit memory-pressure monitor, our own GTK theme), each unless the
// user set it. Changing the environment is not safe while another thread
// may read it: call first thing in main, before any thread starts. Does
// nothing without a display, and nothing the second time.
void PrepareDisplayEnvironment();

// Installs the GTK backend (preparing the environment first if nobody did) when DISPLAY or WAYLAND_DISPLAY is set and GTK
// opens the display; the calling thread becomes the display thread, which
// must be the one running the windows' message loops (windows of other
// threads are shown, but only while it reads its messages). Call before
// the first window is created. Returns whether it was installed.
bool InstallDisplayBackendIfAvailable();

// Whether the display has a compositor, so that per-pixel and constant
// alpha of layered windows are shown (otherwise they are opaque, shaped
// to the more-than-half-opaque pixels).
bool DisplayComposited();

// Draw passes the display backend has done so far; lets a caller wait
// until what it presented has reached the screen.
std::uint64_t DisplayFramesDrawn();
// The time those draw passes took, in microseconds.
std::uint64_t DisplayDrawMicroseconds();
