// CContainerExUI: the program's own container control. It has a hover
// ("hot") state like a button, paints a normal, hot or disabled image and
// hot or disabled background colours by that state, notifies
// "mouseenter" and "mouseleave", and can keep its children hidden until
// the mouse is over it (hover-reveal panels). Hidden children still take
// the mouse: only their painting waits for the hover.
#pragma once

#include "uiframework/controls/ControlState.h"
#include "uiframework/layout/ContainerUI.h"

class CContainerExUI : public SkinUI::CContainerUI {
 public:
  CContainerExUI() = default;

  LPCWSTR GetClass() const override;
  void* FindInterface(LPCWSTR name) override;
  void SetEnabled(bool enabled = true) override;
  void HandleEvent(SkinUI::UIEvent& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;

  UINT GetState() const { return m_state; }
  bool IsChildVisible() const { return m_childVisible; }
  void SetChildVisible(bool visible);
  bool IsMustHotChildVisible() const { return m_mustHot; }
  void SetMustHotChildVisible(bool mustHot);
  void SetNormalImage(LPCWSTR description);
  void SetHotImage(LPCWSTR description);
  void SetDisabledImage(LPCWSTR description);
  void SetHotBkColor(DWORD color) { m_hotBkColor = color; }
  void SetDisabledBkColor(DWORD color);

  bool PaintContent(SkinUI::IPaintSurfaceUI* surface, const SkinUI::RECT& paint, SkinUI::CControlUI* stop) override;
  void PaintBackColor(SkinUI::IPaintSurfaceUI* surface) override;
  void PaintStateImages(SkinUI::IPaintSurfaceUI* surface) override;

 private:
  bool ChildrenShown() const;
  void SetImage(SkinUI::ImageDrawSpec& drawSpec, LPCWSTR description);
  bool DrawStateImage(SkinUI::IPaintSurfaceUI* surface, SkinUI::ImageDrawSpec& drawSpec);

  UINT m_state = 0;
  SkinUI::ImageDrawSpec m_normalImage;
  SkinUI::ImageDrawSpec m_hotImage;
  SkinUI::ImageDrawSpec m_disabledImage;
  DWORD m_hotBkColor = 0;
  DWORD m_disabledBkColor = 0;
  bool m_childVisible = true;
  bool m_mustHot = true;
};
