// What a display backend is told: every change it must mirror, after the
// change, and the waits of message loops.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/window/Backend.h"
#include "platform/window/HeadlessBackend.h"
#include "platform/window/Headless.h"
#include "platform/window/Icons.h"
#include "platform/window/Regions.h"
#include "tests/platform_window/RecordingWindow.h"
#include "tests/support/TempMachineRoot.h"

namespace {

class RecordingBackend final : public WindowBackend {
 public:
    std::vector<std::string> events;
    int waits = 0;
    int polls = 0;

    void WindowCreated(HWND) override { events.push_back("created"); }
    void WindowDestroyed(HWND) override { events.push_back("destroyed"); }
    void VisibilityChanged(HWND hwnd, bool visible) override {
        events.push_back(std::string(visible ? "shown" : "hidden") + (IsWindowVisible(hwnd) == visible ? "" : "!"));
    }
    void GeometryChanged(HWND hwnd, const RECT& rect) override {
        RECT now;
        GetWindowRect(hwnd, &now);
        events.push_back("geometry " + std::to_string(rect.left) + "," + std::to_string(rect.right - rect.left) +
                         (EqualRect(&now, &rect) ? "" : "!"));
    }
    void ZOrderChanged(HWND) override {}
    void ShapeChanged(HWND, const Region* shape) override { events.push_back(shape != nullptr ? "shaped" : "unshaped"); }
    void TitleChanged(HWND) override { events.push_back("title"); }
    void Present(HWND, const RECT& rect) override {
        events.push_back("present " + std::to_string(rect.right - rect.left) + "x" +
                         std::to_string(rect.bottom - rect.top));
    }
    void LayeringChanged(HWND, bool perPixel, BYTE alpha) override {
        events.push_back("layered " + std::to_string(perPixel) + " " + std::to_string(alpha));
    }
    void CursorChanged(HCURSOR) override { events.push_back("cursor"); }
    void IconChanged(HWND) override { events.push_back("icon"); }
    bool OpenMenu(const std::vector<MenuItem>&, POINT, std::function<void(UINT_PTR)>) override { return false; }
    void CloseMenu() override {}
    void Poll() override { ++polls; }
    void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, std::uint64_t deadlineMs) override {
        ++waits;
        headless_.Wait(lock, cv, deadlineMs);
    }
    void Wake(std::condition_variable& cv) override { cv.notify_all(); }

 private:
    HeadlessBackend headless_;
};

TEST(BackendSeamTest, TheBackendMirrorsEveryVisibleChange) {
    TempMachineRoot root;
    static RecordingBackend backend;
    ASSERT_TRUE(InstallBackend(&backend));
    EXPECT_EQ(&CurrentBackend(), &backend);

    RecordingWindow w;
    w.Create(WS_POPUP | WS_VISIBLE, 0, 0, 30, 20);
    EXPECT_FALSE(InstallBackend(nullptr)) << "only before the first window";
    Headless::PumpMessages();
    MoveWindow(w.hwnd(), 5, 0, 40, 20, TRUE);
    SetWindowTextW(w.hwnd(), L"t");
    SetWindowRgn(w.hwnd(), CreateRectRgn(0, 0, 10, 10), FALSE);
    SetWindowLongPtrW(w.hwnd(), GWL_EXSTYLE, WS_EX_LAYERED);
    SetLayeredWindowAttributes(w.hwnd(), 0, 99, LWA_ALPHA);
    SendMessageW(w.hwnd(), WM_SETICON, ICON_BIG, 0);
    ShowWindow(w.hwnd(), SW_MINIMIZE);
    ShowWindow(w.hwnd(), SW_RESTORE);  // leaving the minimised state is told too
    ShowWindow(w.hwnd(), SW_HIDE);
    DestroyWindow(w.hwnd());
    const std::vector<std::string> expected = {
        "created", "shown",        "present 30x20", "geometry 5,40", "title",
        "shaped",  "layered 0 99", "icon",          "shown",         "shown",         "hidden",
        "destroyed",
    };
    EXPECT_EQ(backend.events, expected);

    // Message loops wait through the backend, and only when nothing is queued.
    PostMessageW(nullptr, WM_USER, 0, 0);
    MSG msg;
    EXPECT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(backend.waits, 0);
    RecordingWindow target;
    target.Create(WS_POPUP, 0, 0, 1, 1);
    const HWND hwnd = target.hwnd();
    std::thread poster([hwnd] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        PostMessageW(hwnd, WM_USER + 1, 0, 0);
    });
    do {
        ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    } while (msg.message != WM_USER + 1);
    poster.join();
    EXPECT_GE(backend.waits, 1);

    // A loop that only peeks lets the backend serve the display when it
    // finds nothing, and never makes it wait.
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    const int waits = backend.waits;
    const int polls = backend.polls;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_GT(backend.polls, polls);
    EXPECT_EQ(backend.waits, waits);
}

}  // namespace
