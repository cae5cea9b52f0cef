#include <cairo.h>

#include <algorithm>
#include <cwchar>
#include <mutex>

#include "platform/LastError.h"
#include "platform/shell/NotifyArea.h"
#include "platform/window/Headless.h"
#include "platform/window/Icons.h"

namespace {

// Without a display the notification area is always there and shows nothing.
class MemoryNotifyArea final : public NotifyAreaHost {
 public:
    bool Present() override { return true; }
    void IconShown(const NotifyIconState&) override {}
    void IconRemoved(HWND, UINT, std::uint64_t) override {}
};

struct NotifyAreaState {
    std::mutex lock;
    std::vector<NotifyIconState> icons;
    std::uint64_t generation = 1;
    NotifyAreaHost* host = nullptr;
    bool used = false;
};

NotifyAreaState& Area() {
    static auto* area = new NotifyAreaState;
    return *area;
}

NotifyAreaHost& Host() {
    static MemoryNotifyArea memory;
    auto& area = Area();
    std::lock_guard guard(area.lock);
    area.used = true;
    return area.host != nullptr ? *area.host : memory;
}

// A copy of the icon's pixels, so that the caller may destroy its icon.
std::shared_ptr<cairo_surface_t> CopyIconPixels(HICON icon) {
    cairo_surface_t* source = GetIconSurface(icon);
    if (source == nullptr) return nullptr;
    cairo_surface_flush(source);
    const int width = cairo_image_surface_get_width(source);
    const int height = cairo_image_surface_get_height(source);
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(copy);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, source, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(copy);
    return std::shared_ptr<cairo_surface_t>(copy, cairo_surface_destroy);
}

std::vector<NotifyIconState>::iterator FindIcon(std::vector<NotifyIconState>& icons, HWND window, UINT id) {
    return std::find_if(icons.begin(), icons.end(),
                        [&](const NotifyIconState& icon) { return icon.window == window && icon.id == id; });
}

// Takes the fields the flags name from the record. False for an icon that
// cannot be read.
bool TakeFields(const NOTIFYICONDATAW& data, NotifyIconState& icon) {
    if ((data.uFlags & NIF_MESSAGE) != 0) {
        icon.hasMessage = true;
        icon.callbackMessage = data.uCallbackMessage;
    }
    if ((data.uFlags & NIF_ICON) != 0) {
        icon.icon = data.hIcon != nullptr ? CopyIconPixels(data.hIcon) : nullptr;
        if (data.hIcon != nullptr && icon.icon == nullptr) return false;
    }
    if ((data.uFlags & NIF_TIP) != 0) {
        icon.tip.assign(data.szTip, wcsnlen(data.szTip, std::size(data.szTip) - 1));
    }
    if ((data.uFlags & NIF_STATE) != 0 && (data.dwStateMask & NIS_HIDDEN) != 0) {
        icon.hidden = (data.dwState & NIS_HIDDEN) != 0;
    }
    return true;
}

void PostCallback(const NotifyIconState& icon, UINT mouseMessage, POINT pt) {
    if (!icon.hasMessage) return;
    auto post = [&](UINT event) {
        if (icon.version >= NOTIFYICON_VERSION_4) {
            PostMessageW(icon.window, icon.callbackMessage, MAKEWPARAM(pt.x, pt.y),
                         MAKELPARAM(static_cast<int>(event), static_cast<int>(icon.id)));
        } else {
            PostMessageW(icon.window, icon.callbackMessage, icon.id, static_cast<LPARAM>(event));
        }
    };
    post(mouseMessage);
    if (icon.version >= NOTIFYICON_VERSION) {
        if (mouseMessage == WM_LBUTTONUP) post(NIN_SELECT);
        if (mouseMessage == WM_RBUTTONUP) post(WM_CONTEXTMENU);
    }
}

}  // namespace

bool InstallNotifyAreaHost(NotifyAreaHost* host) {
    auto& area = Area();
    std::lock_guard guard(area.lock);
    if (area.used) return false;
    area.host = host;
    return true;
}

BOOL Shell_NotifyIconW(DWORD message, PNOTIFYICONDATAW data) {
    constexpr UINT known = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_STATE;
    if (data == nullptr || data->cbSize != sizeof(NOTIFYICONDATAW) || (data->uFlags & ~known) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    NotifyAreaHost& host = Host();
    auto& area = Area();
    NotifyIconState shown;
    bool removed = false;
    {
        std::lock_guard guard(area.lock);
        auto it = FindIcon(area.icons, data->hWnd, data->uID);
        switch (message) {
            case NIM_ADD: {
                if (it != area.icons.end() || !IsWindow(data->hWnd) || !host.Present()) return FALSE;
                NotifyIconState icon;
                icon.window = data->hWnd;
                icon.id = data->uID;
                icon.generation = area.generation;
                if (!TakeFields(*data, icon)) return FALSE;
                area.icons.push_back(icon);
                shown = icon;
                break;
            }
            case NIM_MODIFY: {
                if (it == area.icons.end()) return FALSE;
                NotifyIconState icon = *it;
                if (!TakeFields(*data, icon)) return FALSE;
                *it = icon;
                shown = icon;
                break;
            }
            case NIM_DELETE:
                if (it == area.icons.end()) return FALSE;
                shown = *it;
                area.icons.erase(it);
                removed = true;
                break;
            case NIM_SETVERSION:
                if (it == area.icons.end() || data->uVersion > NOTIFYICON_VERSION_4) return FALSE;
                it->version = data->uVersion;
                return TRUE;  // nothing the user sees changes
            default:
                SetLastError(ERROR_INVALID_PARAMETER);
                return FALSE;
        }
    }
    if (removed) {
        host.IconRemoved(shown.window, shown.id, shown.generation);
    } else {
        host.IconShown(shown);
    }
    return TRUE;
}

std::vector<NotifyIconState> NotifyIcons() {
    auto& area = Area();
    std::lock_guard guard(area.lock);
    return area.icons;
}

bool NotifyIconInput(HWND window, UINT id, UINT mouseMessage, POINT screenPoint) {
    NotifyIconState icon;
    {
        auto& area = Area();
        std::lock_guard guard(area.lock);
        auto it = FindIcon(area.icons, window, id);
        if (it == area.icons.end()) return false;
        icon = *it;
    }
    POINT now;
    GetCursorPos(&now);
    if (now.x != screenPoint.x || now.y != screenPoint.y) Headless::MouseMove(screenPoint.x, screenPoint.y);
    PostCallback(icon, mouseMessage, screenPoint);
    return true;
}

std::uint64_t NotifyAreaRestarted(bool present) {
    std::uint64_t generation;
    {
        auto& area = Area();
        std::lock_guard guard(area.lock);
        area.icons.clear();
        generation = ++area.generation;
    }
    if (present) PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    return generation;
}
