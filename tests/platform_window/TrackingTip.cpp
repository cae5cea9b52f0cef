#include "tests/platform_window/TrackingTip.h"

TrackingTip ShowTrackingTip(HWND owner, wchar_t* text, int x, int y) {
    TrackingTip shown;
    shown.tip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0, 0, owner,
                                nullptr, nullptr, nullptr);
    if (shown.tip == nullptr) return shown;
    shown.info.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    shown.info.hwnd = owner;
    shown.info.uId = reinterpret_cast<UINT_PTR>(owner);
    shown.info.lpszText = text;
    SendMessageW(shown.tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&shown.info));
    SendMessageW(shown.tip, TTM_SETMAXTIPWIDTH, 0, 300);
    SendMessageW(shown.tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&shown.info));
    SendMessageW(shown.tip, TTM_TRACKPOSITION, 0, MAKELPARAM(x, y));
    return shown;
}
