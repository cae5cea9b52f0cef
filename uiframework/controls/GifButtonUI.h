// CGifButtonUI ("GifButton"): a GIF player that behaves like a button:
// hot while the mouse is over it, pushed while pressed, "click" when
// released inside (or on Space or Return), "mouseenter", "mouseleave" and
// "menu" notifications, and a hot caption colour.
#pragma once

#include "uiframework/controls/GifAnimUI.h"
#include "uiframework/manager/WindowSide.h"

namespace SkinUI {

class CGifButtonUI : public CGifAnimUI {
 public:
  LPCWSTR GetClass() const override;
  void* FindInterface(LPCWSTR name) override;
  UINT GetFlags() const override;
  bool Activate() override;
  void SetEnabled(bool enabled = true) override;
  void HandleEvent(UIEvent& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;

  // UISTATE_HOT, UISTATE_PUSHED and UISTATE_CAPTURED bits.
  UINT GetButtonState() const { return m_state; }

 protected:
  DWORD CaptionColor() const override;

 private:
  UICursor Cursor() const;

  UINT m_state = 0;
  CUIString m_cursor = L"hand";
  DWORD m_hotTextColor = 0xFF000000;
};

}  // namespace SkinUI
