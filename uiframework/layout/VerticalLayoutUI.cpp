#include "uiframework/layout/VerticalLayoutUI.h"

#include "uiframework/controls/AttributeValues.h"
#include "uiframework/layout/ScrollBarUI.h"

#include <algorithm>
#include <cwchar>

namespace SkinUI {

LPCWSTR CVerticalLayoutUI::GetClass() const { return L"VerticalLayout"; }

void* CVerticalLayoutUI::FindInterface(LPCWSTR name) {
  if (name != nullptr && std::wcscmp(name, L"VerticalLayout") == 0) return this;
  return CContainerUI::FindInterface(name);
}

UINT CVerticalLayoutUI::GetFlags() const {
  return IsEnabled() && m_separator.GetSize() != 0 ? UIFLAG_SETCURSOR : 0;
}

void CVerticalLayoutUI::HandleEvent(UIEvent& event) {
  if (!m_separator.HandleEvent(*this, event)) CContainerUI::HandleEvent(event);
}

void CVerticalLayoutUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  const CUIString n(name);
  if (n == L"sepheight") m_separator.SetSize(ParseInt(value));
  else if (n == L"sepimm") m_separator.SetImmediate(ParseBool(value));
  else CContainerUI::SetAttribute(name, value);
}

void CVerticalLayoutUI::PostPaint(IPaintSurfaceUI* surface, const RECT& paint) {
  m_separator.PostPaint(surface);
  CContainerUI::PostPaint(surface, paint);
}

void CVerticalLayoutUI::SetPos(RECT rc, bool invalidate) {
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

  auto roomFor = [&](CControlUI* child) {
    const RECT pad = child->GetPadding();
    SIZE room{available.cx - pad.left - pad.right, available.cy};
    const LONG fw = child->GetFixedWidth() >= 1 ? child->GetFixedWidth() : child->GetMaxWidth();
    const LONG fh = child->GetFixedHeight() >= 1 ? child->GetFixedHeight() : child->GetMaxHeight();
    room.cx = std::min(room.cx, fw);
    room.cy = std::min(room.cy, fh);
    return room;
  };

  int adjustable = 0, estimated = 0;
  long long fixedTotal = 0, largestWidth = 0;
  for (int i = 0; i < m_items.GetSize(); ++i) {
    CControlUI* child = GetItemAt(i);
    if (!child->IsVisible() || child->IsFloat()) continue;
    ++estimated;
    const RECT pad = child->GetPadding();
    const SIZE desired = child->DesiredSize(roomFor(child));
    LONG height = 0;
    if (desired.cy != 0) height = std::clamp<LONG>(desired.cy, child->GetMinHeight(), child->GetMaxHeight());
    else ++adjustable;
    fixedTotal += height + pad.top + pad.bottom;
    LONG width = desired.cx < 1 ? 0 : desired.cx;
    width = std::clamp<LONG>(width, child->GetMinWidth(), child->GetMaxWidth());
    largestWidth = std::max<long long>(largestWidth, 0LL + width + pad.left + pad.right);
  }
  if (estimated > 1) fixedTotal += (estimated - 1) * static_cast<long long>(m_childPadding);
  const long long expand = adjustable > 0 ? std::max<long long>(0, (available.cy - fixedTotal) / adjustable) : 0;

  long long y = client.top - (vbar ? m_verticalBar->GetScrollPos() : 0);
  long long remainingHeight = available.cy;
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
    remainingHeight -= pad.top;
    const SIZE room = roomFor(child);
    remainingFixed -= pad.top + pad.bottom;
    if (placed > 0) remainingFixed -= m_childPadding;
    const SIZE desired = child->DesiredSize(room);
    LONG height;
    if (desired.cy != 0) {
      height = std::clamp<LONG>(desired.cy, child->GetMinHeight(), child->GetMaxHeight());
      remainingFixed -= height;
    } else {
      ++adjustableSeen;
      const long long share =
          adjustableSeen == adjustable ? std::max<long long>(0, remainingHeight - pad.bottom - remainingFixed) : expand;
      height = static_cast<LONG>(std::clamp<long long>(share, child->GetMinHeight(), child->GetMaxHeight()));
    }
    LONG width = child->GetMaxWidth();
    if (width == 0) width = available.cx - pad.left - pad.right;
    if (width < 0) width = 0;
    if (width > room.cx) width = room.cx;
    if (width < child->GetMinWidth()) width = child->GetMinWidth();

    RECT placed_rc;
    placed_rc.top = ClampCoordinate(y + pad.top);
    placed_rc.bottom = ClampCoordinate(y + pad.top + height);
    if (m_childAlign == kAlignCenter) {
      const LONG middle = (client.left + client.right) / 2 +
                          (hbar ? m_horizontalBar->GetScrollRange() / 2 - m_horizontalBar->GetScrollPos() : 0);
      placed_rc.left = middle - width / 2;
      placed_rc.right = middle + width - width / 2;
    } else if (m_childAlign == kAlignRight) {
      const LONG right = client.right + (hbar ? m_horizontalBar->GetScrollRange() - m_horizontalBar->GetScrollPos() : 0);
      placed_rc.right = right - pad.right;
      placed_rc.left = placed_rc.right - width;
    } else {
      const LONG left = client.left - (hbar ? m_horizontalBar->GetScrollPos() : 0);
      placed_rc.left = left + pad.left;
      placed_rc.right = placed_rc.left + width;
    }
    child->SetPos(placed_rc, false);

    y += height + m_childPadding + pad.top + pad.bottom;
    needed += height + pad.top + pad.bottom;
    remainingHeight -= height + m_childPadding + pad.bottom;
    ++placed;
  }
  if (estimated > 1) needed += (estimated - 1) * static_cast<long long>(m_childPadding);
  ProcessScrollBar(client, static_cast<int>(std::min<long long>(largestWidth, CScrollBarUI::kMaxRange)),
                   static_cast<int>(std::min<long long>(needed, CScrollBarUI::kMaxRange)));
}

}  // namespace SkinUI
