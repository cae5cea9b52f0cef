#include "uiframework/window/ControlTimers.h"

#include <algorithm>

namespace SkinUI {

namespace {
constexpr UINT kIdCycle = 255;
}

bool CControlTimers::IdInUse(UINT windowId) const {
  return std::any_of(m_entries.begin(), m_entries.end(),
                     [&](const TimerEntry& e) { return e.windowId == windowId; });
}

UINT CControlTimers::AllocateWindowId() {
  for (UINT tries = 0; tries < kIdCycle; ++tries) {
    m_nextId = (m_nextId + 1) % kIdCycle;
    if (m_nextId != 0 && !IdInUse(m_nextId)) return m_nextId;
  }
  return 0;
}

bool CControlTimers::Set(CControlUI* control, UINT userId, UINT elapse) {
  for (TimerEntry& entry : m_entries) {
    if (entry.control != control || entry.window != m_window || entry.userId != userId) continue;
    if (!entry.killed) return false;
    if (::SetTimer(m_window, entry.windowId, elapse, nullptr) == 0) return false;
    entry.killed = false;
    return true;
  }
  const UINT windowId = AllocateWindowId();
  if (windowId == 0) return false;
  if (::SetTimer(m_window, windowId, elapse, nullptr) == 0) return false;
  m_entries.push_back(TimerEntry{control, userId, m_window, windowId, false});
  return true;
}

bool CControlTimers::Kill(CControlUI* control, UINT userId) {
  for (TimerEntry& entry : m_entries) {
    if (entry.control != control || entry.window != m_window || entry.userId != userId || entry.killed) continue;
    if (::IsWindow(m_window)) ::KillTimer(m_window, entry.windowId);
    entry.killed = true;
    return true;
  }
  return false;
}

void CControlTimers::Kill(CControlUI* control) {
  auto first = std::remove_if(m_entries.begin(), m_entries.end(), [&](const TimerEntry& entry) {
    if (entry.control != control) return false;
    if (!entry.killed && ::IsWindow(m_window)) ::KillTimer(m_window, entry.windowId);
    return true;
  });
  m_entries.erase(first, m_entries.end());
}

void CControlTimers::RemoveAll() {
  for (const TimerEntry& entry : m_entries)
    if (!entry.killed && ::IsWindow(m_window)) ::KillTimer(m_window, entry.windowId);
  m_entries.clear();
}

bool CControlTimers::FindLive(UINT windowId, TimerEntry& found) const {
  for (const TimerEntry& entry : m_entries) {
    if (entry.window == m_window && entry.windowId == windowId && !entry.killed) {
      found = entry;
      return true;
    }
  }
  return false;
}

}  // namespace SkinUI
