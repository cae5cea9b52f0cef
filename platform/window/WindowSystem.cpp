#include <chrono>

#include "platform/Threads.h"
#include "platform/window/HeadlessBackend.h"
#include "platform/window/WindowState.h"

namespace windowing {

namespace {

std::atomic<bool> g_manualClock{false};
std::atomic<std::uint64_t> g_manualNow{1000000};

struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder() {
        if (!queue) return;
        queue->alive = false;
        ForgetWindowsOf(*queue);
    }
};

thread_local QueueHolder t_queue;

}  // namespace

WindowSystem& System() {
    // Never destroyed: windows may be touched from static destructors.
    static WindowSystem* system = new WindowSystem;
    return *system;
}

WindowRecord* Find(HWND hwnd) {
    auto& sys = System();
    auto it = sys.windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
    return it == sys.windows.end() ? nullptr : it->second.get();
}

std::shared_ptr<WindowRecord> FindShared(HWND hwnd) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    auto it = sys.windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
    return it == sys.windows.end() ? nullptr : it->second;
}

std::shared_ptr<ThreadQueue> CurrentQueue() {
    if (!t_queue.queue) {
        auto queue = std::make_shared<ThreadQueue>();
        queue->threadId = GetCurrentThreadId();
        queue->thread = std::this_thread::get_id();
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        std::erase_if(sys.queues, [](const std::weak_ptr<ThreadQueue>& q) { return q.expired(); });
        sys.queues.push_back(queue);
        t_queue.queue = std::move(queue);
    }
    return t_queue.queue;
}

void WakeQueue(ThreadQueue& queue) {
    std::lock_guard guard(queue.lock);
    ++queue.wakeCount;
    CurrentBackend().Wake(queue.cv);
}

void WakeAllQueues() {
    std::vector<std::shared_ptr<ThreadQueue>> queues;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        for (auto& weak : sys.queues) {
            if (auto q = weak.lock()) queues.push_back(std::move(q));
        }
    }
    for (auto& q : queues) WakeQueue(*q);
}

std::uint64_t NowMs() {
    if (g_manualClock) return g_manualNow;
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SetManualClock(bool manual) {
    if (manual) g_manualNow = NowMs();
    g_manualClock = manual;
    WakeAllQueues();
}

void AdvanceManualClock(DWORD ms) {
    g_manualNow += ms;
    WakeAllQueues();
}

bool OnOwnerThread(HWND hwnd) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    return w != nullptr && w->queue->thread == std::this_thread::get_id();
}

bool QueueCall(HWND hwnd, std::function<void()> call) {
    std::shared_ptr<ThreadQueue> queue;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        if (w == nullptr || !w->queue->alive) return false;
        queue = w->queue;
    }
    std::lock_guard guard(queue->lock);
    queue->calls.push_back(std::move(call));
    ++queue->wakeCount;
    CurrentBackend().Wake(queue->cv);
    return true;
}

LRESULT SendOrNotify(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (OnOwnerThread(hwnd)) return SendMessageW(hwnd, message, wParam, lParam);
    QueueCall(hwnd, [hwnd, message, wParam, lParam] { SendMessageW(hwnd, message, wParam, lParam); });
    return 0;
}

POINT ScreenOrigin(const WindowRecord& w) {
    POINT origin{w.rect.left, w.rect.top};
    const WindowRecord* parent = Find(w.parent);
    while (parent != nullptr) {
        origin.x += parent->rect.left;
        origin.y += parent->rect.top;
        parent = Find(parent->parent);
    }
    return origin;
}

bool EffectivelyVisible(const WindowRecord& w) {
    const WindowRecord* current = &w;
    while (current != nullptr) {
        if ((current->style & WS_VISIBLE) == 0) return false;
        current = Find(current->parent);
    }
    return true;
}

HWND RootOf(HWND hwnd) {
    WindowRecord* w = Find(hwnd);
    while (w != nullptr && w->parent != nullptr) {
        hwnd = w->parent;
        w = Find(hwnd);
    }
    return w == nullptr ? nullptr : hwnd;
}

}  // namespace windowing

namespace {

std::atomic<WindowBackend*> g_backend{nullptr};

}  // namespace

void HeadlessBackend::Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, std::uint64_t deadlineMs) {
    if (deadlineMs == UINT64_MAX) {
        cv.wait(lock);
        return;
    }
    const std::uint64_t now = windowing::NowMs();
    if (deadlineMs <= now) return;
    // The manual clock moves only through AdvanceClock, which wakes us.
    cv.wait_for(lock, std::chrono::milliseconds(deadlineMs - now));
}

WindowBackend& CurrentBackend() {
    static HeadlessBackend headless;
    WindowBackend* installed = g_backend.load();
    return installed != nullptr ? *installed : headless;
}

bool InstallBackend(WindowBackend* backend) {
    auto& sys = windowing::System();
    std::lock_guard guard(sys.lock);
    if (!sys.windows.empty()) return false;
    g_backend = backend;
    return true;
}
