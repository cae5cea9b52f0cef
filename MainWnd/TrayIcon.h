// The program's icon in the notification area: added at window-init,
// added again when the notification area is created anew, removed by the
// exit routine. A left click brings the window back; a right click offers
// the menu "显示主窗口" / "退出程序".
//
// The window that owns the icon forwards two messages here: the icon's
// callback message (WM_TRAYNOTIFY) to OnTrayNotify, and the registered
// RestartMessage() to AddAgain. User-interface thread only.
#pragma once

#include "platform/shell/ShellApi.h"

// The icon's callback message: wParam the icon id, lParam the mouse message.
constexpr UINT WM_TRAYNOTIFY = WM_USER + 1000;
constexpr UINT kTrayIconId = 1000;
// The program icon's resource id.
constexpr UINT kProgramIconId = 101;
// The menu's items.
constexpr UINT kTrayMenuShow = 101;
constexpr UINT kTrayMenuExit = 100;

// What the icon asks of its window beyond what the window handle gives.
class ITrayIconOwner {
 public:
    virtual ~ITrayIconOwner() = default;
    // The menu's "退出程序": the exit routine, run at once.
    virtual void ExitFromTray() = 0;
};

class CTrayIcon {
 public:
    // Registers "TaskbarCreated" and loads the program icon at the
    // system's icon size.
    explicit CTrayIcon(ITrayIconOwner& owner);
    // Frees the loaded icon; the icon stays in the notification area
    // until Remove or the window's end.
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Fills the icon record for the window and adds the icon. The result
    // tells whether the notification area took it; a refusal is logged.
    bool Add(LPCWSTR tip, HWND window);
    // Adds the icon again from the kept record (after RestartMessage).
    bool AddAgain();
    bool Remove();
    UINT RestartMessage() const { return m_restartMessage; }

    // The handler of WM_TRAYNOTIFY; the result is 0.
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);

 private:
    void ShowOwnerWindow();
    void RunMenu();

    NOTIFYICONDATAW m_data;
    HWND m_window = nullptr;
    HICON m_icon = nullptr;
    UINT m_restartMessage = 0;
    ITrayIconOwner& m_owner;
    bool m_menuOpen = false;
};
