// Tooltips: when the mouse rests over a control, its tooltip text (with
// multi-language tokens expanded) is shown just below the pointer, where
// it covers neither the pointer nor the text under it, by one tracking
// tooltip window per manager, created on first use.
#include "uiframework/window/ManagerWindowSide.h"

namespace SkinUI {

bool CManagerWindowSide::ShowTooltip(POINT pt) {
  CControlUI* control = ControlAt(pt);
  if (control == nullptr) return false;
  if (m_hover != nullptr) Send(m_hover, MakeEvent(UIEVENT_MOUSEHOVER, pt, 0, MAKELPARAM(pt.x, pt.y), LiveKeyState()));
  // The hover handler may have deleted the control.
  if (ControlAt(pt) != control) return true;
  CUIString text = control->GetToolTip();
  if (text.IsEmpty()) return true;
  CResourceSettingsUI::ExpandLanguageTokens(text);
  m_toolText = text;
  m_toolInfo = TOOLINFOW();
  m_toolInfo.uFlags = TTF_IDISHWND;
  m_toolInfo.hwnd = m_window;
  m_toolInfo.uId = reinterpret_cast<UINT_PTR>(m_window);
  m_toolInfo.hinst = CResourceSettingsUI::GetInstance();
  m_toolInfo.lpszText = const_cast<LPWSTR>(m_toolText.GetData());
  m_toolInfo.rect = control->GetPos();
  if (m_tooltip == nullptr) {
    m_tooltip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_window, nullptr,
                                  CResourceSettingsUI::GetInstance(), nullptr);
    if (m_tooltip == nullptr) return true;
    ::SendMessageW(m_tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&m_toolInfo));
  }
  ::SendMessageW(m_tooltip, TTM_SETMAXTIPWIDTH, 0, control->GetToolTipWidth());
  ::SendMessageW(m_tooltip, TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&m_toolInfo));
  ::SendMessageW(m_tooltip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&m_toolInfo));
  POINT screen = pt;
  ::ClientToScreen(m_window, &screen);
  // The arrow's hot spot is its tip; the arrow takes about two thirds of
  // the cursor's cell below it.
  screen.y += ::GetSystemMetrics(SM_CYCURSOR) * 2 / 3;
  ::SendMessageW(m_tooltip, TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x, screen.y));
  m_lastTooltip = control;
  return true;
}

void CManagerWindowSide::HideTooltip() {
  if (m_tooltip == nullptr) return;
  ::SendMessageW(m_tooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&m_toolInfo));
}

}  // namespace SkinUI
