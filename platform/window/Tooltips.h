// The tooltip window class ("tooltips_class32") with the tracking
// tooltip messages.
//
// A tracking tooltip is shown (without activation) at the tracking
// position when TTM_TRACKACTIVATE turns it on for a tool; its window text
// is the tool's text. It is sized to the text laid out in its font
// (wrapped at the maximum tip width) and paints itself opaque: the skin's
// panel colour, a border and the text.
#pragma once

#include "platform/window/User32.h"

inline LPCWSTR const TOOLTIPS_CLASSW = L"tooltips_class32";
#define TOOLTIPS_CLASS TOOLTIPS_CLASSW

constexpr DWORD TTS_ALWAYSTIP = 0x01;
constexpr DWORD TTS_NOPREFIX = 0x02;

constexpr UINT TTF_IDISHWND = 0x0001;
constexpr UINT TTF_SUBCLASS = 0x0010;
constexpr UINT TTF_TRACK = 0x0020;
constexpr UINT TTF_ABSOLUTE = 0x0080;

constexpr UINT TTM_ACTIVATE = WM_USER + 1;
constexpr UINT TTM_SETDELAYTIME = WM_USER + 3;
constexpr UINT TTM_TRACKACTIVATE = WM_USER + 17;
constexpr UINT TTM_TRACKPOSITION = WM_USER + 18;
constexpr UINT TTM_GETDELAYTIME = WM_USER + 21;
constexpr UINT TTM_SETMAXTIPWIDTH = WM_USER + 24;
constexpr UINT TTM_GETMAXTIPWIDTH = WM_USER + 25;
constexpr UINT TTM_ADDTOOLW = WM_USER + 50;
constexpr UINT TTM_DELTOOLW = WM_USER + 51;
constexpr UINT TTM_GETTOOLINFOW = WM_USER + 53;
constexpr UINT TTM_SETTOOLINFOW = WM_USER + 54;
constexpr UINT TTM_GETTEXTW = WM_USER + 56;
constexpr UINT TTM_UPDATETIPTEXTW = WM_USER + 57;
constexpr UINT TTM_GETTOOLCOUNT = WM_USER + 13;

constexpr WPARAM TTDT_AUTOMATIC = 0;
constexpr WPARAM TTDT_RESHOW = 1;
constexpr WPARAM TTDT_AUTOPOP = 2;
constexpr WPARAM TTDT_INITIAL = 3;

struct TOOLINFOW {
    UINT cbSize = sizeof(TOOLINFOW);
    UINT uFlags = 0;
    HWND hwnd = nullptr;
    UINT_PTR uId = 0;
    RECT rect;
    HINSTANCE hinst = nullptr;
    LPWSTR lpszText = nullptr;
    LPARAM lParam = 0;
};
