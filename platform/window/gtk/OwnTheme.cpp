#include "platform/window/gtk/OwnTheme.h"

#include <gtk/gtk.h>

#include <string>

// The theme's files, compiled into the program (glib-compile-resources).
extern "C" void brisgol_theme_register_resource(void);

namespace {

bool HighContrast(const char* themeName) {
    if (themeName == nullptr) return false;
    std::string name(themeName);
    for (char& c : name) c = static_cast<char>(g_ascii_tolower(c));
    return name.find("highcontrast") != std::string::npos;
}

// The user's own choice of theme, which we keep.
bool UserChoseTheme() {
    const char* forced = g_getenv("GTK_THEME");
    if (forced != nullptr && *forced != 0) return true;
    // The desktop's theme as it announces it (XSETTINGS), read without
    // loading anything.
    GValue value = G_VALUE_INIT;
    g_value_init(&value, G_TYPE_STRING);
    bool chosen = false;
    if (GdkScreen* screen = gdk_screen_get_default()) {
        if (gdk_screen_get_setting(screen, "gtk-theme-name", &value)) chosen = HighContrast(g_value_get_string(&value));
    }
    g_value_unset(&value);
    return chosen;
}

}  // namespace

bool UseOwnTheme() {
    if (UserChoseTheme()) return false;
    brisgol_theme_register_resource();
    // The display's settings load their theme when they are made, before
    // anything could set its name on them: only the environment names it
    // in time. Once they exist, the name is set on them as the program's
    // own choice (the desktop announcing another theme later does not
    // replace it) and the environment is put back: an empty GTK_THEME
    // (which GTK ignores) stays empty, an absent one is removed.
    const bool wasEmpty = g_getenv("GTK_THEME") != nullptr;
    g_setenv("GTK_THEME", kOwnThemeName, TRUE);
    GtkSettings* settings = gtk_settings_get_default();
    if (settings != nullptr) g_object_set(settings, "gtk-theme-name", kOwnThemeName, nullptr);
    if (wasEmpty) {
        g_setenv("GTK_THEME", "", TRUE);
    } else {
        g_unsetenv("GTK_THEME");
    }
    return settings != nullptr;
}
