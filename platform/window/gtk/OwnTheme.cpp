#include "platform/window/gtk/OwnTheme.h"

#include <gtk/gtk.h>

#include <string>

// The theme's files, compiled into the program (glib-compile-resources).
extern "C" void brisgol_theme_register_resource(void);

namespace {

bool HighContrast(std::string name) {
    for (char& c : name) c = static_cast<char>(g_ascii_tolower(c));
    return name.find("highcontrast") != std::string::npos;
}

// The theme the desktop announces (XSETTINGS), read without loading
// anything; empty when it announces none.
std::string DesktopTheme() {
    GValue value = G_VALUE_INIT;
    g_value_init(&value, G_TYPE_STRING);
    std::string name;
    if (GdkScreen* screen = gdk_screen_get_default()) {
        if (gdk_screen_get_setting(screen, "gtk-theme-name", &value) && g_value_get_string(&value) != nullptr)
            name = g_value_get_string(&value);
    }
    g_value_unset(&value);
    return name;
}

// What NameOwnTheme did, for UseOwnTheme to undo in the environment.
enum class Named { kNotYet, kOurs, kUsers };
Named g_named = Named::kNotYet;
bool g_userThemeWasEmpty = false;

}  // namespace

bool NameOwnTheme() {
    if (g_named != Named::kNotYet) return g_named == Named::kOurs;
    const char* forced = g_getenv("GTK_THEME");
    if (forced != nullptr && *forced != 0) {
        g_named = Named::kUsers;
        return false;
    }
    g_userThemeWasEmpty = forced != nullptr;
    brisgol_theme_register_resource();
    g_setenv("GTK_THEME", kOwnThemeName, TRUE);
    g_named = Named::kOurs;
    return true;
}

bool UseOwnTheme() {
    if (!NameOwnTheme()) return false;
    // The settings take our theme as they are made; the name is then set on
    // them as the program's own choice (the desktop announcing another
    // theme later does not replace it) and the environment is put back: an
    // empty GTK_THEME (which GTK ignores) stays empty, an absent one is
    // removed. Neither adds a variable, so the environment's array stays
    // where it is for threads reading it.
    GtkSettings* settings = gtk_settings_get_default();
    if (g_userThemeWasEmpty) {
        g_setenv("GTK_THEME", "", TRUE);
    } else {
        g_unsetenv("GTK_THEME");
    }
    if (settings == nullptr) return false;
    const std::string desktop = DesktopTheme();
    if (HighContrast(desktop)) {
        g_object_set(settings, "gtk-theme-name", desktop.c_str(), nullptr);
        return false;
    }
    g_object_set(settings, "gtk-theme-name", kOwnThemeName, nullptr);
    return true;
}
