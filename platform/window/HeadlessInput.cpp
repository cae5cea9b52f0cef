// Synthetic input and read-back for running without a display.
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/window/Headless.h"
#include "platform/window/WindowState.h"

using namespace windowing;

namespace {

bool Disabled(HWND hwnd) {
    WindowRecord* w = Find(hwnd);
    while (w != nullptr) {
        if ((w->style & WS_DISABLED) != 0) return true;
        w = Find(w->parent);
    }
    return false;
}

// Routes one mouse message as the window system does for real input.
void Deliver(UINT clientMessage, UINT ncMessage, bool press) {
    HWND target;
    bool captured;
    POINT pt;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        pt = sys.input.cursor;
        captured = sys.capture != nullptr;
        target = captured ? sys.capture : WindowAt(pt);
        if (target == nullptr || Disabled(target)) {
            TrackMouseMovement(nullptr, pt, false);
            return;
        }
    }
    LRESULT hit = HTCLIENT;
    if (!captured) hit = SendMessageW(target, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        TrackMouseMovement(target, pt, hit == HTCLIENT);
    }
    if (!captured) SendMessageW(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(hit, clientMessage));
    if (hit == HTNOWHERE || hit == HTERROR || hit == HTTRANSPARENT) return;

    bool doubleClick = false;
    if (press) {
        HWND root;
        bool activate;
        bool dblClass;
        {
            auto& sys = System();
            std::lock_guard guard(sys.lock);
            root = RootOf(target);
            WindowRecord* r = Find(root);
            activate = r != nullptr && sys.active != root && (r->exStyle & WS_EX_NOACTIVATE) == 0;
            WindowRecord* t = Find(target);
            dblClass = t != nullptr && (t->cls->style & CS_DBLCLKS) != 0;
            const std::uint64_t now = NowMs();
            auto& in = sys.input;
            if (in.lastDownWindow == target && in.lastDownMessage == clientMessage &&
                now - in.lastDownTime <= GetDoubleClickTime() && std::abs(pt.x - in.lastDownPoint.x) <= 2 &&
                std::abs(pt.y - in.lastDownPoint.y) <= 2) {
                doubleClick = hit != HTCLIENT || dblClass;
                in.lastDownWindow = nullptr;
            } else {
                in.lastDownWindow = target;
                in.lastDownMessage = clientMessage;
                in.lastDownTime = now;
                in.lastDownPoint = pt;
            }
        }
        if (activate) {
            const LRESULT answer =
                SendMessageW(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(root), MAKELPARAM(hit, clientMessage));
            if (answer == MA_ACTIVATE || answer == MA_ACTIVATEANDEAT) {
                if (OnOwnerThread(root)) {
                    Activate(root, WA_CLICKACTIVE);
                } else {
                    QueueCall(root, [root] { Activate(root, WA_CLICKACTIVE); });
                }
            }
            if (answer == MA_ACTIVATEANDEAT || answer == MA_NOACTIVATEANDEAT) return;
        }
    }
    const UINT offset = doubleClick ? 2 : 0;
    if (hit == HTCLIENT) {
        POINT local = pt;
        ScreenToClient(target, &local);
        WPARAM flags;
        {
            auto& sys = System();
            std::lock_guard guard(sys.lock);
            flags = MouseKeyFlags();
        }
        PostInput(target, clientMessage + offset, flags, MAKELPARAM(local.x, local.y));
    } else {
        PostInput(target, ncMessage + offset, static_cast<WPARAM>(hit), MAKELPARAM(pt.x, pt.y));
    }
}

HWND KeyboardTarget() {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    return sys.focus != nullptr ? sys.focus : sys.active;
}

void Key(int vk, bool down) {
    if (vk < 0 || vk > 255) return;
    bool alt;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        if (down) {
            sys.input.keys[vk] |= 0x80;
        } else {
            sys.input.keys[vk] &= static_cast<BYTE>(~0x80);
        }
        alt = (sys.input.keys[VK_MENU] & 0x80) != 0 || vk == VK_MENU;
    }
    HWND target = KeyboardTarget();
    if (target == nullptr) return;
    const bool noFocus = GetFocus() == nullptr;
    const bool sys = alt || noFocus;
    LPARAM lParam = 1;
    if (!down) lParam |= static_cast<LPARAM>(0xC0000000u);
    if (alt) lParam |= 1 << 29;
    UINT message = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    PostInput(target, message, static_cast<WPARAM>(vk), lParam);
}

}  // namespace

namespace Headless {

void SetScreenSize(int width, int height) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    sys.screen = SIZE{width, height};
    sys.work = RECT{0, 0, width, height};
}

void SetWorkArea(const RECT& work) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    sys.work = work;
}

void MouseMove(int x, int y) {
    HWND moving;
    POINT to;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        sys.input.cursor = POINT{x, y};
        moving = sys.input.moving;
        to = POINT{x - sys.input.moveOffset.x, y - sys.input.moveOffset.y};
    }
    if (moving != nullptr) {
        // Dragging a caption moves the window; the window gets no mouse input meanwhile.
        SetWindowPos(moving, nullptr, to.x, to.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    Deliver(WM_MOUSEMOVE, WM_NCMOUSEMOVE, false);
}

void MouseDown(Button button) {
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        sys.input.keys[button == Button::Left ? VK_LBUTTON : VK_RBUTTON] |= 0x80;
    }
    if (button == Button::Left) {
        Deliver(WM_LBUTTONDOWN, WM_NCLBUTTONDOWN, true);
    } else {
        Deliver(WM_RBUTTONDOWN, WM_NCRBUTTONDOWN, true);
    }
}

void MouseUp(Button button) {
    bool wasMoving = false;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        sys.input.keys[button == Button::Left ? VK_LBUTTON : VK_RBUTTON] &= static_cast<BYTE>(~0x80);
        if (button == Button::Left && sys.input.moving != nullptr) {
            sys.input.moving = nullptr;
            wasMoving = true;
        }
    }
    if (wasMoving) return;
    if (button == Button::Left) {
        Deliver(WM_LBUTTONUP, WM_NCLBUTTONUP, false);
    } else {
        Deliver(WM_RBUTTONUP, WM_NCRBUTTONUP, false);
    }
}

void Click(int x, int y, Button button) {
    MouseMove(x, y);
    MouseDown(button);
    MouseUp(button);
}

void Wheel(int delta) {
    HWND target = KeyboardTarget();
    if (target == nullptr) return;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    PostInput(target, WM_MOUSEWHEEL, MAKEWPARAM(static_cast<int>(MouseKeyFlags()), delta),
              MAKELPARAM(sys.input.cursor.x, sys.input.cursor.y));
}

void KeyDown(int virtualKey) { Key(virtualKey, true); }
void KeyUp(int virtualKey) { Key(virtualKey, false); }

void KeysHeldNow(bool shift, bool control, bool alt) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    std::memset(sys.input.keys, 0, sizeof(sys.input.keys));
    std::memset(sys.input.syncKeys, 0, sizeof(sys.input.syncKeys));
    for (auto [vk, held] : {std::pair{VK_SHIFT, shift}, std::pair{VK_CONTROL, control}, std::pair{VK_MENU, alt}}) {
        if (!held) continue;
        sys.input.keys[vk] |= 0x80;
        sys.input.syncKeys[vk] |= 0x80;
    }
}

void Char(wchar_t ch) {
    HWND target = GetFocus();
    if (target != nullptr) PostInput(target, WM_CHAR, static_cast<WPARAM>(ch), 1);
}

void ResetInput() {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    sys.input.cursor = POINT{-1, -1};
    std::memset(sys.input.keys, 0, sizeof(sys.input.keys));
    std::memset(sys.input.syncKeys, 0, sizeof(sys.input.syncKeys));
    sys.input.lastDownWindow = nullptr;
    sys.input.moving = nullptr;
}

int PumpMessages() {
    int count = 0;
    MSG msg;
    // Bounded so that a window that never validates cannot hang a test.
    while (count < 100000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        ++count;
    }
    return count;
}

void UseManualClock(bool manual) { SetManualClock(manual); }
void AdvanceClock(DWORD milliseconds) { AdvanceManualClock(milliseconds); }

DWORD ReadPixel(HWND hwnd, int x, int y) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr || w->surface == nullptr) return 0;
    cairo_surface_flush(w->surface);
    const int width = cairo_image_surface_get_width(w->surface);
    const int height = cairo_image_surface_get_height(w->surface);
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const unsigned char* data = cairo_image_surface_get_data(w->surface);
    const int stride = cairo_image_surface_get_stride(w->surface);
    std::uint32_t pixel;
    std::memcpy(&pixel, data + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 4, sizeof(pixel));
    return pixel;
}

size_t SurfaceBytes(HWND hwnd) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr || w->surface == nullptr) return 0;
    return static_cast<size_t>(cairo_image_surface_get_stride(w->surface)) *
           static_cast<size_t>(cairo_image_surface_get_height(w->surface));
}

bool IsPerPixelLayered(HWND hwnd) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    return w != nullptr && w->perPixelAlpha;
}

BYTE ConstantAlpha(HWND hwnd) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    return w == nullptr ? 0 : w->constantAlpha;
}

}  // namespace Headless
