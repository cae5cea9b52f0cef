// The main window's call queue as the portal policy meets it, for tests:
// a queued NavigatePortal runs when the window reads the wake-up message,
// and is freed when the window goes with it still queued.
#pragma once

#include <deque>

#include "MainWnd/PortalPolicy.h"
#include "platform/window/User32.h"

class PortalCallQueue {
 public:
  static constexpr UINT kWakeUp = WM_USER + 1003;

  bool Queue(HWND window, void* pending) {
    calls_.push_back(pending);
    return PostMessageW(window, kWakeUp, 0, 0) != FALSE;
  }
  // Runs what is queued, in order.
  void Run(CPortalPolicy& policy) {
    while (!calls_.empty()) {
      void* pending = calls_.front();
      calls_.pop_front();
      policy.NavigatePortal(0, pending);
    }
  }
  // The window is gone: the queued calls never run.
  void Drop() {
    for (void* pending : calls_) CPortalPolicy::DiscardPendingNavigation(pending);
    calls_.clear();
  }
  size_t Size() const { return calls_.size(); }
  bool Empty() const { return calls_.empty(); }

 private:
  std::deque<void*> calls_;
};
