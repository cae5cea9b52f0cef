#include "uiframework/layout/SeparatorDrag.h"

#include "uiframework/layout/BoxAxis.h"
#include "uiframework/manager/WindowManagerUI.h"

#include <cstdlib>

namespace SkinUI {

namespace {
constexpr DWORD kStripColor = 0xAA000000;

}  // namespace

RECT CSeparatorDrag::StripOf(const RECT& rc) const {
  RECT strip = rc;
  const LONG width = std::abs(m_size);
  if (m_size > 0) m_axis.Near(strip) = m_axis.Far(strip) - width;
  else m_axis.Far(strip) = m_axis.Near(strip) + width;
  return strip;
}

bool CSeparatorDrag::HandleEvent(CControlUI& layout, UIEvent& event) {
  if (m_size == 0) return false;
  CWindowManagerUI* manager = layout.GetManager();
  switch (event.type) {
    case UIEVENT_SETCURSOR:
      // Over the strip the window shows the resize cursor for this axis.
      if (!layout.IsEnabled() || !RectContains(StripOf(layout.GetPos()), event.mouse)) return false;
      if (manager != nullptr) manager->SetCursor(m_axis.horizontal ? UICursor::SizeWE : UICursor::SizeNS);
      return true;
    case UIEVENT_BUTTONDOWN:
      if (!layout.IsEnabled() || !RectContains(StripOf(layout.GetPos()), event.mouse)) return false;
      m_dragging = true;
      m_lastMouse = event.mouse;
      m_newPos = layout.GetPos();
      if (!m_immediate && manager != nullptr) manager->AddPostPaint(&layout);
      return true;
    case UIEVENT_MOUSEMOVE:
      if (!m_dragging) return false;
      Move(layout, event.mouse);
      return true;
    case UIEVENT_BUTTONUP:
      if (!m_dragging) return false;
      m_dragging = false;
      layout.SetPos(m_newPos, false);
      if (!m_immediate && manager != nullptr) manager->RemovePostPaint(&layout);
      layout.RequestParentLayout();
      return true;
    default:
      return false;
  }
}

bool CSeparatorDrag::Move(CControlUI& layout, POINT mouse) {
  const LONG position = m_axis.horizontal ? mouse.x : mouse.y;
  const LONG delta = position - (m_axis.horizontal ? m_lastMouse.x : m_lastMouse.y);
  m_lastMouse = mouse;
  const LONG width = std::abs(m_size);
  RECT rc = m_newPos;
  const LONG minimum = m_axis.horizontal ? layout.GetMinWidth() : layout.GetMinHeight();
  const LONG maximum = m_axis.horizontal ? layout.GetMaxWidth() : layout.GetMaxHeight();
  const LONG current = m_axis.Far(m_newPos) - m_axis.Near(m_newPos);
  if (m_size > 0) {
    // Far edge: ignore moves that would turn the drag inside out.
    if ((delta < 0 && position > m_axis.Far(m_newPos)) ||
        (delta > 0 && position < m_axis.Far(m_newPos) - width))
      return false;
    m_axis.Far(rc) += delta;
  } else {
    if ((delta > 0 && position < m_axis.Near(m_newPos)) ||
        (delta < 0 && position > m_axis.Near(m_newPos) + width))
      return false;
    m_axis.Near(rc) += delta;
  }
  LONG size = m_axis.Far(rc) - m_axis.Near(rc);
  if (size < minimum || size > maximum) {
    const LONG limit = size < minimum ? minimum : maximum;
    if (current == limit) return false;
    if (m_size > 0) m_axis.Far(rc) = m_axis.Near(rc) + limit;
    else m_axis.Near(rc) = m_axis.Far(rc) - limit;
    size = limit;
  }
  const RECT oldStrip = StripOf(m_newPos);
  m_newPos = rc;
  if (m_axis.horizontal) layout.SetFixedWidth(size);
  else layout.SetFixedHeight(size);
  if (m_immediate) {
    layout.SetPos(m_newPos, false);
    layout.RequestParentLayout();
  } else if (CWindowManagerUI* manager = layout.GetManager()) {
    manager->Invalidate(oldStrip);
    manager->Invalidate(StripOf(m_newPos));
    manager->Invalidate(StripOf(layout.GetPos()));
  }
  return true;
}

void CSeparatorDrag::PostPaint(IPaintSurfaceUI* surface) const {
  if (m_dragging && !m_immediate) surface->DrawColor(StripOf(m_newPos), kStripColor);
}

}  // namespace SkinUI
