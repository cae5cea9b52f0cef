// Our own GTK theme for the process: the few things GTK draws for us
// (popup menus, tool tips) in the skin's colours, instead of the desktop's
// theme. Our windows draw every pixel themselves, and parsing a full theme
// (Adwaita's style sheet) at the first widget costs more than all the rest
// of the start up to the main window's first paint, and several MiB.
#pragma once

// The name GTK knows the theme by.
inline constexpr const char kOwnThemeName[] = "Brisgol";

// Call once after gtk_init and before the first widget (which makes GTK
// load the display's theme). Uses our theme unless the user chose one:
// GTK_THEME set, or a high-contrast theme on the desktop (chosen to be
// able to read the screen). The environment is left as it was, so that
// programs started from ours see the user's choice. Returns whether our
// theme is in use.
bool UseOwnTheme();
