// What the desktop around the display offers: its session bus, and what
// the window manager advertises (kept apart: the X11 headers' names clash
// with the window system's).
#pragma once

#include <string>

typedef struct _GdkScreen GdkScreen;

// Whether a window manager keeps iconified windows (in a taskbar) and can
// give them back; true off X11, where the compositor always does.
bool DesktopKeepsIcons(GdkScreen* screen);

// The session bus as the desktop announces it (DBUS_SESSION_BUS_ADDRESS,
// else $XDG_RUNTIME_DIR/bus); empty when there is none. Never one started
// for us.
std::string SessionBusAddress();
