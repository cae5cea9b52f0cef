// The window backend over GTK 3 on X11: top-level windows become
// undecorated GtkWindows presenting their surfaces, native input is fed to
// the window system as the headless input calls do, and the display
// thread's message waits iterate the GLib main context.
//
// The thread that creates the backend (after gtk_init) is the display
// thread; its GTK calls run there, calls from other threads are handed
// over. Other threads wait for messages as without a display.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "platform/window/Backend.h"
#include "platform/window/HeadlessBackend.h"
#include "platform/window/gtk/MainContextBridge.h"
#include "platform/window/gtk/NativeChildren.h"
#include "platform/window/gtk/NativeInput.h"

class NativeMenu;
class NativeWindow;

class GtkBackend final : public WindowBackend {
 public:
    explicit GtkBackend(bool composited);
    ~GtkBackend() override;

    void WindowCreated(HWND hwnd) override;
    void WindowDestroyed(HWND hwnd) override;
    void VisibilityChanged(HWND hwnd, bool visible) override;
    void GeometryChanged(HWND hwnd, const RECT& rect) override;
    void ZOrderChanged(HWND hwnd) override;
    void ShapeChanged(HWND hwnd, const Region* shape) override;
    void TitleChanged(HWND hwnd) override;
    void Present(HWND hwnd, const RECT& rect) override;
    void LayeringChanged(HWND hwnd, bool perPixel, BYTE constantAlpha) override;
    void CursorChanged(HCURSOR cursor) override;
    void IconChanged(HWND hwnd) override;
    bool OpenMenu(const std::vector<MenuItem>& items, POINT at, std::function<void(UINT_PTR)> closed) override;
    void CloseMenu() override;
    void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, std::uint64_t deadlineMs) override;
    void Wake(std::condition_variable& cv) override;
    void Poll() override;

    // Hands work to the display thread.
    MainContextBridge& Bridge() { return bridge_; }

    // Display thread: shows a real widget in the child window child (see
    // NativeChildren.h); false when child has no shown root.
    bool EmbedWidget(HWND child, GtkWidget* widget);
    void RemoveWidget(HWND child);

 private:
    // The native window of a top-level window (display thread).
    NativeWindow* Native(HWND hwnd);
    // Runs on the display thread with the native window of hwnd's root,
    // if it has one.
    void WithRoot(HWND hwnd, std::function<void(NativeWindow&)> action);
    void RestackAll();
    // Feeds input read from native windows to the window system.
    void FeedInput();
    // The desktop gave or took the keyboard focus of a native window.
    void FocusChanged(HWND hwnd, bool focused);
    // The desktop iconified the window or gave it back.
    void StateChanged(HWND hwnd, bool minimized);

    bool composited_;
    MainContextBridge bridge_;
    HeadlessBackend offDisplay_;  // waits of threads other than the display thread
    std::atomic<std::condition_variable*> displayCv_{nullptr};
    std::map<HWND, std::unique_ptr<NativeWindow>> natives_;  // display thread only
    std::deque<NativeInput> input_;                           // display thread only
    std::unique_ptr<NativeMenu> menu_;                        // display thread only; the last one shown
    HWND focusAsked_ = nullptr;       // the window we last gave the keyboard focus (display thread)
    std::uint64_t focusAskedAt_ = 0;  // when, on the window system clock
    NativeChildren children_;                                 // display thread only
};
