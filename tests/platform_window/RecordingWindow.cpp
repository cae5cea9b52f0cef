#include "tests/platform_window/RecordingWindow.h"

#include <algorithm>

RecordingWindow::~RecordingWindow() {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

const wchar_t* RecordingWindow::ClassName() {
    static const bool registered = [] {
        WNDCLASSEXW cls;
        cls.style = CS_DBLCLKS;
        cls.lpfnWndProc = &RecordingWindow::Proc;
        cls.lpszClassName = L"RecordingWindow";
        cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        return RegisterClassExW(&cls) != 0;
    }();
    return registered ? L"RecordingWindow" : nullptr;
}

HWND RecordingWindow::Create(DWORD style, int x, int y, int cx, int cy, HWND parent, DWORD exStyle,
                             const wchar_t* title) {
    CreateWindowExW(exStyle, ClassName(), title, style, x, y, cx, cy, parent, nullptr, nullptr, this);
    return hwnd_;
}

LRESULT RecordingWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<RecordingWindow*>(cs->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    self->log_.push_back(Received{hwnd, message, wParam, lParam});
    if (message == WM_NCDESTROY) {
        self->hwnd_ = nullptr;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    }
    auto it = self->handlers_.find(message);
    if (it != self->handlers_.end()) return it->second(hwnd, message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::vector<Received> RecordingWindow::Log(std::vector<UINT> only) const {
    std::vector<Received> out;
    for (const Received& r : log_) {
        if (only.empty() || std::find(only.begin(), only.end(), r.message) != only.end()) out.push_back(r);
    }
    return out;
}

std::vector<UINT> RecordingWindow::Messages(std::vector<UINT> only) const {
    std::vector<UINT> out;
    for (const Received& r : Log(std::move(only))) out.push_back(r.message);
    return out;
}

int RecordingWindow::Count(UINT message) const {
    return static_cast<int>(std::count_if(log_.begin(), log_.end(), [&](const Received& r) { return r.message == message; }));
}
