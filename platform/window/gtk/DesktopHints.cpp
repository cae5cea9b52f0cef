#include "platform/window/gtk/DesktopHints.h"

#include <gdk/gdk.h>
#include <sys/stat.h>

#include <cstdlib>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

bool DesktopKeepsIcons(GdkScreen* screen) {
#ifdef GDK_WINDOWING_X11
    if (GDK_IS_X11_SCREEN(screen)) {
        return gdk_x11_screen_supports_net_wm_hint(screen, gdk_atom_intern_static_string("_NET_WM_STATE_HIDDEN")) !=
               FALSE;
    }
#endif
    return screen != nullptr;
}

std::string SessionBusAddress() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr && *address != 0) return address;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || *runtime == 0) return "";
    const std::string socket = std::string(runtime) + "/bus";
    struct stat info;
    return ::stat(socket.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) ? "unix:path=" + socket : "";
}
