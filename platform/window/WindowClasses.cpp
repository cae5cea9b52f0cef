// Window classes.
#include <algorithm>
#include <cwctype>

#include "platform/window/WindowState.h"

using namespace windowing;

namespace {

std::wstring ClassKey(LPCWSTR name) {
    std::wstring key(name);
    std::transform(key.begin(), key.end(), key.begin(), [](wchar_t c) { return std::towlower(c); });
    return key;
}

bool IsAtom(LPCWSTR name) { return reinterpret_cast<std::uintptr_t>(name) < 0x10000; }

}  // namespace

ATOM RegisterClassExW(const WNDCLASSEXW* cls) {
    if (cls == nullptr || cls->lpszClassName == nullptr || IsAtom(cls->lpszClassName) || cls->lpfnWndProc == nullptr ||
        *cls->lpszClassName == 0) {
        return 0;
    }
    auto record = std::make_shared<WindowClass>();
    record->name = cls->lpszClassName;
    record->style = cls->style;
    record->proc = cls->lpfnWndProc;
    record->instance = cls->hInstance;
    record->cursor = cls->hCursor;
    record->icon = cls->hIcon;
    record->smallIcon = cls->hIconSm;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    const std::wstring key = ClassKey(cls->lpszClassName);
    if (sys.classes.count(key) != 0) return 0;
    sys.classes.emplace(key, record);
    return static_cast<ATOM>(0xC000 + sys.classes.size());
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
    if (className == nullptr || IsAtom(className)) return FALSE;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    auto it = sys.classes.find(ClassKey(className));
    if (it == sys.classes.end()) return FALSE;
    for (auto& [handle, w] : sys.windows) {
        if (w->cls == it->second) return FALSE;  // still in use
    }
    sys.classes.erase(it);
    return TRUE;
}

BOOL GetClassInfoExW(HINSTANCE, LPCWSTR className, WNDCLASSEXW* out) {
    if (className == nullptr || IsAtom(className) || out == nullptr) return FALSE;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    auto it = sys.classes.find(ClassKey(className));
    if (it == sys.classes.end()) return FALSE;
    const WindowClass& cls = *it->second;
    out->style = cls.style;
    out->lpfnWndProc = cls.proc;
    out->hInstance = cls.instance;
    out->hCursor = cls.cursor;
    out->hIcon = cls.icon;
    out->hIconSm = cls.smallIcon;
    out->lpszClassName = cls.name.c_str();
    return TRUE;
}

int GetClassNameW(HWND hwnd, LPWSTR buffer, int maxCount) {
    if (buffer == nullptr || maxCount <= 0) return 0;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr) return 0;
    const int count = std::min<int>(static_cast<int>(w->cls->name.size()), maxCount - 1);
    std::copy_n(w->cls->name.c_str(), count, buffer);
    buffer[count] = 0;
    return count;
}

namespace windowing {

std::shared_ptr<WindowClass> FindClass(LPCWSTR name) {
    if (name == nullptr || IsAtom(name)) return nullptr;
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    auto it = sys.classes.find(ClassKey(name));
    return it == sys.classes.end() ? nullptr : it->second;
}

bool SameClassName(const std::wstring& a, LPCWSTR b) { return ClassKey(a.c_str()) == ClassKey(b); }

}  // namespace windowing
