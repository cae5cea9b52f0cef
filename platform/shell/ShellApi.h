// The shell functions of the layer, with Win32 names and meanings: the
// notification-area icon (Shell_NotifyIconW) and opening addresses and
// programs (ShellExecuteW).
//
// Notification-area icons are kept by the layer per (window, id). Without a
// display they live in memory only (NotifyArea.h reads and drives them);
// with one, the display's notification area shows them and the user's
// clicks come back as the icon's callback message, posted to its window:
// wParam the icon id, lParam the mouse message (WM_LBUTTONDOWN, ...), or
// after NIM_SETVERSION with NOTIFYICON_VERSION_4, wParam the pointer's
// screen position and lParam the mouse message with the id in its high
// word. From NOTIFYICON_VERSION on, a left release is followed by NIN_SELECT
// and a right release by WM_CONTEXTMENU. When the notification area is
// created anew every icon is gone, and the registered message
// "TaskbarCreated" goes to every top-level window so that their owners add
// their icons again.
#pragma once

#include "platform/window/User32.h"

constexpr DWORD NIM_ADD = 0x00000000;
constexpr DWORD NIM_MODIFY = 0x00000001;
constexpr DWORD NIM_DELETE = 0x00000002;
constexpr DWORD NIM_SETVERSION = 0x00000004;

constexpr UINT NIF_MESSAGE = 0x00000001;
constexpr UINT NIF_ICON = 0x00000002;
constexpr UINT NIF_TIP = 0x00000004;
constexpr UINT NIF_STATE = 0x00000008;

constexpr DWORD NIS_HIDDEN = 0x00000001;

constexpr UINT NOTIFYICON_VERSION = 3;
constexpr UINT NOTIFYICON_VERSION_4 = 4;
constexpr UINT NIN_SELECT = WM_USER + 0;

// The icon record. Balloon notifications are not offered, so the balloon
// fields of the Win32 record are left out; the others keep their order.
struct NOTIFYICONDATAW {
    DWORD cbSize = sizeof(NOTIFYICONDATAW);
    HWND hWnd = nullptr;
    UINT uID = 0;
    UINT uFlags = 0;
    UINT uCallbackMessage = 0;
    HICON hIcon = nullptr;
    WCHAR szTip[128] = {};
    DWORD dwState = 0;
    DWORD dwStateMask = 0;
    UINT uVersion = 0;
};
using PNOTIFYICONDATAW = NOTIFYICONDATAW*;

// Adds, changes or deletes an icon, or sets its version. The record's
// cbSize must be sizeof(NOTIFYICONDATAW) and uFlags only the NIF_ flags
// above. NIM_ADD fails for an icon that exists and when no notification
// area is there; the others fail for an icon that does not exist. The icon's
// pixels are copied: the caller may destroy its HICON afterwards.
BOOL Shell_NotifyIconW(DWORD message, PNOTIFYICONDATAW data);

// ShellExecuteW results of 32 or less are failures.
constexpr INT_PTR SE_ERR_FNF = 2;
constexpr INT_PTR SE_ERR_PNF = 3;
constexpr INT_PTR SE_ERR_ACCESSDENIED = 5;
constexpr INT_PTR SE_ERR_OOM = 8;
constexpr INT_PTR SE_ERR_NOASSOC = 31;
// What ShellExecuteW returns on success (Win32 promises only "above 32").
constexpr INT_PTR kShellExecuteDone = 42;

// The verb "open" (or none): an absolute http or https address goes to the
// user's default browser (xdg-open, started with an argument vector, never
// through a shell); a program named by an absolute path is started with
// the parameters split by the Windows command-line rules, in directory when
// one is given. Everything else is refused: other verbs, other schemes
// (file: included), relative paths, documents and directories
// (SE_ERR_NOASSOC, or SE_ERR_FNF for a program that is not there); an
// address takes no parameters. The window and show command have no
// meaning here. The result is an HINSTANCE holding a number, as in Win32.
HINSTANCE ShellExecuteW(HWND window, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                        INT showCommand);
