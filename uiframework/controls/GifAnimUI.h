// CGifAnimUI ("GifAnim"): plays the frames of an animated GIF stretched
// over the control, each for its own delay, on control timer 100, with an
// optional caption. The frames are the control's own, decoded once per
// image name within kMaxAnimationBytes; an image of one frame, or one
// that does not decode, stays still without a timer.
#pragma once

#include "uiframework/controls/AnimatedTextStyle.h"
#include "uiframework/controls/ControlUI.h"
#include "uiframework/render/AnimatedImage.h"

namespace SkinUI {

class CGifAnimUI : public CControlUI {
 public:
  static constexpr UINT kAnimationTimer = 100;
  // A frame without a delay of its own shows this long.
  static constexpr UINT kDefaultDelayMs = 100;

  ~CGifAnimUI() override;

  LPCWSTR GetClass() const override;
  void* FindInterface(LPCWSTR name) override;
  void SetVisible(bool visible = true) override;
  void InitControl() override;
  void HandleEvent(UIEvent& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  bool PaintContent(IPaintSurfaceUI* surface, const RECT& paint, CControlUI* stop) override;

  void StartAnimation();
  void StopAnimation();
  bool IsPlaying() const { return m_playing; }
  int GetFrameCount() const { return static_cast<int>(m_animation.frames.size()); }
  int GetCurrentFrame() const { return m_frame; }

 protected:
  // The caption's colour in the control's present state.
  virtual DWORD CaptionColor() const;

  AnimatedTextStyle m_textStyle;

 private:
  void LoadFrames();
  void FreeFrames();
  bool CanPlay() const { return m_animation.frames.size() >= 2; }
  UINT FrameDelay(int frame) const;

  AnimatedImage m_animation;
  bool m_loadAttempted = false;
  int m_frame = 0;
  CUIString m_imageName;
  bool m_autoPlay = true;
  bool m_autoSize = false;
  bool m_playing = false;
  DWORD m_disabledTextColor = 0xFF000000;
};

}  // namespace SkinUI
