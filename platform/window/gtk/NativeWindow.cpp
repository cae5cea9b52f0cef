#include "platform/window/gtk/NativeWindow.h"

#include <gtk/gtk.h>

#include <atomic>
#include <chrono>
#include <vector>

#include "platform/window/WindowState.h"
#include "platform/window/gtk/DesktopHints.h"
#include "platform/window/gtk/KeyMapping.h"
#include "platform/CodePage.h"

using namespace windowing;

namespace {

std::atomic<std::uint64_t> g_framesDrawn{0};
std::atomic<std::uint64_t> g_drawMicroseconds{0};

// One surface to present: a window's pixels at an offset inside the
// top-level client area, clipped to its visible part.
struct Layer {
    cairo_surface_t* surface;  // one reference held
    int x;
    int y;
    RECT clip;
};

RECT Intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

// The window and its visible descendants, bottom first. Lock held.
void GatherLayers(const WindowRecord& w, int x, int y, const RECT& clip, std::vector<Layer>& out) {
    if (w.surface != nullptr) out.push_back(Layer{cairo_surface_reference(w.surface), x, y, clip});
    for (auto it = w.children.rbegin(); it != w.children.rend(); ++it) {
        const WindowRecord* child = Find(*it);
        if (child == nullptr || (child->style & WS_VISIBLE) == 0) continue;
        const int cx = x + child->rect.left;
        const int cy = y + child->rect.top;
        const RECT area{cx, cy, cx + (child->rect.right - child->rect.left), cy + (child->rect.bottom - child->rect.top)};
        GatherLayers(*child, cx, cy, Intersect(area, clip), out);
    }
}

cairo_region_t* RegionToCairo(const Region& region) {
    cairo_region_t* out = cairo_region_create();
    for (const RECT& rc : region.Rects()) {
        const cairo_rectangle_int_t r{rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
        cairo_region_union_rectangle(out, &r);
    }
    return out;
}

constexpr GdkEventMask kEvents = static_cast<GdkEventMask>(
    GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_SCROLL_MASK |
    GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK | GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK);

}  // namespace

NativeWindow::NativeWindow(HWND hwnd, bool composited, InputSink sink)
    : hwnd_(hwnd), composited_(composited), sink_(std::move(sink)) {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_object_ref_sink(window_);
    gtk_window_set_decorated(GTK_WINDOW(window_), FALSE);
    gtk_widget_set_app_paintable(window_, TRUE);
    if (composited_) {
        if (GdkVisual* rgba = gdk_screen_get_rgba_visual(gtk_widget_get_screen(window_))) {
            gtk_widget_set_visual(window_, rgba);
        } else {
            composited_ = false;
        }
    }
    const LONG exStyle = GetWindowLongW(hwnd_, GWL_EXSTYLE);
    // Not in the taskbar until shown (SyncVisibility), never as a tool window.
    gtk_window_set_skip_taskbar_hint(GTK_WINDOW(window_), TRUE);
    if ((exStyle & WS_EX_TOOLWINDOW) != 0) gtk_window_set_skip_pager_hint(GTK_WINDOW(window_), TRUE);
    if ((exStyle & WS_EX_NOACTIVATE) != 0) {
        gtk_window_set_accept_focus(GTK_WINDOW(window_), FALSE);
        gtk_window_set_focus_on_map(GTK_WINDOW(window_), FALSE);
    }
    area_ = gtk_drawing_area_new();
    gtk_widget_set_can_focus(area_, TRUE);
    gtk_widget_add_events(area_, kEvents);
    // The drawing area sits in an overlay from the start: native children
    // (a web view) are laid over it later without taking the area out of
    // the window, which would recreate its X window and drop the pointer
    // events that arrive meanwhile.
    GtkWidget* overlay = gtk_overlay_new();
    gtk_container_add(GTK_CONTAINER(overlay), area_);
    gtk_container_add(GTK_CONTAINER(window_), overlay);
    gtk_widget_show(overlay);
    g_signal_connect(area_, "draw", G_CALLBACK(&NativeWindow::OnDraw), this);
    for (const char* signal : {"motion-notify-event", "button-press-event", "button-release-event", "scroll-event",
                               "enter-notify-event", "leave-notify-event", "key-press-event", "key-release-event"}) {
        g_signal_connect(area_, signal, G_CALLBACK(&NativeWindow::OnEvent), this);
    }
    g_signal_connect(window_, "delete-event", G_CALLBACK(&NativeWindow::OnDelete), this);
    g_signal_connect(window_, "focus-in-event", G_CALLBACK(&NativeWindow::OnFocus), this);
    g_signal_connect(window_, "focus-out-event", G_CALLBACK(&NativeWindow::OnFocus), this);
    g_signal_connect(window_, "window-state-event", G_CALLBACK(&NativeWindow::OnState), this);
    SyncTitle();
    SyncGeometry();
}

NativeWindow::~NativeWindow() {
    g_signal_handlers_disconnect_by_data(area_, this);
    g_signal_handlers_disconnect_by_data(window_, this);
    gtk_widget_destroy(window_);
    g_object_unref(window_);
}

std::uint64_t NativeWindow::FramesDrawn() { return g_framesDrawn; }

std::uint64_t NativeWindow::DrawMicroseconds() { return g_drawMicroseconds; }

bool NativeWindow::IsShown() const { return gtk_widget_get_visible(window_) != FALSE && !iconified_; }

bool NativeWindow::HasFocus() const { return gtk_window_has_toplevel_focus(GTK_WINDOW(window_)) != FALSE; }

bool NativeWindow::PerPixelWithoutCompositor() const {
    if (composited_) return false;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    const WindowRecord* w = Find(hwnd_);
    return w != nullptr && w->perPixelAlpha;
}

void NativeWindow::SyncGeometry() {
    RECT rc;
    if (!GetWindowRect(hwnd_, &rc)) return;
    gtk_window_move(GTK_WINDOW(window_), rc.left, rc.top);
    gtk_window_resize(GTK_WINDOW(window_), std::max<LONG>(rc.right - rc.left, 1), std::max<LONG>(rc.bottom - rc.top, 1));
}

void NativeWindow::SyncVisibility() {
    const bool visible = IsWindowVisible(hwnd_) != FALSE;
    const bool iconic = IsIconic(hwnd_) != FALSE;
    // A minimised window is iconified where a window manager keeps it in
    // its taskbar; on a bare display nothing could give it back, so it is
    // withdrawn there like a hidden window.
    const bool mapped = visible && (!iconic || DesktopKeepsIcons(gtk_widget_get_screen(window_)));
    const bool wasMapped = gtk_widget_get_visible(window_) != FALSE;
    if (!mapped) {
        if (!wasMapped) return;
        // Not iconic when it is mapped again.
        if (iconified_) gtk_window_deiconify(GTK_WINDOW(window_));
        iconified_ = false;
        // A hidden window leaves the taskbar, also with desktops that keep
        // listing withdrawn windows.
        gtk_window_set_skip_taskbar_hint(GTK_WINDOW(window_), TRUE);
        gtk_widget_hide(window_);
        return;
    }
    if (iconic != iconified_) {
        iconified_ = iconic;
        if (iconic) {
            gtk_window_iconify(GTK_WINDOW(window_));
        } else {
            gtk_window_deiconify(GTK_WINDOW(window_));
        }
    }
    if (wasMapped) return;
    SyncGeometry();
    SyncShape();
    gtk_window_set_skip_taskbar_hint(GTK_WINDOW(window_), InTaskbar() ? FALSE : TRUE);
    gtk_widget_show_all(window_);
    // Position again: a window manager may have placed it on mapping.
    SyncGeometry();
}

int NativeWindow::OnState(GtkWidget*, GdkEvent* event, void* self) {
    auto* native = static_cast<NativeWindow*>(self);
    const GdkEventWindowState& state = event->window_state;
    if ((state.changed_mask & GDK_WINDOW_STATE_ICONIFIED) == 0) return FALSE;
    const bool iconified = (state.new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
    // Our own requests come back as echoes: only a change the desktop made
    // itself (its taskbar, a key of its own) is news for the window system.
    if (iconified == native->iconified_) return FALSE;
    native->iconified_ = iconified;
    NativeInput input;
    input.kind = iconified ? NativeInput::Kind::Minimized : NativeInput::Kind::Restored;
    input.window = native->hwnd_;
    native->sink_(input);
    return FALSE;
}

bool NativeWindow::InTaskbar() const { return (GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) == 0; }

void NativeWindow::SetIcons(GList* pixbufs) { gtk_window_set_icon_list(GTK_WINDOW(window_), pixbufs); }

int NativeWindow::OnFocus(GtkWidget*, GdkEvent* event, void* self) {
    auto* native = static_cast<NativeWindow*>(self);
    NativeInput input;
    input.kind = event->focus_change.in ? NativeInput::Kind::FocusIn : NativeInput::Kind::FocusOut;
    input.window = native->hwnd_;
    native->sink_(input);
    return FALSE;
}

void NativeWindow::SyncTitle() {
    const int length = GetWindowTextLengthW(hwnd_);
    std::wstring title(static_cast<size_t>(length) + 1, L'\0');
    title.resize(static_cast<size_t>(GetWindowTextW(hwnd_, title.data(), length + 1)));
    gtk_window_set_title(GTK_WINDOW(window_), WideToUtf8String(title).c_str());
}

void NativeWindow::SyncShape() {
    cairo_region_t* shape = nullptr;
    cairo_surface_t* surface = nullptr;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        const WindowRecord* w = Find(hwnd_);
        if (w == nullptr) return;
        if (w->hasShape) shape = RegionToCairo(w->shape);
        if (!composited_ && w->perPixelAlpha && w->surface != nullptr) surface = cairo_surface_reference(w->surface);
    }
    if (surface != nullptr) {
        // Without a compositor transparent pixels would show black: cut
        // the window to the pixels that are more opaque than not.
        cairo_surface_flush(surface);
        cairo_region_t* opaque = gdk_cairo_region_create_from_surface(surface);
        cairo_surface_destroy(surface);
        if (shape != nullptr) {
            cairo_region_intersect(shape, opaque);
            cairo_region_destroy(opaque);
        } else {
            shape = opaque;
        }
    }
    gtk_widget_shape_combine_region(window_, shape);
    gtk_widget_input_shape_combine_region(window_, shape);
    if (shape != nullptr) cairo_region_destroy(shape);
}

void NativeWindow::Invalidate(const RECT& rc) {
    if (IsRectEmpty(&rc)) return;
    gtk_widget_queue_draw_area(area_, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}

void NativeWindow::Raise() {
    if (GdkWindow* native = gtk_widget_get_window(window_)) gdk_window_raise(native);
}

void NativeWindow::Focus() {
    if (GdkWindow* native = gtk_widget_get_window(window_)) gdk_window_focus(native, GDK_CURRENT_TIME);
    gtk_widget_grab_focus(area_);
}

void NativeWindow::SetCursor(GdkCursor* cursor) {
    if (GdkWindow* native = gtk_widget_get_window(area_)) gdk_window_set_cursor(native, cursor);
}

int NativeWindow::OnDraw(GtkWidget*, cairo_t* cr, void* self) {
    static_cast<NativeWindow*>(self)->Draw(cr);
    return TRUE;
}

void NativeWindow::Draw(cairo_t* cr) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<Layer> layers;
    bool perPixel = false;
    BYTE alpha = 255;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        const WindowRecord* w = Find(hwnd_);
        if (w != nullptr) {
            const SIZE size = ClientSize(*w);
            GatherLayers(*w, 0, 0, RECT{0, 0, size.cx, size.cy}, layers);
            perPixel = w->perPixelAlpha;
            alpha = w->constantAlpha;
        }
    }
    ++g_framesDrawn;
    // The window's pixels replace what the native window held. Windows
    // that are not per-pixel layered are opaque whatever their alpha.
    const bool translucent = composited_ && (perPixel || alpha != 255);
    if (translucent) cairo_push_group(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    if (!perPixel) {
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_paint(cr);
    }
    for (size_t i = 0; i < layers.size(); ++i) {
        const Layer& layer = layers[i];
        cairo_save(cr);
        cairo_rectangle(cr, layer.clip.left, layer.clip.top, layer.clip.right - layer.clip.left,
                        layer.clip.bottom - layer.clip.top);
        cairo_clip(cr);
        // The top-level surface replaces (per-pixel) or covers (opaque) the
        // background; child windows are drawn over their parent.
        cairo_set_operator(cr, i == 0 && perPixel ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER);
        cairo_surface_flush(layer.surface);
        cairo_set_source_surface(cr, layer.surface, layer.x, layer.y);
        cairo_paint(cr);
        cairo_restore(cr);
        cairo_surface_destroy(layer.surface);
    }
    if (translucent) {
        cairo_pop_group_to_source(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint_with_alpha(cr, alpha / 255.0);
    }
    const auto spent = std::chrono::steady_clock::now() - start;
    g_drawMicroseconds += static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(spent).count());
}

POINT NativeWindow::ScreenPoint(double x, double y) const {
    POINT pt{static_cast<LONG>(x), static_cast<LONG>(y)};
    ClientToScreen(hwnd_, &pt);
    return pt;
}

int NativeWindow::OnEvent(GtkWidget*, GdkEvent* event, void* self) {
    static_cast<NativeWindow*>(self)->HandleEvent(event);
    return TRUE;
}

void NativeWindow::HandleEvent(const GdkEvent* event) {
    NativeInput input;
    switch (event->type) {
        case GDK_MOTION_NOTIFY: {
            const POINT pt = ScreenPoint(event->motion.x, event->motion.y);
            sink_(NativeInput{NativeInput::Kind::Move, pt.x, pt.y});
            return;
        }
        case GDK_ENTER_NOTIFY:
        case GDK_LEAVE_NOTIFY: {
            const POINT pt = ScreenPoint(event->crossing.x, event->crossing.y);
            sink_(NativeInput{NativeInput::Kind::Move, pt.x, pt.y});
            return;
        }
        case GDK_BUTTON_PRESS:
        case GDK_BUTTON_RELEASE: {
            // The window system tells double-clicks itself from the times
            // of single presses.
            if (event->button.button != 1 && event->button.button != 3) return;
            const POINT pt = ScreenPoint(event->button.x, event->button.y);
            sink_(NativeInput{NativeInput::Kind::Move, pt.x, pt.y});
            input.kind = event->type == GDK_BUTTON_PRESS ? NativeInput::Kind::ButtonDown : NativeInput::Kind::ButtonUp;
            input.button = event->button.button == 1 ? Headless::Button::Left : Headless::Button::Right;
            sink_(input);
            return;
        }
        case GDK_SCROLL: {
            int delta = 0;
            if (event->scroll.direction == GDK_SCROLL_UP) delta = WHEEL_DELTA;
            if (event->scroll.direction == GDK_SCROLL_DOWN) delta = -WHEEL_DELTA;
            if (delta == 0) return;
            const POINT pt = ScreenPoint(event->scroll.x, event->scroll.y);
            sink_(NativeInput{NativeInput::Kind::Move, pt.x, pt.y});
            input.kind = NativeInput::Kind::Wheel;
            input.wheelDelta = delta;
            sink_(input);
            return;
        }
        case GDK_KEY_PRESS:
        case GDK_KEY_RELEASE: {
            const bool press = event->type == GDK_KEY_PRESS;
            input.virtualKey = VirtualKeyFromKeyval(event->key.keyval);
            if (input.virtualKey != 0) {
                input.kind = press ? NativeInput::Kind::KeyDown : NativeInput::Kind::KeyUp;
                sink_(input);
            }
            if (press) {
                if (const wchar_t ch = UntranslatedChar(event->key.keyval)) {
                    NativeInput typed;
                    typed.kind = NativeInput::Kind::Char;
                    typed.ch = ch;
                    sink_(typed);
                }
            }
            return;
        }
        default:
            return;
    }
}

int NativeWindow::OnDelete(GtkWidget*, GdkEvent*, void* self) {
    // Closing from outside (a window manager) is a WM_CLOSE to the window.
    PostMessageW(static_cast<NativeWindow*>(self)->hwnd_, WM_CLOSE, 0, 0);
    return TRUE;
}
