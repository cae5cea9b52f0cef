#include "platform/window/gtk/DisplayBackend.h"

#include <gtk/gtk.h>

#include <atomic>
#include <cstdlib>

#include "platform/window/Headless.h"
#include "platform/window/gtk/DesktopHints.h"
#include "platform/window/gtk/GtkBackend.h"
#include "platform/window/gtk/GtkNotifyArea.h"
#include "platform/window/gtk/NativeWindow.h"
#include "platform/window/gtk/OwnTheme.h"

namespace {

std::atomic<bool> g_installed{false};
std::atomic<bool> g_composited{false};
bool g_environmentPrepared = false;

bool DisplayNamed() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != 0) || (wayland != nullptr && *wayland != 0);
}

// The screen and work area the window system places windows on.
void TakeScreenGeometry() {
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
    if (monitor == nullptr) return;
    GdkRectangle screen;
    GdkRectangle work;
    gdk_monitor_get_geometry(monitor, &screen);
    gdk_monitor_get_workarea(monitor, &work);
    Headless::SetScreenSize(screen.x + screen.width, screen.y + screen.height);
    Headless::SetWorkArea(RECT{work.x, work.y, work.x + work.width, work.y + work.height});
}

}  // namespace

void PrepareDisplayEnvironment() {
    if (g_environmentPrepared || !DisplayNamed()) return;
    g_environmentPrepared = true;
    // Windows are drawn into image surfaces and presented with cairo. GDK
    // would otherwise probe the screen's visuals for OpenGL when the display
    // opens, which loads the system's GL driver (Mesa's software renderer
    // brings LLVM: about 50 MiB resident and a good part of the start) for
    // nothing. A GDK_GL the user set wins.
    g_setenv("GDK_GL", "disable", FALSE);
    // The accessibility bridge reaches its bus through the session bus;
    // without one it would have D-Bus start a bus daemon for this X display
    // (left running after us) and wait for it. No bus, no bridge.
    if (SessionBusAddress().empty()) g_setenv("NO_AT_BRIDGE", "1", FALSE);
    // WebKit's memory-pressure monitor reads /proc and the cgroup files
    // every few seconds on a thread of this process for as long as the
    // process lives, page or no page: an idle program would never sleep.
    // Without it WebKit no longer tells its web process about the system's
    // memory pressure; the portal is one small page. A value the user set
    // wins.
    g_setenv("WEBKIT_DISABLE_MEMORY_PRESSURE_MONITOR", "1", FALSE);
    NameOwnTheme();
}

bool InstallDisplayBackendIfAvailable() {
    if (g_installed) return true;
    if (!DisplayNamed()) return false;
    PrepareDisplayEnvironment();
    // Windows are placed at exact screen positions, which X11 allows.
    gdk_set_allowed_backends("x11,*");
    if (!gtk_init_check(nullptr, nullptr)) return false;
    UseOwnTheme();
    const bool composited = gdk_screen_is_composited(gdk_screen_get_default()) != FALSE;
    // Kept for the life of the process, as the window system requires.
    auto* backend = new GtkBackend(composited);
    if (!InstallBackend(backend)) {
        delete backend;
        return false;
    }
    TakeScreenGeometry();
    // The notification area of the desktop, kept with the backend.
    InstallNotifyAreaHost(new GtkNotifyArea(backend->Bridge()));
    g_composited = composited;
    g_installed = true;
    return true;
}

bool DisplayComposited() { return g_composited; }

std::uint64_t DisplayFramesDrawn() { return NativeWindow::FramesDrawn(); }

std::uint64_t DisplayDrawMicroseconds() { return NativeWindow::DrawMicroseconds(); }
