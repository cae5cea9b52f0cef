#include "tests/platform_gtk/DisplayProbe.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/window/gtk/DisplayBackend.h"

namespace {

LRESULT TickProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A hidden window whose timer wakes the loop now and then.
HWND TickWindow() {
    static HWND window = [] {
        WNDCLASSEXW cls;
        cls.lpfnWndProc = &TickProc;
        cls.lpszClassName = L"DisplayProbeTick";
        RegisterClassExW(&cls);
        HWND hwnd = CreateWindowExW(0, L"DisplayProbeTick", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                    nullptr);
        SetTimer(hwnd, 1, 20, nullptr);
        return hwnd;
    }();
    return window;
}

}  // namespace

bool RunLoopUntil(const std::function<bool()>& done, int timeoutMs) {
    TickWindow();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    MSG msg;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        if (!GetMessageW(&msg, nullptr, 0, 0)) return done();
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

void WaitForDrawing() {
    const std::uint64_t before = DisplayFramesDrawn();
    RunLoopUntil([&] { return DisplayFramesDrawn() > before; }, 2000);
    const auto settle = std::chrono::steady_clock::now() + std::chrono::milliseconds(150);
    RunLoopUntil([&] { return std::chrono::steady_clock::now() >= settle; }, 1000);
}

bool Xdotool(const std::string& arguments) {
    const std::string command = "xdotool " + arguments + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::uint32_t Screenshot::At(int screenX, int screenY) const {
    const int cx = screenX - x;
    const int cy = screenY - y;
    if (cx < 0 || cy < 0 || cx >= width || cy >= height) return 0xFFFFFFFF;
    return pixels[static_cast<size_t>(cy) * static_cast<size_t>(width) + static_cast<size_t>(cx)];
}

Screenshot TakeScreenshot(const RECT& area) {
    Screenshot shot;
    const std::string file = "/tmp/display-probe-" + std::to_string(getpid()) + ".ppm";
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const std::string command = "import -silent -window root -crop " + std::to_string(width) + "x" +
                                std::to_string(height) + "+" + std::to_string(area.left) + "+" +
                                std::to_string(area.top) + " +repage -depth 8 ppm:" + file + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return shot;
    std::ifstream in(file, std::ios::binary);
    std::string magic;
    int w = 0;
    int h = 0;
    int maxValue = 0;
    in >> magic >> w >> h >> maxValue;
    in.get();
    if (magic != "P6" || w != width || h != height || maxValue != 255) return shot;
    std::vector<unsigned char> bytes(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    std::remove(file.c_str());
    if (!in) return shot;
    shot.x = area.left;
    shot.y = area.top;
    shot.width = w;
    shot.height = h;
    shot.pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (size_t i = 0; i < shot.pixels.size(); ++i) {
        shot.pixels[i] = (std::uint32_t{bytes[i * 3]} << 16) | (std::uint32_t{bytes[i * 3 + 1]} << 8) | bytes[i * 3 + 2];
    }
    return shot;
}
