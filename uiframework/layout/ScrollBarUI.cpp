#include "uiframework/layout/ScrollBarUI.h"

#include "uiframework/controls/AttributeValues.h"
#include "uiframework/manager/WindowManagerUI.h"

#include <cwchar>

namespace SkinUI {

CScrollBarUI::CScrollBarUI() {
  m_fixedSize.cx = kDefaultThickness;
  m_fixedSize.cy = 0;
}

LPCWSTR CScrollBarUI::GetClass() const { return L"ScrollBar"; }

void* CScrollBarUI::FindInterface(LPCWSTR name) {
  if (name != nullptr && std::wcscmp(name, L"ScrollBar") == 0) return this;
  return CControlUI::FindInterface(name);
}

void CScrollBarUI::SetHorizontal(bool horizontal) {
  if (m_horizontal == horizontal) return;
  m_horizontal = horizontal;
  if (horizontal) {
    if (m_fixedSize.cy == 0) {
      m_fixedSize.cx = 0;
      m_fixedSize.cy = kDefaultThickness;
    }
  } else if (m_fixedSize.cx == 0) {
    m_fixedSize.cx = kDefaultThickness;
    m_fixedSize.cy = 0;
  }
  RequestParentLayout();
}

void CScrollBarUI::SetScrollRange(int range) {
  if (range < 0) range = 0;
  if (range > kMaxRange) range = kMaxRange;
  if (m_range == range) return;
  m_range = range;
  if (m_position > m_range) m_position = m_range;
  Invalidate();
}

void CScrollBarUI::SetScrollPos(int position, bool notify) {
  if (position < 0) position = 0;
  if (position > m_range) position = m_range;
  if (m_lineSize > 1 && position % m_lineSize != 0 && position < m_range) {
    position = (position / m_lineSize + 1) * m_lineSize;
    if (position > m_range) position = m_range;
  }
  if (position == m_position) return;
  const int old = m_position;
  m_position = position;
  Invalidate();
  if (notify && m_pManager != nullptr)
    m_pManager->SendNotify(this, L"scroll", static_cast<WPARAM>(m_position), static_cast<LPARAM>(old), true, false);
}

void CScrollBarUI::ShowBar(bool show, bool reset) {
  if (show) {
    m_visible = true;
    m_position = 0;
  } else {
    m_visible = false;
    if (reset) {
      m_position = 0;
      m_range = 0;
    }
  }
}

void CScrollBarUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  const CUIString n(name);
  if (n == L"hor") SetHorizontal(ParseBool(value));
  else if (n == L"linesize") SetLineSize(ClampCoordinate(ParseInt(value)));
  else if (n == L"range") SetScrollRange(ParseInt(value));
  else if (n == L"value") SetScrollPos(ParseInt(value), false);
  else CControlUI::SetAttribute(name, value);
}

}  // namespace SkinUI
