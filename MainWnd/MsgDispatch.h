// CMsgDispatch<T>: the queue of member-function calls that worker threads
// hand to the user-interface thread. PostCall (any thread) appends a call
// and posts the four wake-up messages to the window; whichever message loop
// of the user-interface thread sees one runs every queued call in order
// (RunQueuedCalls), so nested modal loops run them too. One post therefore
// wakes four times and the call runs once: the other three find the queue
// empty.
//
// Once the queue is closed (the exit routine has begun, or the window is
// gone) posts are dropped and nothing more runs: a worker that reports late
// never reaches a window that is ending. T derives from CMsgDispatch<T>.
#pragma once

#include "platform/window/User32.h"

#include <deque>
#include <mutex>

// The wake-up messages, posted in this order with wParam 0 and lParam 0.
constexpr UINT WM_DISPATCH_FIRST = WM_USER + 1003;
constexpr UINT WM_DISPATCH_LAST = WM_USER + 1006;

constexpr bool IsDispatchWakeUp(UINT message) { return message >= WM_DISPATCH_FIRST && message <= WM_DISPATCH_LAST; }

template <class T>
class CMsgDispatch {
 public:
  // A queued call: the member function takes an integer and a pointer.
  using CallFunction = void (T::*)(int, void*);

  CMsgDispatch() = default;
  // Calls that never ran are dropped; what their pointers point to is the
  // poster's.
  virtual ~CMsgDispatch() { CloseQueue(); }
  CMsgDispatch(const CMsgDispatch&) = delete;
  CMsgDispatch& operator=(const CMsgDispatch&) = delete;

  // Any thread. False when the queue is closed (the call is dropped).
  bool PostCall(HWND window, CallFunction function, int intArg, void* ptrArg) {
    {
      std::lock_guard<std::mutex> hold(m_lock);
      if (m_closed) return false;
      m_queue.push_back(QueuedCall{function, intArg, ptrArg});
    }
    for (UINT message = WM_DISPATCH_FIRST; message <= WM_DISPATCH_LAST; ++message)
      PostMessageW(window, message, 0, 0);
    return true;
  }

  // User-interface thread. Runs the queued calls one by one, the lock held
  // only while one is taken off, so a call may post further calls.
  void RunQueuedCalls() {
    for (;;) {
      QueuedCall call;
      {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_closed || m_queue.empty()) return;
        call = m_queue.front();
        m_queue.pop_front();
      }
      (static_cast<T*>(this)->*call.function)(call.intArg, call.ptrArg);
    }
  }

  // Drops what is queued and every later post.
  void CloseQueue() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_closed = true;
    m_queue.clear();
  }
  bool IsQueueClosed() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_closed;
  }

 private:
  struct QueuedCall {
    CallFunction function = nullptr;
    int intArg = 0;
    void* ptrArg = nullptr;
  };

  mutable std::mutex m_lock;
  std::deque<QueuedCall> m_queue;
  bool m_closed = false;
};
