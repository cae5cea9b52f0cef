// The backend without a display: every window lives in memory only.
#pragma once

#include "platform/window/Backend.h"

class HeadlessBackend final : public WindowBackend {
 public:
    void WindowCreated(HWND) override {}
    void WindowDestroyed(HWND) override {}
    void VisibilityChanged(HWND, bool) override {}
    void GeometryChanged(HWND, const RECT&) override {}
    void ZOrderChanged(HWND) override {}
    void ShapeChanged(HWND, const Region*) override {}
    void TitleChanged(HWND) override {}
    void Present(HWND, const RECT&) override {}
    void LayeringChanged(HWND, bool, BYTE) override {}
    void CursorChanged(HCURSOR) override {}
    void IconChanged(HWND) override {}
    bool OpenMenu(const std::vector<MenuItem>&, POINT, std::function<void(UINT_PTR)>) override { return false; }
    void CloseMenu() override {}
    void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, std::uint64_t deadlineMs) override;
    void Wake(std::condition_variable& cv) override { cv.notify_all(); }
    void Poll() override {}
};
