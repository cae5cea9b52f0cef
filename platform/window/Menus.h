// Popup menus: built item by item and tracked at a point until the user
// picks an item or dismisses the menu.
//
// TrackPopupMenu shows the menu as a topmost window of class "#32768" that
// never takes activation, and runs a local message loop: releasing the
// left (or, with TPM_RIGHTBUTTON, either) button over an enabled item picks
// it; a button pressed outside the menu, Escape, or the owner's end
// dismisses it. Other messages of the thread are served meanwhile. A
// display backend may show the menu itself instead (a real GTK menu, on
// the display thread), with the same answers.
#pragma once

#include "platform/window/User32.h"

constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_SEPARATOR = 0x0800;

constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

// Geometry of the menu window, for those who click on it.
constexpr int kMenuItemHeight = 22;
constexpr int kMenuSeparatorHeight = 8;
constexpr int kMenuWidth = 160;

HMENU CreatePopupMenu();
BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, LPCWSTR text);
BOOL DestroyMenu(HMENU menu);
int GetMenuItemCount(HMENU menu);
// With TPM_RETURNCMD: the picked item's id, 0 when dismissed. Otherwise a
// pick is posted to the owner as WM_COMMAND (unless TPM_NONOTIFY) and the
// result tells whether an item was picked.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* ignored);
