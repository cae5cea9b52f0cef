#include "uiframework/controls/LabelUI.h"

#include "uiframework/controls/AttributeValues.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/render/TextFormat.h"
#include "uiframework/resources/RenderServices.h"

#include <cmath>
#include <cwchar>

namespace SkinUI {

namespace {

// The width a single line is measured in, and the height wrapped text
// may take.
constexpr LONG kMeasureWidth = 9999;

bool Contains(LPCWSTR value, LPCWSTR word) { return value != nullptr && std::wcsstr(value, word) != nullptr; }

// A decimal fraction; anything that is not a finite number reads as 0.
double ParseDouble(LPCWSTR text) {
  if (text == nullptr) return 0.0;
  const double value = std::wcstod(text, nullptr);
  return std::isfinite(value) ? value : 0.0;
}

}  // namespace

CLabelUI::CLabelUI() : m_textStyle(kTextVCenter | kTextSingleLine) {}

LPCWSTR CLabelUI::GetClass() const { return L"Label"; }

void* CLabelUI::FindInterface(LPCWSTR name) {
  if (name != nullptr && std::wcscmp(name, L"Label") == 0) return this;
  return CControlUI::FindInterface(name);
}

void CLabelUI::SetText(LPCWSTR text) {
  MeasureAgain();
  CControlUI::SetText(text);
}

void CLabelUI::SetFixedWidth(int cx) {
  MeasureAgain();
  CControlUI::SetFixedWidth(cx);
}

void CLabelUI::SetFixedHeight(int cy) {
  MeasureAgain();
  CControlUI::SetFixedHeight(cy);
}

void CLabelUI::SetTextStyle(UINT style) {
  m_textStyle = style;
  MeasureAgain();
  Invalidate();
}

bool CLabelUI::IsMultiLine() const { return (m_textStyle & kTextSingleLine) == 0; }

void CLabelUI::SetMultiLine(bool multiLine) {
  if (multiLine) {
    m_textStyle &= ~kTextSingleLine;
    m_textStyle |= kTextWordBreak;
  } else {
    m_textStyle |= kTextSingleLine;
  }
  MeasureAgain();
  Invalidate();
}

void CLabelUI::SetTextColor(DWORD color) { SetDrawn(m_textColor, color); }

void CLabelUI::SetDisabledTextColor(DWORD color) { SetDrawn(m_disabledTextColor, color); }

void CLabelUI::SetDisabledBkColor(DWORD color) { SetDrawn(m_disabledBkColor, color); }

void CLabelUI::SetFont(int id) {
  m_font = id;
  MeasureAgain();
  Invalidate();
}

void CLabelUI::SetTextPadding(RECT padding) {
  m_textPadding = ClampRect(padding);
  MeasureAgain();
  Invalidate();
}

void CLabelUI::SetShowHtml(bool showHtml) {
  if (m_showHtml == showHtml) return;
  m_showHtml = showHtml;
  MeasureAgain();
  Invalidate();
}

void CLabelUI::SetEffectEnabled(bool enabled) {
  if (m_effectEnabled == enabled) return;
  m_effectEnabled = enabled;
  MeasureAgain();
  Invalidate();
}

SIZE CLabelUI::DesiredSize(SIZE available) {
  if (m_fixedSize.cx > 0 && m_fixedSize.cy > 0) return m_fixedSize;
  const bool sameRoom = available.cx == m_cachedAvailable.cx && available.cy == m_cachedAvailable.cy;
  if (m_measureAgain || (IsMultiLine() && !sameRoom)) {
    m_cachedSize = Measure(available);
    m_cachedAvailable = available;
    m_measureAgain = false;
  }
  return m_cachedSize;
}

SIZE CLabelUI::Measure(SIZE available) {
  SIZE size = m_fixedSize;
  const RECT& pad = m_textPadding;
  const long long padX = 0LL + pad.left + pad.right;
  const long long padY = 0LL + pad.top + pad.bottom;
  if (!IsMultiLine()) {
    if (size.cy == 0) {
      const FontEntry* font = m_pManager != nullptr ? m_pManager->GetFontInfo(m_font) : nullptr;
      const int textHeight = font != nullptr ? font->metrics.height : 0;
      size.cy = ClampCoordinate(textHeight + 8 + padY);
    }
    if (size.cx == 0) {
      const SIZE box{kMeasureWidth, size.cy};
      size.cx = ClampCoordinate(MeasureLabelText(kTextSingleLine, box).cx + padX);
    }
  } else {
    if (size.cx == 0) size.cx = available.cx > 0 ? ClampCoordinate(available.cx) : 0;
    if (size.cy == 0) {
      const int wrapWidth = ClampCoordinate(size.cx - padX);
      const SIZE box{wrapWidth, kMeasureWidth};
      const long long textHeight = wrapWidth > 0 ? MeasureLabelText(kTextWordBreak, box).cy : 0;
      size.cy = ClampCoordinate(textHeight + padY);
    }
  }
  if (m_effectEnabled) size.cx = ClampCoordinate(static_cast<long long>(size.cx * 1.03));
  return size;
}

SIZE CLabelUI::MeasureLabelText(UINT format, SIZE box) const {
  if (m_showHtml) return MeasureHtmlText(m_pManager, m_text, m_font, format, box);
  return MeasureText(m_pManager, m_text, m_font, format, box);
}

bool CLabelUI::PassMouseWhileDisabled(UIEvent& event) {
  if (IsMouseEnabled() || !IsMouseEvent(event.type)) return false;
  if (m_pParent != nullptr) m_pParent->HandleEvent(event);
  else CLabelUI::HandleEvent(event);
  return true;
}

void CLabelUI::HandleEvent(UIEvent& event) {
  if (event.type == UIEVENT_SETFOCUS) {
    m_focused = true;
    return;
  }
  if (event.type == UIEVENT_KILLFOCUS) {
    m_focused = false;
    return;
  }
  CControlUI::HandleEvent(event);
}

void CLabelUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  const CUIString n(name);
  if (n == L"align") {
    UINT style = m_textStyle;
    if (Contains(value, L"left")) style = (style & ~(kTextCenter | kTextRight)) | kTextLeft;
    if (Contains(value, L"center")) style = (style & ~(kTextLeft | kTextRight)) | kTextCenter;
    if (Contains(value, L"right")) style = (style & ~(kTextLeft | kTextCenter)) | kTextRight;
    SetTextStyle(style);
  } else if (n == L"valign") {
    UINT style = m_textStyle;
    if (Contains(value, L"top")) style = (style & ~(kTextBottom | kTextVCenter)) | kTextTop;
    if (Contains(value, L"vcenter")) style = (style & ~(kTextTop | kTextBottom)) | kTextVCenter;
    if (Contains(value, L"bottom")) style = (style & ~(kTextTop | kTextVCenter)) | kTextBottom;
    SetTextStyle(style);
  } else if (n == L"endellipsis") {
    SetTextStyle(ParseBool(value) ? (m_textStyle | kTextEndEllipsis) : (m_textStyle & ~kTextEndEllipsis));
  } else if (n == L"font") {
    SetFont(ParseInt(value));
  } else if (n == L"textcolor") {
    DWORD color = ParseColor(value);
    if (color != 0 && (color & 0xFF000000) == 0) color |= 0xFF000000;
    SetTextColor(color);
  } else if (n == L"disabledtextcolor") {
    SetDisabledTextColor(ParseColor(value));
  } else if (n == L"disabledbkcolor") {
    SetDisabledBkColor(ParseColor(value));
  } else if (n == L"textpadding") {
    SetTextPadding(ParseRect(value));
  } else if (n == L"multiline") {
    SetMultiLine(ParseBool(value));
  } else if (n == L"showhtml") {
    SetShowHtml(ParseBool(value));
  } else if (n == L"enabledeffect") {
    SetEffectEnabled(ParseBool(value));
  } else if (n == L"enabledluminous") {
    m_effects.glow = ParseBool(value);
  } else if (n == L"enabledstroke") {
    m_effects.stroke = ParseBool(value);
  } else if (n == L"enabledshadow") {
    m_effects.shadow = ParseBool(value);
  } else if (n == L"rhaa") {
    m_effects.renderingHint = ParseInt(value);
  } else if (n == L"luminousfuzzy") {
    const double fuzziness = ParseDouble(value);
    if (fuzziness >= 0.0001) m_effects.fuzziness = static_cast<float>(fuzziness);
  } else if (n == L"gradientangle") {
    m_effects.gradientAngle = ParseInt(value);
  } else if (n == L"gradientlength") {
    m_effects.gradientLength = ParseInt(value);
  } else if (n == L"shadowoffset") {
    // offset,angle: the shadow moves by the offset up for angles 0..180
    // and down below 0, left for -89..90 and right otherwise.
    const SIZE pair = ParseSize(value);
    const int offset = pair.cx;
    const int angle = pair.cy;
    if (angle < -180 || angle > 180) return;
    m_effects.shadowOffsetY = static_cast<float>(angle >= 0 ? -offset : offset);
    m_effects.shadowOffsetX = static_cast<float>(angle > -90 && angle <= 90 ? -offset : offset);
  } else if (n == L"textcolor1") {
    m_effects.textColor2 = ParseColor(value);
  } else if (n == L"textshadowcolora") {
    m_effects.shadowColorA = ParseColor(value);
  } else if (n == L"textshadowcolorb") {
    m_effects.shadowColorB = ParseColor(value);
  } else if (n == L"strokecolor") {
    m_effects.strokeColor = ParseColor(value);
  } else {
    CControlUI::SetAttribute(name, value);
    return;
  }
  Invalidate();
}

void CLabelUI::PaintBackColor(IPaintSurfaceUI* surface) {
  if (!IsEnabled() && m_disabledBkColor != 0) {
    FillBackground(surface, m_disabledBkColor);
    return;
  }
  CControlUI::PaintBackColor(surface);
}

void CLabelUI::FillBackground(IPaintSurfaceUI* surface, DWORD color) {
  surface->DrawColor(color >= 0xFF000000 ? m_rcPaint : m_rcItem, AdjustColor(color));
}

void CLabelUI::ResolveDefaultColors() {
  if (m_pManager == nullptr) return;
  if (m_textColor == 0) m_textColor = m_pManager->GetDefaultFontColor();
  if (m_disabledTextColor == 0) m_disabledTextColor = m_pManager->GetDefaultDisabledColor();
}

RECT CLabelUI::TextBox() const {
  RECT box = m_rcItem;
  box.left += m_textPadding.left;
  box.top += m_textPadding.top;
  box.right -= m_textPadding.right;
  box.bottom -= m_textPadding.bottom;
  return ClampRect(box);
}

void CLabelUI::PaintText(IPaintSurfaceUI* surface) {
  ResolveDefaultColors();
  if (m_text.IsEmpty()) return;
  // Drawn effects keep the text colour when disabled.
  DrawLabelText(surface, IsEnabled() || m_effectEnabled ? m_textColor : m_disabledTextColor);
}

void CLabelUI::DrawLabelText(IPaintSurfaceUI* surface, DWORD color) {
  RECT box = TextBox();
  if (m_effectEnabled) {
    TextEffects effects = m_effects;
    effects.textColor = color;
    surface->DrawTextEffects(m_pManager, box, m_text, m_font, m_textStyle, effects);
  } else if (m_showHtml) {
    int links = 0;
    surface->DrawHtmlText(m_pManager, box, m_text, color, nullptr, nullptr, links, m_font, m_textStyle,
                          POINT{-1, -1});
  } else {
    surface->DrawText(m_pManager, box, m_text, color, m_font, m_textStyle);
  }
}

}  // namespace SkinUI
