#include "uiframework/controls/OptionUI.h"

#include "uiframework/controls/AttributeValues.h"
#include "uiframework/manager/WindowManagerUI.h"

#include <cwchar>
#include <vector>

namespace SkinUI {

COptionUI::~COptionUI() { LeaveGroup(); }

LPCWSTR COptionUI::GetClass() const { return L"Option"; }

void* COptionUI::FindInterface(LPCWSTR name) {
  if (name != nullptr && std::wcscmp(name, L"Option") == 0) return this;
  return CButtonUI::FindInterface(name);
}

void COptionUI::LeaveGroup() {
  if (m_pManager != nullptr && !m_group.IsEmpty()) m_pManager->RemoveOptionGroup(m_group, this);
}

void COptionUI::AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool init) {
  // A group entry belongs to one window: moving to another (or none)
  // leaves the old window's group, so it never holds a dead option.
  if (manager != m_pManager) LeaveGroup();
  CButtonUI::AttachManager(manager, parent, init);
  if (init && m_pManager != nullptr && !m_group.IsEmpty()) m_pManager->AddOptionGroup(m_group, this);
}

void COptionUI::SetGroup(LPCWSTR name) {
  const CUIString group(name);
  if (group == m_group) return;
  LeaveGroup();
  m_group = group;
  if (m_pManager != nullptr && !m_group.IsEmpty()) m_pManager->AddOptionGroup(m_group, this);
}

void COptionUI::Selected(bool selected, bool notify) {
  if (m_selected == selected) return;
  m_selected = selected;
  if (m_selected) m_state |= UISTATE_SELECTED;
  else m_state &= ~UISTATE_SELECTED;
  if (m_pManager != nullptr) {
    if (!m_group.IsEmpty()) {
      if (m_selected) {
        // A copy: a member's notification may regroup options.
        std::vector<COptionUI*> members;
        if (CPointerArray* group = m_pManager->GetOptionGroup(m_group))
          for (int i = 0; i < group->GetSize(); ++i) members.push_back(static_cast<COptionUI*>((*group)[i]));
        for (COptionUI* member : members)
          if (member != this) member->Selected(false, notify);
        if (notify) m_pManager->SendNotify(this, L"selectchanged");
      }
    } else if (notify) {
      m_pManager->SendNotify(this, L"selectchanged");
    }
  }
  Invalidate();
}

bool COptionUI::Activate() {
  if (!CButtonUI::Activate()) return false;
  if (!m_group.IsEmpty()) Selected(true);
  else Selected(!m_selected);
  return true;
}

void COptionUI::SetEnabled(bool enabled) {
  CLabelUI::SetEnabled(enabled);
  if (!IsEnabled()) m_state &= UISTATE_SELECTED;
}

void COptionUI::SetSelectedImage(LPCWSTR description) { SetImage(m_selectedImage, description); }
void COptionUI::SetSelectedHotImage(LPCWSTR description) { SetImage(m_selectedHotImage, description); }
void COptionUI::SetOptionForeImage(LPCWSTR description) { SetImage(m_optionForeImage, description); }

void COptionUI::SetSelectedBkColor(DWORD color) { SetDrawn(m_selectedBkColor, color); }

void COptionUI::SetSelectedTextColor(DWORD color) { SetDrawn(m_selectedTextColor, color); }

void COptionUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  const CUIString n(name);
  if (n == L"group") SetGroup(value);
  else if (n == L"selected") Selected(ParseBool(value));
  else if (n == L"selectedimage") SetSelectedImage(value);
  else if (n == L"selectedhotimage") SetSelectedHotImage(value);
  else if (n == L"foreimage") SetOptionForeImage(value);
  else if (n == L"selectedbkcolor") SetSelectedBkColor(ParseColor(value));
  else if (n == L"selectedtextcolor") SetSelectedTextColor(ParseColor(value));
  else CButtonUI::SetAttribute(name, value);
}

void COptionUI::PaintStateImages(IPaintSurfaceUI* surface) {
  if (IsEnabled() && m_selected) {
    if (m_selectedBkColor != 0) surface->DrawColor(m_rcPaint, AdjustColor(m_selectedBkColor));
    bool drawn = (m_state & UISTATE_HOT) != 0 && DrawStateImage(surface, m_selectedHotImage);
    if (!drawn) drawn = DrawStateImage(surface, m_selectedImage);
    if (drawn) {
      DrawStateImage(surface, m_optionForeImage);
      return;
    }
  }
  // An option never shows its pushed image.
  const UINT pushed = m_state & UISTATE_PUSHED;
  m_state &= ~UISTATE_PUSHED;
  CButtonUI::PaintStateImages(surface);
  m_state |= pushed;
  DrawStateImage(surface, m_optionForeImage);
}

void COptionUI::PaintText(IPaintSurfaceUI* surface) {
  if (IsEnabled() && m_selected && m_selectedTextColor != 0) {
    ResolveDefaultColors();
    if (!m_text.IsEmpty()) DrawLabelText(surface, m_selectedTextColor);
    return;
  }
  const UINT pushed = m_state & UISTATE_PUSHED;
  m_state &= ~UISTATE_PUSHED;
  CButtonUI::PaintText(surface);
  m_state |= pushed;
}

}  // namespace SkinUI
