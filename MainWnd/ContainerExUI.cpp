#include "MainWnd/ContainerExUI.h"

#include "uiframework/controls/AttributeValues.h"
#include "uiframework/manager/WindowManagerUI.h"

#include <cwchar>

using namespace SkinUI;

LPCWSTR CContainerExUI::GetClass() const { return L"ContainerEx"; }

void* CContainerExUI::FindInterface(LPCWSTR name) {
  if (name != nullptr && std::wcscmp(name, L"ContainerEx") == 0) return this;
  return CContainerUI::FindInterface(name);
}

void CContainerExUI::SetEnabled(bool enabled) {
  CContainerUI::SetEnabled(enabled);
  if (!IsEnabled()) m_state = 0;
}

void CContainerExUI::HandleEvent(UIEvent& event) {
  if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
    if (m_pParent != nullptr) m_pParent->HandleEvent(event);
    else CContainerUI::HandleEvent(event);
    return;
  }
  const bool inside = RectContains(m_rcItem, event.mouse);
  // Hover events a child passes up are the child's: the panel's hover
  // follows only the events addressed to the panel itself.
  const bool own = event.sender == nullptr || event.sender == this;
  if ((event.type == UIEVENT_MOUSEENTER || event.type == UIEVENT_MOUSELEAVE) && !own) return;
  if (event.type == UIEVENT_MOUSEENTER) {
    if (!inside) return;
    if (IsEnabled() && (m_state & UISTATE_HOT) == 0) {
      m_state |= UISTATE_HOT;
      Invalidate();
      if (m_pManager != nullptr) m_pManager->SendNotify(this, L"mouseenter");
    }
    return;
  }
  if (event.type == UIEVENT_MOUSELEAVE) {
    if (inside) {
      // The mouse moved onto a child: stay hot until it leaves the panel.
      if (m_pManager != nullptr) m_pManager->AddMouseLeaveListener(this);
      return;
    }
    if (m_pManager != nullptr) m_pManager->RemoveMouseLeaveListener(this);
    // One "mouseleave" per hover: the manager may report the leave both to
    // its listener and to its hover control.
    if (IsEnabled() && (m_state & UISTATE_HOT) != 0) {
      m_state &= ~UISTATE_HOT;
      Invalidate();
      if (m_pManager != nullptr) m_pManager->SendNotify(this, L"mouseleave");
    }
    return;
  }
  CContainerUI::HandleEvent(event);
}

void CContainerExUI::SetImage(ImageDrawSpec& drawSpec, LPCWSTR description) {
  if (drawSpec.description == description && drawSpec.image != nullptr) return;
  drawSpec.Reset();
  drawSpec.description = description;
  Invalidate();
}

void CContainerExUI::SetNormalImage(LPCWSTR description) { SetImage(m_normalImage, description); }
void CContainerExUI::SetHotImage(LPCWSTR description) { SetImage(m_hotImage, description); }
void CContainerExUI::SetDisabledImage(LPCWSTR description) { SetImage(m_disabledImage, description); }

void CContainerExUI::SetDisabledBkColor(DWORD color) {
  m_disabledBkColor = color;
  Invalidate();
}

void CContainerExUI::SetChildVisible(bool visible) {
  if (m_childVisible == visible) return;
  m_childVisible = visible;
  Invalidate();
}

void CContainerExUI::SetMustHotChildVisible(bool mustHot) {
  if (m_mustHot == mustHot) return;
  m_mustHot = mustHot;
  Invalidate();
}

void CContainerExUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  const CUIString n(name);
  if (n == L"normalimage") SetNormalImage(value);
  else if (n == L"hotimage") SetHotImage(value);
  else if (n == L"disabledimage") SetDisabledImage(value);
  else if (n == L"hotbkcolor") SetHotBkColor(ParseColor(value));
  else if (n == L"disabledbkcolor") SetDisabledBkColor(ParseColor(value));
  else if (n == L"childvisible") SetChildVisible(ParseBool(value));
  else if (n == L"musthotchildvisible") SetMustHotChildVisible(ParseBool(value));
  else CContainerUI::SetAttribute(name, value);
}

bool CContainerExUI::ChildrenShown() const { return m_childVisible && (!m_mustHot || (m_state & UISTATE_HOT) != 0); }

bool CContainerExUI::PaintContent(IPaintSurfaceUI* surface, const RECT& paint, CControlUI* stop) {
  RECT clip;
  if (!RectIntersect(clip, paint, m_rcItem)) return true;
  surface->PushClip(clip);
  CControlUI::PaintContent(surface, paint, stop);
  const bool keepGoing = !ChildrenShown() || PaintChildren(surface, paint, stop);
  surface->PopClip();
  return keepGoing;
}

void CContainerExUI::PaintBackColor(IPaintSurfaceUI* surface) {
  if (!IsEnabled() && m_disabledBkColor != 0) {
    surface->DrawColor(m_disabledBkColor >= 0xFF000000 ? m_rcPaint : m_rcItem, AdjustColor(m_disabledBkColor));
    return;
  }
  CContainerUI::PaintBackColor(surface);
}

bool CContainerExUI::DrawStateImage(IPaintSurfaceUI* surface, ImageDrawSpec& drawSpec) {
  if (drawSpec.description.IsEmpty()) return false;
  return surface->DrawImage(m_pManager, m_rcItem, m_rcPaint, drawSpec);
}

void CContainerExUI::PaintStateImages(IPaintSurfaceUI* surface) {
  if (IsEnabled()) m_state &= ~UISTATE_DISABLED;
  else m_state |= UISTATE_DISABLED;
  if ((m_state & UISTATE_DISABLED) != 0) {
    if (!DrawStateImage(surface, m_disabledImage)) DrawStateImage(surface, m_normalImage);
  } else if ((m_state & UISTATE_HOT) != 0) {
    if (!DrawStateImage(surface, m_hotImage)) DrawStateImage(surface, m_normalImage);
    if (m_hotBkColor != 0) {
      surface->DrawColor(m_rcPaint, AdjustColor(m_hotBkColor));
      return;
    }
  } else {
    DrawStateImage(surface, m_normalImage);
  }
  CContainerUI::PaintStateImages(surface);
}
