#include "tests/platform_gtk/WatcherStandIn.h"

#include <gio/gio.h>

#include <cstdlib>
#include <future>

namespace {

constexpr char kWatcherXml[] =
    "<node><interface name='org.kde.StatusNotifierWatcher'>"
    "<method name='RegisterStatusNotifierItem'><arg name='service' type='s' direction='in'/></method>"
    "<method name='RegisterStatusNotifierHost'><arg name='service' type='s' direction='in'/></method>"
    "<property name='RegisteredStatusNotifierItems' type='as' access='read'/>"
    "<property name='IsStatusNotifierHostRegistered' type='b' access='read'/>"
    "<property name='ProtocolVersion' type='i' access='read'/>"
    "</interface></node>";

}  // namespace

WatcherStandIn::~WatcherStandIn() { Stop(); }

bool WatcherStandIn::Start() {
    Stop();
    {
        std::lock_guard guard(lock_);
        items_.clear();
    }
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address == nullptr) return false;
    connection_ = g_dbus_connection_new_for_address_sync(
        address,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    if (connection_ == nullptr) return false;
    g_dbus_connection_set_exit_on_close(connection_, FALSE);
    context_ = g_main_context_new();
    loop_ = g_main_loop_new(context_, FALSE);
    auto ready = std::make_shared<std::promise<bool>>();
    auto answered = ready->get_future();
    thread_ = std::thread([this, ready] {
        g_main_context_push_thread_default(context_);
        static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kWatcherXml, nullptr);
        static const GDBusInterfaceVTable vtable = {
            [](GDBusConnection*, const gchar* sender, const gchar*, const gchar*, const gchar* method,
               GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self) {
                auto* watcher = static_cast<WatcherStandIn*>(self);
                if (g_strcmp0(method, "RegisterStatusNotifierItem") == 0) {
                    const char* service = nullptr;
                    g_variant_get(parameters, "(&s)", &service);
                    std::lock_guard guard(watcher->lock_);
                    watcher->items_.push_back(service[0] == '/' ? std::string(sender) : std::string(service));
                }
                g_dbus_method_invocation_return_value(invocation, nullptr);
            },
            [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* property, GError**,
               gpointer) -> GVariant* {
                if (g_strcmp0(property, "IsStatusNotifierHostRegistered") == 0) return g_variant_new_boolean(TRUE);
                if (g_strcmp0(property, "ProtocolVersion") == 0) return g_variant_new_int32(0);
                return g_variant_new_strv(nullptr, 0);
            },
            nullptr,
            {}};
        registration_ = g_dbus_connection_register_object(connection_, "/StatusNotifierWatcher", node->interfaces[0],
                                                          &vtable, this, nullptr, nullptr);
        GVariant* reply = g_dbus_connection_call_sync(
            connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
            g_variant_new("(su)", "org.kde.StatusNotifierWatcher", 4u), G_VARIANT_TYPE("(u)"),
            G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
        guint32 answer = 0;
        if (reply != nullptr) {
            g_variant_get(reply, "(u)", &answer);
            g_variant_unref(reply);
        }
        ready->set_value(registration_ != 0 && answer == 1);
        Serve();
        g_main_context_pop_thread_default(context_);
    });
    return answered.get();
}

void WatcherStandIn::Serve() { g_main_loop_run(loop_); }

void WatcherStandIn::Stop() {
    if (!thread_.joinable()) return;
    g_main_loop_quit(loop_);
    thread_.join();
    if (registration_ != 0) g_dbus_connection_unregister_object(connection_, registration_);
    registration_ = 0;
    g_dbus_connection_close_sync(connection_, nullptr, nullptr);
    g_object_unref(connection_);
    connection_ = nullptr;
    g_main_loop_unref(loop_);
    g_main_context_unref(context_);
    loop_ = nullptr;
    context_ = nullptr;
}

std::vector<std::string> WatcherStandIn::Items() {
    std::lock_guard guard(lock_);
    return items_;
}

std::string WatcherStandIn::WaitForItem(std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        {
            std::lock_guard guard(lock_);
            if (!items_.empty()) return items_.back();
        }
        if (std::chrono::steady_clock::now() >= end) return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
}

void WatcherStandIn::Call(const std::string& item, const char* method, int x, int y) {
    g_dbus_connection_call(connection_, item.c_str(), "/StatusNotifierItem", "org.kde.StatusNotifierItem", method,
                           g_variant_new("(ii)", x, y), nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr,
                           nullptr);
}

GVariant* WatcherStandIn::Property(const std::string& item, const char* name) {
    GVariant* reply = g_dbus_connection_call_sync(
        connection_, item.c_str(), "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", "org.kde.StatusNotifierItem", name), G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE,
        5000, nullptr, nullptr);
    if (reply == nullptr) return nullptr;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    g_variant_unref(reply);
    return value;
}
