// What the tree side of a window manager needs from the window it is bound
// to. The window layer (library bg_ui_window) implements it and installs
// it when the manager is bound to a window; without one the manager only
// accumulates invalid rectangles and queues work.
#pragma once

#include "uiframework/core/UIGeometry.h"
#include "uiframework/core/UIString.h"

namespace SkinUI {

class CControlUI;

// The cursors a control asks the window for while the mouse is over it.
enum class UICursor { Arrow, Hand, SizeWE, SizeNS };

class IWindowSideUI {
 public:
  virtual ~IWindowSideUI() = default;
  // A rectangle (already clamped) needs repainting.
  virtual void InvalidateWindow(const RECT& rc) = 0;
  // Gives the window the keyboard focus, unless it has it or the window
  // must not be activated.
  virtual void FocusWindow() = 0;
  // Queued notifications or deletions wait: post the wake-up once.
  virtual void PostQueuedWork() = 0;
  // A control is being deleted: drop every reference to it.
  virtual void ForgetControl(CControlUI* control) = 0;
  // A new root replaces the tree: hover, click and key targets are reset.
  virtual void RootAttached() = 0;
  // A window attribute was stored; the window applies what it changes.
  virtual void WindowAttributeSet(const CUIString& name) = 0;
  // Shows the cursor over the window until the next cursor request.
  virtual void ShowCursor(UICursor cursor) = 0;
  // Control timers (the manager's SetTimer, KillTimer).
  virtual bool SetControlTimer(CControlUI* control, UINT timerId, UINT elapse) = 0;
  virtual bool KillControlTimer(CControlUI* control, UINT timerId) = 0;
  virtual void KillControlTimers(CControlUI* control) = 0;
};

}  // namespace SkinUI
