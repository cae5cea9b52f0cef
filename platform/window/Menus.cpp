#include "platform/window/Menus.h"

#include <cairo.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/CodePage.h"
#include "platform/window/Backend.h"
#include "platform/window/DeviceContext.h"
#include "platform/window/WindowState.h"

struct MenuTag {
    struct Item {
        UINT flags = 0;
        UINT_PTR id = 0;
        std::wstring text;
    };
    std::vector<Item> items;
};

namespace {

constexpr LPCWSTR kMenuClass = L"#32768";

struct LiveMenus {
    std::mutex lock;
    std::unordered_set<HMENU> menus;
};

LiveMenus& Live() {
    static LiveMenus live;
    return live;
}

bool IsMenu(HMENU menu) {
    std::lock_guard guard(Live().lock);
    return menu != nullptr && Live().menus.count(menu) != 0;
}

int ItemHeight(const MenuTag::Item& item) {
    return (item.flags & MF_SEPARATOR) != 0 ? kMenuSeparatorHeight : kMenuItemHeight;
}

// The item at a client position, or -1.
int ItemAt(HMENU menu, POINT pt) {
    if (pt.x < 0 || pt.x >= kMenuWidth) return -1;
    int top = 0;
    for (size_t i = 0; i < menu->items.size(); ++i) {
        const int height = ItemHeight(menu->items[i]);
        if (pt.y >= top && pt.y < top + height) return static_cast<int>(i);
        top += height;
    }
    return -1;
}

LRESULT MenuProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
    if (message == WM_PAINT) {
        auto menu = reinterpret_cast<HMENU>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (cairo_t* cr = CreateCairoForDC(dc)) {
            cairo_set_source_rgb(cr, 1, 1, 1);
            cairo_paint(cr);
            int top = 0;
            for (const MenuTag::Item& item : menu != nullptr ? menu->items : std::vector<MenuTag::Item>{}) {
                const bool disabled = (item.flags & (MF_GRAYED | MF_DISABLED)) != 0;
                if ((item.flags & MF_SEPARATOR) != 0) {
                    cairo_set_source_rgb(cr, 0.8, 0.8, 0.8);
                    cairo_rectangle(cr, 4, top + kMenuSeparatorHeight / 2, kMenuWidth - 8, 1);
                    cairo_fill(cr);
                } else {
                    const double shade = disabled ? 0.6 : 0.0;
                    cairo_set_source_rgb(cr, shade, shade, shade);
                    cairo_set_font_size(cr, 12);
                    cairo_move_to(cr, 24, top + 15);
                    cairo_show_text(cr, WideToUtf8String(item.text).c_str());
                }
                top += ItemHeight(item);
            }
            cairo_destroy(cr);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void EnsureMenuClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSEXW cls;
        cls.lpfnWndProc = MenuProc;
        cls.lpszClassName = kMenuClass;
        cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        RegisterClassExW(&cls);
    });
}

bool IsButtonDown(UINT message) {
    return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_LBUTTONDBLCLK ||
           message == WM_RBUTTONDBLCLK || message == WM_NCLBUTTONDOWN || message == WM_NCRBUTTONDOWN ||
           message == WM_NCLBUTTONDBLCLK;
}

}  // namespace

HMENU CreatePopupMenu() {
    auto* menu = new MenuTag;
    std::lock_guard guard(Live().lock);
    Live().menus.insert(menu);
    return menu;
}

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR id, LPCWSTR text) {
    if (!IsMenu(menu)) return FALSE;
    menu->items.push_back(MenuTag::Item{flags, id, text != nullptr && (flags & MF_SEPARATOR) == 0 ? text : L""});
    return TRUE;
}

BOOL DestroyMenu(HMENU menu) {
    {
        std::lock_guard guard(Live().lock);
        if (menu == nullptr || Live().menus.erase(menu) == 0) return FALSE;
    }
    delete menu;
    return TRUE;
}

int GetMenuItemCount(HMENU menu) { return IsMenu(menu) ? static_cast<int>(menu->items.size()) : -1; }

namespace {

// The Win32 answer of TrackPopupMenu for a picked id (0: none).
BOOL Answer(UINT flags, UINT_PTR picked, HWND owner) {
    if ((flags & TPM_RETURNCMD) != 0) return static_cast<BOOL>(picked);
    if (picked != 0 && (flags & TPM_NONOTIFY) == 0) PostMessageW(owner, WM_COMMAND, picked, 0);
    return picked != 0 ? TRUE : FALSE;
}

// The menu shown by the display itself; the thread's messages are served
// until it closes. False when the display leaves menus to the window system.
bool TrackNativeMenu(HMENU menu, POINT at, HWND owner, UINT_PTR& picked) {
    std::vector<WindowBackend::MenuItem> items;
    for (const auto& item : menu->items) items.push_back(WindowBackend::MenuItem{item.flags, item.id, item.text});
    bool closed = false;
    const bool shown = CurrentBackend().OpenMenu(items, at, [&closed, &picked](UINT_PTR id) {
        picked = id;
        closed = true;
        PostMessageW(nullptr, WM_NULL, 0, 0);  // ends the wait below
    });
    if (!shown) return false;
    bool quit = false;
    int quitCode = 0;
    bool closing = false;
    MSG msg;
    while (!closed) {
        if (!closing && (quit || !IsWindow(owner))) {
            CurrentBackend().CloseMenu();
            closing = true;
        }
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            quit = true;
            quitCode = static_cast<int>(msg.wParam);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (quit) PostQuitMessage(quitCode);
    if (!IsWindow(owner)) picked = 0;
    return true;
}

}  // namespace

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
    if (!IsMenu(menu) || !IsWindow(owner)) return FALSE;
    UINT_PTR nativePick = 0;
    if (TrackNativeMenu(menu, POINT{x, y}, owner, nativePick)) return Answer(flags, nativePick, owner);
    EnsureMenuClass();
    int height = 0;
    for (const auto& item : menu->items) height += ItemHeight(item);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    // Open towards the side where the menu fits.
    if (x + kMenuWidth > work.right) x = std::max<int>(work.left, x - kMenuWidth);
    if (y + height > work.bottom) y = std::max<int>(work.top, y - height);
    HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kMenuClass, L"",
                                  WS_POPUP, x, y, kMenuWidth, height, owner, nullptr, nullptr, nullptr);
    if (window == nullptr) return FALSE;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(menu));
    ShowWindow(window, SW_SHOWNA);
    // Every press comes to the menu, wherever it is.
    SetCapture(window);

    UINT_PTR picked = 0;
    bool done = false;
    MSG msg;
    while (!done && IsWindow(owner) && IsWindow(window)) {
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (msg.hwnd == window) {
            if (IsButtonDown(msg.message)) {
                // The menu has the capture: a press outside it closes it.
                RECT client;
                GetClientRect(window, &client);
                const POINT pt{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
                if (!PtInRect(&client, pt)) done = true;
                continue;
            }
            const bool release = msg.message == WM_LBUTTONUP || ((flags & TPM_RIGHTBUTTON) != 0 && msg.message == WM_RBUTTONUP);
            if (release) {
                const int index = ItemAt(menu, POINT{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)});
                if (index >= 0) {
                    const auto& item = menu->items[static_cast<size_t>(index)];
                    if ((item.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED)) == 0) {
                        picked = item.id;
                        done = true;
                    }
                }
                continue;
            }
        } else if (IsButtonDown(msg.message)) {
            done = true;  // a press outside the menu closes it and is not passed on
            continue;
        } else if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && msg.wParam == VK_ESCAPE) {
            done = true;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (GetCapture() == window) ReleaseCapture();
    if (IsWindow(window)) DestroyWindow(window);
    return Answer(flags, picked, owner);
}
