// The draggable separator of a horizontal or vertical layout: a strip of
// |size| pixels at the far edge (positive size) or the near edge
// (negative size) along the layout's axis. Dragging it resizes the layout
// itself within its minimum and maximum size, either at once (immediate)
// or when the button is released, with the strip drawn at its new place
// meanwhile.
#pragma once

#include "uiframework/controls/ControlUI.h"
#include "uiframework/layout/BoxAxis.h"

namespace SkinUI {

class CSeparatorDrag {
 public:
  explicit CSeparatorDrag(bool horizontal) : m_axis{horizontal} {}

  int GetSize() const { return m_size; }
  void SetSize(int size) { m_size = size; }
  bool IsImmediate() const { return m_immediate; }
  void SetImmediate(bool immediate) { m_immediate = immediate; }
  bool IsDragging() const { return m_dragging; }

  // The strip over a layout rectangle.
  RECT StripOf(const RECT& rc) const;
  // True when the event was the separator's.
  bool HandleEvent(CControlUI& layout, UIEvent& event);
  void PostPaint(IPaintSurfaceUI* surface) const;

 private:
  bool Move(CControlUI& layout, POINT mouse);

  BoxAxis m_axis;
  int m_size = 0;
  bool m_immediate = false;
  bool m_dragging = false;
  POINT m_lastMouse;
  RECT m_newPos;
};

}  // namespace SkinUI
