#include "platform/window/gtk/GtkNotifyArea.h"

#include <gio/gio.h>

#include "platform/CodePage.h"
#include "platform/Debug.h"
#include "platform/window/gtk/DesktopHints.h"
#include "platform/window/gtk/MainContextBridge.h"
#include "platform/window/gtk/StatusNotifierItem.h"

namespace {

constexpr char kWatcherName[] = "org.kde.StatusNotifierWatcher";

const char* KindName(int kind) {
    switch (kind) {
        case 1: return "StatusNotifierItem";
        case 2: return "XEmbed tray";
        default: return "none";
    }
}

}  // namespace

void ReportNotifyArea(const std::string& text) {
    OutputDebugStringW((L"托盘: " + Utf8ToWideString(text) + L"\n").c_str());
}

GtkNotifyArea::GtkNotifyArea(MainContextBridge& bridge) : bridge_(bridge) {
    WatchSessionBus();
    trayWatch_ = std::make_unique<XEmbedTrayManagerWatch>([this] {
        if (kind_ != Kind::StatusNotifier) Restart("a tray manager appeared");
    });
    kind_ = Choose();
    generation_ = NotifyAreaRestarted(false);
    ReportNotifyArea(std::string("notification area: ") + KindName(static_cast<int>(kind_.load())));
}

GtkNotifyArea::~GtkNotifyArea() {
    icons_.clear();
    if (watch_ != 0) g_bus_unwatch_name(watch_);
    if (bus_ != nullptr) {
        g_dbus_connection_close_sync(bus_, nullptr, nullptr);
        g_object_unref(bus_);
    }
}

void GtkNotifyArea::WatchSessionBus() {
    busAddress_ = SessionBusAddress();
    if (busAddress_.empty()) {
        ReportNotifyArea("no session bus: StatusNotifierItems are not offered");
        return;
    }
    bus_ = OpenBusConnection(busAddress_);
    if (bus_ == nullptr) {
        busAddress_.clear();
        return;
    }
    GVariant* reply = g_dbus_connection_call_sync(bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "GetNameOwner",
                                                  g_variant_new("(s)", kWatcherName), G_VARIANT_TYPE("(s)"),
                                                  G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
    if (reply != nullptr) {
        const char* owner = nullptr;
        g_variant_get(reply, "(&s)", &owner);
        watcherOwner_ = owner;
        g_variant_unref(reply);
    }
    watch_ = g_bus_watch_name_on_connection(
        bus_, kWatcherName, G_BUS_NAME_WATCHER_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar* owner, gpointer self) {
            static_cast<GtkNotifyArea*>(self)->OnWatcherOwner(owner);
        },
        [](GDBusConnection*, const gchar*, gpointer self) { static_cast<GtkNotifyArea*>(self)->OnWatcherOwner(""); },
        this, nullptr);
}

GtkNotifyArea::Kind GtkNotifyArea::Choose() const {
    if (!watcherOwner_.empty()) return Kind::StatusNotifier;
    return XEmbedTrayManagerPresent() ? Kind::XEmbed : Kind::None;
}

void GtkNotifyArea::OnWatcherOwner(const std::string& owner) {
    if (owner == watcherOwner_) return;
    watcherOwner_ = owner;
    Restart(owner.empty() ? "the StatusNotifierWatcher went away" : "a StatusNotifierWatcher appeared");
}

void GtkNotifyArea::Restart(const char* why) {
    icons_.clear();
    kind_ = Choose();
    ReportNotifyArea(std::string(why) + "; notification area: " + KindName(static_cast<int>(kind_.load())));
    generation_ = NotifyAreaRestarted(kind_ != Kind::None);
}

bool GtkNotifyArea::Present() { return kind_ != Kind::None; }

void GtkNotifyArea::IconShown(const NotifyIconState& icon) {
    bridge_.RunOnDisplayThread([this, icon] {
        if (icon.generation != generation_) return;  // added before the area was created anew
        const auto key = std::make_pair(icon.window, icon.id);
        auto it = icons_.find(key);
        if (it != icons_.end()) {
            it->second->Update(icon);
            return;
        }
        std::unique_ptr<ShownNotifyIcon> shown;
        if (kind_ == Kind::StatusNotifier) shown = StatusNotifierItem::Create(busAddress_, icon);
        if (kind_ == Kind::XEmbed) shown = std::make_unique<XEmbedTrayIcon>(icon);
        if (shown != nullptr) icons_[key] = std::move(shown);
    });
}

void GtkNotifyArea::IconRemoved(HWND window, UINT id, std::uint64_t generation) {
    bridge_.RunOnDisplayThread([this, window, id, generation] {
        if (generation == generation_) icons_.erase(std::make_pair(window, id));
    });
}
