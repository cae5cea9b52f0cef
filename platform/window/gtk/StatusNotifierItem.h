// A notification-area icon as a StatusNotifierItem on the session bus: a
// connection of its own owns "org.kde.StatusNotifierItem-PID-N", exports
// the item at "/StatusNotifierItem" and registers it with the
// StatusNotifierWatcher. The host's Activate is a left click, ContextMenu
// a right click and SecondaryActivate a middle click, each at the given
// point (the pointer's position when the host gives none).
#pragma once

#include <memory>
#include <string>

#include "platform/window/gtk/ShownNotifyIcon.h"

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GDBusMethodInvocation GDBusMethodInvocation;
typedef struct _GVariant GVariant;
typedef struct _GError GError;

// A private connection to the message bus at address that never ends the
// program when the bus goes; null (reported) when it cannot be had.
GDBusConnection* OpenBusConnection(const std::string& address);

class StatusNotifierItem final : public ShownNotifyIcon {
 public:
    // Null (with the reason sent to the debug output) when the bus at
    // address cannot be reached or the name not owned.
    static std::unique_ptr<StatusNotifierItem> Create(const std::string& busAddress, const NotifyIconState& icon);
    ~StatusNotifierItem() override;
    StatusNotifierItem(const StatusNotifierItem&) = delete;
    StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

    void Update(const NotifyIconState& icon) override;

 private:
    StatusNotifierItem(GDBusConnection* connection, std::string busName, const NotifyIconState& icon);
    bool Export();
    void Register();
    void Emit(const char* signal, GVariant* arguments);
    void Click(UINT down, UINT up, int x, int y);
    GVariant* Property(const char* name);
    static void OnMethodCall(GDBusConnection*, const char*, const char*, const char*, const char* method,
                             GVariant* parameters, GDBusMethodInvocation* invocation, void* self);
    static GVariant* OnGetProperty(GDBusConnection*, const char*, const char*, const char*, const char* property,
                                   GError** error, void* self);

    GDBusConnection* connection_;
    std::string busName_;
    unsigned registration_ = 0;
    NotifyIconState icon_;
};
