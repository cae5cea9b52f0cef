#include "platform/window/gtk/XEmbedTrayIcon.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <string>

#include "platform/CodePage.h"

namespace {

GdkPixbuf* PixbufOf(const NotifyIconState& icon) {
    cairo_surface_t* surface = icon.icon.get();
    if (surface == nullptr) return nullptr;
    return gdk_pixbuf_get_from_surface(surface, 0, 0, cairo_image_surface_get_width(surface),
                                       cairo_image_surface_get_height(surface));
}

// The selection a tray manager of the default screen owns.
Atom TraySelection(Display* display) {
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display));
    return XInternAtom(display, name.c_str(), False);
}

Display* XDisplay() {
    GdkDisplay* display = gdk_display_get_default();
    return display != nullptr && GDK_IS_X11_DISPLAY(display) ? GDK_DISPLAY_XDISPLAY(display) : nullptr;
}

}  // namespace

// GtkStatusIcon is deprecated in GTK 3, and still the way to an XEmbed tray.
G_GNUC_BEGIN_IGNORE_DEPRECATIONS

XEmbedTrayIcon::XEmbedTrayIcon(const NotifyIconState& icon) : icon_(icon) {
    status_ = gtk_status_icon_new();
    g_signal_connect(status_, "button-press-event", G_CALLBACK(&XEmbedTrayIcon::OnButton), this);
    g_signal_connect(status_, "button-release-event", G_CALLBACK(&XEmbedTrayIcon::OnButton), this);
    Update(icon);
}

XEmbedTrayIcon::~XEmbedTrayIcon() {
    g_signal_handlers_disconnect_by_data(status_, this);
    gtk_status_icon_set_visible(status_, FALSE);
    g_object_unref(status_);
}

void XEmbedTrayIcon::Update(const NotifyIconState& icon) {
    icon_ = icon;
    if (GdkPixbuf* pixbuf = PixbufOf(icon)) {
        gtk_status_icon_set_from_pixbuf(status_, pixbuf);
        g_object_unref(pixbuf);
    } else {
        gtk_status_icon_set_from_icon_name(status_, "image-missing");
    }
    const std::string tip = WideToUtf8String(icon.tip);
    gtk_status_icon_set_tooltip_text(status_, tip.c_str());
    gtk_status_icon_set_title(status_, tip.c_str());
    gtk_status_icon_set_visible(status_, icon.hidden ? FALSE : TRUE);
}

G_GNUC_END_IGNORE_DEPRECATIONS

int XEmbedTrayIcon::OnButton(GtkStatusIcon*, GdkEvent* event, void* self) {
    auto* tray = static_cast<XEmbedTrayIcon*>(self);
    const GdkEventButton& button = event->button;
    UINT message = 0;
    const bool press = event->type == GDK_BUTTON_PRESS;
    const bool twice = event->type == GDK_2BUTTON_PRESS;
    switch (button.button) {
        case 1: message = twice ? WM_LBUTTONDBLCLK : press ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
        case 2: message = twice ? 0 : press ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
        case 3: message = twice ? WM_RBUTTONDBLCLK : press ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
        default: break;
    }
    if (event->type == GDK_3BUTTON_PRESS) message = 0;
    if (message != 0) {
        NotifyIconInput(tray->icon_.window, tray->icon_.id, message,
                        POINT{static_cast<LONG>(button.x_root), static_cast<LONG>(button.y_root)});
    }
    return TRUE;
}

bool XEmbedTrayManagerPresent() {
    Display* display = XDisplay();
    return display != nullptr && XGetSelectionOwner(display, TraySelection(display)) != None;
}

XEmbedTrayManagerWatch::XEmbedTrayManagerWatch(std::function<void()> appeared) : appeared_(std::move(appeared)) {
    if (XDisplay() == nullptr) return;
    // A manager announces itself to the root window (a MANAGER client
    // message), which reaches those who listen to its structure.
    GdkWindow* root = gdk_get_default_root_window();
    gdk_window_set_events(root, static_cast<GdkEventMask>(gdk_window_get_events(root) | GDK_STRUCTURE_MASK));
    gdk_window_add_filter(root, reinterpret_cast<GdkFilterFunc>(&XEmbedTrayManagerWatch::Filter), this);
}

XEmbedTrayManagerWatch::~XEmbedTrayManagerWatch() {
    if (XDisplay() == nullptr) return;
    gdk_window_remove_filter(gdk_get_default_root_window(), reinterpret_cast<GdkFilterFunc>(&XEmbedTrayManagerWatch::Filter),
                             this);
    if (pending_ != 0) g_source_remove(pending_);
}

int XEmbedTrayManagerWatch::Filter(void* xevent, GdkEvent*, void* self) {
    auto* watch = static_cast<XEmbedTrayManagerWatch*>(self);
    const auto* event = static_cast<const XEvent*>(xevent);
    if (event->type != ClientMessage) return GDK_FILTER_CONTINUE;
    Display* display = event->xclient.display;
    if (event->xclient.message_type != XInternAtom(display, "MANAGER", False) ||
        static_cast<Atom>(event->xclient.data.l[1]) != TraySelection(display)) {
        return GDK_FILTER_CONTINUE;
    }
    // Told outside the event filter: the answer adds icons and posts messages.
    if (watch->pending_ == 0) {
        watch->pending_ = g_idle_add(
            [](gpointer data) -> gboolean {
                auto* self = static_cast<XEmbedTrayManagerWatch*>(data);
                self->pending_ = 0;
                self->appeared_();
                return G_SOURCE_REMOVE;
            },
            watch);
    }
    return GDK_FILTER_CONTINUE;
}
