// The control timers of one window: each entry ties a control's own timer
// id to a window timer id. Window ids advance as (id + 1) mod 255 from
// 4096, so the first is 17; 0 and ids still held by an entry are skipped,
// so a restarted timer never shares its id with another.
#pragma once

#include "platform/window/User32.h"

#include <vector>

namespace SkinUI {

class CControlUI;

struct TimerEntry {
  CControlUI* control = nullptr;
  UINT userId = 0;
  HWND window = nullptr;
  UINT windowId = 0;
  bool killed = false;
};

class CControlTimers {
 public:
  explicit CControlTimers(HWND window) : m_window(window) {}
  ~CControlTimers() { RemoveAll(); }
  CControlTimers(const CControlTimers&) = delete;
  CControlTimers& operator=(const CControlTimers&) = delete;

  // A killed entry is restarted under its old window id; false for a live
  // one, when every id is taken or when the window refuses the timer.
  bool Set(CControlUI* control, UINT userId, UINT elapse);
  // Kills the window timer and keeps the entry for a restart.
  bool Kill(CControlUI* control, UINT userId);
  // Removes every entry of the control.
  void Kill(CControlUI* control);
  void RemoveAll();
  // The live entry for a window timer id, copied (its control may remove
  // entries while handling it); false when none.
  bool FindLive(UINT windowId, TimerEntry& entry) const;
  int GetCount() const { return static_cast<int>(m_entries.size()); }

 private:
  bool IdInUse(UINT windowId) const;
  UINT AllocateWindowId();

  HWND m_window;
  UINT m_nextId = 4096;
  std::vector<TimerEntry> m_entries;
};

}  // namespace SkinUI
