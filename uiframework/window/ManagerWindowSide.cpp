#include "uiframework/window/ManagerWindowSide.h"

#include "uiframework/resources/RenderServices.h"

#include <algorithm>
#include <mutex>

namespace SkinUI {

namespace {

// Every live window side, in order of binding. Windows of several threads
// may have managers, so the list is guarded; a manager is only ever used
// on its window's thread.
std::mutex& ManagersLock() {
  static std::mutex lock;
  return lock;
}
std::vector<CManagerWindowSide*>& Managers() {
  static std::vector<CManagerWindowSide*> managers;
  return managers;
}

constexpr UINT kLayeredTimerElapse = 10;

}  // namespace

CManagerWindowSide::CManagerWindowSide(CWindowManagerUI& manager, HWND window)
    : m_manager(manager), m_window(window), m_windowDc(::GetDC(window)), m_timers(window) {
  std::lock_guard<std::mutex> lock(ManagersLock());
  Managers().push_back(this);
}

CManagerWindowSide::~CManagerWindowSide() {
  {
    std::lock_guard<std::mutex> lock(ManagersLock());
    auto& managers = Managers();
    managers.erase(std::remove(managers.begin(), managers.end(), this), managers.end());
  }
  m_timers.RemoveAll();
  if (m_tooltip != nullptr && ::IsWindow(m_tooltip)) ::DestroyWindow(m_tooltip);
  m_tooltip = nullptr;
  DropOffscreen();
  if (m_backgroundDc != nullptr) {
    ::SelectObject(m_backgroundDc, m_backgroundOld);
    ::DeleteDC(m_backgroundDc);
  }
  if (m_backgroundBitmap != nullptr) ::DeleteObject(m_backgroundBitmap);
  if (m_windowDc != nullptr) ::ReleaseDC(m_window, m_windowDc);
}

void CManagerWindowSide::InvalidateWindow(const RECT& rc) {
  // A layered window has no system paint: it paints its accumulated
  // rectangle at the next tick of its refresh timer, which runs only while
  // something waits to be painted.
  if (m_layered) {
    ArmLayeredRefresh();
    return;
  }
  ::InvalidateRect(m_window, &rc, FALSE);
}

void CManagerWindowSide::ArmLayeredRefresh() {
  if (m_layeredRefreshArmed) return;
  m_layeredRefreshArmed = ::SetTimer(m_window, kLayeredTimerId, kLayeredTimerElapse, nullptr) != 0;
}

void CManagerWindowSide::DisarmLayeredRefresh() {
  if (!m_layeredRefreshArmed) return;
  ::KillTimer(m_window, kLayeredTimerId);
  m_layeredRefreshArmed = false;
}

void CManagerWindowSide::InvalidateClient() {
  RECT client;
  if (!::GetClientRect(m_window, &client)) return;
  m_manager.Invalidate(client);
}

bool CManagerWindowSide::NoActivate() const { return m_manager.GetWindowAttributes().noActivate; }

void CManagerWindowSide::FocusWindow() {
  if (NoActivate() || ::GetFocus() == m_window) return;
  ::SetFocus(m_window);
}

void CManagerWindowSide::FocusThisWindow() {
  if (!NoActivate()) ::SetFocus(m_window);
}

void CManagerWindowSide::PostQueuedWork() { ::PostMessageW(m_window, WM_APP + 1, 0, 0); }

void CManagerWindowSide::ForgetControl(CControlUI* control) {
  if (m_hover == control) m_hover = nullptr;
  if (m_click == control) {
    // The pressed control is gone: nothing will release its capture.
    m_click = nullptr;
    if (m_captured) ReleaseCapture();
  }
  if (m_keyPress == control) m_keyPress = nullptr;
  if (m_lastTooltip == control) m_lastTooltip = nullptr;
  m_timers.Kill(control);
  RemoveNativeChild(control);
}

void CManagerWindowSide::RootAttached() {
  m_hover = nullptr;
  m_click = nullptr;
  m_keyPress = nullptr;
  m_lastTooltip = nullptr;
  m_natives.clear();
  m_firstLayout = true;
}

bool CManagerWindowSide::SetControlTimer(CControlUI* control, UINT timerId, UINT elapse) {
  return m_timers.Set(control, timerId, elapse);
}

bool CManagerWindowSide::KillControlTimer(CControlUI* control, UINT timerId) { return m_timers.Kill(control, timerId); }

void CManagerWindowSide::KillControlTimers(CControlUI* control) { m_timers.Kill(control); }

void CManagerWindowSide::ShowCursor(UICursor cursor) {
  LPCWSTR id = IDC_ARROW;
  switch (cursor) {
    case UICursor::Arrow: id = IDC_ARROW; break;
    case UICursor::Hand: id = IDC_HAND; break;
    case UICursor::SizeWE: id = IDC_SIZEWE; break;
    case UICursor::SizeNS: id = IDC_SIZENS; break;
  }
  ::SetCursor(::LoadCursorW(nullptr, id));
}

void CManagerWindowSide::WindowAttributeSet(const CUIString& name) {
  const WindowAttributes& a = m_manager.GetWindowAttributes();
  if (name.CompareNoCase(L"size") == 0) {
    if (m_manager.GetRoot() == nullptr)
      ::SetWindowPos(m_window, nullptr, 0, 0, a.initSize.cx, a.initSize.cy,
                     SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  } else if (name.CompareNoCase(L"opacity") == 0) {
    SetOpacity(static_cast<BYTE>(std::clamp(a.opacity, 0, 255)));
  } else if (name == L"layeredopacity") {
    SetLayeredOpacity(static_cast<BYTE>(std::clamp(a.layeredOpacity, 0, 255)));
  } else if (name == L"layeredimage") {
    SetLayeredImage(a.layeredImage);
  } else if (name.CompareNoCase(L"shadowsize") == 0 || name.CompareNoCase(L"shadowcolor") == 0 ||
             name.CompareNoCase(L"shadowfocusscales") == 0) {
    if (m_layered) {
      m_layeredChanged = true;
      InvalidateClient();
    }
  }
}

bool CManagerWindowSide::PreTranslate(MSG* msg) {
  if (msg == nullptr || msg->hwnd == nullptr) return false;
  const bool child = (::GetWindowLongW(msg->hwnd, GWL_STYLE) & static_cast<LONG>(WS_CHILD)) != 0;
  auto sidesOf = [](HWND window) {
    std::vector<CManagerWindowSide*> found;
    std::lock_guard<std::mutex> lock(ManagersLock());
    for (auto it = Managers().rbegin(); it != Managers().rend(); ++it)
      if ((*it)->m_window == window) found.push_back(*it);
    return found;
  };
  auto translated = [msg](CManagerWindowSide* side) {
    for (ITranslateAccelerator* translator : side->m_translators)
      if (translator->TranslateAccelerator(msg) == 0) return true;
    return false;
  };
  if (child) {
    // The target's own manager first, then those of its ancestors.
    for (HWND ancestor = msg->hwnd; ancestor != nullptr; ancestor = ::GetParent(ancestor)) {
      for (CManagerWindowSide* side : sidesOf(ancestor)) {
        if (translated(side)) return true;
        LRESULT ignored = 0;
        side->PreHandleMessage(msg->message, msg->wParam, msg->lParam, ignored);
      }
    }
    return false;
  }
  for (CManagerWindowSide* side : sidesOf(msg->hwnd)) {
    if (translated(side)) return true;
    LRESULT result = 0;
    if (side->PreHandleMessage(msg->message, msg->wParam, msg->lParam, result)) return true;
  }
  return false;
}

void CManagerWindowSide::SetCapture() {
  ::SetCapture(m_window);
  m_captured = true;
}

void CManagerWindowSide::ReleaseCapture() {
  m_captured = false;
  ::ReleaseCapture();
}

bool CManagerWindowSide::AddNativeChild(CControlUI* control, HWND child) {
  if (control == nullptr || child == nullptr) return false;
  RECT rc;
  ::GetWindowRect(child, &rc);
  POINT topLeft{rc.left, rc.top};
  ::ScreenToClient(m_window, &topLeft);
  RectOffset(rc, topLeft.x - rc.left, topLeft.y - rc.top);
  m_manager.Invalidate(rc);
  for (const auto& entry : m_natives)
    if (entry.second == child) return false;
  m_natives.emplace_back(control, child);
  return true;
}

bool CManagerWindowSide::RemoveNativeChild(CControlUI* control) {
  auto first = std::remove_if(m_natives.begin(), m_natives.end(),
                              [&](const auto& entry) { return entry.first == control; });
  const bool removed = first != m_natives.end();
  m_natives.erase(first, m_natives.end());
  return removed;
}

bool CManagerWindowSide::SetLayered(bool layered) {
  if (layered == m_layered) return true;
  const LONG style = ::GetWindowLongW(m_window, GWL_STYLE);
  if ((style & static_cast<LONG>(WS_CHILD)) != 0) return false;
  const LONG exStyle = ::GetWindowLongW(m_window, GWL_EXSTYLE);
  if (layered) {
    ::SetWindowLongW(m_window, GWL_EXSTYLE, exStyle | static_cast<LONG>(WS_EX_LAYERED));
  } else {
    DisarmLayeredRefresh();
    ::SetWindowLongW(m_window, GWL_EXSTYLE, exStyle & ~static_cast<LONG>(WS_EX_LAYERED));
  }
  m_layered = layered;
  m_layeredChanged = true;
  if (m_manager.GetRoot() != nullptr) m_manager.GetRoot()->RequestLayout();
  InvalidateClient();
  return true;
}

void CManagerWindowSide::SetOpacity(BYTE alpha) {
  const LONG exStyle = ::GetWindowLongW(m_window, GWL_EXSTYLE);
  ::SetWindowLongW(m_window, GWL_EXSTYLE, exStyle | static_cast<LONG>(WS_EX_LAYERED));
  ::SetLayeredWindowAttributes(m_window, 0, alpha, LWA_ALPHA);
  if (m_layered) {
    DisarmLayeredRefresh();
    m_layered = false;
    m_layeredChanged = true;
  }
  InvalidateClient();
}

void CManagerWindowSide::SetLayeredOpacity(BYTE alpha) {
  m_layeredOpacity = alpha;
  m_layeredChanged = true;
  InvalidateClient();
}

void CManagerWindowSide::SetLayeredImage(LPCWSTR description) {
  SetLayered(true);
  m_layeredImage.Reset();
  m_layeredImage.description = description;
  if (!m_layeredImage.description.IsEmpty()) LoadImageSpec(&m_manager, m_layeredImage);
  m_layeredChanged = true;
  InvalidateClient();
}

}  // namespace SkinUI
