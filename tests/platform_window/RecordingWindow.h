// Test windows that record the messages they receive.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/window/User32.h"

struct Received {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A window class whose procedure records every message into the log of
// the window object passed as creation parameter and lets a test override
// single messages.
class RecordingWindow {
 public:
    using Handler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

    RecordingWindow() = default;
    ~RecordingWindow();
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    HWND Create(DWORD style, int x, int y, int cx, int cy, HWND parent = nullptr, DWORD exStyle = 0,
                const wchar_t* title = L"test");
    HWND hwnd() const { return hwnd_; }

    void On(UINT message, Handler handler) { handlers_[message] = std::move(handler); }
    // Messages received so far with the given numbers (all if empty).
    std::vector<Received> Log(std::vector<UINT> only = {}) const;
    std::vector<UINT> Messages(std::vector<UINT> only) const;
    void Clear() { log_.clear(); }
    int Count(UINT message) const;

    static const wchar_t* ClassName();

 private:
    static LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    std::vector<Received> log_;
    std::map<UINT, Handler> handlers_;
};
