#include "uiframework/controls/GifButtonUI.h"

#include "uiframework/controls/AttributeValues.h"
#include "uiframework/controls/ButtonEvents.h"
#include "uiframework/controls/ControlState.h"
#include "uiframework/manager/WindowManagerUI.h"

#include <cwchar>

namespace SkinUI {

LPCWSTR CGifButtonUI::GetClass() const { return L"GifButton"; }

void* CGifButtonUI::FindInterface(LPCWSTR name) {
  if (name != nullptr && std::wcscmp(name, L"GifButton") == 0) return this;
  return CGifAnimUI::FindInterface(name);
}

UINT CGifButtonUI::GetFlags() const {
  return (IsKeyboardEnabled() ? UIFLAG_TABSTOP : 0) | (IsEnabled() ? UIFLAG_SETCURSOR : 0);
}

bool CGifButtonUI::Activate() {
  if (!CControlUI::Activate()) return false;
  if (m_pManager != nullptr) m_pManager->SendNotify(this, L"click");
  return true;
}

void CGifButtonUI::SetEnabled(bool enabled) {
  CControlUI::SetEnabled(enabled);
  if (!IsEnabled()) m_state = 0;
}

DWORD CGifButtonUI::CaptionColor() const {
  if ((m_state & UISTATE_HOT) != 0 && m_hotTextColor != 0) return m_hotTextColor;
  return CGifAnimUI::CaptionColor();
}

UICursor CGifButtonUI::Cursor() const { return m_cursor == L"arrow" ? UICursor::Arrow : UICursor::Hand; }

void CGifButtonUI::HandleEvent(UIEvent& event) {
  if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
    if (m_pParent != nullptr) m_pParent->HandleEvent(event);
    else CGifAnimUI::HandleEvent(event);
    return;
  }
  if (HandleButtonEvent(*this, m_state, event, Cursor()) == ButtonEventOutcome::Handled) return;
  CGifAnimUI::HandleEvent(event);
}

void CGifButtonUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  const CUIString n(name);
  if (n == L"cursor") {
    m_cursor = value;
    // Applied at once while the mouse is over the enabled button.
    if (IsEnabled() && m_pManager != nullptr && RectContains(m_rcItem, m_pManager->GetLastMousePos()) &&
        (m_cursor == L"arrow" || m_cursor == L"hand"))
      m_pManager->SetCursor(Cursor());
  } else if (n == L"hottextcolor") {
    m_hotTextColor = ParseColor(value);
  } else {
    CGifAnimUI::SetAttribute(name, value);
  }
}

}  // namespace SkinUI
