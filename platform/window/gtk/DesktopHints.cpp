#include "platform/window/gtk/DesktopHints.h"

#include <gdk/gdk.h>
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
