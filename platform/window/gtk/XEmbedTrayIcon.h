// A notification-area icon in an XEmbed system tray (the
// "_NET_SYSTEM_TRAY_S<n>" manager of the X screen) through GtkStatusIcon,
// for desktops without a StatusNotifierWatcher. Presses, releases and
// double presses of the left, right and middle buttons reach the icon's
// window as the matching mouse messages at the pointer's screen position.
#pragma once

#include <functional>

#include "platform/window/gtk/ShownNotifyIcon.h"

typedef struct _GtkStatusIcon GtkStatusIcon;
typedef union _GdkEvent GdkEvent;

class XEmbedTrayIcon final : public ShownNotifyIcon {
 public:
    explicit XEmbedTrayIcon(const NotifyIconState& icon);
    ~XEmbedTrayIcon() override;
    XEmbedTrayIcon(const XEmbedTrayIcon&) = delete;
    XEmbedTrayIcon& operator=(const XEmbedTrayIcon&) = delete;

    void Update(const NotifyIconState& icon) override;

 private:
    static int OnButton(GtkStatusIcon* status, GdkEvent* event, void* self);

    GtkStatusIcon* status_ = nullptr;
    NotifyIconState icon_;
};

// Whether the X screen has a system tray manager now.
bool XEmbedTrayManagerPresent();

// Calls appeared on the display thread whenever a tray manager announces
// itself (a new one, or one that restarted).
class XEmbedTrayManagerWatch {
 public:
    explicit XEmbedTrayManagerWatch(std::function<void()> appeared);
    ~XEmbedTrayManagerWatch();
    XEmbedTrayManagerWatch(const XEmbedTrayManagerWatch&) = delete;
    XEmbedTrayManagerWatch& operator=(const XEmbedTrayManagerWatch&) = delete;

 private:
    static int Filter(void* xevent, GdkEvent* event, void* self);

    std::function<void()> appeared_;
    unsigned pending_ = 0;  // idle source announcing an appearance
};
