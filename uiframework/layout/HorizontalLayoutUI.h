// CHorizontalLayoutUI: a container that stacks its children from left to
// right. Children with a fixed width keep it; the rest share the free
// width, the last of them taking what division leaves over. Heights follow
// the children's limits and the vertical alignment.
#pragma once

#include "uiframework/layout/ContainerUI.h"
#include "uiframework/layout/SeparatorDrag.h"

namespace SkinUI {

class CHorizontalLayoutUI : public CContainerUI {
 public:
  LPCWSTR GetClass() const override;
  void* FindInterface(LPCWSTR name) override;
  void SetPos(RECT rc, bool invalidate = true) override;
  UINT GetFlags() const override;
  void HandleEvent(UIEvent& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  void PostPaint(IPaintSurfaceUI* surface, const RECT& paint) override;

  // The separator ("sepwidth", "sepimm"): size in pixels, positive at the
  // right edge, negative at the left edge, 0 for none.
  CSeparatorDrag& Separator() { return m_separator; }

 private:
  CSeparatorDrag m_separator{true};
};

}  // namespace SkinUI
