#include "uiframework/controls/GifButtonUI.h"

#include "uiframework/controls/AttributeValues.h"
#include "uiframework/controls/ControlState.h"
#include "uiframework/manager/WindowManagerUI.h"

#include <cwchar>

namespace SkinUI {

namespace {

constexpr wchar_t kSpace = 0x20;
constexpr wchar_t kReturn = 0x0D;

}  // namespace

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

void CGifButtonUI::ShowCursor() {
  if (m_pManager != nullptr) m_pManager->SetCursor(m_cursor == L"arrow" ? UICursor::Arrow : UICursor::Hand);
}

void CGifButtonUI::HandleEvent(UIEvent& event) {
  if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
    if (m_pParent != nullptr) m_pParent->HandleEvent(event);
    else CGifAnimUI::HandleEvent(event);
    return;
  }
  const bool inside = RectContains(m_rcItem, event.mouse);
  switch (event.type) {
    case UIEVENT_KEYDOWN:
      if (IsKeyboardEnabled() && IsEnabled() && (event.key == kSpace || event.key == kReturn)) {
        Activate();
        return;
      }
      break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (inside && IsEnabled()) {
        m_state |= UISTATE_CAPTURED | UISTATE_PUSHED;
        Invalidate();
      }
      return;
    case UIEVENT_MOUSEMOVE:
      if ((m_state & UISTATE_CAPTURED) != 0) {
        if (inside) m_state |= UISTATE_PUSHED;
        else m_state &= ~UISTATE_PUSHED;
        Invalidate();
      }
      return;
    case UIEVENT_BUTTONUP:
      if ((m_state & UISTATE_CAPTURED) != 0) {
        if (inside && IsEnabled()) Activate();
        m_state &= ~(UISTATE_CAPTURED | UISTATE_PUSHED);
        Invalidate();
      }
      return;
    case UIEVENT_CONTEXTMENU:
      if (IsContextMenuUsed() && IsEnabled() && m_pManager != nullptr)
        m_pManager->SendNotify(this, L"menu", event.wParam, event.lParam);
      return;
    case UIEVENT_MOUSEENTER:
      if (inside) {
        if (IsEnabled()) {
          m_state |= UISTATE_HOT;
          Invalidate();
        }
        if (m_pManager != nullptr) m_pManager->SendNotify(this, L"mouseenter");
      }
      break;
    case UIEVENT_MOUSELEAVE:
      // Still inside: the mouse moved onto a child or an overlapping
      // control; the real leave comes later.
      if (inside) {
        if (m_pManager != nullptr) m_pManager->AddMouseLeaveListener(this);
        return;
      }
      if (IsEnabled()) {
        m_state &= ~UISTATE_HOT;
        Invalidate();
      }
      if (m_pManager != nullptr) {
        m_pManager->SendNotify(this, L"mouseleave");
        m_pManager->RemoveMouseLeaveListener(this);
      }
      break;
    case UIEVENT_SETCURSOR:
      ShowCursor();
      return;
    default:
      break;
  }
  CGifAnimUI::HandleEvent(event);
}

void CGifButtonUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  const CUIString n(name);
  if (n == L"cursor") {
    m_cursor = value;
    // Applied at once while the mouse is over the enabled button.
    if (IsEnabled() && m_pManager != nullptr && RectContains(m_rcItem, m_pManager->GetLastMousePos()) &&
        (m_cursor == L"arrow" || m_cursor == L"hand"))
      ShowCursor();
  } else if (n == L"hottextcolor") {
    m_hotTextColor = ParseColor(value);
  } else {
    CGifAnimUI::SetAttribute(name, value);
  }
}

}  // namespace SkinUI
