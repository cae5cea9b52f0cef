#include "uiframework/layout/BoxLayoutUI.h"

#include "uiframework/controls/AttributeValues.h"
#include "uiframework/layout/ScrollBarUI.h"

#include <algorithm>

namespace SkinUI {

CBoxLayoutUI::CBoxLayoutUI(bool horizontal, bool measureEveryChild, LPCWSTR separatorAttribute)
    : m_axis{horizontal},
      m_measureEveryChild(measureEveryChild),
      m_separatorAttribute(separatorAttribute),
      m_separator(horizontal) {}

UINT CBoxLayoutUI::GetFlags() const { return IsEnabled() && m_separator.GetSize() != 0 ? UIFLAG_SETCURSOR : 0; }

void CBoxLayoutUI::HandleEvent(UIEvent& event) {
  if (!m_separator.HandleEvent(*this, event)) CContainerUI::HandleEvent(event);
}

void CBoxLayoutUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  const CUIString n(name);
  if (n == m_separatorAttribute) m_separator.SetSize(ParseInt(value));
  else if (n == L"sepimm") m_separator.SetImmediate(ParseBool(value));
  else CContainerUI::SetAttribute(name, value);
}

void CBoxLayoutUI::PostPaint(IPaintSurfaceUI* surface, const RECT& paint) {
  m_separator.PostPaint(surface);
  CContainerUI::PostPaint(surface, paint);
}

SIZE CBoxLayoutUI::RoomFor(const CControlUI& child, SIZE available) const {
  const RECT pad = child.GetPadding();
  LONG main = m_axis.Main(available);
  LONG cross = m_axis.Cross(available) - m_axis.CrossNear(pad) - m_axis.CrossFar(pad);
  const LONG fixedMain = m_axis.FixedMain(child) >= 1 ? m_axis.FixedMain(child) : m_axis.MaxMain(child);
  const LONG fixedCross = m_axis.FixedCross(child) >= 1 ? m_axis.FixedCross(child) : m_axis.MaxCross(child);
  return m_axis.Make(std::min(main, fixedMain), std::min(cross, fixedCross));
}

bool CBoxLayoutUI::IsMeasured(const CControlUI& child) const {
  return m_measureEveryChild || m_axis.FixedMain(child) > 0;
}

LONG CBoxLayoutUI::CrossLength(const CControlUI& child, SIZE available, SIZE room) const {
  const RECT pad = child.GetPadding();
  LONG length = m_axis.MaxCross(child);
  if (length == 0) length = m_axis.Cross(available) - m_axis.CrossNear(pad) - m_axis.CrossFar(pad);
  if (length < 0) length = 0;
  if (length > m_axis.Cross(room)) length = m_axis.Cross(room);
  if (length < m_axis.MinCross(child)) length = m_axis.MinCross(child);
  return length;
}

void CBoxLayoutUI::PlaceAcross(RECT& placed, LONG length, const RECT& pad, const RECT& client) const {
  const CScrollBarUI* bar = m_axis.horizontal ? m_verticalBar : m_horizontalBar;
  const bool scrolled = bar != nullptr && bar->IsVisible();
  const UINT align = m_axis.horizontal ? m_childVAlign : m_childAlign;
  const UINT centre = m_axis.horizontal ? kAlignVCenter : kAlignCenter;
  const UINT far = m_axis.horizontal ? kAlignBottom : kAlignRight;
  if (align == centre) {
    const LONG middle = (m_axis.CrossNear(client) + m_axis.CrossFar(client)) / 2 +
                        (scrolled ? bar->GetScrollRange() / 2 - bar->GetScrollPos() : 0);
    m_axis.CrossNear(placed) = middle - length / 2;
    m_axis.CrossFar(placed) = middle + length - length / 2;
  } else if (align == far) {
    const LONG edge = m_axis.CrossFar(client) + (scrolled ? bar->GetScrollRange() - bar->GetScrollPos() : 0);
    m_axis.CrossFar(placed) = edge - m_axis.CrossFar(pad);
    m_axis.CrossNear(placed) = m_axis.CrossFar(placed) - length;
  } else {
    const LONG edge = m_axis.CrossNear(client) - (scrolled ? bar->GetScrollPos() : 0);
    m_axis.CrossNear(placed) = edge + m_axis.CrossNear(pad);
    m_axis.CrossFar(placed) = m_axis.CrossNear(placed) + length;
  }
}

void CBoxLayoutUI::SetPos(RECT rc, bool invalidate) {
  PlaceSelf(rc, invalidate);
  const RECT client = InnerRect();
  if (m_items.empty()) {
    ProcessScrollBar(client, 0, 0);
    return;
  }
  const bool hbar = m_horizontalBar != nullptr && m_horizontalBar->IsVisible();
  const bool vbar = m_verticalBar != nullptr && m_verticalBar->IsVisible();
  SIZE available{client.right - client.left, client.bottom - client.top};
  if (hbar) available.cx += m_horizontalBar->GetScrollRange();
  if (vbar) available.cy += m_verticalBar->GetScrollRange();
  const CScrollBarUI* mainBar = m_axis.horizontal ? m_horizontalBar : m_verticalBar;
  const bool mainScrolled = m_axis.horizontal ? hbar : vbar;

  // Measuring: the total of the lengths that are known along the axis, and
  // the largest extent across it.
  int adjustable = 0, estimated = 0;
  long long fixedTotal = 0, largestCross = 0;
  for (int i = 0; i < GetCount(); ++i) {
    CControlUI* child = GetItemAt(i);
    if (!child->IsVisible() || child->IsFloat()) continue;
    ++estimated;
    const RECT pad = child->GetPadding();
    LONG main = 0, cross = 0;
    if (IsMeasured(*child)) {
      const SIZE desired = child->DesiredSize(RoomFor(*child, available));
      if (m_axis.Main(desired) != 0)
        main = std::clamp<LONG>(m_axis.Main(desired), m_axis.MinMain(*child), m_axis.MaxMain(*child));
      else ++adjustable;
      cross = m_axis.Cross(desired);
    } else {
      ++adjustable;
      cross = m_axis.FixedCross(*child);
    }
    fixedTotal += main + m_axis.Near(pad) + m_axis.Far(pad);
    if (cross < 1) cross = 0;
    cross = std::clamp<LONG>(cross, m_axis.MinCross(*child), m_axis.MaxCross(*child));
    largestCross = std::max<long long>(largestCross, 0LL + cross + m_axis.CrossNear(pad) + m_axis.CrossFar(pad));
  }
  if (estimated > 1) fixedTotal += (estimated - 1) * static_cast<long long>(m_childPadding);
  const long long availableMain = m_axis.Main(available);
  const long long expand = adjustable > 0 ? std::max<long long>(0, (availableMain - fixedTotal) / adjustable) : 0;

  // Placing, from the near edge of the client area (less the scrolling).
  long long cursor = m_axis.Near(client) - (mainScrolled ? mainBar->GetScrollPos() : 0);
  long long remaining = availableMain;
  long long remainingFixed = fixedTotal;
  long long needed = 0;
  int adjustableSeen = 0, placed = 0;
  for (int i = 0; i < GetCount(); ++i) {
    CControlUI* child = GetItemAt(i);
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(i);
      continue;
    }
    const RECT pad = child->GetPadding();
    remaining -= m_axis.Near(pad);
    const SIZE room = RoomFor(*child, available);
    remainingFixed -= m_axis.Near(pad) + m_axis.Far(pad);
    if (placed > 0) remainingFixed -= m_childPadding;
    const SIZE desired = child->DesiredSize(room);
    LONG main;
    if (IsMeasured(*child) && m_axis.Main(desired) != 0) {
      main = std::clamp<LONG>(m_axis.Main(desired), m_axis.MinMain(*child), m_axis.MaxMain(*child));
      remainingFixed -= main;
    } else {
      ++adjustableSeen;
      const long long share = adjustableSeen == adjustable
                                  ? std::max<long long>(0, remaining - m_axis.Far(pad) - remainingFixed)
                                  : expand;
      main = static_cast<LONG>(std::clamp<long long>(share, m_axis.MinMain(*child), m_axis.MaxMain(*child)));
    }
    RECT placedRect;
    m_axis.Near(placedRect) = ClampCoordinate(cursor + m_axis.Near(pad));
    m_axis.Far(placedRect) = ClampCoordinate(cursor + m_axis.Near(pad) + main);
    PlaceAcross(placedRect, CrossLength(*child, available, room), pad, client);
    child->SetPos(placedRect, false);

    cursor += main + m_childPadding + m_axis.Near(pad) + m_axis.Far(pad);
    needed += main + m_axis.Near(pad) + m_axis.Far(pad);
    remaining -= main + m_childPadding + m_axis.Far(pad);
    ++placed;
  }
  if (estimated > 1) needed += (estimated - 1) * static_cast<long long>(m_childPadding);
  const int mainRange = static_cast<int>(std::min<long long>(needed, CScrollBarUI::kMaxRange));
  const int crossRange = static_cast<int>(std::min<long long>(largestCross, CScrollBarUI::kMaxRange));
  const SIZE required = m_axis.Make(mainRange, crossRange);
  ProcessScrollBar(client, required.cx, required.cy);
}

}  // namespace SkinUI
