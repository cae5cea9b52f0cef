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
#include <mutex>

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

    // A thread waits for messages: block on cv (locked by lock) until
    // woken or until deadlineMs on the steady clock (UINT64_MAX: no
    // deadline). Spurious returns are allowed.
    virtual void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, std::uint64_t deadlineMs) = 0;
    // Something arrived for a waiting thread (called with its lock held).
    virtual void Wake(std::condition_variable& cv) = 0;
};

// The backend in use; the headless one unless another was installed
// before the first window was created.
WindowBackend& CurrentBackend();
// Installs a backend (kept for the life of the process). False once a
// window exists.
bool InstallBackend(WindowBackend* backend);
