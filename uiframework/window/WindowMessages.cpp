// Mapping window messages to control events: hover, capture and click
// rules, keys, wheel, cursor, timers and the reflection of child-window
// messages.
#include "uiframework/window/ManagerWindowSide.h"

#include <cwctype>

namespace SkinUI {

namespace {

constexpr UINT kQueuedWorkMessage = WM_APP + 1;
constexpr UINT kReflectOffset = 0x2000;

POINT PointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

bool ClassContains(const CControlUI* control, LPCWSTR part) {
  return CUIString(const_cast<CControlUI*>(control)->GetClass()).Find(part) >= 0;
}

struct ShortcutScan {
  wchar_t key;
};

CControlUI* MatchShortcut(CControlUI* control, void* data) {
  const wchar_t key = static_cast<ShortcutScan*>(data)->key;
  if (!control->IsVisible() || control->GetShortcut() == 0) return nullptr;
  if (std::towupper(control->GetShortcut()) != std::towupper(key)) return nullptr;
  if (ClassContains(control, L"Label")) return nullptr;
  return control;
}

}  // namespace

WORD CManagerWindowSide::LiveKeyState() {
  WORD state = 0;
  if (::GetKeyState(VK_LBUTTON) < 0) state |= MK_LBUTTON_STATE;
  if (::GetKeyState(VK_RBUTTON) < 0) state |= MK_RBUTTON_STATE;
  if (::GetKeyState(VK_SHIFT) < 0) state |= MK_SHIFT_STATE;
  if (::GetKeyState(VK_CONTROL) < 0) state |= MK_CONTROL_STATE;
  if (::GetKeyState(VK_MENU) < 0) state |= MK_ALT_STATE;
  return state;
}

UIEvent CManagerWindowSide::MakeEvent(int type, POINT pt, WPARAM wParam, LPARAM lParam, WORD keyState) const {
  UIEvent event;
  event.type = type;
  event.mouse = pt;
  event.wParam = wParam;
  event.lParam = lParam;
  event.keyState = keyState;
  event.timestamp = CWindowManagerUI::TickCount();
  return event;
}

void CManagerWindowSide::Send(CControlUI* control, UIEvent event) {
  if (control == nullptr) return;
  event.sender = control;
  control->DispatchEvent(event);
}

CControlUI* CManagerWindowSide::ControlAt(POINT pt) const { return m_manager.FindControl(pt); }

bool CManagerWindowSide::OwnedHere(const CControlUI* control) const {
  return control != nullptr && control->GetManager() == &m_manager;
}

bool CManagerWindowSide::PreHandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const std::vector<IMessageFilterUI*> filters = m_preFilters;
  for (IMessageFilterUI* filter : filters) {
    bool handled = false;
    const LRESULT r = filter->FilterMessage(message, wParam, lParam, handled);
    if (handled) {
      result = r;
      return true;
    }
  }
  CControlUI* focus = m_manager.GetFocus();
  switch (message) {
    case WM_KEYDOWN:
      if (wParam != static_cast<WPARAM>(VK_TAB)) return false;
      // A rich edit takes Tab itself.
      if (focus != nullptr && ClassContains(focus, L"RichEdit")) return false;
      m_manager.FocusNextTabStop(::GetKeyState(VK_SHIFT) >= 0);
      return true;
    case WM_SYSKEYDOWN:
      if (focus != nullptr) {
        UIEvent event = MakeEvent(UIEVENT_SYSKEY, m_manager.GetLastMousePos(), wParam, lParam, LiveKeyState());
        event.key = static_cast<wchar_t>(wParam);
        Send(focus, event);
      }
      return false;
    case WM_SYSCHAR:
      return HandleSysChar(wParam);
    default:
      return false;
  }
}

bool CManagerWindowSide::HandleSysChar(WPARAM wParam) {
  CControlUI* root = m_manager.GetRoot();
  if (root == nullptr) return false;
  ShortcutScan scan{static_cast<wchar_t>(wParam)};
  CControlUI* control = root->FindControl(MatchShortcut, &scan, UIFIND_ENABLED | UIFIND_ME_FIRST | UIFIND_TOP_FIRST);
  if (control == nullptr) return false;
  control->SetFocus();
  control->Activate();
  return true;
}

bool CManagerWindowSide::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (m_window == nullptr) return false;
  const std::vector<IMessageFilterUI*> filters = m_filters;
  for (IMessageFilterUI* filter : filters) {
    bool handled = false;
    const LRESULT r = filter->FilterMessage(message, wParam, lParam, handled);
    if (!handled) continue;
    if (message >= WM_MOUSEMOVE && message <= WM_LBUTTONDBLCLK) {
      m_manager.SetLastMousePos(PointOf(lParam));
    } else if (message == WM_CONTEXTMENU || message == WM_MOUSEWHEEL) {
      POINT pt = PointOf(lParam);
      ::ScreenToClient(m_window, &pt);
      m_manager.SetLastMousePos(pt);
    }
    result = r;
    return true;
  }
  if (m_layered) {
    if (message == WM_NCCALCSIZE || message == WM_NCPAINT) {
      result = 0;
      return true;
    }
    if (message == WM_NCACTIVATE && !::IsIconic(m_window)) {
      result = wParam == 0 ? 1 : 0;
      return true;
    }
  }
  CControlUI* root = m_manager.GetRoot();
  switch (message) {
    case kQueuedWorkMessage:
      m_manager.RunQueuedWork();
      return true;
    case WM_CLOSE:
      HandleClose();
      return false;
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_PAINT:
      return Paint();
    case WM_PRINTCLIENT:
      PrintClient(reinterpret_cast<HDC>(wParam), lParam);
      return false;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      const WindowAttributes& a = m_manager.GetWindowAttributes();
      if (info != nullptr) {
        if (a.minInfo.cx > 0) info->ptMinTrackSize.x = a.minInfo.cx;
        if (a.minInfo.cy > 0) info->ptMinTrackSize.y = a.minInfo.cy;
        if (a.maxInfo.cx > 0) info->ptMaxTrackSize.x = a.maxInfo.cx;
        if (a.maxInfo.cy > 0) info->ptMaxTrackSize.y = a.maxInfo.cy;
      }
      return false;
    }
    case WM_SIZE:
      if (m_manager.GetFocus() != nullptr)
        Send(m_manager.GetFocus(), MakeEvent(UIEVENT_WINDOWSIZE, m_manager.GetLastMousePos(), wParam, lParam, 0));
      if (root != nullptr) root->RequestLayout();
      if (m_layered) InvalidateClient();
      result = 0;
      return true;
    case WM_TIMER:
      HandleTimer(wParam, lParam);
      return false;
    case WM_MOUSEHOVER:
      m_tracking = false;
      return ShowTooltip(PointOf(lParam));
    case WM_MOUSELEAVE:
      return HandleMouseLeave();
    case WM_MOUSEMOVE:
      return HandleMouseMove(wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
      return HandleButtonDown(message, wParam, lParam);
    case WM_LBUTTONUP:
      m_manager.SetLastMousePos(PointOf(lParam));
      if (m_click != nullptr) {
        CControlUI* click = m_click;
        m_click = nullptr;
        ReleaseCapture();
        Send(click, MakeEvent(UIEVENT_BUTTONUP, m_manager.GetLastMousePos(), wParam, lParam, LOWORD(wParam)));
      }
      return false;
    case WM_CONTEXTMENU: {
      if (root == nullptr || m_captured) return false;
      POINT pt = PointOf(lParam);
      ::ScreenToClient(m_window, &pt);
      m_manager.SetLastMousePos(pt);
      if (m_click == nullptr) return false;
      CControlUI* click = m_click;
      m_click = nullptr;
      Send(click, MakeEvent(UIEVENT_CONTEXTMENU, pt, 0, reinterpret_cast<LPARAM>(click), LOWORD(wParam)));
      return false;
    }
    case WM_MOUSEWHEEL:
      return HandleWheel(wParam, lParam);
    case WM_SETCURSOR:
      return HandleSetCursor(lParam, result);
    case WM_MOUSEACTIVATE:
      if (!NoActivate()) return false;
      result = MA_NOACTIVATE;
      return true;
    case WM_KEYDOWN: {
      CControlUI* focus = m_manager.GetFocus();
      if (root == nullptr || focus == nullptr) return false;
      UIEvent event = MakeEvent(UIEVENT_KEYDOWN, m_manager.GetLastMousePos(), wParam, lParam, LiveKeyState());
      event.key = static_cast<wchar_t>(wParam);
      m_keyPress = focus;
      Send(focus, event);
      return false;
    }
    case WM_KEYUP: {
      if (m_keyPress == nullptr) return false;
      CControlUI* target = m_keyPress;
      m_keyPress = nullptr;
      UIEvent event = MakeEvent(UIEVENT_KEYUP, m_manager.GetLastMousePos(), wParam, lParam, LiveKeyState());
      event.key = static_cast<wchar_t>(wParam);
      Send(target, event);
      return false;
    }
    case WM_CHAR: {
      CControlUI* focus = m_manager.GetFocus();
      if (focus == nullptr) return false;
      UIEvent event = MakeEvent(UIEVENT_CHAR, m_manager.GetLastMousePos(), wParam, lParam, LiveKeyState());
      event.key = static_cast<wchar_t>(wParam);
      Send(focus, event);
      return false;
    }
    case WM_KILLFOCUS: {
      const HWND now = reinterpret_cast<HWND>(wParam);
      if (now == nullptr || !::IsChild(m_window, now)) return false;
      for (const auto& entry : m_natives) {
        if (entry.second == now && m_manager.GetFocus() != entry.first) {
          m_manager.SetFocus(entry.first, false);
          break;
        }
      }
      return false;
    }
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_NOTIFY:
      return HandleReflect(message, wParam, lParam, result);
    default:
      return false;
  }
}

void CManagerWindowSide::HandleClose() {
  const UIEvent base = MakeEvent(0, m_manager.GetLastMousePos(), 0, 0, LiveKeyState());
  if (m_hover != nullptr) {
    CControlUI* hover = m_hover;
    m_hover = nullptr;
    UIEvent event = base;
    event.type = UIEVENT_MOUSELEAVE;
    Send(hover, event);
  }
  if (m_click != nullptr) {
    CControlUI* click = m_click;
    m_click = nullptr;
    UIEvent event = base;
    event.type = UIEVENT_BUTTONUP;
    Send(click, event);
  }
  m_manager.SetFocus(nullptr, false);
  if (::GetActiveWindow() == m_window || ::GetFocus() == m_window) {
    const bool child = (::GetWindowLongW(m_window, GWL_STYLE) & static_cast<LONG>(WS_CHILD)) != 0;
    const HWND next = child ? ::GetParent(m_window) : ::GetWindow(m_window, GW_OWNER);
    if (next != nullptr) ::SetFocus(next);
  }
  if (m_tooltip != nullptr && ::IsWindow(m_tooltip)) ::DestroyWindow(m_tooltip);
  m_tooltip = nullptr;
}

void CManagerWindowSide::HandleTimer(WPARAM wParam, LPARAM lParam) {
  if (wParam == kLayeredTimerId) {
    // One tick per change: painting (or a later invalidation) arms it
    // again when more waits. A minimised window repaints once restored
    // (its WM_SIZE invalidates it).
    DisarmLayeredRefresh();
    if (m_layered && !RectIsEmpty(m_manager.GetInvalidRect()) && !::IsIconic(m_window)) Paint();
    return;
  }
  TimerEntry entry;
  if (!m_timers.FindLive(static_cast<UINT>(wParam), entry)) return;
  Send(entry.control, MakeEvent(UIEVENT_TIMER, m_manager.GetLastMousePos(), entry.userId, lParam, LiveKeyState()));
}

void CManagerWindowSide::LeaveHover(const UIEvent& base) {
  // The listeners may unregister themselves while leaving: use a copy.
  const CPointerArray listeners = m_manager.GetMouseLeaveListeners();
  UIEvent event = base;
  event.type = UIEVENT_MOUSELEAVE;
  for (int i = 0; i < listeners.GetSize(); ++i) {
    auto* listener = static_cast<CControlUI*>(listeners[i]);
    // Skip listeners deleted by an earlier one.
    if (m_manager.GetMouseLeaveListeners().Find(listener) >= 0) Send(listener, event);
  }
  CControlUI* hover = m_hover;
  m_hover = nullptr;
  Send(hover, event);
  HideTooltip();
}

bool CManagerWindowSide::HandleMouseMove(WPARAM wParam, LPARAM lParam) {
  if (!m_tracking) {
    TRACKMOUSEEVENT track;
    track.dwFlags = TME_HOVER | TME_LEAVE;
    track.hwndTrack = m_window;
    track.dwHoverTime = m_tooltip == nullptr
                            ? m_hoverTime
                            : static_cast<DWORD>(::SendMessageW(m_tooltip, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
    ::_TrackMouseEvent(&track);
    m_tracking = true;
  }
  const POINT pt = PointOf(lParam);
  m_manager.SetLastMousePos(pt);
  CControlUI* found = ControlAt(pt);
  if (found != nullptr && !OwnedHere(found)) return false;
  const UIEvent event = MakeEvent(UIEVENT_MOUSEMOVE, pt, wParam, lParam, LOWORD(wParam));
  if (!m_captured) {
    if (found != m_hover && m_hover != nullptr) LeaveHover(event);
    if (found != m_hover && found != nullptr) {
      m_hover = found;
      UIEvent enter = event;
      enter.type = UIEVENT_MOUSEENTER;
      Send(found, enter);
      // The enter handler may have deleted the control.
      if (m_hover != found) found = nullptr;
    }
  }
  Send(m_click != nullptr ? m_click : found, event);
  return false;
}

bool CManagerWindowSide::HandleMouseLeave() {
  HideTooltip();
  if (!m_tracking) return false;
  POINT cursor;
  ::GetCursorPos(&cursor);
  RECT window;
  ::GetWindowRect(m_window, &window);
  const bool inside = ::GetActiveWindow() == m_window && !::IsIconic(m_window) && RectContains(window, cursor) &&
                      ::SendMessageW(m_window, WM_NCHITTEST, 0, MAKELPARAM(cursor.x, cursor.y)) == HTCLIENT;
  if (inside) {
    ::ScreenToClient(m_window, &cursor);
    ::SendMessageW(m_window, WM_MOUSEMOVE, 0, MAKELPARAM(cursor.x, cursor.y));
  } else {
    ::SendMessageW(m_window, WM_MOUSEMOVE, 0, static_cast<LPARAM>(-1));
  }
  m_tracking = false;
  return false;
}

bool CManagerWindowSide::HandleButtonDown(UINT message, WPARAM wParam, LPARAM lParam) {
  FocusThisWindow();
  const POINT pt = PointOf(lParam);
  m_manager.SetLastMousePos(pt);
  CControlUI* control = ControlAt(pt);
  // Nothing of this window under the point: no target, no capture.
  if (control == nullptr || !OwnedHere(control)) return false;
  const UIEvent base = MakeEvent(0, pt, wParam, lParam, LOWORD(wParam));
  UIEvent event = base;
  if (message == WM_LBUTTONDOWN) {
    m_manager.SetFocus(control);
    SetCapture();
    event.type = UIEVENT_BUTTONDOWN;
  } else if (message == WM_LBUTTONDBLCLK) {
    SetCapture();
    event.type = UIEVENT_DBLCLICK;
  } else {
    m_manager.SetFocus(control);
    event.type = UIEVENT_RBUTTONDOWN;
  }
  m_click = control;
  Send(control, event);
  return false;
}

bool CManagerWindowSide::HandleWheel(WPARAM wParam, LPARAM lParam) {
  if (::GetFocus() != m_window) return false;
  POINT pt = PointOf(lParam);
  ::ScreenToClient(m_window, &pt);
  m_manager.SetLastMousePos(pt);
  CControlUI* control = ControlAt(pt);
  if (control == nullptr || !OwnedHere(control)) return false;
  const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
  UIEvent event = MakeEvent(UIEVENT_SCROLLWHEEL, pt, delta < 0 ? 1 : 0, lParam, LiveKeyState());
  event.key = static_cast<wchar_t>(static_cast<WORD>(delta));
  Send(control, event);
  // Hover follows the scrolled content.
  ::SendMessageW(m_window, WM_MOUSEMOVE, 0, MAKELPARAM(m_manager.GetLastMousePos().x, m_manager.GetLastMousePos().y));
  return true;
}

bool CManagerWindowSide::HandleSetCursor(LPARAM lParam, LRESULT& result) {
  if (m_manager.GetRoot() == nullptr || LOWORD(static_cast<std::uintptr_t>(lParam)) != HTCLIENT) return false;
  if (m_captured) {
    result = TRUE;
    return true;
  }
  POINT pt;
  ::GetCursorPos(&pt);
  ::ScreenToClient(m_window, &pt);
  CControlUI* control = ControlAt(pt);
  if (control == nullptr || (control->GetFlags() & UIFLAG_SETCURSOR) == 0) return false;
  Send(control, MakeEvent(UIEVENT_SETCURSOR, pt, 0, lParam, LiveKeyState()));
  result = TRUE;
  return true;
}

bool CManagerWindowSide::HandleReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  HWND child = nullptr;
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header != nullptr) child = header->hwndFrom;
  } else {
    child = reinterpret_cast<HWND>(lParam);
  }
  if (child == nullptr || !::IsWindow(child)) return false;
  result = ::SendMessageW(child, message + kReflectOffset, wParam, lParam);
  return true;
}

}  // namespace SkinUI
