#include "MainWnd/CaptionHitTest.h"

LRESULT CaptionHitTest(HWND window, const SkinUI::CWindowManagerUI& pm, LPARAM lParam,
                       bool (*takesTheMouse)(LPCWSTR className)) {
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ::ScreenToClient(window, &pt);
  RECT client{};
  ::GetClientRect(window, &client);
  const RECT caption = pm.GetCaptionRect();
  const bool inCaption = pt.x >= client.left + caption.left && pt.x < client.right - caption.right &&
                         pt.y >= caption.top && pt.y < caption.bottom;
  if (!inCaption) return HTCLIENT;
  SkinUI::CControlUI* control = pm.FindControl(pt);
  if (control == nullptr || takesTheMouse(control->GetClass())) return HTCLIENT;
  return HTCAPTION;
}
