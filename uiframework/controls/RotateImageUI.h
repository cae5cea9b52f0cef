// CRotateImageUI ("RotateImage"): an image turning about the control's
// centre by a step angle on every tick of control timer 100. The image is
// the control's own (decoded once per name, not from the image tables);
// background colour, state images, text and border paint as for any
// control, the turning image takes the place of the background image.
#pragma once

#include "uiframework/controls/ControlUI.h"
#include "uiframework/render/ImageEntry.h"

#include <memory>

namespace SkinUI {

class CRotateImageUI : public CControlUI {
 public:
  static constexpr UINT kAnimationTimer = 100;

  ~CRotateImageUI() override;

  LPCWSTR GetClass() const override;
  void* FindInterface(LPCWSTR name) override;
  void SetPos(RECT rc, bool invalidate = true) override;
  void SetVisible(bool visible = true) override;
  void InitControl() override;
  void HandleEvent(UIEvent& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  void PaintBackImage(IPaintSurfaceUI* surface) override;

  void StartAnimation();
  void StopAnimation();
  bool IsRunning() const { return m_running; }
  // The current angle in degrees, 0..359.
  int GetAngle() const { return m_angle; }
  bool HasImage() const { return m_image != nullptr; }

 private:
  void LoadImageFile();

  int m_interval = 40;
  int m_step = 1;
  bool m_stretch = false;
  bool m_autoStart = true;
  int m_fixAngle = 0;
  int m_angle = 0;
  std::unique_ptr<ImageEntry> m_image;
  CUIString m_imageName;
  bool m_running = false;
  double m_centreX = 0;
  double m_centreY = 0;
};

}  // namespace SkinUI
