#include "uiframework/layout/HorizontalLayoutUI.h"

#include "uiframework/controls/AttributeValues.h"
#include "uiframework/layout/ScrollBarUI.h"

#include <algorithm>
#include <cwchar>

namespace SkinUI {

LPCWSTR CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayout"; }

void* CHorizontalLayoutUI::FindInterface(LPCWSTR name) {
  if (name != nullptr && std::wcscmp(name, L"HorizontalLayout") == 0) return this;
  return CContainerUI::FindInterface(name);
}

UINT CHorizontalLayoutUI::GetFlags() const {
  return IsEnabled() && m_separator.GetSize() != 0 ? UIFLAG_SETCURSOR : 0;
}

void CHorizontalLayoutUI::HandleEvent(UIEvent& event) {
  if (!m_separator.HandleEvent(*this, event)) CContainerUI::HandleEvent(event);
}

void CHorizontalLayoutUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  const CUIString n(name);
  if (n == L"sepwidth") m_separator.SetSize(ParseInt(value));
  else if (n == L"sepimm") m_separator.SetImmediate(ParseBool(value));
  else CContainerUI::SetAttribute(name, value);
}

void CHorizontalLayoutUI::PostPaint(IPaintSurfaceUI* surface, const RECT& paint) {
  m_separator.PostPaint(surface);
  CContainerUI::PostPaint(surface, paint);
}

void CHorizontalLayoutUI::SetPos(RECT rc, bool invalidate) {
  PlaceSelf(rc, invalidate);
  const RECT client = InnerRect();
  if (m_items.IsEmpty()) {
    ProcessScrollBar(client, 0, 0);
    return;
  }
  const bool hbar = m_horizontalBar != nullptr && m_horizontalBar->IsVisible();
  const bool vbar = m_verticalBar != nullptr && m_verticalBar->IsVisible();
  SIZE available{client.right - client.left, client.bottom - client.top};
  if (hbar) available.cx += m_horizontalBar->GetScrollRange();
  if (vbar) available.cy += m_verticalBar->GetScrollRange();

  // The room a child may take: the available size less its vertical
  // padding, bounded by its fixed (or maximum) size.
  auto roomFor = [&](CControlUI* child) {
    const RECT pad = child->GetPadding();
    SIZE room{available.cx, available.cy - pad.top - pad.bottom};
    const LONG fw = child->GetFixedWidth() >= 1 ? child->GetFixedWidth() : child->GetMaxWidth();
    const LONG fh = child->GetFixedHeight() >= 1 ? child->GetFixedHeight() : child->GetMaxHeight();
    room.cx = std::min(room.cx, fw);
    room.cy = std::min(room.cy, fh);
    return room;
  };

  int adjustable = 0, estimated = 0;
  long long fixedTotal = 0, largestHeight = 0;
  for (int i = 0; i < m_items.GetSize(); ++i) {
    CControlUI* child = GetItemAt(i);
    if (!child->IsVisible() || child->IsFloat()) continue;
    ++estimated;
    const RECT pad = child->GetPadding();
    LONG width = 0, height = 0;
    if (child->GetFixedWidth() > 0) {
      const SIZE desired = child->DesiredSize(roomFor(child));
      if (desired.cx != 0) width = std::clamp<LONG>(desired.cx, child->GetMinWidth(), child->GetMaxWidth());
      else ++adjustable;
      height = desired.cy;
    } else {
      ++adjustable;
      height = child->GetFixedHeight();
    }
    fixedTotal += width + pad.left + pad.right;
    if (height < 1) height = 0;
    height = std::clamp<LONG>(height, child->GetMinHeight(), child->GetMaxHeight());
    largestHeight = std::max<long long>(largestHeight, 0LL + height + pad.top + pad.bottom);
  }
  if (estimated > 1) fixedTotal += (estimated - 1) * static_cast<long long>(m_childPadding);
  const long long expand = adjustable > 0 ? std::max<long long>(0, (available.cx - fixedTotal) / adjustable) : 0;

  long long x = client.left - (hbar ? m_horizontalBar->GetScrollPos() : 0);
  long long remainingWidth = available.cx;
  long long remainingFixed = fixedTotal;
  long long needed = 0;
  int adjustableSeen = 0, placed = 0;
  for (int i = 0; i < m_items.GetSize(); ++i) {
    CControlUI* child = GetItemAt(i);
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(i);
      continue;
    }
    const RECT pad = child->GetPadding();
    remainingWidth -= pad.left;
    const SIZE room = roomFor(child);
    remainingFixed -= pad.left + pad.right;
    if (placed > 0) remainingFixed -= m_childPadding;
    const SIZE desired = child->DesiredSize(room);
    LONG width;
    if (child->GetFixedWidth() > 0 && desired.cx != 0) {
      width = std::clamp<LONG>(desired.cx, child->GetMinWidth(), child->GetMaxWidth());
      remainingFixed -= width;
    } else {
      ++adjustableSeen;
      const long long share =
          adjustableSeen == adjustable ? std::max<long long>(0, remainingWidth - pad.right - remainingFixed) : expand;
      width = static_cast<LONG>(std::clamp<long long>(share, child->GetMinWidth(), child->GetMaxWidth()));
    }
    LONG height = child->GetMaxHeight();
    if (height == 0) height = available.cy - pad.top - pad.bottom;
    if (height < 0) height = 0;
    if (height > room.cy) height = room.cy;
    if (height < child->GetMinHeight()) height = child->GetMinHeight();

    RECT placed_rc;
    placed_rc.left = ClampCoordinate(x + pad.left);
    placed_rc.right = ClampCoordinate(x + pad.left + width);
    if (m_childVAlign == kAlignVCenter) {
      const LONG middle = (client.top + client.bottom) / 2 +
                          (vbar ? m_verticalBar->GetScrollRange() / 2 - m_verticalBar->GetScrollPos() : 0);
      placed_rc.top = middle - height / 2;
      placed_rc.bottom = middle + height - height / 2;
    } else if (m_childVAlign == kAlignBottom) {
      const LONG bottom = client.bottom + (vbar ? m_verticalBar->GetScrollRange() - m_verticalBar->GetScrollPos() : 0);
      placed_rc.bottom = bottom - pad.bottom;
      placed_rc.top = placed_rc.bottom - height;
    } else {
      const LONG top = client.top - (vbar ? m_verticalBar->GetScrollPos() : 0);
      placed_rc.top = top + pad.top;
      placed_rc.bottom = placed_rc.top + height;
    }
    child->SetPos(placed_rc, false);

    x += width + m_childPadding + pad.left + pad.right;
    needed += width + pad.left + pad.right;
    remainingWidth -= width + m_childPadding + pad.right;
    ++placed;
  }
  if (estimated > 1) needed += (estimated - 1) * static_cast<long long>(m_childPadding);
  ProcessScrollBar(client, static_cast<int>(std::min<long long>(needed, CScrollBarUI::kMaxRange)),
                   static_cast<int>(std::min<long long>(largestHeight, CScrollBarUI::kMaxRange)));
}

}  // namespace SkinUI
