// Internal state of the window system, shared by its source files.
//
// One process-wide lock guards every window record and the input state.
// It is never held while a window procedure, a timer procedure or a
// backend call runs. A thread queue has a lock of its own, always taken
// after (never before) the process-wide lock.
#pragma once

#include <cairo.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/window/Regions.h"
#include "platform/window/User32.h"

namespace windowing {

struct WindowClass {
    std::wstring name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HCURSOR cursor = nullptr;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
};

struct TimerRecord {
    UINT elapse = 0;
    std::uint64_t due = 0;
    TIMERPROC proc = nullptr;
};

// The message queue and pending cross-thread calls of one thread.
struct ThreadQueue {
    std::mutex lock;
    std::condition_variable cv;
    std::deque<MSG> posted;
    std::deque<std::function<void()>> calls;
    bool quit = false;
    int quitCode = 0;
    DWORD threadId = 0;
    std::thread::id thread;
    std::atomic<bool> alive{true};
    // Counts every wake-up, so that a waiter notices one that came between
    // its last look at the queue and the start of its wait.
    std::uint64_t wakeCount = 0;
    DWORD lastMessageTime = 0;
};

struct WindowRecord {
    std::uintptr_t handle = 0;
    std::shared_ptr<WindowClass> cls;
    WNDPROC proc = nullptr;
    std::wstring title;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;  // WS_CHILD windows only
    HWND owner = nullptr;   // top-level windows only
    UINT_PTR id = 0;
    HINSTANCE instance = nullptr;
    LONG_PTR userData = 0;
    std::map<std::wstring, HANDLE> props;
    RECT rect;         // screen (top-level) or parent client coordinates
    RECT normalRect;   // the rectangle to restore to from maximised
    std::vector<HWND> children;  // topmost first
    std::shared_ptr<ThreadQueue> queue;

    Region update;
    bool erase = false;
    bool hasShape = false;
    Region shape;  // window coordinates
    cairo_surface_t* surface = nullptr;

    bool perPixelAlpha = false;
    BYTE constantAlpha = 255;
    COLORREF colorKey = 0;
    DWORD layeredFlags = 0;

    std::map<UINT_PTR, TimerRecord> timers;

    bool trackLeave = false;
    bool trackHover = false;
    DWORD hoverTime = 0;
    std::uint64_t hoverDue = 0;
    POINT hoverAnchor;

    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    bool destroying = false;
    bool registered = false;  // listed in the cross-process registry
};

struct InputState {
    POINT cursor{-1, -1};
    BYTE keys[256] = {};      // live state (GetAsyncKeyState)
    BYTE syncKeys[256] = {};  // as of the input messages read so far (GetKeyState)
    HCURSOR currentCursor = nullptr;
    // Double-click memory.
    HWND lastDownWindow = nullptr;
    UINT lastDownMessage = 0;
    std::uint64_t lastDownTime = 0;
    POINT lastDownPoint;
    // Window moved by dragging its caption.
    HWND moving = nullptr;
    POINT moveOffset;
};

struct WindowSystem {
    std::recursive_mutex lock;
    std::unordered_map<std::uintptr_t, std::shared_ptr<WindowRecord>> windows;
    std::vector<HWND> topLevel;  // z-order, topmost first
    std::unordered_map<std::wstring, std::shared_ptr<WindowClass>> classes;
    std::vector<std::weak_ptr<ThreadQueue>> queues;
    std::uintptr_t nextHandle = 0x10010;
    HWND active = nullptr;
    HWND focus = nullptr;
    HWND capture = nullptr;
    InputState input;
    SIZE screen{1280, 800};
    RECT work{0, 0, 1280, 800};
};

WindowSystem& System();

// The record of a live window, or null. Call with the lock held.
WindowRecord* Find(HWND hwnd);
std::shared_ptr<WindowRecord> FindShared(HWND hwnd);
inline HWND HandleOf(const WindowRecord& w) { return reinterpret_cast<HWND>(w.handle); }

// The calling thread's queue (created on first use).
std::shared_ptr<ThreadQueue> CurrentQueue();
// Drops the windows of a thread that ends, without messages (their
// procedures can no longer run).
void ForgetWindowsOf(const ThreadQueue& queue);
// Wakes a thread that may be waiting for messages.
void WakeQueue(ThreadQueue& queue);
void WakeAllQueues();

// Milliseconds on the window system clock (real or manual).
std::uint64_t NowMs();
void SetManualClock(bool manual);
void AdvanceManualClock(DWORD ms);
// Runs the calls queued for the calling thread.
void RunQueuedCalls(ThreadQueue& queue);
// Posts an input message to the window's thread (lock not held).
void PostInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Sends a message: directly on the owner thread, otherwise queued to the
// owner thread as a call whose result is not waited for.
LRESULT SendOrNotify(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// True when the calling thread owns the window.
bool OnOwnerThread(HWND hwnd);
// Queues a call for the window's owner thread; false if it is gone.
bool QueueCall(HWND hwnd, std::function<void()> call);

// Client size of a record.
inline SIZE ClientSize(const WindowRecord& w) { return SIZE{w.rect.right - w.rect.left, w.rect.bottom - w.rect.top}; }
// The client origin in screen coordinates. Lock held.
POINT ScreenOrigin(const WindowRecord& w);
// Visible itself and every ancestor. Lock held.
bool EffectivelyVisible(const WindowRecord& w);
// Top-level ancestor (itself for top-level windows). Lock held.
HWND RootOf(HWND hwnd);

// Window activation (top-level windows), used by input and ShowWindow.
void Activate(HWND hwnd, WORD how);
// Picks another window to activate after hwnd stopped being eligible.
void ActivateNextAfter(HWND hwnd);
// The active window lost the activation to another program: none of ours
// is active now.
void Deactivate(HWND hwnd);

// Invalidates part of a window (client coordinates; null = all).
void InvalidateInternal(HWND hwnd, const RECT* rc, bool erase);
// Resizes the surface of a window to its client size. Lock held.
void FitSurface(WindowRecord& w);

// Cross-process registry of top-level windows.
void RegistryAdd(HWND hwnd);
void RegistryRemove(HWND hwnd);
void RegistryUpdate(HWND hwnd);
HWND RegistryFind(LPCWSTR className, LPCWSTR windowName);
// Delivery to a window of another process; handles such windows only.
bool IsRemoteHandle(HWND hwnd);
// Whether the window of another process is still listed and its process answers.
bool RemoteExists(HWND hwnd);
BOOL RemotePost(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL RemoteShow(HWND hwnd, int command);
BOOL RemoteSetPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);

// The deepest visible window at a screen point, honouring shapes. Lock held.
HWND WindowAt(POINT pt);
// Mouse key flags (MK_*) from the input state. Lock held.
WPARAM MouseKeyFlags();

// Hover and leave bookkeeping on mouse movement. Lock held.
void TrackMouseMovement(HWND target, POINT screenPt, bool clientArea);

// The registered class of that name (case-insensitive), or null.
std::shared_ptr<WindowClass> FindClass(LPCWSTR name);
bool SameClassName(const std::wstring& a, LPCWSTR b);

// Registers the tooltip window class (idempotent).
void EnsureTooltipClass();

}  // namespace windowing
