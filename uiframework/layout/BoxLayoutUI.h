// CBoxLayoutUI: a container that stacks its children along one axis (the
// horizontal and vertical layouts are its two directions). Children with a
// desired size along the axis keep it; the rest share the free length, the
// last of them taking what division leaves over. Across the axis children
// follow their limits and the container's alignment for that direction.
// An optional separator strip at one end lets the user resize the layout.
#pragma once

#include "uiframework/layout/BoxAxis.h"
#include "uiframework/layout/ContainerUI.h"
#include "uiframework/layout/SeparatorDrag.h"

namespace SkinUI {

class CBoxLayoutUI : public CContainerUI {
 public:
  void SetPos(RECT rc, bool invalidate = true) override;
  UINT GetFlags() const override;
  void HandleEvent(UIEvent& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  void PostPaint(IPaintSurfaceUI* surface, const RECT& paint) override;

  // The separator: size in pixels, positive at the far edge, negative at
  // the near edge, 0 for none.
  CSeparatorDrag& Separator() { return m_separator; }

 protected:
  // measureEveryChild: every child is asked for its desired size; without
  // it only children with a fixed length along the axis are, and the others
  // keep their fixed size across it. separatorAttribute names the
  // separator's size attribute.
  CBoxLayoutUI(bool horizontal, bool measureEveryChild, LPCWSTR separatorAttribute);

 private:
  // The room a child may take: the available size less its padding across
  // the axis, bounded by its fixed (or maximum) size.
  SIZE RoomFor(const CControlUI& child, SIZE available) const;
  bool IsMeasured(const CControlUI& child) const;
  // The child's length across the axis and its placement there.
  LONG CrossLength(const CControlUI& child, SIZE available, SIZE room) const;
  void PlaceAcross(RECT& placed, LONG length, const RECT& pad, const RECT& client) const;

  BoxAxis m_axis;
  bool m_measureEveryChild;
  LPCWSTR m_separatorAttribute;
  CSeparatorDrag m_separator;
};

}  // namespace SkinUI
