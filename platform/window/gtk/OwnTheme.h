// Our own GTK theme for the process: the few things GTK draws for us
// (popup menus, tool tips) in the skin's colours, instead of the desktop's
// theme. Our windows draw every pixel themselves, and parsing a full theme
// (Adwaita's style sheet) at the first widget costs more than all the rest
// of the start up to the main window's first paint, and several MiB.
#pragma once

// The name GTK knows the theme by.
inline constexpr const char kOwnThemeName[] = "Brisgol";

// Names our theme to GTK (GTK_THEME) unless the user set GTK_THEME: the
// display's settings load their theme when they are made, before anything
// could set its name on them, and only the environment names it in time.
// Changes the environment, which is not safe while another thread reads
// it: call before any thread starts. Returns whether it named our theme.
bool NameOwnTheme();

// Call once after gtk_init and before the first widget (which makes GTK
// load the display's theme). Uses our theme when NameOwnTheme named it and
// the desktop does not announce a high-contrast theme (chosen to be able to
// read the screen), which is then used instead. The environment is put
// back as it was, so that programs started from ours see the user's
// choice. Returns whether our theme is in use.
bool UseOwnTheme();
