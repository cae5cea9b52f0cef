#include "uiframework/controls/TextUI.h"

#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/render/TextFormat.h"

#include <cwchar>

namespace SkinUI {

CTextUI::CTextUI() {
  m_textStyle = kTextWordBreak;
  m_textPadding = RECT{2, 0, 2, 0};
}

LPCWSTR CTextUI::GetClass() const { return L"Text"; }

void* CTextUI::FindInterface(LPCWSTR name) {
  if (name != nullptr && std::wcscmp(name, L"Text") == 0) return this;
  return CLabelUI::FindInterface(name);
}

UINT CTextUI::GetFlags() const { return IsEnabled() && m_linkCount > 0 ? UIFLAG_SETCURSOR : 0; }

CUIString CTextUI::GetLinkContent(int index) const {
  if (index < 0 || index >= m_linkCount) return CUIString();
  return m_linkTexts[index];
}

RECT CTextUI::GetLinkRect(int index) const {
  if (index < 0 || index >= m_linkCount) return RECT{};
  return m_linkRects[index];
}

int CTextUI::LinkAt(POINT pt) const {
  for (int i = 0; i < m_linkCount; ++i)
    if (RectContains(m_linkRects[i], pt)) return i;
  return -1;
}

void CTextUI::HandleEvent(UIEvent& event) {
  if (PassMouseWhileDisabled(event)) return;
  switch (event.type) {
    case UIEVENT_SETCURSOR:
      if (LinkAt(event.mouse) >= 0) {
        if (m_pManager != nullptr) m_pManager->SetCursor(UICursor::Hand);
        return;
      }
      break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if ((event.type == UIEVENT_BUTTONDOWN || IsEnabled()) && LinkAt(event.mouse) >= 0) {
        Invalidate();
        return;
      }
      break;
    case UIEVENT_BUTTONUP:
      if (IsEnabled()) {
        const int link = LinkAt(event.mouse);
        if (link >= 0) {
          if (m_pManager != nullptr) m_pManager->SendNotify(this, L"link", static_cast<WPARAM>(link));
          return;
        }
      }
      break;
    case UIEVENT_CONTEXTMENU:
      return;
    case UIEVENT_MOUSEMOVE:
      if (IsEnabled() && m_linkCount > 0) {
        const int link = LinkAt(event.mouse);
        if (link != m_hotLink) {
          m_hotLink = link;
          Invalidate();
          return;
        }
      }
      break;
    case UIEVENT_MOUSELEAVE:
      if (m_hotLink >= 0) {
        if (m_hotLink < m_linkCount && RectContains(m_linkRects[m_hotLink], event.mouse)) {
          if (m_pManager != nullptr) m_pManager->AddMouseLeaveListener(this);
          return;
        }
        m_hotLink = -1;
        Invalidate();
        if (m_pManager != nullptr) m_pManager->RemoveMouseLeaveListener(this);
        return;
      }
      break;
    default:
      break;
  }
  CLabelUI::HandleEvent(event);
}

void CTextUI::PaintText(IPaintSurfaceUI* surface) {
  ResolveDefaultColors();
  if (m_text.IsEmpty()) {
    m_linkCount = 0;
    return;
  }
  const DWORD color = IsEnabled() ? m_textColor : m_disabledTextColor;
  RECT box = TextBox();
  if (m_showHtml) {
    int links = kMaxLinks;
    const POINT hover = m_pManager != nullptr ? m_pManager->GetLastMousePos() : POINT{-1, -1};
    surface->DrawHtmlText(m_pManager, box, m_text, color, m_linkRects, m_linkTexts, links, m_font, m_textStyle,
                          hover);
    m_linkCount = links < 0 ? 0 : (links > kMaxLinks ? kMaxLinks : links);
  } else {
    m_linkCount = 0;
    surface->DrawText(m_pManager, box, m_text, color, m_font, m_textStyle);
  }
  if (m_hotLink >= m_linkCount) m_hotLink = -1;
}

}  // namespace SkinUI
