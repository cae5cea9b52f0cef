// CVerticalLayoutUI: a container that stacks its children from top to
// bottom. Children whose desired height is not zero keep it; the rest
// share the free height, the last of them taking what division leaves
// over. Widths follow the children's limits and the horizontal alignment.
#pragma once

#include "uiframework/layout/ContainerUI.h"
#include "uiframework/layout/SeparatorDrag.h"

namespace SkinUI {

class CVerticalLayoutUI : public CContainerUI {
 public:
  LPCWSTR GetClass() const override;
  void* FindInterface(LPCWSTR name) override;
  void SetPos(RECT rc, bool invalidate = true) override;
  UINT GetFlags() const override;
  void HandleEvent(UIEvent& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  void PostPaint(IPaintSurfaceUI* surface, const RECT& paint) override;

  // The separator ("sepheight", "sepimm"): size in pixels, positive at the
  // bottom edge, negative at the top edge, 0 for none.
  CSeparatorDrag& Separator() { return m_separator; }

 private:
  CSeparatorDrag m_separator{false};
};

}  // namespace SkinUI
