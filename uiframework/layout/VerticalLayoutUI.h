// CVerticalLayoutUI: a box layout that stacks its children from top to
// bottom. Children whose desired height is not zero keep it; the rest
// share the free height, the last of them taking what division leaves
// over. Widths follow the children's limits and the horizontal alignment.
#pragma once

#include "uiframework/layout/BoxLayoutUI.h"

namespace SkinUI {

class CVerticalLayoutUI : public CBoxLayoutUI {
 public:
  // The separator ("sepheight", "sepimm"): size in pixels, positive at the
  // bottom edge, negative at the top edge, 0 for none.
  CVerticalLayoutUI();
  LPCWSTR GetClass() const override;
  void* FindInterface(LPCWSTR name) override;
};

}  // namespace SkinUI
