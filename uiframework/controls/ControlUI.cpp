#include "uiframework/controls/ControlUI.h"

#include "uiframework/controls/AttributeValues.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/resources/RenderServices.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

namespace SkinUI {

CControlUI::CControlUI() = default;

void CControlUI::Delete() {
  if (m_pManager != nullptr) m_pManager->RemoveMouseLeaveListener(this);
  delete this;
}

CControlUI::~CControlUI() {
  if (m_pCover != nullptr) {
    m_pCover->Delete();
    m_pCover = nullptr;
  }
  OnDestroy(this);
  if (m_pManager != nullptr) m_pManager->ForgetControl(this);
}

CUIString CControlUI::GetName() const { return m_name; }

void CControlUI::SetName(LPCWSTR name) {
  // An attached control is renamed through the manager's name map, which
  // comes back here to store the name once the map holds it. A refused
  // rename keeps a mapped name; an unmapped control still takes it.
  if (m_pManager != nullptr && m_pManager->FindControl(name) != this) {
    const bool mapped = !m_name.IsEmpty() && m_pManager->FindControl(m_name) == this;
    if (m_pManager->RenameControl(this, name) || mapped) return;
  }
  m_name = name;
}

LPCWSTR CControlUI::GetClass() const { return L"Control"; }

void* CControlUI::FindInterface(LPCWSTR name) {
  if (name != nullptr && std::wcscmp(name, L"Control") == 0) return this;
  return nullptr;
}

UINT CControlUI::GetFlags() const { return 0; }
bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }
CWindowManagerUI* CControlUI::GetManager() const { return m_pManager; }

void CControlUI::AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool init) {
  if (m_pCover != nullptr) m_pCover->AttachManager(manager, this, init);
  m_pManager = manager;
  m_pParent = parent;
  if (init && m_pParent != nullptr) Init();
}

CControlUI* CControlUI::GetParent() const { return m_pParent; }
CControlUI* CControlUI::GetCover() const { return m_pCover; }

void CControlUI::SetCover(CControlUI* cover) {
  if (cover == m_pCover) return;
  if (m_pCover != nullptr) m_pCover->Delete();
  m_pCover = cover;
  if (m_pCover == nullptr) return;
  if (m_pManager != nullptr) m_pManager->BindTree(m_pCover, this);
  else m_pCover->AttachManager(nullptr, this, false);
  if (IsVisible()) RequestLayout();
  else m_pCover->SetShownByParent(false);
}

CUIString CControlUI::GetText() const { return m_text; }

void CControlUI::SetText(LPCWSTR text) {
  if (m_text == text) return;
  m_text = text;
  Invalidate();
}

const RECT& CControlUI::GetPos() const { return m_rcItem; }

RECT CControlUI::GetRelativePos() const {
  if (m_pParent == nullptr) return RECT{};
  RECT rc = m_rcItem;
  const RECT& parent = m_pParent->GetPos();
  RectOffset(rc, -parent.left, -parent.top);
  return rc;
}

RECT CControlUI::GetClientPos() const { return m_rcItem; }

bool CControlUI::InvalidateMoved(const RECT& oldRect, const RECT& newRect) {
  RECT rc;
  RectUnion(rc, oldRect, newRect);
  for (CControlUI* ancestor = m_pParent; ancestor != nullptr; ancestor = ancestor->GetParent()) {
    if (!ancestor->IsVisible()) return false;
    if (!RectIntersect(rc, rc, ancestor->GetPos())) return false;
  }
  m_pManager->Invalidate(rc);
  return true;
}

void CControlUI::PlaceCover() {
  if (m_pCover == nullptr || !m_pCover->IsVisible()) return;
  const RECT& rc = m_rcItem;
  if (m_pCover->IsFloat()) {
    const LONG w = m_rcItem.right - m_rcItem.left;
    const LONG h = m_rcItem.bottom - m_rcItem.top;
    const FloatRatio r = m_pCover->GetFloatRatio();
    const SIZE xy = m_pCover->GetFixedXY();
    RECT child{ScaleByRatio(w, r.left) + xy.cx, ScaleByRatio(h, r.top) + xy.cy,
               ScaleByRatio(w, r.right) + xy.cx + m_pCover->GetFixedWidth(),
               ScaleByRatio(h, r.bottom) + xy.cy + m_pCover->GetFixedHeight()};
    m_pCover->SetPos(child, false);
  } else {
    LONG w = rc.right - rc.left;
    LONG h = rc.bottom - rc.top;
    if (w < m_pCover->GetMinWidth()) w = m_pCover->GetMinWidth();
    if (w > m_pCover->GetMaxWidth()) w = m_pCover->GetMaxWidth();
    if (h < m_pCover->GetMinHeight()) h = m_pCover->GetMinHeight();
    if (h > m_pCover->GetMaxHeight()) h = m_pCover->GetMaxHeight();
    m_pCover->SetPos(RECT{rc.left, rc.top, rc.left + w, rc.top + h}, false);
  }
}

void CControlUI::SetPos(RECT rc, bool invalidate) {
  rc = ClampRect(rc);
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  RECT oldRect = RectIsEmpty(m_rcItem) ? rc : m_rcItem;
  if (m_float && m_pParent != nullptr) {
    const RECT& parent = m_pParent->GetPos();
    m_rcItem = rc;
    RectOffset(m_rcItem, parent.left, parent.top);
    const LONG w = parent.right - parent.left;
    const LONG h = parent.bottom - parent.top;
    m_fixedXY.cx = ClampCoordinate(rc.left - ScaleByRatio(w, m_floatRatio.left));
    m_fixedXY.cy = ClampCoordinate(rc.top - ScaleByRatio(h, m_floatRatio.top));
    m_fixedSize.cx = ClampCoordinate(0LL + rc.right - ScaleByRatio(w, m_floatRatio.right) - m_fixedXY.cx);
    m_fixedSize.cy = ClampCoordinate(0LL + rc.bottom - ScaleByRatio(h, m_floatRatio.bottom) - m_fixedXY.cy);
  } else if (!m_float) {
    m_rcItem = rc;
  }
  if (m_pManager == nullptr) return;
  if (!m_inSizeHook) {
    m_inSizeHook = true;
    OnSize(this);
    m_inSizeHook = false;
  }
  m_updateNeeded = false;
  if (invalidate && IsVisible() && !InvalidateMoved(oldRect, m_rcItem)) return;
  PlaceCover();
}

void CControlUI::Move(SIZE offset, bool invalidate) {
  const RECT oldRect = m_rcItem;
  m_rcItem = ClampRect(RECT{m_rcItem.left + ClampCoordinate(offset.cx), m_rcItem.top + ClampCoordinate(offset.cy),
                            m_rcItem.right + ClampCoordinate(offset.cx), m_rcItem.bottom + ClampCoordinate(offset.cy)});
  if (invalidate && m_pManager != nullptr && IsVisible() && !InvalidateMoved(oldRect, m_rcItem)) return;
  if (m_pCover != nullptr && m_pCover->IsVisible()) m_pCover->Move(offset, false);
}

int CControlUI::GetWidth() const { return m_rcItem.right - m_rcItem.left; }
int CControlUI::GetHeight() const { return m_rcItem.bottom - m_rcItem.top; }
int CControlUI::GetX() const { return m_rcItem.left; }
int CControlUI::GetY() const { return m_rcItem.top; }

RECT CControlUI::GetPadding() const { return m_rcPadding; }
void CControlUI::SetPadding(RECT padding) {
  m_rcPadding = ClampRect(padding);
  RequestParentLayout();
}

SIZE CControlUI::GetFixedXY() const { return m_fixedXY; }
void CControlUI::SetFixedXY(SIZE xy) {
  m_fixedXY = SIZE{ClampCoordinate(xy.cx), ClampCoordinate(xy.cy)};
  RequestParentLayout();
}

FloatRatio CControlUI::GetFloatRatio() const { return m_floatRatio; }
void CControlUI::SetFloatRatio(FloatRatio ratio) {
  // Ratios scale the parent's size; anything not finite counts as 0.
  for (double* part : {&ratio.left, &ratio.top, &ratio.right, &ratio.bottom})
    if (!std::isfinite(*part)) *part = 0.0;
  m_floatRatio = ratio;
  RequestParentLayout();
}

int CControlUI::GetFixedWidth() const { return m_fixedSize.cx; }
void CControlUI::SetFixedWidth(int cx) {
  if (cx < 0) return;
  cx = ClampCoordinate(cx);
  m_fixedSize.cx = cx;
  RequestParentLayout();
}

int CControlUI::GetFixedHeight() const { return m_fixedSize.cy; }
void CControlUI::SetFixedHeight(int cy) {
  if (cy < 0) return;
  cy = ClampCoordinate(cy);
  m_fixedSize.cy = cy;
  RequestParentLayout();
}

int CControlUI::GetMinWidth() const { return m_minSize.cx; }
void CControlUI::SetMinWidth(int cx) {
  cx = ClampCoordinate(cx);
  if (cx < 0 || m_minSize.cx == cx) return;
  m_minSize.cx = cx;
  RequestParentLayout();
}

int CControlUI::GetMaxWidth() const { return m_maxSize.cx < m_minSize.cx ? m_minSize.cx : m_maxSize.cx; }
void CControlUI::SetMaxWidth(int cx) {
  cx = ClampCoordinate(cx);
  if (cx < 0 || m_maxSize.cx == cx) return;
  m_maxSize.cx = cx;
  RequestParentLayout();
}

int CControlUI::GetMinHeight() const { return m_minSize.cy; }
void CControlUI::SetMinHeight(int cy) {
  cy = ClampCoordinate(cy);
  if (cy < 0 || m_minSize.cy == cy) return;
  m_minSize.cy = cy;
  RequestParentLayout();
}

int CControlUI::GetMaxHeight() const { return m_maxSize.cy < m_minSize.cy ? m_minSize.cy : m_maxSize.cy; }
void CControlUI::SetMaxHeight(int cy) {
  cy = ClampCoordinate(cy);
  if (cy < 0 || m_maxSize.cy == cy) return;
  m_maxSize.cy = cy;
  RequestParentLayout();
}

CUIString CControlUI::GetToolTip() const { return m_toolTip; }
void CControlUI::SetToolTip(LPCWSTR text) {
  m_toolTip = text;
  m_toolTip.Replace(L"<n>", L"\r\n");
}
void CControlUI::SetToolTipWidth(int width) { m_toolTipWidth = width; }
int CControlUI::GetToolTipWidth() const { return m_toolTipWidth; }
wchar_t CControlUI::GetShortcut() const { return m_shortcut; }
void CControlUI::SetShortcut(wchar_t ch) { m_shortcut = ch; }
bool CControlUI::IsContextMenuUsed() const { return m_menuUsed; }
void CControlUI::SetContextMenuUsed(bool used) { m_menuUsed = used; }
const CUIString& CControlUI::GetUserData() const { return m_userData; }
void CControlUI::SetUserData(LPCWSTR text) { m_userData = text; }
UINT_PTR CControlUI::GetTag() const { return m_tag; }
void CControlUI::SetTag(UINT_PTR tag) { m_tag = tag; }

bool CControlUI::IsVisible() const { return m_visible && m_shownByParent; }

void CControlUI::SetVisible(bool visible) {
  if (m_visible == visible) return;
  const bool wasVisible = IsVisible();
  m_visible = visible;
  m_focused = false;
  if (!visible && m_pManager != nullptr && m_pManager->GetFocus() == this) m_pManager->SetFocus(nullptr);
  if (IsVisible() != wasVisible) RequestParentLayout();
  if (m_pCover != nullptr) m_pCover->SetShownByParent(IsVisible());
}

void CControlUI::SetShownByParent(bool shown) {
  m_shownByParent = shown;
  if (!shown && m_pManager != nullptr && m_pManager->GetFocus() == this) m_pManager->SetFocus(nullptr);
  if (m_pCover != nullptr) m_pCover->SetShownByParent(IsVisible());
}

bool CControlUI::IsEnabled() const { return m_enabled; }
void CControlUI::SetEnabled(bool enabled) {
  if (m_enabled == enabled) return;
  m_enabled = enabled;
  Invalidate();
}

bool CControlUI::IsMouseEnabled() const { return m_mouseEnabled; }
void CControlUI::SetMouseEnabled(bool enabled) { m_mouseEnabled = enabled; }
bool CControlUI::IsKeyboardEnabled() const { return m_keyboardEnabled && m_enabled; }
void CControlUI::SetKeyboardEnabled(bool enabled) { m_keyboardEnabled = enabled; }
bool CControlUI::IsFocused() const { return m_focused; }

void CControlUI::SetFocus() {
  if (m_pManager != nullptr) m_pManager->SetFocus(this, false);
}

bool CControlUI::IsFloat() const { return m_float; }
void CControlUI::SetFloat(bool floating) {
  if (m_float == floating) return;
  m_float = floating;
  RequestParentLayout();
}

CControlUI* CControlUI::FindControl(FindControlProc proc, void* data, UINT flags) {
  if ((flags & UIFIND_VISIBLE) != 0 && !IsVisible()) return nullptr;
  if ((flags & UIFIND_ENABLED) != 0 && !IsEnabled()) return nullptr;
  if ((flags & UIFIND_HITTEST) != 0 && !RectContains(m_rcItem, *static_cast<POINT*>(data))) return nullptr;
  if ((flags & UIFIND_UPDATETEST) != 0 && proc(this, data) != nullptr) return nullptr;
  CControlUI* found = nullptr;
  if ((flags & UIFIND_ME_FIRST) != 0) {
    if ((flags & UIFIND_HITTEST) == 0 || IsMouseEnabled()) found = proc(this, data);
  }
  if (found == nullptr && m_pCover != nullptr) found = m_pCover->FindControl(proc, data, flags);
  if (found != nullptr || (flags & UIFIND_ME_FIRST) != 0) return found;
  if ((flags & UIFIND_HITTEST) != 0 && !IsMouseEnabled()) return nullptr;
  return proc(this, data);
}

void CControlUI::Init() {
  InitControl();
  OnInit(this);
}

void CControlUI::InitControl() {}

void CControlUI::DispatchEvent(UIEvent& event) {
  if (OnEvent(&event)) HandleEvent(event);
}

void CControlUI::HandleEvent(UIEvent& event) {
  switch (event.type) {
    case UIEVENT_SETCURSOR:
      if (m_pManager != nullptr) m_pManager->SetCursor(UICursor::Arrow);
      return;
    case UIEVENT_SETFOCUS:
      m_focused = true;
      Invalidate();
      return;
    case UIEVENT_KILLFOCUS:
      m_focused = false;
      Invalidate();
      return;
    case UIEVENT_TIMER:
      if (m_pManager != nullptr) m_pManager->SendNotify(this, L"timer", event.wParam, event.lParam);
      return;
    case UIEVENT_CONTEXTMENU:
      if (m_menuUsed) {
        if (m_pManager != nullptr) m_pManager->SendNotify(this, L"menu", event.wParam, event.lParam);
        return;
      }
      break;
    default:
      break;
  }
  if (m_pParent != nullptr) m_pParent->HandleEvent(event);
}

CUIString CControlUI::GetAttribute(LPCWSTR) { return CUIString(); }

void CControlUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  const CUIString n(name);
  if (n == L"pos") {
    const RECT rc = ParseRect(value);
    m_fixedXY = SIZE{rc.left, rc.top};
    // A malformed quadruple cannot make a negative size.
    m_fixedSize.cx = rc.right > rc.left ? rc.right - rc.left : 0;
    m_fixedSize.cy = rc.bottom > rc.top ? rc.bottom - rc.top : 0;
    RequestParentLayout();
  } else if (n == L"padding") {
    SetPadding(ParseRect(value));
  } else if (n == L"bkcolor" || n == L"bkcolor1") {
    SetBkColor(ParseColor(value));
  } else if (n == L"bkcolor2") {
    SetBkColor2(ParseColor(value));
  } else if (n == L"bkcolor3") {
    SetBkColor3(ParseColor(value));
  } else if (n == L"bordercolor") {
    SetBorderColor(ParseColor(value));
  } else if (n == L"focusbordercolor") {
    SetFocusBorderColor(ParseColor(value));
  } else if (n == L"colorhsl") {
    SetColorHSL(ParseBool(value));
  } else if (n == L"bordersize") {
    if (value != nullptr && std::wcschr(value, L',') != nullptr) SetBorderSize(ParseRect(value));
    else SetBorderSize(ParseInt(value));
  } else if (n == L"borderstyle") {
    SetBorderStyle(ParseInt(value));
  } else if (n == L"borderround") {
    SetBorderRound(ParseSize(value));
  } else if (n == L"bkimage") {
    SetBkImage(value);
  } else if (n == L"foreimage") {
    SetForeImage(value);
  } else if (n == L"width") {
    SetFixedWidth(ParseInt(value));
  } else if (n == L"height") {
    SetFixedHeight(ParseInt(value));
  } else if (n == L"minwidth") {
    SetMinWidth(ParseInt(value));
  } else if (n == L"minheight") {
    SetMinHeight(ParseInt(value));
  } else if (n == L"maxwidth") {
    SetMaxWidth(ParseInt(value));
  } else if (n == L"maxheight") {
    SetMaxHeight(ParseInt(value));
  } else if (n == L"name") {
    SetName(value);
  } else if (n == L"text") {
    SetText(value);
  } else if (n == L"tooltip") {
    SetToolTip(value);
  } else if (n == L"userdata") {
    SetUserData(value);
  } else if (n == L"tag") {
    SetTag(static_cast<UINT_PTR>(static_cast<INT>(ParseInt(value))));
  } else if (n == L"enabled") {
    SetEnabled(ParseBool(value));
  } else if (n == L"mouse") {
    SetMouseEnabled(ParseBool(value));
  } else if (n == L"keyboard") {
    SetKeyboardEnabled(ParseBool(value));
  } else if (n == L"visible") {
    SetVisible(ParseBool(value));
  } else if (n == L"float") {
    if (value != nullptr && std::wcschr(value, L',') != nullptr) {
      FloatRatio ratio;
      LPCWSTR p = value;
      double* parts[4] = {&ratio.left, &ratio.top, &ratio.right, &ratio.bottom};
      for (double* part : parts) {
        wchar_t* end = nullptr;
        *part = std::wcstod(p, &end);
        p = end;
        while (*p != 0 && *p != L',') ++p;
        if (*p == L',') ++p;
      }
      SetFloatRatio(ratio);
      SetFloat(true);
    } else {
      SetFloat(ParseBool(value));
    }
  } else if (n == L"shortcut") {
    SetShortcut(value == nullptr ? 0 : value[0]);
  } else if (n == L"menu") {
    SetContextMenuUsed(ParseBool(value));
  } else if (n == L"virtualwnd") {
    SetVirtualWindow(value);
  } else {
    AddCustomAttribute(name, value);
  }
}

CUIString CControlUI::GetAttributeList(bool) { return CUIString(); }

void CControlUI::ApplyAttributes(LPCWSTR list) {
  if (list == nullptr) return;
  LPCWSTR p = list;
  while (*p != 0) {
    LPCWSTR nameStart = p;
    while (*p != 0 && *p != L'=') ++p;
    if (*p != L'=') return;
    const CUIString name(nameStart, static_cast<int>(p - nameStart));
    ++p;
    if (*p != L'"') return;
    ++p;
    LPCWSTR valueStart = p;
    while (*p != 0 && *p != L'"') ++p;
    if (*p != L'"') return;
    const CUIString value(valueStart, static_cast<int>(p - valueStart));
    ++p;
    SetAttribute(name, value);
    if (*p != L' ') return;
    ++p;
  }
}

SIZE CControlUI::DesiredSize(SIZE) { return m_fixedSize; }

bool CControlUI::Paint(IPaintSurfaceUI* surface, const RECT& paint, CControlUI* stop) {
  if (stop == this) return false;
  if (!RectIntersect(m_rcPaint, paint, m_rcItem)) return true;
  if (!OnPaint.IsEmpty() && !OnPaint(this)) return true;
  if (!PaintContent(surface, m_rcPaint, stop)) return false;
  if (m_pCover != nullptr) m_pCover->Paint(surface, paint, nullptr);
  return true;
}

bool CControlUI::PaintContent(IPaintSurfaceUI* surface, const RECT& paint, CControlUI*) {
  const bool round = m_borderRound.cx > 0 || m_borderRound.cy > 0;
  if (round) {
    RECT clip;
    RectIntersect(clip, paint, m_rcItem);
    surface->PushRoundClip(clip, m_rcItem, m_borderRound.cx, m_borderRound.cy);
  }
  PaintBackColor(surface);
  PaintBackImage(surface);
  PaintStateImages(surface);
  PaintText(surface);
  PaintBorder(surface);
  if (round) surface->PopClip();
  return true;
}

void CControlUI::PaintBackColor(IPaintSurfaceUI* surface) {
  if (m_bkColor == 0) return;
  if (m_bkColor2 == 0) {
    surface->DrawColor(m_bkColor >= 0xFF000000 ? m_rcPaint : m_rcItem, AdjustColor(m_bkColor));
    return;
  }
  if (m_bkColor3 != 0) {
    RECT top = m_rcItem;
    top.bottom = (m_rcItem.top + m_rcItem.bottom) / 2;
    RECT bottom = m_rcItem;
    bottom.top = top.bottom;
    surface->DrawGradient(top, AdjustColor(m_bkColor), AdjustColor(m_bkColor2), true, 8);
    surface->DrawGradient(bottom, AdjustColor(m_bkColor2), AdjustColor(m_bkColor3), true, 8);
  } else {
    surface->DrawGradient(m_rcItem, AdjustColor(m_bkColor), AdjustColor(m_bkColor2), true, 16);
  }
}

void CControlUI::PaintBackImage(IPaintSurfaceUI* surface) {
  if (!m_bkImage.description.IsEmpty()) surface->DrawImage(m_pManager, m_rcItem, m_rcPaint, m_bkImage);
}

void CControlUI::PaintStateImages(IPaintSurfaceUI* surface) {
  if (!m_foreImage.description.IsEmpty()) surface->DrawImage(m_pManager, m_rcItem, m_rcPaint, m_foreImage);
}

void CControlUI::PaintText(IPaintSurfaceUI*) {}

void CControlUI::PaintBorder(IPaintSurfaceUI* surface) {
  const RECT& b = m_borderSize;
  if (b.left <= 0 && b.top <= 0 && b.right <= 0 && b.bottom <= 0) return;
  // Colour 0 draws nothing, so a focus colour alone shows only on focus.
  const bool focusColor = IsFocused() && m_focusBorderColor != 0;
  if (!focusColor && m_borderColor == 0) return;
  const DWORD color = focusColor ? m_focusBorderColor : AdjustColor(m_borderColor);
  if (m_borderRound.cx > 0 || m_borderRound.cy > 0) {
    surface->DrawRoundRect(m_rcItem, b.left, m_borderRound.cx, m_borderRound.cy, color, m_borderStyle);
    return;
  }
  if (b.left == b.top && b.left == b.right && b.left == b.bottom) {
    surface->DrawRect(m_rcItem, b.left, color, m_borderStyle);
    return;
  }
  const RECT& rc = m_rcItem;
  if (b.left > 0) {
    const LONG x = rc.left + b.left / 2;
    surface->DrawLine(RECT{x, rc.top, x, rc.bottom}, b.left, color, m_borderStyle);
  }
  if (b.top > 0) {
    const LONG y = rc.top + b.top / 2;
    surface->DrawLine(RECT{rc.left + b.left, y, rc.right - b.right, y}, b.top, color, m_borderStyle);
  }
  if (b.right > 0) {
    const LONG x = rc.right - b.right / 2;
    surface->DrawLine(RECT{x, rc.top, x, rc.bottom}, b.right, color, m_borderStyle);
  }
  if (b.bottom > 0) {
    const LONG y = rc.bottom - b.bottom / 2;
    surface->DrawLine(RECT{rc.left + b.left, y, rc.right - b.right, y}, b.bottom, color, m_borderStyle);
  }
}

void CControlUI::PostPaint(IPaintSurfaceUI*, const RECT&) { OnPostPaint(this); }

void CControlUI::Invalidate() {
  if (!IsVisible() || m_pManager == nullptr) return;
  RECT rc = m_rcItem;
  for (CControlUI* ancestor = m_pParent; ancestor != nullptr; ancestor = ancestor->GetParent())
    if (!RectIntersect(rc, rc, ancestor->GetPos())) return;
  m_pManager->Invalidate(rc);
}

void CControlUI::RequestLayout() {
  if (!IsVisible()) return;
  m_updateNeeded = true;
  Invalidate();
  if (m_pManager != nullptr) m_pManager->RequestLayout();
}

void CControlUI::RequestParentLayout() {
  if (m_pParent != nullptr) {
    m_pParent->RequestLayout();
    m_pParent->Invalidate();
  } else {
    RequestLayout();
  }
  if (m_pManager != nullptr) m_pManager->RequestLayout();
}

void CControlUI::SetBkColor(DWORD color) {
  if (m_bkColor == color) return;
  m_bkColor = color;
  Invalidate();
}
void CControlUI::SetBkColor2(DWORD color) {
  if (m_bkColor2 == color) return;
  m_bkColor2 = color;
  Invalidate();
}
void CControlUI::SetBkColor3(DWORD color) {
  if (m_bkColor3 == color) return;
  m_bkColor3 = color;
  Invalidate();
}
void CControlUI::SetBorderColor(DWORD color) {
  if (m_borderColor == color) return;
  m_borderColor = color;
  Invalidate();
}
void CControlUI::SetFocusBorderColor(DWORD color) {
  if (m_focusBorderColor == color) return;
  m_focusBorderColor = color;
  Invalidate();
}
void CControlUI::SetColorHSL(bool hsl) {
  if (m_colorHsl == hsl) return;
  m_colorHsl = hsl;
  Invalidate();
}
void CControlUI::SetBorderSize(RECT sizes) {
  m_borderSize = ClampRect(sizes);
  Invalidate();
}
void CControlUI::SetBorderSize(int size) { SetBorderSize(RECT{size, size, size, size}); }
void CControlUI::SetBorderStyle(int style) {
  m_borderStyle = style;
  Invalidate();
}
void CControlUI::SetBorderRound(SIZE round) {
  m_borderRound = round;
  Invalidate();
}

void CControlUI::SetBkImage(LPCWSTR description) {
  if (m_bkImage.description == description && m_bkImage.image != nullptr) return;
  m_bkImage.Reset();
  m_bkImage.description = description;
  LoadImageSpec(m_pManager, m_bkImage);
  if (m_float && m_fixedSize.cx == 0 && m_fixedSize.cy == 0 && m_bkImage.image != nullptr) {
    m_fixedSize.cx = m_bkImage.image->width;
    m_fixedSize.cy = m_bkImage.image->height;
  }
  Invalidate();
}

void CControlUI::SetForeImage(LPCWSTR description) {
  if (m_foreImage.description == description && m_foreImage.image != nullptr) return;
  m_foreImage.Reset();
  m_foreImage.description = description;
  LoadImageSpec(m_pManager, m_foreImage);
  Invalidate();
}

DWORD CControlUI::AdjustColor(DWORD color) const {
  // Colours follow the process-wide hue/saturation/lightness setting only
  // where asked; it is never switched on in this program, and the
  // adjustment arithmetic belongs to the render engine.
  return color;
}

CUIString CControlUI::GetVirtualWindow() const {
  if (!m_virtualWindow.IsEmpty()) return m_virtualWindow;
  return m_pParent != nullptr ? m_pParent->GetVirtualWindow() : CUIString();
}

void CControlUI::SetVirtualWindow(LPCWSTR name) {
  m_virtualWindow = name;
  if (m_pManager != nullptr) m_pManager->SetUsesVirtualWindows(true);
}

void CControlUI::AddCustomAttribute(LPCWSTR name, LPCWSTR value) {
  if (name == nullptr || *name == 0 || value == nullptr) return;
  m_customAttributes.emplace(name, CUIString(value));
}

LPCWSTR CControlUI::GetCustomAttribute(LPCWSTR name) const { return FindText(m_customAttributes, name); }

bool CControlUI::RemoveCustomAttribute(LPCWSTR name) {
  return name != nullptr && m_customAttributes.erase(name) > 0;
}

void CControlUI::RemoveAllCustomAttribute() { m_customAttributes.clear(); }

}  // namespace SkinUI
