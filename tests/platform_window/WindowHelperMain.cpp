// A second process for the cross-process tests: it opens the main window
// the program's second start looks for, minimises it, and reports what it
// sees when the show-error-code message arrives, then exits.
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

}  // namespace

int main() {
    WNDCLASSEXW cls;
    cls.style = CS_DBLCLKS;
    cls.lpfnWndProc = Proc;
    cls.lpszClassName = L"CMainWnd";
    if (RegisterClassExW(&cls) == 0) return 2;
    HWND hwnd = CreateWindowExW(0, L"CMainWnd", L"Brisgol加速器插件", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200,
                                nullptr, nullptr, nullptr, nullptr);
    if (hwnd == nullptr) return 3;
    ShowWindow(hwnd, SW_MINIMIZE);
    std::printf("ready\n");
    std::fflush(stdout);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
