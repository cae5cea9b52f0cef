// The display's notification area behind Shell_NotifyIconW: icons become
// StatusNotifierItems where a StatusNotifierWatcher owns its name on the
// session bus, else XEmbed tray icons where the X screen has a tray
// manager; with neither, no icon is taken. Whenever the watcher or a tray
// manager appears anew (or the watcher goes), the area counts as created
// anew: every icon is dropped and "TaskbarCreated" tells the windows to add
// theirs again. Without a session bus only the XEmbed tray is used. Each
// change is reported to the debug output.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/shell/NotifyArea.h"
#include "platform/window/gtk/ShownNotifyIcon.h"
#include "platform/window/gtk/XEmbedTrayIcon.h"

class MainContextBridge;
typedef struct _GDBusConnection GDBusConnection;

class GtkNotifyArea final : public NotifyAreaHost {
 public:
    // Display thread, after the display is open.
    explicit GtkNotifyArea(MainContextBridge& bridge);
    ~GtkNotifyArea() override;
    GtkNotifyArea(const GtkNotifyArea&) = delete;
    GtkNotifyArea& operator=(const GtkNotifyArea&) = delete;

    bool Present() override;
    void IconShown(const NotifyIconState& icon) override;
    void IconRemoved(HWND window, UINT id, std::uint64_t generation) override;

 private:
    enum class Kind { None, StatusNotifier, XEmbed };

    void WatchSessionBus();
    Kind Choose() const;
    // The area was created anew: drop every icon and tell the windows.
    void Restart(const char* why);
    void OnWatcherOwner(const std::string& owner);

    MainContextBridge& bridge_;
    std::string busAddress_;
    GDBusConnection* bus_ = nullptr;  // watches the watcher's name
    unsigned watch_ = 0;
    std::string watcherOwner_;  // unique name of the watcher; empty: none
    std::unique_ptr<XEmbedTrayManagerWatch> trayWatch_;
    std::atomic<Kind> kind_{Kind::None};
    std::uint64_t generation_ = 0;
    std::map<std::pair<HWND, UINT>, std::unique_ptr<ShownNotifyIcon>> icons_;
};
