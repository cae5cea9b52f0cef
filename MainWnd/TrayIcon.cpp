#include "MainWnd/TrayIcon.h"

#include <cwchar>

#include "platform/Module.h"
#include "platform/window/Icons.h"
#include "platform/window/Menus.h"
#include "system/WriteLogFile.h"

CTrayIcon::CTrayIcon(ITrayIconOwner& owner) : m_owner(owner) {
    m_restartMessage = RegisterWindowMessageW(L"TaskbarCreated");
    m_icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIconId), IMAGE_ICON, 0, 0,
                        LR_DEFAULTSIZE);
}

CTrayIcon::~CTrayIcon() {
    if (m_icon != nullptr) DestroyIcon(m_icon);
}

bool CTrayIcon::Add(LPCWSTR tip, HWND window) {
    m_window = window;
    m_data = NOTIFYICONDATAW{};
    m_data.hWnd = window;
    m_data.uID = kTrayIconId;
    m_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_data.uCallbackMessage = WM_TRAYNOTIFY;
    m_data.hIcon = m_icon;
    if (tip != nullptr) {
        // The tip holds at most 127 characters and the terminator.
        const size_t length = wcsnlen(tip, std::size(m_data.szTip) - 1);
        std::wmemcpy(m_data.szTip, tip, length);
        m_data.szTip[length] = 0;
    }
    return AddAgain();
}

bool CTrayIcon::AddAgain() {
    if (m_window == nullptr) return false;
    if (Shell_NotifyIconW(NIM_ADD, &m_data)) return true;
    g_logFile.WriteText(__FILE__, __LINE__, L"托盘图标添加失败");
    return false;
}

bool CTrayIcon::Remove() {
    if (m_window == nullptr) return false;
    return Shell_NotifyIconW(NIM_DELETE, &m_data) != FALSE;
}

LRESULT CTrayIcon::OnTrayNotify(WPARAM, LPARAM lParam) {
    switch (static_cast<UINT>(lParam)) {
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
            ShowOwnerWindow();
            break;
        case WM_RBUTTONDOWN:
            // A right click while the menu is open belongs to that menu.
            if (!m_menuOpen) RunMenu();
            break;
        default:
            break;
    }
    return 0;
}

void CTrayIcon::ShowOwnerWindow() {
    if (!IsWindow(m_window)) return;
    ShowWindow(m_window, SW_SHOWNORMAL);
    SetWindowPos(m_window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(m_window);
}

void CTrayIcon::RunMenu() {
    if (!IsWindow(m_window)) return;
    POINT cursor;
    GetCursorPos(&cursor);
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) return;
    AppendMenuW(menu, MF_STRING, kTrayMenuShow, L"显示主窗口");
    AppendMenuW(menu, MF_STRING, kTrayMenuExit, L"退出程序");
    // In the foreground the menu closes when the user clicks elsewhere.
    SetForegroundWindow(m_window);
    m_menuOpen = true;
    const auto picked = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_LEFTBUTTON, cursor.x, cursor.y, 0, m_window, nullptr));
    m_menuOpen = false;
    DestroyMenu(menu);
    if (picked == kTrayMenuShow) ShowOwnerWindow();
    if (picked == kTrayMenuExit) m_owner.ExitFromTray();
}
