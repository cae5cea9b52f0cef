// CTextUI: a multi-line label whose formatted text ("showhtml") may hold
// up to kMaxLinks clickable links. The link under the mouse is tracked
// (and drawn in the hover colour); releasing the button over link i
// notifies "link" with wParam i.
#pragma once

#include "uiframework/controls/LabelUI.h"

namespace SkinUI {

class CTextUI : public CLabelUI {
 public:
  static constexpr int kMaxLinks = 8;

  CTextUI();

  LPCWSTR GetClass() const override;
  void* FindInterface(LPCWSTR name) override;
  UINT GetFlags() const override;
  void HandleEvent(UIEvent& event) override;
  void PaintText(IPaintSurfaceUI* surface) override;

  // The text of link index (empty outside the links of the last paint).
  CUIString GetLinkContent(int index) const;
  int GetLinkCount() const { return m_linkCount; }
  // The link under the mouse, or -1.
  int GetHotLink() const { return m_hotLink; }
  RECT GetLinkRect(int index) const;

 private:
  // The link whose rectangle holds the point, or -1.
  int LinkAt(POINT pt) const;

  RECT m_linkRects[kMaxLinks];
  CUIString m_linkTexts[kMaxLinks];
  int m_linkCount = 0;
  int m_hotLink = -1;
};

}  // namespace SkinUI
