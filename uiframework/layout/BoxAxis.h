// BoxAxis: one axis of a box layout. "Main" runs along the axis the
// children are stacked on, "cross" across it; near and far are the low and
// high edges. The horizontal and vertical layouts, their separator and
// the scroll steps read rectangles, sizes and child limits through it, so
// each rule is written once for both directions.
#pragma once

#include "uiframework/controls/ControlUI.h"

namespace SkinUI {

struct BoxAxis {
  bool horizontal;

  LONG& Near(RECT& rc) const { return horizontal ? rc.left : rc.top; }
  LONG& Far(RECT& rc) const { return horizontal ? rc.right : rc.bottom; }
  LONG Near(const RECT& rc) const { return horizontal ? rc.left : rc.top; }
  LONG Far(const RECT& rc) const { return horizontal ? rc.right : rc.bottom; }
  LONG& CrossNear(RECT& rc) const { return horizontal ? rc.top : rc.left; }
  LONG& CrossFar(RECT& rc) const { return horizontal ? rc.bottom : rc.right; }
  LONG CrossNear(const RECT& rc) const { return horizontal ? rc.top : rc.left; }
  LONG CrossFar(const RECT& rc) const { return horizontal ? rc.bottom : rc.right; }

  LONG Main(const SIZE& size) const { return horizontal ? size.cx : size.cy; }
  LONG Cross(const SIZE& size) const { return horizontal ? size.cy : size.cx; }
  SIZE Make(LONG main, LONG cross) const { return horizontal ? SIZE{main, cross} : SIZE{cross, main}; }

  LONG FixedMain(const CControlUI& c) const { return horizontal ? c.GetFixedWidth() : c.GetFixedHeight(); }
  LONG FixedCross(const CControlUI& c) const { return horizontal ? c.GetFixedHeight() : c.GetFixedWidth(); }
  LONG MinMain(const CControlUI& c) const { return horizontal ? c.GetMinWidth() : c.GetMinHeight(); }
  LONG MaxMain(const CControlUI& c) const { return horizontal ? c.GetMaxWidth() : c.GetMaxHeight(); }
  LONG MinCross(const CControlUI& c) const { return horizontal ? c.GetMinHeight() : c.GetMinWidth(); }
  LONG MaxCross(const CControlUI& c) const { return horizontal ? c.GetMaxHeight() : c.GetMaxWidth(); }
};

}  // namespace SkinUI
