// A second process for the cross-process tests: it opens the main window
// the program's second start looks for, minimises it, opens a message box
// owned by it, and reports what it sees when the show-error-code message
// arrives (and what reaches the box before), then exits.
#include <cstdio>

#include "platform/window/User32.h"

namespace {

LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 1001) {
        const bool topmost = (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        std::printf("code=%ld restored=%d visible=%d topmost=%d foreground=%d\n", static_cast<long>(lParam),
                    IsIconic(hwnd) ? 0 : 1, IsWindowVisible(hwnd) ? 1 : 0, topmost ? 1 : 0,
                    GetForegroundWindow() == hwnd ? 1 : 0);
        std::fflush(stdout);
        DestroyWindow(hwnd);
        return 0;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT BoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 1002) {
        std::printf("box code=%ld owner=%d\n", static_cast<long>(lParam), GetWindow(hwnd, GW_OWNER) != nullptr ? 1 : 0);
        std::fflush(stdout);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool Register(LPCWSTR name, WNDPROC proc) {
    WNDCLASSEXW cls;
    cls.style = CS_DBLCLKS;
    cls.lpfnWndProc = proc;
    cls.lpszClassName = name;
    return RegisterClassExW(&cls) != 0;
}

}  // namespace

int main() {
    if (!Register(L"CMainWnd", Proc) || !Register(L"CMessageBoxExWnd", BoxProc)) return 2;
    HWND hwnd = CreateWindowExW(0, L"CMainWnd", L"Brisgol加速器插件", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200,
                                nullptr, nullptr, nullptr, nullptr);
    if (hwnd == nullptr) return 3;
    ShowWindow(hwnd, SW_MINIMIZE);
    if (CreateWindowExW(0, L"CMessageBoxExWnd", L"Brisgol加速器插件", WS_POPUP | WS_VISIBLE, 150, 150, 315, 215, hwnd,
                        nullptr, nullptr, nullptr) == nullptr)
        return 4;
    std::printf("ready\n");
    std::fflush(stdout);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
