// Icons from the module's resources: an RT_GROUP_ICON directory whose
// images (RT_ICON) are PNG data, decoded into ARGB32 surfaces.
#pragma once

#include "platform/window/User32.h"

typedef struct _cairo_surface cairo_surface_t;

constexpr UINT IMAGE_ICON = 1;
constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr UINT LR_DEFAULTSIZE = 0x0040;
constexpr UINT LR_SHARED = 0x8000;
constexpr WPARAM ICON_SMALL = 0;
constexpr WPARAM ICON_BIG = 1;

// Loads icon group name at cx × cy (0 with LR_DEFAULTSIZE: the system's icon
// size): the group's image nearest in size, at least as large where there is
// one, scaled to the size asked for. Null (with the error set) when the
// group is missing or its image cannot be decoded. LR_SHARED icons are
// loaded once per name and size and live for the process; others are
// freed with DestroyIcon.
HICON LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int cx, int cy, UINT flags);
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
BOOL DestroyIcon(HICON icon);

// The icon's pixels (borrowed; null for system cursors).
cairo_surface_t* GetIconSurface(HICON icon);
