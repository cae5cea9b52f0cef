// Posting, sending and reading messages; timers.
#include <algorithm>

#include "platform/window/Backend.h"
#include "platform/window/WindowState.h"

using namespace windowing;

namespace {

std::shared_ptr<ThreadQueue> QueueOfWindow(HWND hwnd) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr || !w->queue->alive) return nullptr;
    return w->queue;
}

void PostToQueue(ThreadQueue& queue, const MSG& msg) {
    std::lock_guard guard(queue.lock);
    queue.posted.push_back(msg);
    ++queue.wakeCount;
    CurrentBackend().Wake(queue.cv);
}

MSG MakeMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg;
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = static_cast<DWORD>(NowMs());
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    msg.pt = sys.input.cursor;
    return msg;
}

bool InRange(UINT message, UINT filterMin, UINT filterMax) {
    if (filterMin == 0 && filterMax == 0) return true;
    return message >= filterMin && message <= filterMax;
}

// Lock held.
bool WindowMatches(HWND target, HWND filter) {
    if (filter == nullptr) return true;
    if (target == filter) return true;
    const WindowRecord* w = Find(target);
    while (w != nullptr && w->parent != nullptr) {
        if (w->parent == filter) return true;
        w = Find(w->parent);
    }
    return false;
}

// Generated messages: paint, hover, timers. Returns true with msg filled;
// otherwise sets nextDue to the earliest time something falls due.
bool Generate(ThreadQueue& queue, HWND filter, UINT filterMin, UINT filterMax, bool remove, MSG& msg,
              std::uint64_t& nextDue) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    const std::uint64_t now = NowMs();
    nextDue = UINT64_MAX;
    for (auto& [handle, w] : sys.windows) {
        if (w->queue.get() != &queue) continue;
        const HWND hwnd = HandleOf(*w);
        if (!WindowMatches(hwnd, filter)) continue;
        if (InRange(WM_PAINT, filterMin, filterMax) && !w->update.IsEmpty() && EffectivelyVisible(*w) &&
            (w->style & WS_MINIMIZE) == 0) {
            msg = MSG{hwnd, WM_PAINT, 0, 0, static_cast<DWORD>(now), sys.input.cursor};
            return true;
        }
    }
    for (auto& [handle, w] : sys.windows) {
        if (w->queue.get() != &queue || !w->trackHover) continue;
        const HWND hwnd = HandleOf(*w);
        if (!WindowMatches(hwnd, filter) || !InRange(WM_MOUSEHOVER, filterMin, filterMax)) continue;
        if (w->hoverDue <= now) {
            const POINT origin = ScreenOrigin(*w);
            msg = MSG{hwnd, WM_MOUSEHOVER, MouseKeyFlags(),
                      MAKELPARAM(sys.input.cursor.x - origin.x, sys.input.cursor.y - origin.y),
                      static_cast<DWORD>(now), sys.input.cursor};
            if (remove) w->trackHover = false;
            return true;
        }
        nextDue = std::min(nextDue, w->hoverDue);
    }
    if (InRange(WM_TIMER, filterMin, filterMax)) {
        for (auto& [handle, w] : sys.windows) {
            if (w->queue.get() != &queue) continue;
            const HWND hwnd = HandleOf(*w);
            if (!WindowMatches(hwnd, filter)) continue;
            for (auto& [id, timer] : w->timers) {
                if (timer.due <= now) {
                    msg = MSG{hwnd, WM_TIMER, id, reinterpret_cast<LPARAM>(timer.proc), static_cast<DWORD>(now),
                              sys.input.cursor};
                    if (remove) timer.due = now + timer.elapse;
                    return true;
                }
                nextDue = std::min(nextDue, timer.due);
            }
        }
    }
    return false;
}

// Keeps the key state of GetKeyState in step with the input read. Lock held.
void NoteInputRead(const MSG& msg) {
    BYTE* keys = System().input.syncKeys;
    switch (msg.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            keys[msg.wParam & 0xFF] |= 0x80;
            break;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            keys[msg.wParam & 0xFF] &= static_cast<BYTE>(~0x80);
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONDBLCLK:
            keys[VK_LBUTTON] |= 0x80;
            break;
        case WM_LBUTTONUP:
        case WM_NCLBUTTONUP:
            keys[VK_LBUTTON] &= static_cast<BYTE>(~0x80);
            break;
        case WM_RBUTTONDOWN:
        case WM_NCRBUTTONDOWN:
            keys[VK_RBUTTON] |= 0x80;
            break;
        case WM_RBUTTONUP:
        case WM_NCRBUTTONUP:
            keys[VK_RBUTTON] &= static_cast<BYTE>(~0x80);
            break;
        default:
            break;
    }
}

bool Retrieve(MSG* out, HWND filter, UINT filterMin, UINT filterMax, bool remove, bool wait) {
    auto queue = CurrentQueue();
    bool polled = false;
    for (;;) {
        RunQueuedCalls(*queue);
        std::uint64_t seen;
        {
            std::lock_guard guard(queue->lock);
            seen = queue->wakeCount;
        }
        {
            // Posted messages first; the window filter needs the window table.
            auto& sys = System();
            std::lock_guard sysGuard(sys.lock);
            std::lock_guard guard(queue->lock);
            for (auto it = queue->posted.begin(); it != queue->posted.end(); ++it) {
                if (!InRange(it->message, filterMin, filterMax)) continue;
                if (filter != nullptr && !WindowMatches(it->hwnd, filter)) continue;
                *out = *it;
                if (remove) {
                    queue->posted.erase(it);
                    NoteInputRead(*out);
                }
                queue->lastMessageTime = out->time;
                return true;
            }
            if (queue->quit && filter == nullptr) {
                *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(queue->quitCode), 0,
                           static_cast<DWORD>(NowMs()), sys.input.cursor};
                if (remove) queue->quit = false;
                return true;
            }
        }
        std::uint64_t nextDue = UINT64_MAX;
        if (Generate(*queue, filter, filterMin, filterMax, remove, *out, nextDue)) {
            queue->lastMessageTime = out->time;
            return true;
        }
        if (!wait) {
            // A loop that only peeks still serves the display, once per look.
            if (polled) return false;
            polled = true;
            CurrentBackend().Poll();
            continue;
        }
        std::unique_lock lock(queue->lock);
        if (queue->wakeCount == seen && queue->calls.empty()) CurrentBackend().Wait(lock, queue->cv, nextDue);
    }
}

// The procedure of a live window, if the caller owns it.
WNDPROC OwnedProc(HWND hwnd) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    if (w == nullptr || w->queue->thread != std::this_thread::get_id()) return nullptr;
    return w->proc;
}

struct SentCall {
    bool done = false;
    LRESULT result = 0;
};

}  // namespace

namespace windowing {

void RunQueuedCalls(ThreadQueue& queue) {
    for (;;) {
        std::function<void()> call;
        {
            std::lock_guard guard(queue.lock);
            if (queue.calls.empty()) return;
            call = std::move(queue.calls.front());
            queue.calls.pop_front();
        }
        call();
    }
}

void PostInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto queue = QueueOfWindow(hwnd);
    if (queue) PostToQueue(*queue, MakeMsg(hwnd, message, wParam, lParam));
}

}  // namespace windowing

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd == HWND_BROADCAST) {
        std::vector<HWND> targets;
        {
            auto& sys = System();
            std::lock_guard guard(sys.lock);
            targets = sys.topLevel;
        }
        for (HWND target : targets) PostMessageW(target, message, wParam, lParam);
        return TRUE;
    }
    if (hwnd == nullptr) {
        PostToQueue(*CurrentQueue(), MakeMsg(nullptr, message, wParam, lParam));
        return TRUE;
    }
    if (IsRemoteHandle(hwnd)) return RemotePost(hwnd, message, wParam, lParam);
    auto queue = QueueOfWindow(hwnd);
    if (!queue) return FALSE;
    PostToQueue(*queue, MakeMsg(hwnd, message, wParam, lParam));
    return TRUE;
}

BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<ThreadQueue> target;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        for (auto& weak : sys.queues) {
            auto q = weak.lock();
            if (q && q->alive && q->threadId == threadId) target = q;
        }
    }
    if (!target) return FALSE;
    PostToQueue(*target, MakeMsg(nullptr, message, wParam, lParam));
    return TRUE;
}

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (WNDPROC proc = OwnedProc(hwnd)) return proc(hwnd, message, wParam, lParam);
    if (!IsWindow(hwnd)) return 0;
    // Another thread owns the window: it runs the call while reading its
    // queue; meanwhile this thread serves calls sent to it.
    auto me = CurrentQueue();
    auto state = std::make_shared<SentCall>();
    const bool queued = QueueCall(hwnd, [=] {
        const LRESULT result = SendMessageW(hwnd, message, wParam, lParam);
        std::lock_guard guard(me->lock);
        state->result = result;
        state->done = true;
        ++me->wakeCount;
        CurrentBackend().Wake(me->cv);
    });
    if (!queued) return 0;
    for (;;) {
        RunQueuedCalls(*me);
        std::unique_lock lock(me->lock);
        if (state->done) return state->result;
        if (me->calls.empty()) {
            // Look again now and then in case the owner thread has ended.
            CurrentBackend().Wait(lock, me->cv, NowMs() + 200);
        }
        if (!state->done && me->calls.empty()) {
            lock.unlock();
            auto owner = QueueOfWindow(hwnd);
            if (!owner) return 0;
        }
    }
}

BOOL GetMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (msg == nullptr) return -1;
    Retrieve(msg, hwnd, filterMin, filterMax, true, true);
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (msg == nullptr) return FALSE;
    return Retrieve(msg, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0, false) ? TRUE : FALSE;
}

BOOL WaitMessage() {
    MSG msg;
    Retrieve(&msg, nullptr, 0, 0, false, true);
    return TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
    if (msg == nullptr || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
    const int vk = static_cast<int>(msg->wParam);
    bool shift;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        shift = (sys.input.syncKeys[VK_SHIFT] & 0x80) != 0;
    }
    wchar_t ch = 0;
    if (vk >= 'A' && vk <= 'Z') {
        ch = static_cast<wchar_t>(shift ? vk : vk - 'A' + 'a');
    } else if (vk >= '0' && vk <= '9') {
        ch = static_cast<wchar_t>(vk);
    } else if (vk == VK_SPACE || vk == VK_RETURN || vk == VK_TAB || vk == VK_ESCAPE || vk == VK_BACK) {
        ch = static_cast<wchar_t>(vk);
    }
    if (ch == 0) return TRUE;
    auto queue = CurrentQueue();
    MSG charMsg = MakeMsg(msg->hwnd, msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, ch, msg->lParam);
    std::lock_guard guard(queue->lock);
    queue->posted.push_front(charMsg);
    ++queue->wakeCount;
    return TRUE;
}

LRESULT DispatchMessageW(const MSG* msg) {
    if (msg == nullptr || msg->hwnd == nullptr) return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    WNDPROC proc = OwnedProc(msg->hwnd);
    return proc == nullptr ? 0 : proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode) {
    auto queue = CurrentQueue();
    std::lock_guard guard(queue->lock);
    queue->quit = true;
    queue->quitCode = exitCode;
    ++queue->wakeCount;
}

DWORD GetMessageTime() { return CurrentQueue()->lastMessageTime; }

UINT RegisterWindowMessageW(LPCWSTR name) {
    static std::mutex lock;
    static std::map<std::wstring, UINT> numbers;
    if (name == nullptr || *name == 0) return 0;
    std::lock_guard guard(lock);
    auto it = numbers.find(name);
    if (it != numbers.end()) return it->second;
    const UINT number = 0xC000 + static_cast<UINT>(numbers.size());
    if (number > 0xFFFF) return 0;
    numbers.emplace(name, number);
    return number;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    std::shared_ptr<ThreadQueue> queue;
    {
        auto& sys = System();
        std::lock_guard guard(sys.lock);
        WindowRecord* w = Find(hwnd);
        // Thread timers (no window) are not offered.
        if (w == nullptr || w->destroying) return 0;
        TimerRecord& timer = w->timers[id];
        timer.elapse = std::max<UINT>(elapse, 10);
        timer.due = NowMs() + timer.elapse;
        timer.proc = proc;
        queue = w->queue;
    }
    WakeQueue(*queue);
    return id == 0 ? 1 : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    auto& sys = System();
    std::lock_guard guard(sys.lock);
    WindowRecord* w = Find(hwnd);
    return w != nullptr && w->timers.erase(id) != 0;
}
