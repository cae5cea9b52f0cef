// Creating and destroying windows, their attributes and relations, and
// the default window procedure.
#include <algorithm>

#include "platform/LastError.h"
#include <unistd.h>
#include "platform/window/Backend.h"
#include "platform/window/DeviceContext.h"
#include "platform/window/WindowState.h"

using namespace windowing;

namespace {

constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_WRONG_THREAD = 1408;

// Places a new window in the z-order: on top of its siblings (top-level
// windows on top of their band). Lock held.
void InsertInZOrder(WindowRecord& w) {
    auto& sys = System();
    const HWND hwnd = HandleOf(w);
    if (WindowRecord* parent = Find(w.parent)) {
        parent->children.insert(parent->children.begin(), hwnd);
        return;
    }
    auto it = sys.topLevel.begin();
    if ((w.exStyle & WS_EX_TOPMOST) == 0) {
        while (it != sys.topLevel.end()) {
            WindowRecord* other = Find(*it);
            if (other == nullptr || (other->exStyle & WS_EX_TOPMOST) == 0) break;
            ++it;
        }
    }
    sys.topLevel.insert(it, hwnd);
}

// Collects the window and its descendants, parents before children. Lock held.
void CollectTree(HWND hwnd, std::vector<HWND>& out) {
    WindowRecord* w = Find(hwnd);
    if (w == nullptr) return;
    out.push_back(hwnd);
    for (HWND child : w->children) CollectTree(child, out);
}

// Removes a window's record after WM_NCDESTROY.
void Forget(HWND hwnd) {
    std::shared_ptr<WindowRecord> record;
    bool registered = false;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        auto it = sys.windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
        if (it == sys.windows.end()) return;
        record = it->second;
        registered = record->registered;
        if (WindowRecord* parent = Find(record->parent)) {
            std::erase(parent->children, hwnd);
        } else {
            std::erase(sys.topLevel, hwnd);
        }
        sys.windows.erase(it);
        if (sys.active == hwnd) sys.active = nullptr;
        if (sys.focus == hwnd) sys.focus = nullptr;
        if (sys.capture == hwnd) sys.capture = nullptr;
        if (sys.input.moving == hwnd) sys.input.moving = nullptr;
        if (sys.input.lastDownWindow == hwnd) sys.input.lastDownWindow = nullptr;
        if (record->surface != nullptr) {
            cairo_surface_destroy(record->surface);
            record->surface = nullptr;
        }
    }
    if (registered) RegistryRemove(hwnd);
    CurrentBackend().WindowDestroyed(hwnd);
}

LRESULT DefaultHitTest(HWND hwnd, LPARAM lParam) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr) return HTNOWHERE;
    const POINT origin = ScreenOrigin(*w);
    const SIZE size = ClientSize(*w);
    const POINT local{GET_X_LPARAM(lParam) - origin.x, GET_Y_LPARAM(lParam) - origin.y};
    RECT bounds{0, 0, size.cx, size.cy};
    if (!PtInRect(&bounds, local)) return HTNOWHERE;
    if (w->hasShape && !w->shape.Contains(local)) return HTNOWHERE;
    return HTCLIENT;
}

}  // namespace

namespace windowing {

void ForgetWindowsOf(const ThreadQueue& queue) {
    std::vector<HWND> handles;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        for (auto& [handle, w] : sys.windows) {
            if (w->queue.get() == &queue) handles.push_back(HandleOf(*w));
        }
    }
    for (HWND h : handles) Forget(h);
}

}  // namespace windowing

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, void* param) {
    EnsureTooltipClass();
    auto cls = FindClass(className);
    if (!cls) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    auto queue = CurrentQueue();
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) {
        width = 400;
        height = 300;
    }
    width = std::max(width, 0);
    height = std::max(height, 0);
    HWND hwnd;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        if (parent != nullptr && Find(parent) == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if ((style & WS_CHILD) != 0 && parent == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        auto record = std::make_shared<WindowRecord>();
        record->handle = sys.nextHandle;
        sys.nextHandle += 4;
        record->cls = cls;
        record->proc = cls->proc;
        record->title = windowName != nullptr ? windowName : L"";
        record->style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
        record->exStyle = exStyle;
        if ((style & WS_CHILD) != 0) {
            record->parent = parent;
            record->id = reinterpret_cast<UINT_PTR>(menu);
        } else {
            record->owner = RootOf(parent);
        }
        record->instance = instance;
        record->rect = RECT{x, y, x + width, y + height};
        record->normalRect = record->rect;
        record->queue = queue;
        hwnd = HandleOf(*record);
        sys.windows.emplace(record->handle, record);
        InsertInZOrder(*record);
    }
    CurrentBackend().WindowCreated(hwnd);

    CREATESTRUCTW cs;
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parent;
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    if (!SendMessageW(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        SendMessageW(hwnd, WM_NCDESTROY, 0, 0);
        Forget(hwnd);
        return nullptr;
    }
    if (SendMessageW(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (!IsWindow(hwnd)) return nullptr;
    // Top-level windows, owned ones (message boxes) included, are visible
    // to other processes, as FindWindow sees them.
    if ((style & WS_CHILD) == 0) RegistryAdd(hwnd);
    RECT rc;
    GetWindowRect(hwnd, &rc);
    SendMessageW(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(rc.right - rc.left, rc.bottom - rc.top));
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        if (WindowRecord* w = Find(hwnd)) rc = w->rect;
    }
    SendMessageW(hwnd, WM_MOVE, 0, MAKELPARAM(rc.left, rc.top));
    if ((style & WS_VISIBLE) != 0 && IsWindow(hwnd)) {
        ShowWindow(hwnd, (exStyle & WS_EX_NOACTIVATE) != 0 ? SW_SHOWNA : SW_SHOW);
    }
    return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
    std::vector<HWND> owned;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (w->queue->thread != std::this_thread::get_id()) {
            SetLastError(ERROR_WRONG_THREAD);
            return FALSE;
        }
        if (w->destroying) return TRUE;
        for (auto& [handle, other] : sys.windows) {
            if (other->owner == hwnd) owned.push_back(HandleOf(*other));
        }
    }
    for (HWND o : owned) DestroyWindow(o);

    std::vector<HWND> tree;
    bool wasActive = false;
    bool wasVisible = false;
    HWND captureLost = nullptr;
    HWND focusLost = nullptr;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        CollectTree(hwnd, tree);
        for (HWND h : tree) {
            if (WindowRecord* w = Find(h)) {
                w->destroying = true;
                w->timers.clear();
                w->trackHover = w->trackLeave = false;
            }
        }
        WindowRecord* w = Find(hwnd);
        wasVisible = (w->style & WS_VISIBLE) != 0;
        w->style &= ~WS_VISIBLE;
        wasActive = sys.active == hwnd;
        if (std::find(tree.begin(), tree.end(), sys.capture) != tree.end()) captureLost = sys.capture;
        if (std::find(tree.begin(), tree.end(), sys.focus) != tree.end()) focusLost = sys.focus;
    }
    if (wasVisible) CurrentBackend().VisibilityChanged(hwnd, false);
    if (captureLost != nullptr) ReleaseCapture();
    if (focusLost != nullptr) {
        {
            auto& sys = System();
            std::lock_guard guard(sys.lock);
            if (sys.focus == focusLost) sys.focus = nullptr;
        }
        SendMessageW(focusLost, WM_KILLFOCUS, 0, 0);
    }
    if (wasActive) ActivateNextAfter(hwnd);

    for (HWND h : tree) SendMessageW(h, WM_DESTROY, 0, 0);
    for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
        SendMessageW(*it, WM_NCDESTROY, 0, 0);
        Forget(*it);
    }
    return TRUE;
}

BOOL IsWindow(HWND hwnd) {
    if (hwnd == nullptr) return FALSE;
    if (IsRemoteHandle(hwnd)) return RemoteExists(hwnd) ? TRUE : FALSE;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    return Find(hwnd) != nullptr;
}

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return proc == nullptr ? 0 : proc(hwnd, message, wParam, lParam);
}

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE:
            return TRUE;
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_NCHITTEST:
            return DefaultHitTest(hwnd, lParam);
        case WM_NCCALCSIZE:
        case WM_GETMINMAXINFO:
        case WM_ERASEBKGND:
            return 0;
        case WM_NCACTIVATE:
            return TRUE;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_SETCURSOR: {
            HWND parent = GetParent(hwnd);
            if (parent != nullptr && SendMessageW(parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
            HCURSOR cursor = LoadCursorW(nullptr, IDC_ARROW);
            if (LOWORD(lParam) == HTCLIENT) {
                auto& sys = System();
                std::lock_guard guard(sys.lock);
                WindowRecord* w = Find(hwnd);
                cursor = w != nullptr ? w->cls->cursor : nullptr;
            }
            if (cursor != nullptr) SetCursor(cursor);
            return FALSE;
        }
        case WM_MOUSEACTIVATE: {
            HWND parent = GetParent(hwnd);
            if (parent != nullptr) {
                const LRESULT answer = SendMessageW(parent, WM_MOUSEACTIVATE, wParam, lParam);
                if (answer != 0) return answer;
            }
            return MA_ACTIVATE;
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && !IsIconic(hwnd)) SetFocus(hwnd);
            return 0;
        case WM_WINDOWPOSCHANGED: {
            const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
            if (pos == nullptr) return 0;
            if ((pos->flags & SWP_NOSIZE) == 0) {
                const WPARAM kind = IsIconic(hwnd) ? SIZE_MINIMIZED : IsZoomed(hwnd) ? SIZE_MAXIMIZED : SIZE_RESTORED;
                SendMessageW(hwnd, WM_SIZE, kind, MAKELPARAM(pos->cx, pos->cy));
            }
            if ((pos->flags & SWP_NOMOVE) == 0) SendMessageW(hwnd, WM_MOVE, 0, MAKELPARAM(pos->x, pos->y));
            return 0;
        }
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); break;
                case SC_MAXIMIZE: ShowWindow(hwnd, SW_MAXIMIZE); break;
                case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); break;
                case SC_CLOSE: SendMessageW(hwnd, WM_CLOSE, 0, 0); break;
                default: break;
            }
            return 0;
        case WM_NCLBUTTONDOWN:
            if (wParam == static_cast<WPARAM>(HTCAPTION) && !IsZoomed(hwnd)) {
                auto& sys = System();
                std::lock_guard guard(sys.lock);
                if (WindowRecord* w = Find(RootOf(hwnd))) {
                    sys.input.moving = HandleOf(*w);
                    sys.input.moveOffset = POINT{GET_X_LPARAM(lParam) - w->rect.left, GET_Y_LPARAM(lParam) - w->rect.top};
                }
            }
            return 0;
        case WM_NCLBUTTONDBLCLK:
            if (wParam == static_cast<WPARAM>(HTCAPTION)) {
                SendMessageW(hwnd, WM_SYSCOMMAND, IsZoomed(hwnd) ? SC_RESTORE : SC_MAXIMIZE, lParam);
            }
            return 0;
        case WM_RBUTTONUP: {
            POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ClientToScreen(hwnd, &pt);
            SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(pt.x, pt.y));
            return 0;
        }
        case WM_NCRBUTTONUP:
            SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), lParam);
            return 0;
        case WM_CONTEXTMENU: {
            HWND parent = GetParent(hwnd);
            if (parent != nullptr) SendMessageW(parent, WM_CONTEXTMENU, wParam, lParam);
            return 0;
        }
        case WM_SYSKEYDOWN:
            if (wParam == static_cast<WPARAM>(VK_F4)) {
                SendMessageW(GetAncestor(hwnd, GA_ROOT), WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            return 0;
        case WM_SETTEXT:
            return SetWindowTextW(hwnd, reinterpret_cast<LPCWSTR>(lParam));
        case WM_GETTEXT:
            return GetWindowTextW(hwnd, reinterpret_cast<LPWSTR>(lParam), static_cast<int>(wParam));
        case WM_GETTEXTLENGTH:
            return GetWindowTextLengthW(hwnd);
        case WM_SETICON:
        case WM_GETICON: {
            HICON previous;
            {
                auto& sys = System();
                std::lock_guard guard(sys.lock);
                WindowRecord* w = Find(hwnd);
                if (w == nullptr) return 0;
                HICON& slot = wParam != 0 ? w->bigIcon : w->smallIcon;
                previous = slot;
                if (message == WM_SETICON) slot = reinterpret_cast<HICON>(lParam);
            }
            if (message == WM_SETICON) CurrentBackend().IconChanged(hwnd);
            return reinterpret_cast<LRESULT>(previous);
        }
        case WM_PRINT:
            if ((lParam & PRF_CHECKVISIBLE) != 0 && !IsWindowVisible(hwnd)) return 0;
            if ((lParam & PRF_CLIENT) != 0) SendMessageW(hwnd, WM_PRINTCLIENT, wParam, lParam);
            return 0;
        default:
            return 0;
    }
}

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr) return 0;
    switch (index) {
        case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
        case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
        case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->parent != nullptr ? w->parent : w->owner);
        case GWLP_ID: return static_cast<LONG_PTR>(w->id);
        case GWL_STYLE: return static_cast<LONG_PTR>(w->style);
        case GWL_EXSTYLE: return static_cast<LONG_PTR>(w->exStyle);
        case GWLP_USERDATA: return w->userData;
        default: return 0;
    }
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
    LONG_PTR previous = 0;
    bool layeringOff = false;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr) return 0;
        switch (index) {
            case GWLP_WNDPROC:
                previous = reinterpret_cast<LONG_PTR>(w->proc);
                if (value != 0) w->proc = reinterpret_cast<WNDPROC>(value);
                break;
            case GWLP_ID:
                previous = static_cast<LONG_PTR>(w->id);
                w->id = static_cast<UINT_PTR>(value);
                break;
            case GWL_STYLE: {
                previous = static_cast<LONG_PTR>(w->style);
                // Visibility and the window state change only through ShowWindow.
                constexpr DWORD kept = WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE | WS_CHILD;
                w->style = (static_cast<DWORD>(value) & ~kept) | (w->style & kept);
                break;
            }
            case GWL_EXSTYLE:
                previous = static_cast<LONG_PTR>(w->exStyle);
                w->exStyle = (static_cast<DWORD>(value) & ~WS_EX_TOPMOST) | (w->exStyle & WS_EX_TOPMOST);
                if ((w->exStyle & WS_EX_LAYERED) == 0 && (previous & WS_EX_LAYERED) != 0) {
                    w->perPixelAlpha = false;
                    w->constantAlpha = 255;
                    w->layeredFlags = 0;
                    layeringOff = true;
                }
                break;
            case GWLP_USERDATA:
                previous = w->userData;
                w->userData = value;
                break;
            case GWLP_HWNDPARENT:
                if (w->parent == nullptr) {
                    previous = reinterpret_cast<LONG_PTR>(w->owner);
                    w->owner = RootOf(reinterpret_cast<HWND>(value));
                }
                break;
            default:
                return 0;
        }
    }
    if (layeringOff) CurrentBackend().LayeringChanged(hwnd, false, 255);
    return previous;
}

LONG GetWindowLongW(HWND hwnd, int index) { return static_cast<LONG>(GetWindowLongPtrW(hwnd, index)); }
LONG SetWindowLongW(HWND hwnd, int index, LONG value) {
    return static_cast<LONG>(SetWindowLongPtrW(hwnd, index, static_cast<LONG_PTR>(value)));
}

BOOL SetPropW(HWND hwnd, LPCWSTR name, HANDLE data) {
    if (name == nullptr) return FALSE;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr) return FALSE;
    w->props[name] = data;
    return TRUE;
}

HANDLE GetPropW(HWND hwnd, LPCWSTR name) {
    if (name == nullptr) return nullptr;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr) return nullptr;
    auto it = w->props.find(name);
    return it == w->props.end() ? nullptr : it->second;
}

HANDLE RemovePropW(HWND hwnd, LPCWSTR name) {
    if (name == nullptr) return nullptr;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr) return nullptr;
    auto it = w->props.find(name);
    if (it == w->props.end()) return nullptr;
    HANDLE data = it->second;
    w->props.erase(it);
    return data;
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int maxCount) {
    if (buffer == nullptr || maxCount <= 0) return 0;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr) {
        buffer[0] = 0;
        return 0;
    }
    const int count = std::min<int>(static_cast<int>(w->title.size()), maxCount - 1);
    std::copy_n(w->title.c_str(), count, buffer);
    buffer[count] = 0;
    return count;
}

int GetWindowTextLengthW(HWND hwnd) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    return w == nullptr ? 0 : static_cast<int>(w->title.size());
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
    bool registered;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr) return FALSE;
        w->title = text != nullptr ? text : L"";
        registered = w->registered;
    }
    if (registered) RegistryUpdate(hwnd);
    CurrentBackend().TitleChanged(hwnd);
    return TRUE;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr) return 0;
    if (processId != nullptr) *processId = static_cast<DWORD>(::getpid());
    return w->queue->threadId;
}

HWND GetParent(HWND hwnd) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr) return nullptr;
    return w->parent != nullptr ? w->parent : w->owner;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr) return nullptr;
    switch (flags) {
        case GA_PARENT: return w->parent;
        case GA_ROOT: return RootOf(hwnd);
        case GA_ROOTOWNER: {
            HWND root = RootOf(hwnd);
            WindowRecord* r = Find(root);
            while (r != nullptr && r->owner != nullptr) {
                root = r->owner;
                r = Find(root);
            }
            return root;
        }
        default: return nullptr;
    }
}

HWND GetWindow(HWND hwnd, UINT command) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr) return nullptr;
    if (command == GW_OWNER) return w->owner;
    if (command == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
    WindowRecord* parent = Find(w->parent);
    const std::vector<HWND>& siblings = parent != nullptr ? parent->children : sys.topLevel;
    auto it = std::find(siblings.begin(), siblings.end(), hwnd);
    if (it == siblings.end()) return nullptr;
    switch (command) {
        case GW_HWNDFIRST: return siblings.front();
        case GW_HWNDLAST: return siblings.back();
        case GW_HWNDNEXT: return it + 1 == siblings.end() ? nullptr : *(it + 1);
        case GW_HWNDPREV: return it == siblings.begin() ? nullptr : *(it - 1);
        default: return nullptr;
    }
}

BOOL IsChild(HWND parent, HWND hwnd) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    while (w != nullptr && w->parent != nullptr) {
        if (w->parent == parent) return TRUE;
        w = Find(w->parent);
    }
    return FALSE;
}

HWND GetDesktopWindow() { return nullptr; }

int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw) {
    const bool valid = region == nullptr || IsGdiObject(region);
    bool hasShape = false;
    Region shape;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr || !valid) return 0;
        w->hasShape = region != nullptr;
        w->shape = region != nullptr ? region->region : Region();
        hasShape = w->hasShape;
        shape = w->shape;
    }
    if (region != nullptr) DeleteObject(region);
    CurrentBackend().ShapeChanged(hwnd, hasShape ? &shape : nullptr);
    if (redraw) InvalidateInternal(hwnd, nullptr, true);
    return 1;
}

int GetWindowRgn(HWND hwnd, HRGN region) {
    if (!IsGdiObject(region)) return ERROR;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr || !w->hasShape) return ERROR;
    region->region = w->shape;
    if (w->shape.IsEmpty()) return NULLREGION;
    return w->shape.Rects().size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
