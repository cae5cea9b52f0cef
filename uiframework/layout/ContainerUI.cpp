#include "uiframework/layout/ContainerUI.h"

#include "uiframework/controls/AttributeValues.h"
#include "uiframework/layout/BoxAxis.h"
#include "uiframework/layout/ScrollBarUI.h"
#include "uiframework/manager/WindowManagerUI.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>

namespace SkinUI {

namespace {
constexpr WPARAM kKeyPageUp = 0x21;
constexpr WPARAM kKeyPageDown = 0x22;
constexpr WPARAM kKeyEnd = 0x23;
constexpr WPARAM kKeyHome = 0x24;
constexpr WPARAM kKeyUp = 0x26;
constexpr WPARAM kKeyDown = 0x28;
constexpr int kDefaultLine = 8;

bool IsUsable(const CScrollBarUI* bar) { return bar != nullptr && bar->IsVisible() && bar->IsEnabled(); }
}  // namespace

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
  if (m_pManager != nullptr) m_pManager->RemovePostPaint(this);
  m_delayedDestroy = false;
  RemoveAll();
  if (m_verticalBar != nullptr) static_cast<CControlUI*>(m_verticalBar)->Delete();
  if (m_horizontalBar != nullptr) static_cast<CControlUI*>(m_horizontalBar)->Delete();
}

LPCWSTR CContainerUI::GetClass() const { return L"Container"; }

void* CContainerUI::FindInterface(LPCWSTR name) {
  if (name != nullptr && std::wcscmp(name, L"IContainer") == 0) return static_cast<IContainerUI*>(this);
  if (name != nullptr && std::wcscmp(name, L"Container") == 0) return static_cast<CContainerUI*>(this);
  return CControlUI::FindInterface(name);
}

CControlUI* CContainerUI::GetItemAt(int index) const {
  return index >= 0 && index < GetCount() ? m_items[static_cast<size_t>(index)] : nullptr;
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
  const auto found = std::find(m_items.begin(), m_items.end(), control);
  return found == m_items.end() ? -1 : static_cast<int>(found - m_items.begin());
}

int CContainerUI::GetCount() const { return static_cast<int>(m_items.size()); }

bool CContainerUI::SetItemIndex(CControlUI* control, int newIndex) {
  const int index = GetItemIndex(control);
  if (index < 0 || newIndex < 0 || newIndex >= GetCount()) return false;
  RequestLayout();
  m_items.erase(m_items.begin() + index);
  m_items.insert(m_items.begin() + newIndex, control);
  return true;
}

bool CContainerUI::MoveItems(int first, int count, int newIndex) {
  if (first < 0 || count < 0 || newIndex < 0 || GetItemAt(first) == nullptr) return false;
  if (newIndex == first) return true;
  const int size = GetCount();
  if (count > size - first || count > size - newIndex) return false;
  const std::vector<CControlUI*> block(m_items.begin() + first, m_items.begin() + first + count);
  m_items.erase(m_items.begin() + first, m_items.begin() + first + count);
  m_items.insert(m_items.begin() + newIndex, block.begin(), block.end());
  RequestLayout();
  return true;
}

bool CContainerUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CContainerUI::AddAt(CControlUI* control, int index) {
  if (control == nullptr || index < 0 || index > GetCount()) return false;
  // A control has one owner: one already in a container (or covering a
  // control) would be destroyed twice.
  if (control == this || control->GetParent() != nullptr || GetItemIndex(control) >= 0) return false;
  if (m_pManager != nullptr) m_pManager->BindTree(control, this);
  else control->AttachManager(nullptr, this, false);
  if (IsVisible()) RequestLayout();
  else control->SetShownByParent(false);
  m_items.insert(m_items.begin() + index, control);
  return true;
}

void CContainerUI::DestroyChild(CControlUI* control) {
  if (!m_autoDestroy) {
    control->AttachManager(m_pManager, nullptr, false);
    return;
  }
  if (m_delayedDestroy && m_pManager != nullptr) m_pManager->ScheduleDelete(control);
  else control->Delete();
}

bool CContainerUI::Remove(CControlUI* control, bool doNotDestroy) {
  const int index = GetItemIndex(control);
  if (index < 0) return false;
  RequestLayout();
  m_items.erase(m_items.begin() + index);
  // A child kept alive belongs to no container any more.
  if (doNotDestroy) control->AttachManager(m_pManager, nullptr, false);
  else DestroyChild(control);
  return true;
}

bool CContainerUI::RemoveAt(int index, bool doNotDestroy) {
  CControlUI* control = GetItemAt(index);
  return control != nullptr && Remove(control, doNotDestroy);
}

void CContainerUI::RemoveAll() {
  // Take the list first: a destroyed child must not be found in it.
  const std::vector<CControlUI*> items = std::move(m_items);
  m_items.clear();
  for (CControlUI* child : items) DestroyChild(child);
  RequestLayout();
}

void CContainerUI::AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool init) {
  for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->AttachManager(manager, this, init);
  if (m_verticalBar != nullptr) m_verticalBar->AttachManager(manager, this, init);
  if (m_horizontalBar != nullptr) m_horizontalBar->AttachManager(manager, this, init);
  CControlUI::AttachManager(manager, parent, init);
}

void CContainerUI::SetVisible(bool visible) {
  if (m_visible == visible) return;
  CControlUI::SetVisible(visible);
  for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetShownByParent(IsVisible());
}

void CContainerUI::SetShownByParent(bool shown) {
  CControlUI::SetShownByParent(shown);
  for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetShownByParent(IsVisible());
}

void CContainerUI::SetMouseEnabled(bool enabled) {
  if (m_verticalBar != nullptr) m_verticalBar->SetMouseEnabled(enabled);
  if (m_horizontalBar != nullptr) m_horizontalBar->SetMouseEnabled(enabled);
  CControlUI::SetMouseEnabled(enabled);
}

void CContainerUI::Move(SIZE offset, bool invalidate) {
  CControlUI::Move(offset, invalidate);
  if (m_verticalBar != nullptr && m_verticalBar->IsVisible()) m_verticalBar->Move(offset, false);
  if (m_horizontalBar != nullptr && m_horizontalBar->IsVisible()) m_horizontalBar->Move(offset, false);
  for (int i = 0; i < GetCount(); ++i) {
    CControlUI* child = GetItemAt(i);
    if (child->IsVisible()) child->Move(offset, false);
  }
}

RECT CContainerUI::InnerRect() const {
  RECT rc = m_rcItem;
  rc.left += m_inset.left;
  rc.top += m_inset.top;
  rc.right -= m_inset.right;
  rc.bottom -= m_inset.bottom;
  if (m_verticalBar != nullptr && m_verticalBar->IsVisible()) rc.right -= m_verticalBar->GetFixedWidth();
  if (m_horizontalBar != nullptr && m_horizontalBar->IsVisible()) rc.bottom -= m_horizontalBar->GetFixedHeight();
  return rc;
}

RECT CContainerUI::GetClientPos() const { return InnerRect(); }

void CContainerUI::PlaceSelf(const RECT& rc, bool invalidate) {
  if (m_horizontalBar != nullptr && m_horizontalBar->IsVisible() && rc.right - rc.left != GetWidth())
    m_horizontalBar->SetScrollRange(0);
  if (m_verticalBar != nullptr && m_verticalBar->IsVisible() && rc.bottom - rc.top != GetHeight())
    m_verticalBar->SetScrollRange(0);
  CControlUI::SetPos(rc, invalidate);
}

void CContainerUI::SetPos(RECT rc, bool invalidate) {
  PlaceSelf(rc, invalidate);
  if (m_items.empty()) return;
  RECT client = InnerRect();
  if (m_verticalBar != nullptr && m_verticalBar->IsVisible()) {
    client.top -= m_verticalBar->GetScrollPos();
    client.bottom += m_verticalBar->GetScrollRange() - m_verticalBar->GetScrollPos();
  }
  if (m_horizontalBar != nullptr && m_horizontalBar->IsVisible()) {
    client.left -= m_horizontalBar->GetScrollPos();
    client.right += m_horizontalBar->GetScrollRange() - m_horizontalBar->GetScrollPos();
  }
  for (int i = 0; i < GetCount(); ++i) {
    CControlUI* child = GetItemAt(i);
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(i);
      continue;
    }
    LONG w = client.right - client.left;
    LONG h = client.bottom - client.top;
    if (w < child->GetMinWidth()) w = child->GetMinWidth();
    if (w > child->GetMaxWidth()) w = child->GetMaxWidth();
    if (h < child->GetMinHeight()) h = child->GetMinHeight();
    if (h > child->GetMaxHeight()) h = child->GetMaxHeight();
    child->SetPos(RECT{client.left, client.top, client.left + w, client.top + h}, false);
  }
}

void CContainerUI::SetFloatPos(int index) {
  CControlUI* child = GetItemAt(index);
  if (child == nullptr || !child->IsVisible() || !child->IsFloat()) return;
  const LONG w = GetWidth();
  const LONG h = GetHeight();
  const FloatRatio r = child->GetFloatRatio();
  const SIZE xy = child->GetFixedXY();
  RECT rc{ScaleByRatio(w, r.left) + xy.cx, ScaleByRatio(h, r.top) + xy.cy,
          ScaleByRatio(w, r.right) + xy.cx + child->GetFixedWidth(),
          ScaleByRatio(h, r.bottom) + xy.cy + child->GetFixedHeight()};
  child->SetPos(rc, false);
}

void CContainerUI::Relayout(bool invalidate, bool guarded) {
  if (m_relayoutDepth >= kMaxRelayoutDepth) return;
  ++m_relayoutDepth;
  const bool savedGuard = m_relayoutGuard;
  if (guarded) m_relayoutGuard = true;
  const RECT rc = (m_float && m_pParent != nullptr) ? GetRelativePos() : m_rcItem;
  SetPos(rc, invalidate);
  m_relayoutGuard = savedGuard;
  --m_relayoutDepth;
}

void CContainerUI::ProcessScrollBar(RECT rc, int requiredWidth, int requiredHeight) {
  CScrollBarUI* hbar = m_horizontalBar;
  CScrollBarUI* vbar = m_verticalBar;
  if (hbar == nullptr && vbar == nullptr) return;
  if (hbar != nullptr && vbar != nullptr) {
    bool relayoutDue = false;
    const int ex = requiredWidth - (rc.right - rc.left);
    const LONG hh = hbar->GetFixedHeight();
    if (ex > 0) {
      if (!hbar->IsVisible()) {
        hbar->ShowBar(true, false);
        rc.bottom -= hh;
      }
      hbar->SetPos(RECT{rc.left, rc.bottom, rc.right, rc.bottom + hh}, false);
      if (hbar->GetScrollRange() != ex) {
        hbar->SetScrollRange(ex);
        relayoutDue = true;
      }
    } else if (hbar->IsVisible()) {
      hbar->ShowBar(false, false);
      rc.bottom += hh;
    }
    const int ey = requiredHeight - (rc.bottom - rc.top);
    const LONG vw = vbar->GetFixedWidth();
    if (ey > 0 && !vbar->IsVisible()) {
      vbar->ShowBar(true, false);
      vbar->SetScrollRange(ey);
      if (hbar->IsVisible()) {
        hbar->SetPos(RECT{rc.left, rc.bottom, rc.right - vw, rc.bottom + hh}, false);
        hbar->SetScrollRange(ex + vw);
      }
      Relayout(true, true);
      return;
    }
    if (vbar->IsVisible() && ey < 1 && !m_relayoutGuard) {
      vbar->ShowBar(false, true);
      if (hbar->IsVisible()) {
        hbar->SetPos(RECT{rc.left, rc.bottom, rc.right + vw, rc.bottom + hh}, false);
        hbar->SetScrollRange(ex - vw);
      }
      Relayout(true, false);
      return;
    }
    if (vbar->IsVisible()) {
      vbar->SetPos(RECT{rc.right, rc.top, rc.right + vw, rc.bottom}, false);
      const int oldPos = vbar->GetScrollPos();
      if (vbar->GetScrollRange() != ey) {
        vbar->SetScrollRange(std::abs(ey));
        if (vbar->GetScrollRange() == 0) vbar->ShowBar(false, true);
      }
      if (oldPos != vbar->GetScrollPos() || relayoutDue) Relayout(false, false);
      return;
    }
    if (relayoutDue) Relayout(true, false);
    return;
  }

  CScrollBarUI* bar = vbar != nullptr ? vbar : hbar;
  const bool vertical = bar == vbar;
  const int excess = vertical ? requiredHeight - (rc.bottom - rc.top) : requiredWidth - (rc.right - rc.left);
  if (excess > 0 && !bar->IsVisible()) {
    bar->ShowBar(true, false);
    bar->SetScrollRange(excess);
    Relayout(true, true);
    return;
  }
  if (bar->IsVisible() && excess < 1 && !m_relayoutGuard) {
    bar->ShowBar(false, true);
    Relayout(true, false);
    return;
  }
  if (!bar->IsVisible()) return;
  if (vertical) bar->SetPos(RECT{rc.right, rc.top, rc.right + bar->GetFixedWidth(), rc.bottom}, false);
  else bar->SetPos(RECT{rc.left, rc.bottom, rc.right, rc.bottom + bar->GetFixedHeight()}, false);
  const int oldPos = bar->GetScrollPos();
  if (bar->GetScrollRange() != excess) {
    bar->SetScrollRange(std::abs(excess));
    if (bar->GetScrollRange() == 0) bar->ShowBar(false, true);
    if (oldPos != bar->GetScrollPos()) Relayout(false, false);
  }
}

RECT CContainerUI::GetInset() const { return m_inset; }
void CContainerUI::SetInset(RECT inset) {
  m_inset = ClampRect(inset);
  RequestLayout();
}
int CContainerUI::GetChildPadding() const { return m_childPadding; }
void CContainerUI::SetChildPadding(int padding) {
  m_childPadding = padding < 0 ? 0 : ClampCoordinate(padding);
  RequestLayout();
}
UINT CContainerUI::GetChildAlign() const { return m_childAlign; }
void CContainerUI::SetChildAlign(UINT align) {
  m_childAlign = align;
  RequestLayout();
}
UINT CContainerUI::GetChildVAlign() const { return m_childVAlign; }
void CContainerUI::SetChildVAlign(UINT align) {
  m_childVAlign = align;
  RequestLayout();
}
bool CContainerUI::IsAutoDestroy() const { return m_autoDestroy; }
void CContainerUI::SetAutoDestroy(bool autoDestroy) { m_autoDestroy = autoDestroy; }
bool CContainerUI::IsDelayedDestroy() const { return m_delayedDestroy; }
void CContainerUI::SetDelayedDestroy(bool delayed) { m_delayedDestroy = delayed; }
bool CContainerUI::IsMouseChildEnabled() const { return m_mouseChildEnabled; }
void CContainerUI::SetMouseChildEnabled(bool enabled) { m_mouseChildEnabled = enabled; }

int CContainerUI::FindSelectable(int index, bool forward) const {
  const int step = forward ? 1 : -1;
  for (int i = index; i >= 0 && i < GetCount(); i += step) {
    const CControlUI* child = GetItemAt(i);
    if (child->IsVisible() && child->IsEnabled()) return i;
  }
  return -1;
}

SIZE CContainerUI::GetScrollPos() const {
  SIZE pos;
  if (m_verticalBar != nullptr && m_verticalBar->IsVisible()) pos.cy = m_verticalBar->GetScrollPos();
  if (m_horizontalBar != nullptr && m_horizontalBar->IsVisible()) pos.cx = m_horizontalBar->GetScrollPos();
  return pos;
}

SIZE CContainerUI::GetScrollRange() const {
  SIZE range;
  if (m_verticalBar != nullptr && m_verticalBar->IsVisible()) range.cy = m_verticalBar->GetScrollRange();
  if (m_horizontalBar != nullptr && m_horizontalBar->IsVisible()) range.cx = m_horizontalBar->GetScrollRange();
  return range;
}

void CContainerUI::SetScrollPos(SIZE pos, bool notify) {
  LONG dx = 0, dy = 0;
  if (m_verticalBar != nullptr && m_verticalBar->IsVisible()) {
    const int old = m_verticalBar->GetScrollPos();
    m_verticalBar->SetScrollPos(pos.cy, notify);
    dy = m_verticalBar->GetScrollPos() - old;
  }
  if (m_horizontalBar != nullptr && m_horizontalBar->IsVisible()) {
    const int old = m_horizontalBar->GetScrollPos();
    m_horizontalBar->SetScrollPos(pos.cx, notify);
    dx = m_horizontalBar->GetScrollPos() - old;
  }
  if (dx == 0 && dy == 0) return;
  for (int i = 0; i < GetCount(); ++i) {
    CControlUI* child = GetItemAt(i);
    if (child->IsVisible() && !child->IsFloat()) child->Move(SIZE{-dx, -dy}, false);
  }
  Invalidate();
}

int CContainerUI::LineStep(bool horizontal) const {
  const CScrollBarUI* bar = horizontal ? m_horizontalBar : m_verticalBar;
  if (bar != nullptr && bar->GetLineSize() > 1) return bar->GetLineSize();
  // Vertically a line is as high as the default font, plus a margin.
  if (!horizontal && m_pManager != nullptr) return m_pManager->GetDefaultFontInfo()->metrics.height + kDefaultLine;
  return kDefaultLine;
}

LONG CContainerUI::PageStep(bool horizontal) const {
  const BoxAxis axis{horizontal};
  LONG page = axis.Main(SIZE{GetWidth(), GetHeight()}) - axis.Near(m_inset) - axis.Far(m_inset);
  const CScrollBarUI* across = horizontal ? m_verticalBar : m_horizontalBar;
  if (across != nullptr && across->IsVisible()) page -= axis.FixedMain(*across);
  return page;
}

void CContainerUI::ScrollTo(bool horizontal, LONG position) {
  SIZE pos = GetScrollPos();
  (horizontal ? pos.cx : pos.cy) = position;
  SetScrollPos(pos);
}

void CContainerUI::ScrollBy(bool horizontal, LONG delta) {
  const SIZE pos = GetScrollPos();
  ScrollTo(horizontal, (horizontal ? pos.cx : pos.cy) + delta);
}

void CContainerUI::LineUp() { ScrollBy(false, -LineStep(false)); }
void CContainerUI::LineDown() { ScrollBy(false, LineStep(false)); }
void CContainerUI::PageUp() { ScrollBy(false, -PageStep(false)); }
void CContainerUI::PageDown() { ScrollBy(false, PageStep(false)); }
void CContainerUI::HomeUp() { ScrollTo(false, 0); }

void CContainerUI::EndDown() {
  // The range is only known after the next layout: finish after painting.
  m_scrollToEnd = true;
  if (m_pManager != nullptr) m_pManager->AddPostPaint(this);
}

void CContainerUI::LineLeft() { ScrollBy(true, -LineStep(true)); }
void CContainerUI::LineRight() { ScrollBy(true, LineStep(true)); }
void CContainerUI::PageLeft() { ScrollBy(true, -PageStep(true)); }
void CContainerUI::PageRight() { ScrollBy(true, PageStep(true)); }
void CContainerUI::HomeLeft() { ScrollTo(true, 0); }
void CContainerUI::EndRight() { ScrollTo(true, GetScrollRange().cx); }

void CContainerUI::EnableScrollBar(bool vertical, bool horizontal) {
  if (vertical && m_verticalBar == nullptr) {
    m_verticalBar = new CScrollBarUI;
    m_verticalBar->SetOwner(this);
    m_verticalBar->ShowBar(false, true);
    m_verticalBar->AttachManager(m_pManager, this, false);
    if (m_pManager != nullptr) {
      if (LPCWSTR list = m_pManager->GetDefaultAttributeList(L"VScrollBar")) m_verticalBar->ApplyAttributes(list);
    }
  } else if (!vertical && m_verticalBar != nullptr) {
    static_cast<CControlUI*>(m_verticalBar)->Delete();
    m_verticalBar = nullptr;
  }
  if (horizontal && m_horizontalBar == nullptr) {
    m_horizontalBar = new CScrollBarUI;
    m_horizontalBar->SetHorizontal(true);
    m_horizontalBar->SetOwner(this);
    m_horizontalBar->ShowBar(false, true);
    m_horizontalBar->AttachManager(m_pManager, this, false);
    if (m_pManager != nullptr) {
      if (LPCWSTR list = m_pManager->GetDefaultAttributeList(L"HScrollBar")) m_horizontalBar->ApplyAttributes(list);
    }
  } else if (!horizontal && m_horizontalBar != nullptr) {
    static_cast<CControlUI*>(m_horizontalBar)->Delete();
    m_horizontalBar = nullptr;
  }
  RequestLayout();
}

CScrollBarUI* CContainerUI::GetVerticalScrollBar() const { return m_verticalBar; }
CScrollBarUI* CContainerUI::GetHorizontalScrollBar() const { return m_horizontalBar; }

void CContainerUI::HandleEvent(UIEvent& event) {
  if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
    if (m_pParent != nullptr) m_pParent->HandleEvent(event);
    else CControlUI::HandleEvent(event);
    return;
  }
  if (event.type == UIEVENT_SETFOCUS) {
    m_focused = true;
    return;
  }
  if (event.type == UIEVENT_KILLFOCUS) {
    m_focused = false;
    return;
  }
  if (event.type == UIEVENT_KEYDOWN && IsKeyboardEnabled() && IsEnabled()) {
    if (IsUsable(m_verticalBar)) {
      switch (event.key) {
        case kKeyPageUp: PageUp(); return;
        case kKeyPageDown: PageDown(); return;
        case kKeyEnd: EndDown(); return;
        case kKeyHome: HomeUp(); return;
        case kKeyUp: LineUp(); return;
        case kKeyDown: LineDown(); return;
        default: break;
      }
    } else if (IsUsable(m_horizontalBar)) {
      switch (event.key) {
        case kKeyPageUp: PageLeft(); return;
        case kKeyPageDown: PageRight(); return;
        case kKeyEnd: EndRight(); return;
        case kKeyHome: HomeLeft(); return;
        case kKeyUp: LineLeft(); return;
        case kKeyDown: LineRight(); return;
        default: break;
      }
    }
  }
  if (event.type == UIEVENT_SCROLLWHEEL) {
    const bool towardsUser = event.wParam != 0;
    if (IsUsable(m_horizontalBar) && RectContains(m_horizontalBar->GetPos(), event.mouse)) {
      towardsUser ? LineRight() : LineLeft();
      return;
    }
    if (IsUsable(m_verticalBar)) {
      towardsUser ? LineDown() : LineUp();
      return;
    }
    if (IsUsable(m_horizontalBar)) {
      towardsUser ? LineRight() : LineLeft();
      return;
    }
  }
  CControlUI::HandleEvent(event);
}

void CContainerUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  const CUIString n(name);
  if (n == L"inset") {
    SetInset(ParseRect(value));
  } else if (n == L"mousechild") {
    SetMouseChildEnabled(ParseBool(value));
  } else if (n == L"vscrollbar") {
    EnableScrollBar(ParseBool(value), m_horizontalBar != nullptr);
  } else if (n == L"vscrollbarstyle") {
    if (m_verticalBar != nullptr) m_verticalBar->ApplyAttributes(value);
  } else if (n == L"hscrollbar") {
    EnableScrollBar(m_verticalBar != nullptr, ParseBool(value));
  } else if (n == L"hscrollbarstyle") {
    if (m_horizontalBar != nullptr) m_horizontalBar->ApplyAttributes(value);
  } else if (n == L"childpadding") {
    SetChildPadding(ParseInt(value));
  } else if (n == L"childalign") {
    if (CUIString(value) == L"left") SetChildAlign(kAlignLeft);
    else if (CUIString(value) == L"center") SetChildAlign(kAlignCenter);
    else if (CUIString(value) == L"right") SetChildAlign(kAlignRight);
  } else if (n == L"childvalign") {
    if (CUIString(value) == L"top") SetChildVAlign(kAlignTop);
    else if (CUIString(value) == L"vcenter") SetChildVAlign(kAlignVCenter);
    else if (CUIString(value) == L"bottom") SetChildVAlign(kAlignBottom);
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

CControlUI* CContainerUI::FindControl(FindControlProc proc, void* data, UINT flags) {
  const bool hitTest = (flags & UIFIND_HITTEST) != 0;
  if ((flags & UIFIND_VISIBLE) != 0 && !IsVisible()) return nullptr;
  if ((flags & UIFIND_ENABLED) != 0 && !IsEnabled()) return nullptr;
  if (hitTest && !RectContains(m_rcItem, *static_cast<POINT*>(data))) return nullptr;
  if ((flags & UIFIND_UPDATETEST) != 0 && proc(this, data) != nullptr) return nullptr;
  CControlUI* found = nullptr;
  if ((flags & UIFIND_ME_FIRST) != 0 && (!hitTest || IsMouseEnabled())) found = proc(this, data);
  if (found == nullptr && m_pCover != nullptr && (!hitTest || m_mouseChildEnabled))
    found = m_pCover->FindControl(proc, data, flags);
  if (found == nullptr && m_verticalBar != nullptr && (!hitTest || IsMouseEnabled()))
    found = m_verticalBar->FindControl(proc, data, flags);
  if (found == nullptr && m_horizontalBar != nullptr && (!hitTest || IsMouseEnabled()))
    found = m_horizontalBar->FindControl(proc, data, flags);
  if (found != nullptr) return found;
  if (!hitTest || m_mouseChildEnabled) {
    const RECT client = InnerRect();
    const int count = GetCount();
    const bool topFirst = (flags & UIFIND_TOP_FIRST) != 0;
    for (int n = 0; n < count; ++n) {
      CControlUI* child = GetItemAt(topFirst ? count - 1 - n : n);
      found = child->FindControl(proc, data, flags);
      if (found == nullptr) continue;
      if (!hitTest || found->IsFloat() || RectContains(client, *static_cast<POINT*>(data))) return found;
    }
  }
  if ((flags & UIFIND_ME_FIRST) != 0) return nullptr;
  if (hitTest && !IsMouseEnabled()) return nullptr;
  return proc(this, data);
}

bool CContainerUI::PaintContent(IPaintSurfaceUI* surface, const RECT& paint, CControlUI* stop) {
  RECT clip;
  if (!RectIntersect(clip, paint, m_rcItem)) return true;
  surface->PushClip(clip);
  CControlUI::PaintContent(surface, paint, stop);
  const bool keepGoing = PaintChildren(surface, paint, stop);
  surface->PopClip();
  return keepGoing;
}

bool CContainerUI::PaintChildren(IPaintSurfaceUI* surface, const RECT& paint, CControlUI* stop) {
  bool keepGoing = true;
  if (!m_items.empty()) {
    // Floating children may cover the inset and the bars: they paint under
    // the item clip; the others under the client clip.
    const RECT client = InnerRect();
    RECT clientClip;
    const bool clientVisible = RectIntersect(clientClip, paint, client);
    for (int i = 0; i < GetCount() && keepGoing; ++i) {
      CControlUI* child = GetItemAt(i);
      if (child == stop) {
        keepGoing = false;
        break;
      }
      if (!child->IsVisible()) continue;
      RECT tmp;
      if (!RectIntersect(tmp, paint, child->GetPos())) continue;
      if (child->IsFloat()) {
        if (RectIntersect(tmp, m_rcItem, child->GetPos())) keepGoing = child->Paint(surface, paint, stop);
      } else if (clientVisible && RectIntersect(tmp, client, child->GetPos())) {
        surface->PushClip(clientClip);
        keepGoing = child->Paint(surface, paint, stop);
        surface->PopClip();
      }
    }
  }
  if (keepGoing) {
    RECT tmp;
    if (m_verticalBar != nullptr && m_verticalBar->IsVisible() && RectIntersect(tmp, paint, m_verticalBar->GetPos()))
      keepGoing = m_verticalBar->Paint(surface, paint, stop);
    if (keepGoing && m_horizontalBar != nullptr && m_horizontalBar->IsVisible() &&
        RectIntersect(tmp, paint, m_horizontalBar->GetPos()))
      keepGoing = m_horizontalBar->Paint(surface, paint, stop);
  }
  return keepGoing;
}

void CContainerUI::PostPaint(IPaintSurfaceUI* surface, const RECT& paint) {
  if (m_scrollToEnd) {
    m_scrollToEnd = false;
    if (m_pManager != nullptr) m_pManager->RemovePostPaint(this);
    SIZE pos = GetScrollPos();
    pos.cy = GetScrollRange().cy;
    SetScrollPos(pos);
  }
  CControlUI::PostPaint(surface, paint);
}

}  // namespace SkinUI
