// CHorizontalLayoutUI: a box layout that stacks its children from left to
// right. Children with a fixed width keep it; the rest share the free
// width, the last of them taking what division leaves over. Heights follow
// the children's limits and the vertical alignment.
#pragma once

#include "uiframework/layout/BoxLayoutUI.h"

namespace SkinUI {

class CHorizontalLayoutUI : public CBoxLayoutUI {
 public:
  // The separator ("sepwidth", "sepimm"): size in pixels, positive at the
  // right edge, negative at the left edge, 0 for none.
  CHorizontalLayoutUI();
  LPCWSTR GetClass() const override;
  void* FindInterface(LPCWSTR name) override;
};

}  // namespace SkinUI
