#include "platform/window/gtk/GtkBackend.h"

#include <gtk/gtk.h>

#include "platform/window/Icons.h"
#include "platform/window/WindowState.h"
#include "platform/window/gtk/NativeMenu.h"
#include "platform/window/gtk/NativeWindow.h"

namespace {

bool IsTopLevel(HWND hwnd) { return (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) == 0; }

// A key released while another window had the keyboard (Alt after the
// Alt+F4 that hid ours) is reported to that window: whenever one of ours
// gains or loses the keyboard, the held keys are read from the keyboard
// itself, so that no key stays held for good.
void ReadHeldKeys() {
    GdkDisplay* display = gdk_display_get_default();
    const guint held = display != nullptr ? gdk_keymap_get_modifier_state(gdk_keymap_get_for_display(display)) : 0;
    Headless::KeysHeldNow((held & GDK_SHIFT_MASK) != 0, (held & GDK_CONTROL_MASK) != 0, (held & GDK_MOD1_MASK) != 0);
}

const char* CursorName(std::uintptr_t id) {
    switch (id) {
        case 32513: return "text";
        case 32514: return "wait";
        case 32515: return "crosshair";
        case 32642: return "nwse-resize";
        case 32643: return "nesw-resize";
        case 32644: return "ew-resize";
        case 32645: return "ns-resize";
        case 32646: return "move";
        case 32648: return "not-allowed";
        case 32649: return "pointer";
        default: return "default";
    }
}

}  // namespace

GtkBackend::GtkBackend(bool composited) : composited_(composited) {}

GtkBackend::~GtkBackend() = default;

NativeWindow* GtkBackend::Native(HWND hwnd) {
    auto it = natives_.find(hwnd);
    return it == natives_.end() ? nullptr : it->second.get();
}

void GtkBackend::WithRoot(HWND hwnd, std::function<void(NativeWindow&)> action) {
    bridge_.RunOnDisplayThread([this, hwnd, action = std::move(action)] {
        if (NativeWindow* native = Native(GetAncestor(hwnd, GA_ROOT))) action(*native);
    });
}

void GtkBackend::WindowCreated(HWND hwnd) {
    if (!IsTopLevel(hwnd)) return;
    bridge_.RunOnDisplayThread([this, hwnd] {
        if (!IsWindow(hwnd) || Native(hwnd) != nullptr) return;
        natives_[hwnd] = std::make_unique<NativeWindow>(hwnd, composited_, [this](const NativeInput& input) {
            input_.push_back(input);
        });
    });
}

void GtkBackend::WindowDestroyed(HWND hwnd) {
    // The record may already be gone: judge by the native table alone.
    bridge_.RunOnDisplayThread([this, hwnd] {
        children_.Remove(hwnd);
        children_.RootDestroyed(hwnd);
        natives_.erase(hwnd);
    });
}

void GtkBackend::VisibilityChanged(HWND hwnd, bool) {
    if (!IsTopLevel(hwnd)) {
        bridge_.RunOnDisplayThread([this] { children_.SyncAll(); });
        WithRoot(hwnd, [](NativeWindow& native) { native.Invalidate(RECT{0, 0, 1 << 15, 1 << 15}); });
        return;
    }
    bridge_.RunOnDisplayThread([this, hwnd] {
        NativeWindow* native = Native(hwnd);
        if (native == nullptr) return;
        const bool wasShown = native->IsShown();
        native->SyncVisibility();
        if (!wasShown && native->IsShown()) RestackAll();
        // Shown or hidden at once, even when the thread goes on with long
        // work before it waits for messages again (an exit routine does).
        gdk_display_flush(gdk_display_get_default());
    });
}

void GtkBackend::GeometryChanged(HWND hwnd, const RECT&) {
    if (!IsTopLevel(hwnd)) {
        bridge_.RunOnDisplayThread([this] { children_.SyncAll(); });
        WithRoot(hwnd, [](NativeWindow& native) { native.Invalidate(RECT{0, 0, 1 << 15, 1 << 15}); });
        return;
    }
    bridge_.RunOnDisplayThread([this, hwnd] {
        if (NativeWindow* native = Native(hwnd)) native->SyncGeometry();
    });
}

void GtkBackend::RestackAll() {
    std::vector<HWND> order;
    HWND active;
    {
        auto& sys = windowing::System();
        std::lock_guard guard(sys.lock);
        order = sys.topLevel;
        active = sys.active;
    }
    // Keys go to the active window, wherever the pointer is. (Without a
    // window manager focusing also raises: the order is set after it.)
    NativeWindow* focused = Native(active);
    if (focused != nullptr && focused->IsShown()) {
        if (!focused->HasFocus()) {
            focusAsked_ = active;
            focusAskedAt_ = windowing::NowMs();
        }
        focused->Focus();
    }
    // Raise from the bottom up so that the topmost ends on top.
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        NativeWindow* native = Native(*it);
        if (native != nullptr && native->IsShown()) native->Raise();
    }
}

void GtkBackend::ZOrderChanged(HWND hwnd) {
    if (!IsTopLevel(hwnd)) {
        WithRoot(hwnd, [](NativeWindow& native) { native.Invalidate(RECT{0, 0, 1 << 15, 1 << 15}); });
        return;
    }
    bridge_.RunOnDisplayThread([this] { RestackAll(); });
}

void GtkBackend::ShapeChanged(HWND hwnd, const Region*) {
    if (!IsTopLevel(hwnd)) return;
    bridge_.RunOnDisplayThread([this, hwnd] {
        if (NativeWindow* native = Native(hwnd)) native->SyncShape();
    });
}

void GtkBackend::TitleChanged(HWND hwnd) {
    if (!IsTopLevel(hwnd)) return;
    bridge_.RunOnDisplayThread([this, hwnd] {
        if (NativeWindow* native = Native(hwnd)) native->SyncTitle();
    });
}

void GtkBackend::Present(HWND hwnd, const RECT& rect) {
    // The rectangle in the client coordinates of the top-level window.
    POINT offset{0, 0};
    HWND root = GetAncestor(hwnd, GA_ROOT);
    if (root != hwnd) {
        POINT rootOrigin{0, 0};
        ClientToScreen(hwnd, &offset);
        ClientToScreen(root, &rootOrigin);
        offset.x -= rootOrigin.x;
        offset.y -= rootOrigin.y;
    }
    const RECT inRoot{rect.left + offset.x, rect.top + offset.y, rect.right + offset.x, rect.bottom + offset.y};
    bridge_.RunOnDisplayThread([this, root, inRoot] {
        NativeWindow* native = Native(root);
        if (native == nullptr) return;
        // Restoring from minimised tells only through the repaint that follows.
        if (!native->IsShown()) {
            native->SyncVisibility();
            if (native->IsShown()) RestackAll();
        }
        // The opaque part of a per-pixel surface is the shape without a compositor.
        if (native->PerPixelWithoutCompositor()) native->SyncShape();
        native->Invalidate(inRoot);
    });
}

void GtkBackend::LayeringChanged(HWND hwnd, bool, BYTE) {
    if (!IsTopLevel(hwnd)) return;
    bridge_.RunOnDisplayThread([this, hwnd] {
        NativeWindow* native = Native(hwnd);
        if (native == nullptr) return;
        native->SyncShape();
        native->Invalidate(RECT{0, 0, 1 << 15, 1 << 15});
    });
}

void GtkBackend::CursorChanged(HCURSOR cursor) {
    const char* name = CursorName(CursorId(cursor));
    bridge_.RunOnDisplayThread([this, name] {
        GdkCursor* native = gdk_cursor_new_from_name(gdk_display_get_default(), name);
        for (auto& [hwnd, window] : natives_) window->SetCursor(native);
        if (native != nullptr) g_object_unref(native);
    });
}

void GtkBackend::FeedInput() {
    // A window procedure reached from here may run a nested loop that
    // feeds the rest itself; each event is taken off before it is fed.
    while (!input_.empty()) {
        const NativeInput input = input_.front();
        input_.pop_front();
        switch (input.kind) {
            case NativeInput::Kind::Move: {
                POINT now;
                GetCursorPos(&now);
                if (now.x != input.x || now.y != input.y) Headless::MouseMove(input.x, input.y);
                break;
            }
            case NativeInput::Kind::ButtonDown: Headless::MouseDown(input.button); break;
            case NativeInput::Kind::ButtonUp: Headless::MouseUp(input.button); break;
            case NativeInput::Kind::Wheel: Headless::Wheel(input.wheelDelta); break;
            case NativeInput::Kind::KeyDown: Headless::KeyDown(input.virtualKey); break;
            case NativeInput::Kind::KeyUp: Headless::KeyUp(input.virtualKey); break;
            case NativeInput::Kind::Char: Headless::Char(input.ch); break;
            case NativeInput::Kind::FocusIn:
                ReadHeldKeys();
                FocusChanged(input.window, true);
                break;
            case NativeInput::Kind::FocusOut:
                ReadHeldKeys();
                FocusChanged(input.window, false);
                break;
            case NativeInput::Kind::Minimized: StateChanged(input.window, true); break;
            case NativeInput::Kind::Restored: StateChanged(input.window, false); break;
        }
    }
}

void GtkBackend::FocusChanged(HWND hwnd, bool focused) {
    if (!IsWindow(hwnd)) return;
    // While the focus follows our own request, the changes on the way are
    // echoes of what the window system did already. A request the desktop
    // did not follow is forgotten after a while.
    if (focusAsked_ != nullptr && windowing::NowMs() - focusAskedAt_ < 1000) {
        if (focused && hwnd == focusAsked_) focusAsked_ = nullptr;
        return;
    }
    focusAsked_ = nullptr;
    if (focused) {
        if (GetForegroundWindow() != hwnd) SetForegroundWindow(hwnd);
        return;
    }
    // A menu of ours holding the keyboard grab is no reason to deactivate.
    if (menu_ != nullptr && menu_->Open()) return;
    if (GetForegroundWindow() == hwnd) windowing::Deactivate(hwnd);
}

void GtkBackend::StateChanged(HWND hwnd, bool minimized) {
    if (!IsWindow(hwnd) || (IsIconic(hwnd) != FALSE) == minimized) return;
    // As the taskbar does on Windows: the window's own system command, so
    // that its procedure decides (the main window minimises, a box may not).
    PostMessageW(hwnd, WM_SYSCOMMAND, minimized ? SC_MINIMIZE : SC_RESTORE, 0);
}

void GtkBackend::IconChanged(HWND hwnd) {
    if (!IsTopLevel(hwnd)) return;
    // The pixels are taken now: the icons may be destroyed before the
    // display thread gets to them.
    GList* pixbufs = nullptr;
    for (WPARAM size : {ICON_BIG, ICON_SMALL}) {
        auto icon = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, size, 0));
        cairo_surface_t* surface = GetIconSurface(icon);
        if (surface == nullptr) continue;
        cairo_surface_flush(surface);
        GdkPixbuf* pixbuf = gdk_pixbuf_get_from_surface(surface, 0, 0, cairo_image_surface_get_width(surface),
                                                        cairo_image_surface_get_height(surface));
        if (pixbuf != nullptr) pixbufs = g_list_append(pixbufs, pixbuf);
    }
    bridge_.RunOnDisplayThread([this, hwnd, pixbufs] {
        if (NativeWindow* native = Native(hwnd)) native->SetIcons(pixbufs);
        g_list_free_full(pixbufs, g_object_unref);
    });
}

bool GtkBackend::OpenMenu(const std::vector<MenuItem>& items, POINT at, std::function<void(UINT_PTR)> closed) {
    // Menus of other threads, and a second one at a time, stay windows.
    if (!bridge_.OnDisplayThread() || (menu_ != nullptr && menu_->Open())) return false;
    menu_ = std::make_unique<NativeMenu>(items, at, std::move(closed));
    return true;
}

void GtkBackend::CloseMenu() {
    if (bridge_.OnDisplayThread() && menu_ != nullptr) menu_->Close();
}

void GtkBackend::Poll() {
    if (!bridge_.OnDisplayThread()) return;
    gdk_display_flush(gdk_display_get_default());
    // One look at the display without blocking; a nested call inside a
    // dispatch leaves the sources that are already running alone.
    g_main_context_iteration(nullptr, FALSE);
    FeedInput();
}

void GtkBackend::Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, std::uint64_t deadlineMs) {
    if (!bridge_.OnDisplayThread()) {
        offDisplay_.Wait(lock, cv, deadlineMs);
        return;
    }
    displayCv_ = &cv;
    std::int64_t timeout = -1;
    if (deadlineMs != UINT64_MAX) {
        const std::uint64_t now = windowing::NowMs();
        timeout = deadlineMs > now ? static_cast<std::int64_t>(deadlineMs - now) : 0;
    }
    lock.unlock();
    // What was asked of the X server so far must reach it before we sleep.
    gdk_display_flush(gdk_display_get_default());
    bridge_.IterateOnce(timeout);
    FeedInput();
    lock.lock();
}

void GtkBackend::Wake(std::condition_variable& cv) {
    cv.notify_all();
    if (&cv == displayCv_.load()) bridge_.Wake();
}

bool GtkBackend::EmbedWidget(HWND child, GtkWidget* widget) {
    NativeWindow* native = Native(GetAncestor(child, GA_ROOT));
    return native != nullptr && children_.Embed(child, widget, native->Toplevel());
}

void GtkBackend::RemoveWidget(HWND child) { children_.Remove(child); }
