// The meeting point of the window system's message loops and the GLib
// main context of the display thread.
//
// A custom GSource carries two things: tasks handed over from other
// threads (display calls must run on the display thread), and wake-ups of
// a display thread that waits for messages while iterating the context.
// The source may recurse, so that tasks and wake-ups still arrive while a
// nested modal loop iterates the context from inside a dispatch.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

typedef struct _GSource GSource;
typedef struct _GMainContext GMainContext;

class MainContextBridge {
 public:
    // Attaches to the default main context; the calling thread becomes
    // the display thread.
    MainContextBridge();
    ~MainContextBridge();
    MainContextBridge(const MainContextBridge&) = delete;
    MainContextBridge& operator=(const MainContextBridge&) = delete;

    bool OnDisplayThread() const;
    // Runs the task now on the display thread, otherwise hands it over.
    void RunOnDisplayThread(std::function<void()> task);
    // Display thread: iterates the context once, blocking until woken,
    // until a task ran, until a native event was served or until
    // timeoutMs passed (negative: no limit).
    void IterateOnce(std::int64_t timeoutMs);
    // Any thread: makes the display thread's IterateOnce return.
    void Wake();

 private:
    struct Source;
    static int Prepare(GSource* source, int* timeout);
    static int Check(GSource* source);
    static int Dispatch(GSource* source, int (*callback)(void*), void* data);
    bool Ready() const;

    GMainContext* context_ = nullptr;
    GSource* source_ = nullptr;
    std::thread::id displayThread_;
    std::atomic<bool> woken_{false};
    std::atomic<std::int64_t> deadlineUs_{-1};  // monotonic; -1 none
    mutable std::mutex lock_;
    std::deque<std::function<void()>> tasks_;
};
