#include "uiframework/controls/GifAnimUI.h"

#include "system/WriteLogFile.h"
#include "uiframework/controls/AttributeValues.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/resources/RenderServices.h"

#include <cwchar>

namespace SkinUI {

CGifAnimUI::~CGifAnimUI() {
  if (m_pManager != nullptr) m_pManager->KillTimer(this, kAnimationTimer);
}

LPCWSTR CGifAnimUI::GetClass() const { return L"GifAnim"; }

void* CGifAnimUI::FindInterface(LPCWSTR name) {
  if (name != nullptr && std::wcscmp(name, L"GifAnim") == 0) return this;
  return CControlUI::FindInterface(name);
}

void CGifAnimUI::SetVisible(bool visible) {
  CControlUI::SetVisible(visible);
  if (visible) StartAnimation();
  else StopAnimation();
}

void CGifAnimUI::InitControl() {
  if (!m_loadAttempted) LoadFrames();
}

// Decodes the frames once per image name; a failure is logged once and the
// control then draws no image.
void CGifAnimUI::LoadFrames() {
  if (m_imageName.IsEmpty()) return;
  m_loadAttempted = true;
  const AnimationStatus status = LoadAnimation(m_imageName, kMaxAnimationBytes, m_animation);
  if (status == AnimationStatus::Cut) {
    g_logFile.WriteFormat(__FILE__, __LINE__, L"GIF动画超出内存或帧数上限，只播放前%d帧（文件至少%d帧）：%s",
                          GetFrameCount(), m_animation.framesInFile, m_imageName.GetData());
  } else if (status != AnimationStatus::Loaded) {
    g_logFile.WriteFormat(__FILE__, __LINE__, L"GIF动画无法解码（%s），不显示：%s",
                          status == AnimationStatus::TooLarge ? L"图像过大" : L"无法读取或格式错误",
                          m_imageName.GetData());
    return;
  }
  if (m_animation.frames.empty()) return;
  if (m_autoSize) {
    SetFixedWidth(m_animation.width);
    SetFixedHeight(m_animation.height);
  }
  if (m_autoPlay) StartAnimation();
}

void CGifAnimUI::FreeFrames() {
  m_animation = AnimatedImage();
  m_loadAttempted = false;
  m_frame = 0;
}

UINT CGifAnimUI::FrameDelay(int frame) const {
  const int delay = m_animation.delays[static_cast<size_t>(frame)];
  return delay > 0 ? static_cast<UINT>(delay) : kDefaultDelayMs;
}

void CGifAnimUI::StartAnimation() {
  if (m_playing || !CanPlay() || m_pManager == nullptr) return;
  m_playing = m_pManager->SetTimer(this, kAnimationTimer, FrameDelay(m_frame));
}

void CGifAnimUI::StopAnimation() {
  if (!m_playing) return;
  if (m_pManager != nullptr) m_pManager->KillTimer(this, kAnimationTimer);
  m_frame = 0;
  Invalidate();
  m_playing = false;
}

void CGifAnimUI::HandleEvent(UIEvent& event) {
  if (event.type == UIEVENT_TIMER) {
    // Only the animation's own timer means anything here.
    if (event.wParam != kAnimationTimer || !CanPlay() || m_pManager == nullptr) return;
    m_pManager->KillTimer(this, kAnimationTimer);
    Invalidate();
    m_frame = (m_frame + 1) % GetFrameCount();
    m_pManager->SetTimer(this, kAnimationTimer, FrameDelay(m_frame));
    return;
  }
  CControlUI::HandleEvent(event);
}

void CGifAnimUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  const CUIString n(name);
  if (n == L"bkimage") {
    if (value == nullptr || *value == 0 || m_imageName == value) return;
    m_imageName = value;
    StopAnimation();
    FreeFrames();
    Invalidate();
  } else if (n == L"autoplay") {
    m_autoPlay = ParseBool(value);
  } else if (n == L"autosize") {
    m_autoSize = ParseBool(value);
  } else if (n == L"disabledtextcolor") {
    m_disabledTextColor = ParseColor(value);
  } else if (!m_textStyle.SetAttribute(n, value)) {
    CControlUI::SetAttribute(name, value);
  }
}

DWORD CGifAnimUI::CaptionColor() const { return IsEnabled() ? m_textStyle.color : m_disabledTextColor; }

bool CGifAnimUI::PaintContent(IPaintSurfaceUI* surface, const RECT& paint, CControlUI*) {
  if (!m_loadAttempted) LoadFrames();
  RECT clip;
  if (!RectIntersect(clip, paint, m_rcItem)) return true;
  surface->PushClip(clip);
  if (!m_animation.frames.empty())
    surface->DrawImageEntry(m_animation.frames[static_cast<size_t>(m_frame)], m_rcItem, ImageTurn{});
  m_textStyle.Draw(surface, m_pManager, m_rcItem, m_text, CaptionColor());
  surface->PopClip();
  return true;
}

}  // namespace SkinUI
