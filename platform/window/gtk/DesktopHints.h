// What the desktop around the display offers, asked of the window manager
// through its advertised hints (kept apart: the X11 headers' names clash
// with the window system's).
#pragma once

typedef struct _GdkScreen GdkScreen;

// Whether a window manager keeps iconified windows (in a taskbar) and can
// give them back; true off X11, where the compositor always does.
bool DesktopKeepsIcons(GdkScreen* screen);
