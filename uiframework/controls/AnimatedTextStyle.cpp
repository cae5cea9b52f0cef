#include "uiframework/controls/AnimatedTextStyle.h"

#include "uiframework/controls/AttributeValues.h"
#include "uiframework/render/TextEffects.h"

namespace SkinUI {

namespace {

constexpr UINT kCentre = 0x01;
constexpr UINT kRight = 0x02;
constexpr UINT kVCentre = 0x04;
constexpr UINT kBottom = 0x08;
constexpr UINT kWordBreak = 0x10;
constexpr UINT kSingleLine = 0x20;

}  // namespace

bool AnimatedTextStyle::SetAttribute(const CUIString& name, LPCWSTR value) {
  const CUIString v(value);
  if (name == L"align") {
    if (v == L"left") style &= ~(kCentre | kRight);
    else if (v == L"center") style = (style & ~kRight) | kCentre;
    else if (v == L"right") style = (style & ~kCentre) | kRight;
  } else if (name == L"valign") {
    if (v == L"top") style &= ~(kVCentre | kBottom);
    else if (v == L"vcenter") style = (style & ~kBottom) | kVCentre;
    else if (v == L"bottom") style = (style & ~kVCentre) | kBottom;
  } else if (name == L"multiline") {
    if (v == L"true") style = (style & ~kSingleLine) | kWordBreak;
    else style |= kSingleLine;
  } else if (name == L"textcolor") {
    color = ParseColor(value);
  } else if (name == L"rhaa") {
    renderingHint = ParseInt(value);
  } else if (name == L"font") {
    font = ParseInt(value);
  } else if (name == L"textpadding") {
    padding = ParseRect(value);
  } else {
    return false;
  }
  return true;
}

void AnimatedTextStyle::Draw(IPaintSurfaceUI* surface, CWindowManagerUI* manager, const RECT& rect,
                             const CUIString& text, DWORD textColor) const {
  if (text.IsEmpty()) return;
  const RECT box{rect.left + padding.left, rect.top + padding.top, rect.right - padding.right,
                 rect.bottom - padding.bottom};
  TextEffects plain;
  plain.textColor = textColor;
  plain.renderingHint = renderingHint;
  surface->DrawTextEffects(manager, box, text, font, style, plain);
}

}  // namespace SkinUI
