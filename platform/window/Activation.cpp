// Activation, keyboard focus, enabling, mouse capture, mouse tracking,
// cursors and the keyboard and mouse state.
#include <cstdlib>

#include "platform/window/Backend.h"
#include "platform/window/CursorRecord.h"
#include "platform/window/WindowState.h"

using namespace windowing;

namespace {

bool Eligible(const WindowRecord& w) {
    return w.parent == nullptr && (w.style & WS_VISIBLE) != 0 && (w.style & WS_MINIMIZE) == 0 &&
           (w.style & WS_DISABLED) == 0 && (w.exStyle & WS_EX_NOACTIVATE) == 0 && !w.destroying;
}

bool Inside(HWND inner, HWND outer) {
    while (inner != nullptr) {
        if (inner == outer) return true;
        WindowRecord* w = Find(inner);
        inner = w != nullptr ? w->parent : nullptr;
    }
    return false;
}

}  // namespace

namespace windowing {

WPARAM MouseKeyFlags() {
    const auto& keys = System().input.keys;
    WPARAM flags = 0;
    if (keys[VK_LBUTTON] & 0x80) flags |= MK_LBUTTON;
    if (keys[VK_RBUTTON] & 0x80) flags |= MK_RBUTTON;
    if (keys[VK_SHIFT] & 0x80) flags |= MK_SHIFT;
    if (keys[VK_CONTROL] & 0x80) flags |= MK_CONTROL;
    return flags;
}

void Activate(HWND hwnd, WORD how) {
    HWND old;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr || w->parent != nullptr || (w->style & WS_DISABLED) != 0) return;
        old = sys.active;
        sys.active = hwnd;
    }
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (old == hwnd) return;
    if (old != nullptr) {
        SendOrNotify(old, WM_NCACTIVATE, FALSE, 0);
        SendOrNotify(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
    }
    SendOrNotify(hwnd, WM_NCACTIVATE, TRUE, 0);
    SendOrNotify(hwnd, WM_ACTIVATE, how, reinterpret_cast<LPARAM>(old));
}

void Deactivate(HWND hwnd) {
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        if (sys.active != hwnd) return;
        sys.active = nullptr;
    }
    SendOrNotify(hwnd, WM_NCACTIVATE, FALSE, 0);
    SendOrNotify(hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
}

void ActivateNextAfter(HWND hwnd) {
    HWND next = nullptr;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        WindowRecord* owner = w != nullptr ? Find(w->owner) : nullptr;
        if (owner != nullptr && Eligible(*owner)) {
            next = w->owner;
        } else {
            for (HWND h : sys.topLevel) {
                WindowRecord* other = Find(h);
                if (h != hwnd && other != nullptr && Eligible(*other)) {
                    next = h;
                    break;
                }
            }
        }
        if (next == nullptr) {
            if (sys.active == hwnd) sys.active = nullptr;
        }
    }
    if (next != nullptr) {
        Activate(next, WA_ACTIVE);
        return;
    }
    SendOrNotify(hwnd, WM_NCACTIVATE, FALSE, 0);
    SendOrNotify(hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
    bool focusInside;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        focusInside = Inside(sys.focus, hwnd);
    }
    if (focusInside) SetFocus(nullptr);
}

void TrackMouseMovement(HWND target, POINT screenPt, bool clientArea) {
    auto& sys = System();
    for (auto& [handle, w] : sys.windows) {
        const HWND hwnd = HandleOf(*w);
        if (w->trackLeave && (hwnd != target || !clientArea)) {
            w->trackLeave = false;
            w->trackHover = false;
            PostInput(hwnd, WM_MOUSELEAVE, 0, 0);
            continue;
        }
        if (w->trackHover && hwnd == target &&
            (std::abs(screenPt.x - w->hoverAnchor.x) > 2 || std::abs(screenPt.y - w->hoverAnchor.y) > 2)) {
            w->hoverAnchor = screenPt;
            w->hoverDue = NowMs() + w->hoverTime;
        }
    }
}

}  // namespace windowing

BOOL SetForegroundWindow(HWND hwnd) {
    HWND root;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        root = RootOf(hwnd);
    }
    if (root == nullptr) return FALSE;
    if (!OnOwnerThread(root)) return QueueCall(root, [root] { Activate(root, WA_ACTIVE); }) ? TRUE : FALSE;
    Activate(root, WA_ACTIVE);
    return TRUE;
}

HWND GetForegroundWindow() {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    return sys.active;
}

HWND GetActiveWindow() { return GetForegroundWindow(); }

HWND SetActiveWindow(HWND hwnd) {
    const HWND old = GetActiveWindow();
    if (hwnd != nullptr) SetForegroundWindow(hwnd);
    return old;
}

HWND SetFocus(HWND hwnd) {
    const HWND before = GetFocus();
    if (hwnd != nullptr) {
        HWND root;
        bool activate;
        {
            auto& sys = System();
            std::lock_guard guard(sys.lock);
            WindowRecord* w = Find(hwnd);
            if (w == nullptr || (w->style & WS_DISABLED) != 0) return nullptr;
            root = RootOf(hwnd);
            activate = sys.active != root;
        }
        if (activate) Activate(root, WA_ACTIVE);
    }
    HWND old;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        if (hwnd != nullptr && Find(hwnd) == nullptr) return nullptr;
        old = sys.focus;
        if (old == hwnd) return before;
        sys.focus = hwnd;
    }
    if (old != nullptr) SendOrNotify(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd != nullptr) SendOrNotify(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return before;
}

HWND GetFocus() {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    return sys.focus;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    bool wasDisabled;
    bool loseFocus = false;
    bool loseCapture = false;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr) return FALSE;
        wasDisabled = (w->style & WS_DISABLED) != 0;
        if (wasDisabled == !enable) return wasDisabled;
        if (enable) {
            w->style &= ~WS_DISABLED;
        } else {
            w->style |= WS_DISABLED;
            loseFocus = Inside(sys.focus, hwnd);
            loseCapture = Inside(sys.capture, hwnd);
        }
    }
    if (loseCapture) ReleaseCapture();
    if (loseFocus) SetFocus(nullptr);
    SendOrNotify(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    return w != nullptr && (w->style & WS_DISABLED) == 0;
}

HWND SetCapture(HWND hwnd) {
    HWND old;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        if (Find(hwnd) == nullptr) return nullptr;
        old = sys.capture;
        sys.capture = hwnd;
    }
    if (old != nullptr && old != hwnd) SendOrNotify(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    return old;
}

BOOL ReleaseCapture() {
    HWND old;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        old = sys.capture;
        sys.capture = nullptr;
    }
    if (old != nullptr) SendOrNotify(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    return sys.capture;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track) {
    if (track == nullptr || track->cbSize != sizeof(TRACKMOUSEEVENT)) return FALSE;
    std::shared_ptr<ThreadQueue> queue;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(track->hwndTrack);
        if (w == nullptr) return FALSE;
        if ((track->dwFlags & TME_CANCEL) != 0) {
            if ((track->dwFlags & TME_LEAVE) != 0) w->trackLeave = false;
            if ((track->dwFlags & TME_HOVER) != 0) w->trackHover = false;
            return TRUE;
        }
        const HWND under = sys.capture != nullptr ? sys.capture : WindowAt(sys.input.cursor);
        if ((track->dwFlags & TME_LEAVE) != 0) {
            if (under != track->hwndTrack) {
                // The mouse is not over the window: the leave is due now.
                PostInput(track->hwndTrack, WM_MOUSELEAVE, 0, 0);
                return TRUE;
            }
            w->trackLeave = true;
        }
        if ((track->dwFlags & TME_HOVER) != 0) {
            w->trackHover = true;
            w->hoverTime = track->dwHoverTime == HOVER_DEFAULT ? 400 : track->dwHoverTime;
            w->hoverAnchor = sys.input.cursor;
            w->hoverDue = NowMs() + w->hoverTime;
        }
        queue = w->queue;
    }
    WakeQueue(*queue);
    return TRUE;
}

SHORT GetKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) return 0;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    return (sys.input.syncKeys[virtualKey] & 0x80) != 0 ? static_cast<SHORT>(0x8000) : 0;
}

SHORT GetAsyncKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) return 0;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    return (sys.input.keys[virtualKey] & 0x80) != 0 ? static_cast<SHORT>(0x8000) : 0;
}

BOOL GetCursorPos(POINT* point) {
    if (point == nullptr) return FALSE;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    *point = sys.input.cursor;
    return TRUE;
}

UINT GetDoubleClickTime() { return 500; }

namespace {

CursorTag g_cursors[] = {{32512, nullptr}, {32513, nullptr}, {32514, nullptr}, {32515, nullptr},
                         {32642, nullptr}, {32643, nullptr}, {32644, nullptr}, {32645, nullptr},
                         {32646, nullptr}, {32648, nullptr}, {32649, nullptr}};

}  // namespace

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
    if (instance != nullptr) return nullptr;
    const auto id = reinterpret_cast<std::uintptr_t>(name);
    for (CursorTag& cursor : g_cursors) {
        if (cursor.id == id) return &cursor;
    }
    return nullptr;
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR old;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        old = sys.input.currentCursor;
        sys.input.currentCursor = cursor;
    }
    if (old != cursor) CurrentBackend().CursorChanged(cursor);
    return old;
}

HCURSOR GetCursor() {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    return sys.input.currentCursor;
}

std::uintptr_t CursorId(HCURSOR cursor) { return cursor == nullptr ? 0 : cursor->id; }
