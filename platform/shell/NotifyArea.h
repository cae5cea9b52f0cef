// The notification area behind Shell_NotifyIconW: the icons it holds, the
// seam to a display's notification area, and the calls by which that area
// (or a test, without a display) reports what the user did.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/shell/ShellApi.h"

typedef struct _cairo_surface cairo_surface_t;

// One icon as the notification area holds it.
struct NotifyIconState {
    HWND window = nullptr;
    UINT id = 0;
    bool hasMessage = false;  // NIF_MESSAGE was given
    UINT callbackMessage = 0;
    std::shared_ptr<cairo_surface_t> icon;  // a copy of the pixels; null for none
    std::wstring tip;
    bool hidden = false;
    UINT version = 0;
    // The notification area's life the icon belongs to (see NotifyAreaRestarted).
    std::uint64_t generation = 0;
};

// What shows the icons to a user. Calls come from any thread, after the
// change and without internal locks held; a call whose generation is older
// than the latest NotifyAreaRestarted answer is stale and dropped.
class NotifyAreaHost {
 public:
    virtual ~NotifyAreaHost() = default;
    // Whether a notification area is there to take icons now.
    virtual bool Present() = 0;
    // An icon was added or changed.
    virtual void IconShown(const NotifyIconState& icon) = 0;
    virtual void IconRemoved(HWND window, UINT id, std::uint64_t generation) = 0;
};

// Installs the host (kept for the life of the process); without one the
// icons live in memory only. False once an icon was added.
bool InstallNotifyAreaHost(NotifyAreaHost* host);

// The icons now held, in the order they were added.
std::vector<NotifyIconState> NotifyIcons();

// The user acted on an icon with the mouse at a screen point: the pointer
// moves there and the icon's callback message is posted as the icon's
// version asks. False for an unknown icon.
bool NotifyIconInput(HWND window, UINT id, UINT mouseMessage, POINT screenPoint);

// The notification area was created anew (present) or went away: every
// icon is gone. When present, "TaskbarCreated" is posted to every
// top-level window of the process. Returns the new generation.
std::uint64_t NotifyAreaRestarted(bool present);
