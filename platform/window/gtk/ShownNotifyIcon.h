// One notification-area icon as a display shows it (a StatusNotifierItem
// or an XEmbed tray icon). Display thread only. The user's clicks go back
// to the layer through NotifyIconInput.
#pragma once

#include <string>

#include "platform/shell/NotifyArea.h"

class ShownNotifyIcon {
 public:
    virtual ~ShownNotifyIcon() = default;
    // The icon's pixels, tip or state changed.
    virtual void Update(const NotifyIconState& icon) = 0;
};

// Tells the debug output what happened to the notification area.
void ReportNotifyArea(const std::string& text);

// The pointer's position on the screen (where a click with no place of its
// own happened).
POINT PointerPosition();
