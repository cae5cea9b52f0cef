// Visibility, window state (minimised, maximised), position, size and
// z-order; the virtual screen.
#include <algorithm>

#include "platform/window/Backend.h"
#include "platform/window/WindowState.h"

using namespace windowing;

namespace {

struct MonitorTagValue {};
MonitorTagValue g_monitor;
HMONITOR PrimaryMonitor() { return reinterpret_cast<HMONITOR>(&g_monitor); }

// The sibling list of a window. Lock held.
std::vector<HWND>& Siblings(WindowRecord& w) {
    if (WindowRecord* parent = Find(w.parent)) return parent->children;
    return System().topLevel;
}

// Moves a window within its siblings. Lock held.
void Reorder(WindowRecord& w, HWND insertAfter) {
    std::vector<HWND>& list = Siblings(w);
    const HWND hwnd = HandleOf(w);
    const bool topLevel = w.parent == nullptr;
    if (topLevel && insertAfter == HWND_TOPMOST) w.exStyle |= WS_EX_TOPMOST;
    if (topLevel && insertAfter == HWND_NOTOPMOST) w.exStyle &= ~WS_EX_TOPMOST;
    std::erase(list, hwnd);
    auto isTopmost = [](HWND h) {
        WindowRecord* other = Find(h);
        return other != nullptr && (other->exStyle & WS_EX_TOPMOST) != 0;
    };
    auto bandStart = list.begin();
    if (topLevel && (w.exStyle & WS_EX_TOPMOST) == 0) {
        bandStart = std::find_if_not(list.begin(), list.end(), isTopmost);
    }
    if (insertAfter == HWND_BOTTOM) {
        list.push_back(hwnd);
        if (topLevel) w.exStyle &= ~WS_EX_TOPMOST;
        return;
    }
    if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
        list.insert(bandStart, hwnd);
        return;
    }
    auto it = std::find(list.begin(), list.end(), insertAfter);
    if (it == list.end()) {
        list.insert(bandStart, hwnd);
    } else {
        list.insert(std::max(it + 1, bandStart), hwnd);
    }
}

bool FocusInside(HWND hwnd) {
    auto& sys = System();
    HWND f = sys.focus;
    while (f != nullptr) {
        if (f == hwnd) return true;
        WindowRecord* w = Find(f);
        f = w != nullptr ? w->parent : nullptr;
    }
    return false;
}

// Applies a new rectangle and reports it. Lock not held.
void ApplyRect(HWND hwnd, const RECT& rc, UINT extraFlags) {
    RECT old;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr) return;
        old = w->rect;
        w->rect = rc;
        FitSurface(*w);
    }
    WINDOWPOS pos{hwnd, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                  SWP_NOZORDER | SWP_NOACTIVATE | extraFlags};
    const bool sized = old.right - old.left != pos.cx || old.bottom - old.top != pos.cy;
    const bool moved = old.left != rc.left || old.top != rc.top;
    if (!sized) pos.flags |= SWP_NOSIZE;
    if (!moved) pos.flags |= SWP_NOMOVE;
    SendMessageW(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    if (sized || moved) CurrentBackend().GeometryChanged(hwnd, rc);
    if (sized) InvalidateInternal(hwnd, nullptr, true);
}

void Hide(HWND hwnd) {
    SendMessageW(hwnd, WM_SHOWWINDOW, FALSE, 0);
    bool wasActive;
    bool hadFocus;
    bool hadCapture;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr) return;
        w->style &= ~WS_VISIBLE;
        w->update = Region();
        wasActive = sys.active == hwnd;
        hadFocus = FocusInside(hwnd);
        hadCapture = sys.capture != nullptr && (sys.capture == hwnd || IsChild(hwnd, sys.capture));
    }
    CurrentBackend().VisibilityChanged(hwnd, false);
    if (hadCapture) ReleaseCapture();
    if (wasActive) ActivateNextAfter(hwnd);
    if (hadFocus && FocusInside(hwnd)) SetFocus(nullptr);
}

// Makes the window visible (without activation). Returns whether it was hidden.
bool Reveal(HWND hwnd) {
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr || (w->style & WS_VISIBLE) != 0) return false;
    }
    SendMessageW(hwnd, WM_SHOWWINDOW, TRUE, 0);
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr) return false;
        w->style |= WS_VISIBLE;
    }
    CurrentBackend().VisibilityChanged(hwnd, true);
    InvalidateInternal(hwnd, nullptr, true);
    return true;
}

bool Activatable(HWND hwnd) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    return w != nullptr && w->parent == nullptr && (w->exStyle & WS_EX_NOACTIVATE) == 0;
}

}  // namespace

BOOL ShowWindow(HWND hwnd, int command) {
    if (IsRemoteHandle(hwnd)) return RemoteShow(hwnd, command);
    DWORD style;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr) return FALSE;
        style = w->style;
    }
    const BOOL wasVisible = (style & WS_VISIBLE) != 0;
    if (!OnOwnerThread(hwnd)) {
        QueueCall(hwnd, [hwnd, command] { ShowWindow(hwnd, command); });
        return wasVisible;
    }
    const bool minimized = (style & WS_MINIMIZE) != 0;
    const bool maximized = (style & WS_MAXIMIZE) != 0;
    bool activate = false;
    switch (command) {
        case SW_HIDE:
            if (wasVisible) Hide(hwnd);
            return wasVisible;
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
        case SW_SHOWMINNOACTIVE: {
            Reveal(hwnd);
            if (!minimized) {
                {
                    auto& sys = System();
                    std::lock_guard guard(sys.lock);
                    if (WindowRecord* w = Find(hwnd)) w->style |= WS_MINIMIZE;
                }
                SendMessageW(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
                CurrentBackend().VisibilityChanged(hwnd, true);
            }
            bool wasActive;
            {
                auto& sys = System();
                std::lock_guard guard(sys.lock);
                wasActive = sys.active == hwnd;
            }
            if (wasActive) ActivateNextAfter(hwnd);
            return wasVisible;
        }
        case SW_MAXIMIZE: {
            Reveal(hwnd);
            RECT target;
            {
                auto& sys = System();
                std::lock_guard guard(sys.lock);
                WindowRecord* w = Find(hwnd);
                if (w == nullptr) return wasVisible;
                if (!maximized && !minimized) w->normalRect = w->rect;
                w->style = (w->style & ~WS_MINIMIZE) | WS_MAXIMIZE;
                target = sys.work;
            }
            if (minimized) CurrentBackend().VisibilityChanged(hwnd, true);
            MINMAXINFO info;
            info.ptMaxSize = POINT{target.right - target.left, target.bottom - target.top};
            info.ptMaxPosition = POINT{target.left, target.top};
            info.ptMaxTrackSize = info.ptMaxSize;
            SendMessageW(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
            ApplyRect(hwnd, RECT{info.ptMaxPosition.x, info.ptMaxPosition.y, info.ptMaxPosition.x + info.ptMaxSize.x,
                                 info.ptMaxPosition.y + info.ptMaxSize.y},
                      0);
            activate = true;
            break;
        }
        case SW_RESTORE:
        case SW_SHOWNORMAL:
        case SW_SHOWNOACTIVATE: {
            Reveal(hwnd);
            RECT target{};
            bool restoreSize = false;
            {
                auto& sys = System();
                std::lock_guard guard(sys.lock);
                WindowRecord* w = Find(hwnd);
                if (w == nullptr) return wasVisible;
                w->style &= ~WS_MINIMIZE;
                if (maximized && (command != SW_RESTORE || !minimized)) {
                    w->style &= ~WS_MAXIMIZE;
                    target = w->normalRect;
                    restoreSize = true;
                }
            }
            // Leaving the minimised state shows the window again.
            if (minimized) CurrentBackend().VisibilityChanged(hwnd, true);
            if (restoreSize) {
                ApplyRect(hwnd, target, 0);
            } else if (minimized) {
                RECT rc;
                GetWindowRect(hwnd, &rc);
                SendMessageW(hwnd, WM_SIZE, maximized ? SIZE_MAXIMIZED : SIZE_RESTORED,
                             MAKELPARAM(rc.right - rc.left, rc.bottom - rc.top));
                InvalidateInternal(hwnd, nullptr, true);
            }
            activate = command != SW_SHOWNOACTIVATE;
            break;
        }
        case SW_SHOW:
            Reveal(hwnd);
            activate = true;
            break;
        case SW_SHOWNA:
            Reveal(hwnd);
            break;
        default:
            return wasVisible;
    }
    if (activate && Activatable(hwnd)) Activate(hwnd, WA_ACTIVE);
    return wasVisible;
}

BOOL IsWindowVisible(HWND hwnd) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    return w != nullptr && EffectivelyVisible(*w);
}

BOOL IsIconic(HWND hwnd) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    return w != nullptr && (w->style & WS_MINIMIZE) != 0;
}

BOOL IsZoomed(HWND hwnd) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    return w != nullptr && (w->style & WS_MAXIMIZE) != 0;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    if (IsRemoteHandle(hwnd)) return RemoteSetPos(hwnd, insertAfter, x, y, cx, cy, flags);
    if (!IsWindow(hwnd)) return FALSE;
    if (!OnOwnerThread(hwnd)) {
        return QueueCall(hwnd, [=] { SetWindowPos(hwnd, insertAfter, x, y, cx, cy, flags); }) ? TRUE : FALSE;
    }
    WINDOWPOS pos{hwnd, insertAfter, x, y, cx, cy, flags};
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if ((flags & SWP_NOMOVE) != 0) {
            pos.x = w->rect.left;
            pos.y = w->rect.top;
        }
        if ((flags & SWP_NOSIZE) != 0) {
            pos.cx = w->rect.right - w->rect.left;
            pos.cy = w->rect.bottom - w->rect.top;
        }
    }
    SendMessageW(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    pos.cx = std::max(pos.cx, 0);
    pos.cy = std::max(pos.cy, 0);
    bool reordered = false;
    if ((pos.flags & SWP_NOZORDER) == 0) {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        if (WindowRecord* w = Find(hwnd)) {
            Reorder(*w, pos.hwndInsertAfter);
            reordered = true;
        }
    }
    if (reordered) CurrentBackend().ZOrderChanged(hwnd);
    if ((pos.flags & SWP_HIDEWINDOW) != 0) {
        if (IsWindowVisible(hwnd)) Hide(hwnd);
    }
    ApplyRect(hwnd, RECT{pos.x, pos.y, pos.x + pos.cx, pos.y + pos.cy}, pos.flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW));
    if ((pos.flags & SWP_SHOWWINDOW) != 0) Reveal(hwnd);
    if ((pos.flags & SWP_NOACTIVATE) == 0 && Activatable(hwnd) && IsWindowVisible(hwnd)) Activate(hwnd, WA_ACTIVE);
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND hwnd) { return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
    if (rect == nullptr) return FALSE;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr) return FALSE;
    const POINT origin = ScreenOrigin(*w);
    const SIZE size = ClientSize(*w);
    *rect = RECT{origin.x, origin.y, origin.x + size.cx, origin.y + size.cy};
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
    if (rect == nullptr) return FALSE;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr) return FALSE;
    if ((w->style & WS_MINIMIZE) != 0) {
        *rect = RECT{};
        return TRUE;
    }
    const SIZE size = ClientSize(*w);
    *rect = RECT{0, 0, size.cx, size.cy};
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
    if (point == nullptr) return FALSE;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr) return FALSE;
    const POINT origin = ScreenOrigin(*w);
    point->x += origin.x;
    point->y += origin.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
    if (point == nullptr) return FALSE;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr) return FALSE;
    const POINT origin = ScreenOrigin(*w);
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}

namespace windowing {

// The deepest visible window containing the point (screen coordinates),
// honouring window shapes. Lock held.
HWND WindowAt(POINT pt) {
    auto& sys = System();
    std::function<HWND(const std::vector<HWND>&)> search = [&](const std::vector<HWND>& list) -> HWND {
        for (HWND h : list) {
            WindowRecord* w = Find(h);
            if (w == nullptr || (w->style & WS_VISIBLE) == 0 || (w->style & WS_MINIMIZE) != 0) continue;
            const POINT origin = ScreenOrigin(*w);
            const SIZE size = ClientSize(*w);
            RECT rc{origin.x, origin.y, origin.x + size.cx, origin.y + size.cy};
            if (!PtInRect(&rc, pt)) continue;
            if (w->hasShape && !w->shape.Contains(POINT{pt.x - origin.x, pt.y - origin.y})) continue;
            HWND inner = search(w->children);
            return inner != nullptr ? inner : h;
        }
        return nullptr;
    };
    return search(sys.topLevel);
}

}  // namespace windowing

HWND WindowFromPoint(POINT point) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    return WindowAt(point);
}

BOOL SystemParametersInfoW(UINT action, UINT, void* out, UINT) {
    if (action != SPI_GETWORKAREA || out == nullptr) return FALSE;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    *static_cast<RECT*>(out) = sys.work;
    return TRUE;
}

int GetSystemMetrics(int index) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    switch (index) {
        case SM_CXSCREEN: return sys.screen.cx;
        case SM_CYSCREEN: return sys.screen.cy;
        case SM_CXICON:
        case SM_CYICON: return 32;
        case SM_CXCURSOR:
        case SM_CYCURSOR: return 32;
        case SM_CXSMICON:
        case SM_CYSMICON: return 16;
        case SM_CXDOUBLECLK:
        case SM_CYDOUBLECLK: return 4;
        default: return 0;
    }
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
    if (flags == MONITOR_DEFAULTTONULL) {
        RECT rc;
        if (!GetWindowRect(hwnd, &rc)) return nullptr;
        RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        RECT overlap;
        return IntersectRect(&overlap, &rc, &screen) ? PrimaryMonitor() : nullptr;
    }
    return PrimaryMonitor();
}

HMONITOR MonitorFromPoint(POINT point, DWORD flags) {
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (flags == MONITOR_DEFAULTTONULL && !PtInRect(&screen, point)) return nullptr;
    return PrimaryMonitor();
}

BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info) {
    if (monitor != PrimaryMonitor() || info == nullptr) return FALSE;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    info->rcMonitor = RECT{0, 0, sys.screen.cx, sys.screen.cy};
    info->rcWork = sys.work;
    info->dwFlags = 1;  // MONITORINFOF_PRIMARY
    return TRUE;
}
