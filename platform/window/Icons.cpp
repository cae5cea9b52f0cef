#include "platform/window/Icons.h"

#include <cairo.h>

#include <cstring>
#include <mutex>
#include <map>
#include <set>
#include <string>
#include <tuple>

#include "platform/LastError.h"
#include "platform/window/CursorRecord.h"

namespace {

// Icons handed out by LoadImageW that DestroyIcon may free, and the shared
// ones, loaded once per name and size and kept for the process.
std::mutex g_iconsLock;
std::set<HICON>& OwnedIcons() {
    static auto* icons = new std::set<HICON>;
    return *icons;
}
std::map<std::tuple<std::wstring, int, int>, HICON>& SharedIcons() {
    static auto* icons = new std::map<std::tuple<std::wstring, int, int>, HICON>;
    return *icons;
}

std::wstring NameKey(LPCWSTR name) {
    return IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<std::uintptr_t>(name)) : std::wstring(name);
}

struct PngReader {
    const unsigned char* data;
    size_t size;
    size_t at = 0;
};

cairo_status_t ReadPng(void* closure, unsigned char* out, unsigned int length) {
    auto* reader = static_cast<PngReader*>(closure);
    if (length > reader->size - reader->at) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, reader->data + reader->at, length);
    reader->at += length;
    return CAIRO_STATUS_SUCCESS;
}

// The group entry to use for a size: the smallest at least as wide, else
// the widest.
const GRPICONDIRENTRY* ChooseEntry(const GRPICONDIR* dir, size_t size, int cx) {
    const auto* entries = reinterpret_cast<const GRPICONDIRENTRY*>(dir + 1);
    if (size < sizeof(GRPICONDIR) + dir->idCount * sizeof(GRPICONDIRENTRY)) return nullptr;
    const GRPICONDIRENTRY* best = nullptr;
    auto width = [](const GRPICONDIRENTRY* e) { return e->bWidth == 0 ? 256 : e->bWidth; };
    for (WORD i = 0; i < dir->idCount; ++i) {
        const GRPICONDIRENTRY* e = &entries[i];
        if (best == nullptr) {
            best = e;
        } else if (width(best) < cx ? width(e) > width(best) : (width(e) >= cx && width(e) < width(best))) {
            best = e;
        }
    }
    return best;
}

cairo_surface_t* Decode(const void* data, size_t size) {
    static const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < 8 || std::memcmp(data, kPngSignature, 8) != 0) return nullptr;  // only PNG images
    PngReader reader{static_cast<const unsigned char*>(data), size};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(ReadPng, &reader);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return surface;
}

cairo_surface_t* Scaled(cairo_surface_t* image, int cx, int cy) {
    const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
    if (w == cx && h == cy) return image;
    cairo_surface_t* scaled = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cx, cy);
    cairo_t* cr = cairo_create(scaled);
    cairo_scale(cr, static_cast<double>(cx) / w, static_cast<double>(cy) / h);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(image);
    return scaled;
}

}  // namespace

HICON LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int cx, int cy, UINT flags) {
    if (type != IMAGE_ICON || name == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (cx == 0) cx = (flags & LR_DEFAULTSIZE) ? GetSystemMetrics(SM_CXICON) : 0;
    if (cy == 0) cy = (flags & LR_DEFAULTSIZE) ? GetSystemMetrics(SM_CYICON) : 0;
    const auto sharedKey = std::make_tuple(NameKey(name), cx, cy);
    if (flags & LR_SHARED) {
        std::lock_guard<std::mutex> guard(g_iconsLock);
        auto found = SharedIcons().find(sharedKey);
        if (found != SharedIcons().end()) return found->second;
    }
    HRSRC groupResource = FindResourceW(instance, name, RT_GROUP_ICON);
    if (groupResource == nullptr) return nullptr;
    const auto* dir = static_cast<const GRPICONDIR*>(LockResource(LoadResource(instance, groupResource)));
    const DWORD groupSize = SizeofResource(instance, groupResource);
    if (dir == nullptr || groupSize < sizeof(GRPICONDIR) || dir->idType != 1 || dir->idCount == 0) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    const GRPICONDIRENTRY* entry = ChooseEntry(dir, groupSize, cx > 0 ? cx : GetSystemMetrics(SM_CXICON));
    HRSRC imageResource = entry ? FindResourceW(instance, MAKEINTRESOURCEW(entry->nId), RT_ICON) : nullptr;
    cairo_surface_t* image =
        imageResource ? Decode(LockResource(LoadResource(instance, imageResource)), SizeofResource(instance, imageResource))
                      : nullptr;
    if (image == nullptr) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    if (cx <= 0) cx = cairo_image_surface_get_width(image);
    if (cy <= 0) cy = cairo_image_surface_get_height(image);
    auto* icon = new CursorTag{0, Scaled(image, cx, cy)};
    std::lock_guard<std::mutex> guard(g_iconsLock);
    if (flags & LR_SHARED) {
        auto [slot, added] = SharedIcons().emplace(sharedKey, icon);
        if (!added) {  // another thread loaded it meanwhile
            cairo_surface_destroy(icon->image);
            delete icon;
        }
        return slot->second;
    }
    OwnedIcons().insert(icon);
    return icon;
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
    return LoadImageW(instance, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED);
}

BOOL DestroyIcon(HICON icon) {
    {
        std::lock_guard<std::mutex> guard(g_iconsLock);
        if (OwnedIcons().erase(icon) == 0) return FALSE;  // shared, a system cursor, or unknown
    }
    cairo_surface_destroy(icon->image);
    delete icon;
    return TRUE;
}

cairo_surface_t* GetIconSurface(HICON icon) { return icon != nullptr ? icon->image : nullptr; }
