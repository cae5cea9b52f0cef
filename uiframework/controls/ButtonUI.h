// CButtonUI: a label that reacts to the mouse and the keyboard. It keeps
// the hot, pushed, focused, disabled and captured state bits, draws one
// image per state (optionally cross-fading between the normal and hot
// images on control timer 11), and notifies "click" when a press that
// started on it is released over it, or on Space and Return.
#pragma once

#include "uiframework/controls/ControlState.h"
#include "uiframework/controls/LabelUI.h"

namespace SkinUI {

class CButtonUI : public CLabelUI {
 public:
  // The control timer that steps the cross-fade, and its period.
  static constexpr UINT kFadeTimerId = 11;
  static constexpr UINT kFadeElapse = 30;

  CButtonUI();

  LPCWSTR GetClass() const override;
  void* FindInterface(LPCWSTR name) override;
  UINT GetFlags() const override;
  bool Activate() override;
  void SetEnabled(bool enabled = true) override;
  void HandleEvent(UIEvent& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  SIZE DesiredSize(SIZE available) override;

  UINT GetState() const { return m_state; }
  BYTE GetFadeAlpha() const { return m_fadeAlpha; }
  void SetFadeDelta(BYTE step) { m_fadeStep = step; }
  BYTE GetFadeDelta() const { return m_fadeStep; }

  void SetNormalImage(LPCWSTR description);
  void SetHotImage(LPCWSTR description);
  void SetHotForeImage(LPCWSTR description);
  void SetPushedImage(LPCWSTR description);
  void SetFocusedImage(LPCWSTR description);
  void SetDisabledImage(LPCWSTR description);
  // One description for the normal, pushed, hot, focused and disabled
  // images: its source is cut into five equal vertical strips.
  void SetFiveStatusImage(LPCWSTR description);
  LPCWSTR GetNormalImage() const { return m_normalImage.description; }
  // The source rectangle each state image draws (after five-strip cuts).
  const ImageDrawSpec& GetNormalImageSpec() const { return m_normalImage; }
  const ImageDrawSpec& GetPushedImageSpec() const { return m_pushedImage; }
  const ImageDrawSpec& GetHotImageSpec() const { return m_hotImage; }
  const ImageDrawSpec& GetFocusedImageSpec() const { return m_focusedImage; }
  const ImageDrawSpec& GetDisabledImageSpec() const { return m_disabledImage; }

  void SetHotBkColor(DWORD color);
  void SetHotTextColor(DWORD color);
  void SetPushedTextColor(DWORD color);
  void SetFocusedTextColor(DWORD color);
  void SetFocusedBkColor(DWORD color);

  void PaintBackColor(IPaintSurfaceUI* surface) override;
  void PaintStateImages(IPaintSurfaceUI* surface) override;
  void PaintText(IPaintSurfaceUI* surface) override;
  void PaintBorder(IPaintSurfaceUI* surface) override;

 protected:
  void StartFadeTimer();
  void StepFade();
  // Draws the drawSpec at a constant opacity that replaces the description's
  // own; false when it does not draw.
  bool DrawImageFaded(IPaintSurfaceUI* surface, ImageDrawSpec& drawSpec, BYTE fade);
  bool DrawStateImage(IPaintSurfaceUI* surface, ImageDrawSpec& drawSpec);
  void SetImage(ImageDrawSpec& drawSpec, LPCWSTR description);
  // The button's text colour in its current state.
  DWORD StateTextColor() const;

  UINT m_state = 0;
  bool m_arrowCursor = false;
  DWORD m_hotBkColor = 0;
  DWORD m_hotTextColor = 0;
  DWORD m_hotBorderColor = 0;
  DWORD m_pushedTextColor = 0;
  DWORD m_focusedTextColor = 0;
  DWORD m_focusedBkColor = 0;
  BYTE m_fadeAlpha = 255;
  BYTE m_fadeStep = 0;
  ImageDrawSpec m_normalImage;
  ImageDrawSpec m_hotImage;
  ImageDrawSpec m_hotForeImage;
  ImageDrawSpec m_pushedImage;
  ImageDrawSpec m_pushedForeImage;
  ImageDrawSpec m_focusedImage;
  ImageDrawSpec m_disabledImage;
  CUIString m_pendingFiveStatus;
};

}  // namespace SkinUI
