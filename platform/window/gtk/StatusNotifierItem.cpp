#include "platform/window/gtk/StatusNotifierItem.h"

#include <cairo.h>
#include <gio/gio.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <vector>

#include "platform/CodePage.h"

namespace {

constexpr char kItemPath[] = "/StatusNotifierItem";
constexpr char kItemInterface[] = "org.kde.StatusNotifierItem";

// The item exports no "Menu" (no com.canonical.dbusmenu object): the menu
// belongs to the icon's window, which builds it on each right click and
// runs it as a real popup menu (TrackPopupMenu). Hosts without a Menu
// property to read ask for it with ContextMenu at the clicked point, which
// reaches the window as that right click. ItemIsMenu is false, so a left
// click is Activate.
constexpr char kItemXml[] =
    "<node><interface name='org.kde.StatusNotifierItem'>"
    "<property name='Category' type='s' access='read'/>"
    "<property name='Id' type='s' access='read'/>"
    "<property name='Title' type='s' access='read'/>"
    "<property name='Status' type='s' access='read'/>"
    "<property name='WindowId' type='i' access='read'/>"
    "<property name='IconName' type='s' access='read'/>"
    "<property name='IconPixmap' type='a(iiay)' access='read'/>"
    "<property name='OverlayIconName' type='s' access='read'/>"
    "<property name='OverlayIconPixmap' type='a(iiay)' access='read'/>"
    "<property name='AttentionIconName' type='s' access='read'/>"
    "<property name='AttentionIconPixmap' type='a(iiay)' access='read'/>"
    "<property name='AttentionMovieName' type='s' access='read'/>"
    "<property name='ToolTip' type='(sa(iiay)ss)' access='read'/>"
    "<property name='ItemIsMenu' type='b' access='read'/>"
    "<method name='ContextMenu'><arg name='x' type='i' direction='in'/><arg name='y' type='i' direction='in'/></method>"
    "<method name='Activate'><arg name='x' type='i' direction='in'/><arg name='y' type='i' direction='in'/></method>"
    "<method name='SecondaryActivate'><arg name='x' type='i' direction='in'/><arg name='y' type='i' direction='in'/>"
    "</method>"
    "<method name='Scroll'><arg name='delta' type='i' direction='in'/><arg name='orientation' type='s' "
    "direction='in'/></method>"
    "<signal name='NewTitle'/><signal name='NewIcon'/><signal name='NewAttentionIcon'/>"
    "<signal name='NewOverlayIcon'/><signal name='NewToolTip'/>"
    "<signal name='NewStatus'><arg name='status' type='s'/></signal>"
    "</interface></node>";

GDBusInterfaceInfo* ItemInterface() {
    static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kItemXml, nullptr);
    return node->interfaces[0];
}

// The program's name: its executable's file name without extension.
std::string ProgramId() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::string stem = error ? std::string() : exe.stem().string();
    return stem.empty() ? "program" : stem;
}

// Pixels as the item's a(iiay): width, height and ARGB32 in network byte
// order, not premultiplied.
GVariant* Pixmaps(const NotifyIconState& icon) {
    GVariantBuilder list;
    g_variant_builder_init(&list, G_VARIANT_TYPE("a(iiay)"));
    if (cairo_surface_t* surface = icon.icon.get()) {
        cairo_surface_flush(surface);
        const int width = cairo_image_surface_get_width(surface);
        const int height = cairo_image_surface_get_height(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        std::vector<guint8> bytes;
        bytes.reserve(static_cast<size_t>(width) * height * 4);
        for (int y = 0; y < height; ++y) {
            const auto* row = reinterpret_cast<const guint32*>(data + static_cast<size_t>(y) * stride);
            for (int x = 0; x < width; ++x) {
                const guint32 p = row[x];
                const guint32 a = p >> 24;
                auto channel = [&](int shift) {
                    const guint32 c = (p >> shift) & 0xFF;
                    return static_cast<guint8>(a == 0 ? 0 : std::min<guint32>(255, (c * 255 + a / 2) / a));
                };
                bytes.push_back(static_cast<guint8>(a));
                bytes.push_back(channel(16));
                bytes.push_back(channel(8));
                bytes.push_back(channel(0));
            }
        }
        GVariant* array = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, bytes.data(), bytes.size(), 1);
        g_variant_builder_add(&list, "(ii@ay)", width, height, array);
    }
    return g_variant_builder_end(&list);
}

GVariant* NoPixmaps() { return g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0); }

std::string WindowTitle(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring title(static_cast<size_t>(length) + 1, L'\0');
    title.resize(static_cast<size_t>(GetWindowTextW(window, title.data(), length + 1)));
    return WideToUtf8String(title);
}

}  // namespace

POINT PointerPosition() {
    GdkDisplay* display = gdk_display_get_default();
    GdkSeat* seat = display != nullptr ? gdk_display_get_default_seat(display) : nullptr;
    GdkDevice* pointer = seat != nullptr ? gdk_seat_get_pointer(seat) : nullptr;
    int x = 0;
    int y = 0;
    if (pointer != nullptr) gdk_device_get_position(pointer, nullptr, &x, &y);
    return POINT{x, y};
}

GDBusConnection* OpenBusConnection(const std::string& address) {
    GError* error = nullptr;
    GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    if (connection == nullptr) {
        ReportNotifyArea(std::string("session bus not reached: ") + error->message);
        g_error_free(error);
        return nullptr;
    }
    g_dbus_connection_set_exit_on_close(connection, FALSE);
    return connection;
}

std::unique_ptr<StatusNotifierItem> StatusNotifierItem::Create(const std::string& busAddress,
                                                               const NotifyIconState& icon) {
    static std::atomic<int> serial{0};
    GDBusConnection* connection = OpenBusConnection(busAddress);
    if (connection == nullptr) return nullptr;
    GError* error = nullptr;
    std::string name =
        "org.kde.StatusNotifierItem-" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
    // DBUS_NAME_FLAG_DO_NOT_QUEUE; 1 is DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER.
    GVariant* reply = g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "RequestName",
                                                  g_variant_new("(su)", name.c_str(), 4u), G_VARIANT_TYPE("(u)"),
                                                  G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, &error);
    guint32 answer = 0;
    if (reply != nullptr) {
        g_variant_get(reply, "(u)", &answer);
        g_variant_unref(reply);
    } else {
        ReportNotifyArea(std::string("bus name refused: ") + error->message);
        g_error_free(error);
    }
    if (answer != 1) {
        g_dbus_connection_close_sync(connection, nullptr, nullptr);
        g_object_unref(connection);
        return nullptr;
    }
    std::unique_ptr<StatusNotifierItem> item(new StatusNotifierItem(connection, std::move(name), icon));
    if (!item->Export()) return nullptr;
    item->Register();
    return item;
}

StatusNotifierItem::StatusNotifierItem(GDBusConnection* connection, std::string busName, const NotifyIconState& icon)
    : connection_(connection), busName_(std::move(busName)), icon_(icon) {}

StatusNotifierItem::~StatusNotifierItem() {
    if (registration_ != 0) g_dbus_connection_unregister_object(connection_, registration_);
    // Closing gives the name up, which tells the watcher the item is gone.
    g_dbus_connection_close_sync(connection_, nullptr, nullptr);
    g_object_unref(connection_);
}

bool StatusNotifierItem::Export() {
    static const GDBusInterfaceVTable vtable = {&StatusNotifierItem::OnMethodCall, &StatusNotifierItem::OnGetProperty,
                                                nullptr, {}};
    GError* error = nullptr;
    registration_ = g_dbus_connection_register_object(connection_, kItemPath, ItemInterface(), &vtable, this, nullptr,
                                                      &error);
    if (registration_ == 0) {
        ReportNotifyArea(std::string("item not exported: ") + error->message);
        g_error_free(error);
        return false;
    }
    return true;
}

void StatusNotifierItem::Register() {
    g_dbus_connection_call(
        connection_, "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
        "RegisterStatusNotifierItem", g_variant_new("(s)", busName_.c_str()), nullptr, G_DBUS_CALL_FLAGS_NONE, 5000,
        nullptr,
        [](GObject* source, GAsyncResult* result, gpointer) {
            GError* error = nullptr;
            GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
            if (reply != nullptr) {
                g_variant_unref(reply);
            } else {
                ReportNotifyArea(std::string("watcher refused the item: ") + error->message);
                g_error_free(error);
            }
        },
        nullptr);
}

void StatusNotifierItem::Emit(const char* signal, GVariant* arguments) {
    g_dbus_connection_emit_signal(connection_, nullptr, kItemPath, kItemInterface, signal, arguments, nullptr);
}

void StatusNotifierItem::Update(const NotifyIconState& icon) {
    const NotifyIconState before = icon_;
    icon_ = icon;
    if (before.icon != icon.icon) Emit("NewIcon", nullptr);
    if (before.tip != icon.tip) Emit("NewToolTip", nullptr);
    if (before.hidden != icon.hidden) Emit("NewStatus", g_variant_new("(s)", icon.hidden ? "Passive" : "Active"));
}

void StatusNotifierItem::Click(UINT down, UINT up, int x, int y) {
    // Hosts that do not know where the click was send 0, 0.
    const POINT at = x == 0 && y == 0 ? PointerPosition() : POINT{x, y};
    NotifyIconInput(icon_.window, icon_.id, down, at);
    NotifyIconInput(icon_.window, icon_.id, up, at);
}

void StatusNotifierItem::OnMethodCall(GDBusConnection*, const char*, const char*, const char*, const char* method,
                                      GVariant* parameters, GDBusMethodInvocation* invocation, void* self) {
    auto* item = static_cast<StatusNotifierItem*>(self);
    const std::string name = method;
    gint32 x = 0;
    gint32 y = 0;
    if (name == "Activate" || name == "ContextMenu" || name == "SecondaryActivate") {
        g_variant_get(parameters, "(ii)", &x, &y);
    }
    // Reply first: the click may start a modal loop (a menu).
    g_dbus_method_invocation_return_value(invocation, nullptr);
    if (name == "Activate") item->Click(WM_LBUTTONDOWN, WM_LBUTTONUP, x, y);
    if (name == "ContextMenu") item->Click(WM_RBUTTONDOWN, WM_RBUTTONUP, x, y);
    if (name == "SecondaryActivate") item->Click(WM_MBUTTONDOWN, WM_MBUTTONUP, x, y);
    // Scroll: a notification-area icon has no wheel message.
}

GVariant* StatusNotifierItem::OnGetProperty(GDBusConnection*, const char*, const char*, const char*,
                                            const char* property, GError**, void* self) {
    return static_cast<StatusNotifierItem*>(self)->Property(property);
}

GVariant* StatusNotifierItem::Property(const char* name) {
    const std::string property = name;
    if (property == "Category") return g_variant_new_string("ApplicationStatus");
    if (property == "Id") return g_variant_new_string(ProgramId().c_str());
    if (property == "Title") {
        const std::string title = WindowTitle(icon_.window);
        return g_variant_new_string(title.empty() ? ProgramId().c_str() : title.c_str());
    }
    if (property == "Status") return g_variant_new_string(icon_.hidden ? "Passive" : "Active");
    if (property == "WindowId") return g_variant_new_int32(0);
    if (property == "IconPixmap") return Pixmaps(icon_);
    if (property == "OverlayIconPixmap" || property == "AttentionIconPixmap") return NoPixmaps();
    if (property == "ToolTip") {
        return g_variant_new("(s@a(iiay)ss)", "", NoPixmaps(), WideToUtf8String(icon_.tip).c_str(), "");
    }
    if (property == "ItemIsMenu") return g_variant_new_boolean(FALSE);
    return g_variant_new_string("");  // the icon, overlay, attention and movie names: pixels only
}
