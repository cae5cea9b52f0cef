#include "platform/window/gtk/MainContextBridge.h"

#include <glib.h>

#include <algorithm>

struct MainContextBridge::Source {
    GSource base;
    MainContextBridge* owner;
};

namespace {

GSourceFuncs g_bridgeFuncs = {};

}  // namespace

MainContextBridge::MainContextBridge() : displayThread_(std::this_thread::get_id()) {
    context_ = g_main_context_default();
    g_bridgeFuncs.prepare = &MainContextBridge::Prepare;
    g_bridgeFuncs.check = &MainContextBridge::Check;
    g_bridgeFuncs.dispatch = &MainContextBridge::Dispatch;
    source_ = g_source_new(&g_bridgeFuncs, sizeof(Source));
    reinterpret_cast<Source*>(source_)->owner = this;
    // Without this, nothing handed over arrives while a modal loop nested
    // in one of our dispatches iterates the context.
    g_source_set_can_recurse(source_, TRUE);
    g_source_set_priority(source_, G_PRIORITY_DEFAULT);
    g_source_attach(source_, context_);
}

MainContextBridge::~MainContextBridge() {
    g_source_destroy(source_);
    g_source_unref(source_);
}

bool MainContextBridge::OnDisplayThread() const { return std::this_thread::get_id() == displayThread_; }

void MainContextBridge::RunOnDisplayThread(std::function<void()> task) {
    if (OnDisplayThread()) {
        task();
        return;
    }
    {
        std::lock_guard guard(lock_);
        tasks_.push_back(std::move(task));
    }
    g_main_context_wakeup(context_);
}

void MainContextBridge::Wake() {
    woken_ = true;
    g_main_context_wakeup(context_);
}

void MainContextBridge::IterateOnce(std::int64_t timeoutMs) {
    const std::int64_t saved = deadlineUs_;
    deadlineUs_ = timeoutMs < 0 ? -1 : g_get_monotonic_time() + timeoutMs * 1000;
    g_main_context_iteration(context_, TRUE);
    deadlineUs_ = saved;
}

bool MainContextBridge::Ready() const {
    if (woken_) return true;
    {
        std::lock_guard guard(lock_);
        if (!tasks_.empty()) return true;
    }
    const std::int64_t deadline = deadlineUs_;
    return deadline >= 0 && g_get_monotonic_time() >= deadline;
}

int MainContextBridge::Prepare(GSource* source, int* timeout) {
    MainContextBridge* self = reinterpret_cast<Source*>(source)->owner;
    if (self->Ready()) {
        *timeout = 0;
        return TRUE;
    }
    const std::int64_t deadline = self->deadlineUs_;
    if (deadline < 0) {
        *timeout = -1;
    } else {
        const std::int64_t left = (deadline - g_get_monotonic_time() + 999) / 1000;
        *timeout = static_cast<int>(std::max<std::int64_t>(left, 0));
    }
    return FALSE;
}

int MainContextBridge::Check(GSource* source) { return reinterpret_cast<Source*>(source)->owner->Ready() ? TRUE : FALSE; }

int MainContextBridge::Dispatch(GSource* source, int (*)(void*), void*) {
    MainContextBridge* self = reinterpret_cast<Source*>(source)->owner;
    // The iteration that dispatches us returns: the wake-up is delivered.
    self->woken_ = false;
    // One task per dispatch, so that a task that starts a nested loop
    // leaves the rest to that loop.
    std::function<void()> task;
    {
        std::lock_guard guard(self->lock_);
        if (!self->tasks_.empty()) {
            task = std::move(self->tasks_.front());
            self->tasks_.pop_front();
        }
    }
    if (task) task();
    return G_SOURCE_CONTINUE;
}
