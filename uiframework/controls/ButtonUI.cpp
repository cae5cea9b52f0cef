#include "uiframework/controls/ButtonUI.h"

#include "uiframework/controls/AttributeValues.h"
#include "uiframework/controls/ButtonEvents.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/render/TextFormat.h"
#include "uiframework/resources/RenderServices.h"

#include <algorithm>
#include <cwchar>

namespace SkinUI {

CButtonUI::CButtonUI() { m_textStyle = kTextSingleLine | kTextVCenter | kTextCenter; }

LPCWSTR CButtonUI::GetClass() const { return L"Button"; }

void* CButtonUI::FindInterface(LPCWSTR name) {
  if (name != nullptr && std::wcscmp(name, L"Button") == 0) return this;
  return CLabelUI::FindInterface(name);
}

UINT CButtonUI::GetFlags() const {
  return (IsKeyboardEnabled() ? UIFLAG_TABSTOP : 0) | (IsEnabled() ? UIFLAG_SETCURSOR : 0);
}

bool CButtonUI::Activate() {
  if (!CLabelUI::Activate()) return false;
  if (m_pManager != nullptr) m_pManager->SendNotify(this, L"click");
  return true;
}

void CButtonUI::SetEnabled(bool enabled) {
  CLabelUI::SetEnabled(enabled);
  if (!IsEnabled()) m_state = 0;
}

void CButtonUI::StartFadeTimer() {
  if (m_pManager == nullptr) return;
  m_pManager->KillTimer(this, kFadeTimerId);
  m_pManager->SetTimer(this, kFadeTimerId, kFadeElapse);
}

void CButtonUI::StepFade() {
  bool ended = m_fadeStep == 0;
  if (!ended && (m_state & UISTATE_HOT) != 0) {
    m_fadeAlpha = m_fadeAlpha > m_fadeStep ? static_cast<BYTE>(m_fadeAlpha - m_fadeStep) : 0;
    ended = m_fadeAlpha == 0;
  } else if (!ended) {
    m_fadeAlpha = 255 - m_fadeAlpha > m_fadeStep ? static_cast<BYTE>(m_fadeAlpha + m_fadeStep) : 255;
    ended = m_fadeAlpha == 255;
  }
  if (ended && m_pManager != nullptr) m_pManager->KillTimer(this, kFadeTimerId);
  Invalidate();
}

void CButtonUI::HandleEvent(UIEvent& event) {
  if (PassMouseWhileDisabled(event)) return;
  if (event.type == UIEVENT_SETFOCUS || event.type == UIEVENT_KILLFOCUS) Invalidate();
  if (event.type == UIEVENT_TIMER && event.wParam == kFadeTimerId) {
    StepFade();
    return;
  }
  switch (HandleButtonEvent(*this, m_state, event, m_arrowCursor ? UICursor::Arrow : UICursor::Hand)) {
    case ButtonEventOutcome::Handled:
      return;
    case ButtonEventOutcome::Entered:
    case ButtonEventOutcome::Left:
      if (m_fadeStep != 0) StartFadeTimer();
      break;
    case ButtonEventOutcome::NotMine:
      break;
  }
  CLabelUI::HandleEvent(event);
}

void CButtonUI::SetImage(ImageDrawSpec& drawSpec, LPCWSTR description) {
  if (drawSpec.description == description && drawSpec.image != nullptr) return;
  drawSpec.Reset();
  drawSpec.description = description;
  LoadImageSpec(m_pManager, drawSpec);
  Invalidate();
}

void CButtonUI::SetNormalImage(LPCWSTR description) { SetImage(m_normalImage, description); }
void CButtonUI::SetHotImage(LPCWSTR description) { SetImage(m_hotImage, description); }
void CButtonUI::SetHotForeImage(LPCWSTR description) { SetImage(m_hotForeImage, description); }
void CButtonUI::SetPushedImage(LPCWSTR description) { SetImage(m_pushedImage, description); }
void CButtonUI::SetFocusedImage(LPCWSTR description) { SetImage(m_focusedImage, description); }
void CButtonUI::SetDisabledImage(LPCWSTR description) { SetImage(m_disabledImage, description); }

void CButtonUI::SetFiveStatusImage(LPCWSTR description) {
  ImageDrawSpec whole;
  whole.description = description;
  // Without a window the image cannot be measured yet: cut it at the
  // first paint.
  m_pendingFiveStatus = m_pManager == nullptr ? CUIString(description) : CUIString();
  if (!LoadImageSpec(m_pManager, whole)) {
    // Nothing to cut: every state draws the description as it is (and
    // fails the same way).
    for (ImageDrawSpec* drawSpec : {&m_normalImage, &m_pushedImage, &m_hotImage, &m_focusedImage, &m_disabledImage})
      *drawSpec = whole;
    Invalidate();
    return;
  }
  const RECT source = whole.source;
  const LONG strip = (source.right - source.left) / 5;
  ImageDrawSpec* strips[5] = {&m_normalImage, &m_pushedImage, &m_hotImage, &m_focusedImage, &m_disabledImage};
  for (int i = 0; i < 5; ++i) {
    *strips[i] = whole;
    strips[i]->source = RECT{source.left + i * strip, source.top, source.left + (i + 1) * strip, source.bottom};
  }
  if (m_float && m_fixedSize.cx == 0 && m_fixedSize.cy == 0) {
    m_fixedSize.cx = strip;
    m_fixedSize.cy = source.bottom - source.top;
  }
  Invalidate();
}

void CButtonUI::SetHotBkColor(DWORD color) { SetDrawn(m_hotBkColor, color); }
void CButtonUI::SetHotTextColor(DWORD color) { SetDrawn(m_hotTextColor, color); }
void CButtonUI::SetPushedTextColor(DWORD color) { SetDrawn(m_pushedTextColor, color); }
void CButtonUI::SetFocusedTextColor(DWORD color) { SetDrawn(m_focusedTextColor, color); }
void CButtonUI::SetFocusedBkColor(DWORD color) { SetDrawn(m_focusedBkColor, color); }

void CButtonUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  const CUIString n(name);
  if (n == L"normalimage") SetNormalImage(value);
  else if (n == L"hotimage") SetHotImage(value);
  else if (n == L"pushedimage") SetPushedImage(value);
  else if (n == L"focusedimage") SetFocusedImage(value);
  else if (n == L"disabledimage") SetDisabledImage(value);
  else if (n == L"hotforeimage") SetHotForeImage(value);
  else if (n == L"fivestatusimage") SetFiveStatusImage(value);
  else if (n == L"fadedelta") SetFadeDelta(static_cast<BYTE>(std::clamp(ParseInt(value), 0, 255)));
  else if (n == L"hotbkcolor") SetHotBkColor(ParseColor(value));
  else if (n == L"hottextcolor") SetHotTextColor(ParseColor(value));
  else if (n == L"pushedtextcolor") SetPushedTextColor(ParseColor(value));
  else if (n == L"focusedtextcolor") SetFocusedTextColor(ParseColor(value));
  else if (n == L"focusedbkcolor") SetFocusedBkColor(ParseColor(value));
  else if (n == L"cursor") {
    m_arrowCursor = value != nullptr && std::wcscmp(value, L"arrow") == 0;
    if (m_pManager != nullptr && IsEnabled() && RectContains(m_rcItem, m_pManager->GetLastMousePos()))
      m_pManager->SetCursor(m_arrowCursor ? UICursor::Arrow : UICursor::Hand);
  } else {
    CLabelUI::SetAttribute(name, value);
  }
}

SIZE CButtonUI::DesiredSize(SIZE available) {
  if (m_fixedSize.cy != 0) return CControlUI::DesiredSize(available);
  const FontEntry* font = m_pManager != nullptr ? m_pManager->GetFontInfo(m_font) : nullptr;
  return SIZE{m_fixedSize.cx, (font != nullptr ? font->metrics.height : 0) + 8};
}

void CButtonUI::PaintBackColor(IPaintSurfaceUI* surface) {
  if (IsEnabled() && IsFocused() && m_focusedBkColor != 0) {
    FillBackground(surface, m_focusedBkColor);
    return;
  }
  CLabelUI::PaintBackColor(surface);
}

bool CButtonUI::DrawStateImage(IPaintSurfaceUI* surface, ImageDrawSpec& drawSpec) {
  if (drawSpec.description.IsEmpty()) return false;
  return surface->DrawImage(m_pManager, m_rcItem, m_rcPaint, drawSpec);
}

bool CButtonUI::DrawImageFaded(IPaintSurfaceUI* surface, ImageDrawSpec& drawSpec, BYTE fade) {
  if (drawSpec.description.IsEmpty()) return false;
  // Load (and parse) first, so that the description's own fade is in
  // place before it is replaced for this one drawing.
  if (drawSpec.image == nullptr && !surface->DrawImage(m_pManager, m_rcItem, RECT{}, drawSpec)) return false;
  const BYTE own = drawSpec.fade;
  drawSpec.fade = fade;
  const bool drawn = surface->DrawImage(m_pManager, m_rcItem, m_rcPaint, drawSpec);
  drawSpec.fade = own;
  return drawn;
}

void CButtonUI::PaintStateImages(IPaintSurfaceUI* surface) {
  if (!m_pendingFiveStatus.IsEmpty() && m_pManager != nullptr) SetFiveStatusImage(CUIString(m_pendingFiveStatus));
  if (IsFocused()) m_state |= UISTATE_FOCUSED;
  else m_state &= ~UISTATE_FOCUSED;
  if (!IsEnabled()) m_state |= UISTATE_DISABLED;
  else m_state &= ~UISTATE_DISABLED;

  if ((m_state & UISTATE_DISABLED) != 0) {
    if (!DrawStateImage(surface, m_disabledImage)) DrawStateImage(surface, m_normalImage);
  } else if ((m_state & UISTATE_PUSHED) != 0) {
    if (!DrawStateImage(surface, m_pushedImage)) DrawStateImage(surface, m_normalImage);
    if (!DrawStateImage(surface, m_pushedForeImage)) DrawStateImage(surface, m_foreImage);
    return;
  } else if ((m_state & UISTATE_HOT) != 0) {
    if (m_hotBkColor != 0) surface->DrawColor(m_rcPaint, AdjustColor(m_hotBkColor));
    if (m_fadeStep != 0) {
      if (m_fadeAlpha != 0) DrawImageFaded(surface, m_normalImage, m_fadeAlpha);
      DrawImageFaded(surface, m_hotImage, static_cast<BYTE>(255 - m_fadeAlpha));
    } else if (!DrawStateImage(surface, m_hotImage)) {
      DrawStateImage(surface, m_normalImage);
    }
    if (!DrawStateImage(surface, m_hotForeImage)) DrawStateImage(surface, m_foreImage);
    return;
  } else if ((m_state & UISTATE_FOCUSED) == 0 || !DrawStateImage(surface, m_focusedImage)) {
    if (m_fadeStep != 0 && m_fadeAlpha != 255) {
      DrawImageFaded(surface, m_hotImage, static_cast<BYTE>(255 - m_fadeAlpha));
      DrawImageFaded(surface, m_normalImage, m_fadeAlpha);
    } else {
      DrawStateImage(surface, m_normalImage);
    }
  }
  DrawStateImage(surface, m_foreImage);
}

DWORD CButtonUI::StateTextColor() const {
  if ((m_state & UISTATE_PUSHED) != 0 && m_pushedTextColor != 0) return m_pushedTextColor;
  if ((m_state & UISTATE_HOT) != 0 && m_hotTextColor != 0) return m_hotTextColor;
  if (IsFocused() && m_focusedTextColor != 0) return m_focusedTextColor;
  return IsEnabled() ? m_textColor : m_disabledTextColor;
}

void CButtonUI::PaintText(IPaintSurfaceUI* surface) {
  ResolveDefaultColors();
  if (m_text.IsEmpty()) return;
  DrawLabelText(surface, StateTextColor());
}

void CButtonUI::PaintBorder(IPaintSurfaceUI* surface) {
  const bool focusColored = IsFocused() && m_focusBorderColor != 0;
  if (focusColored || (m_state & UISTATE_HOT) == 0 || m_hotBorderColor == 0) {
    CLabelUI::PaintBorder(surface);
    return;
  }
  const DWORD own = m_borderColor;
  m_borderColor = m_hotBorderColor;
  CLabelUI::PaintBorder(surface);
  m_borderColor = own;
}

}  // namespace SkinUI
