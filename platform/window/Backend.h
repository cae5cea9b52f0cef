// The seam between the window system and what shows windows to a user.
//
// The window system keeps every window's state (geometry, visibility,
// z-order, focus, capture, queues, invalid areas, pixels) itself and tells
// the backend about changes through these calls, always after the change
// and without holding internal locks. The headless backend (the default)
// shows nothing: windows exist only in memory, input comes from the test
// interface in Headless.h. A display backend presents surfaces in real
// windows, turns native input into the Headless-style input calls, and
// replaces the wait of message loops (Wait/Wake) so that its own event
// sources are served while a thread waits for messages.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/window/User32.h"

class Region;

class WindowBackend {
 public:
    virtual ~WindowBackend() = default;

    virtual void WindowCreated(HWND hwnd) = 0;
    virtual void WindowDestroyed(HWND hwnd) = 0;
    virtual void VisibilityChanged(HWND hwnd, bool visible) = 0;
    // New rectangle in screen coordinates (top-level) or parent client
    // coordinates (child).
    virtual void GeometryChanged(HWND hwnd, const RECT& rect) = 0;
    virtual void ZOrderChanged(HWND hwnd) = 0;
    // Null when the window lost its shape.
    virtual void ShapeChanged(HWND hwnd, const Region* shape) = 0;
    virtual void TitleChanged(HWND hwnd) = 0;
    // The window's surface changed inside rect (client coordinates).
    virtual void Present(HWND hwnd, const RECT& rect) = 0;
    // Per-pixel alpha switched on or off, or the constant alpha changed.
    virtual void LayeringChanged(HWND hwnd, bool perPixel, BYTE constantAlpha) = 0;
    virtual void CursorChanged(HCURSOR cursor) = 0;
    // The window's big or small icon (WM_SETICON) changed.
    virtual void IconChanged(HWND hwnd) = 0;

    // One item of a popup menu to show natively.
    struct MenuItem {
        UINT flags = 0;  // MF_ flags
        UINT_PTR id = 0;
        std::wstring text;
    };
    // Shows a popup menu at a screen point for the calling thread's menu
    // loop, or answers false when menus are windows of the window system.
    // closed runs once on the calling thread, from inside a message wait,
    // with the picked id (0: dismissed).
    virtual bool OpenMenu(const std::vector<MenuItem>& items, POINT at, std::function<void(UINT_PTR)> closed) = 0;
    // Dismisses the menu OpenMenu showed (closed then runs with 0).
    virtual void CloseMenu() = 0;

    // A thread waits for messages: block on cv (locked by lock) until
    // woken or until deadlineMs on the steady clock (UINT64_MAX: no
    // deadline). Spurious returns are allowed.
    virtual void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, std::uint64_t deadlineMs) = 0;
    // Something arrived for a waiting thread (called with its lock held).
    virtual void Wake(std::condition_variable& cv) = 0;
    // A thread looked for messages without waiting (PeekMessageW) and found
    // none: serve what the display has for it now, without blocking.
    virtual void Poll() = 0;
};

// The backend in use; the headless one unless another was installed
// before the first window was created.
WindowBackend& CurrentBackend();
// Installs a backend (kept for the life of the process). False once a
// window exists.
bool InstallBackend(WindowBackend* backend);
