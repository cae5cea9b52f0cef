#include "uiframework/controls/RotateImageUI.h"

#include "system/WriteLogFile.h"
#include "uiframework/controls/AttributeValues.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/resources/RenderServices.h"

#include <cwchar>

namespace SkinUI {

CRotateImageUI::~CRotateImageUI() {
  if (m_pManager != nullptr) m_pManager->KillTimer(this);
}

LPCWSTR CRotateImageUI::GetClass() const { return L"RotateImage"; }

void* CRotateImageUI::FindInterface(LPCWSTR name) {
  if (name != nullptr && std::wcscmp(name, L"RotateImage") == 0) return this;
  return CControlUI::FindInterface(name);
}

void CRotateImageUI::SetPos(RECT rc, bool invalidate) {
  CControlUI::SetPos(rc, invalidate);
  const LONG width = m_rcItem.right - m_rcItem.left;
  const LONG height = m_rcItem.bottom - m_rcItem.top;
  if (width > 0 && height > 0) {
    m_centreX = static_cast<double>(m_rcItem.left + width / 2);
    m_centreY = static_cast<double>(m_rcItem.top + height / 2);
  }
}

void CRotateImageUI::SetVisible(bool visible) {
  if (visible) StartAnimation();
  else StopAnimation();
  CControlUI::SetVisible(visible);
}

void CRotateImageUI::InitControl() {
  if (m_image == nullptr) LoadImageFile();
  m_angle = m_fixAngle % 360;
  if (m_autoStart) StartAnimation();
}

void CRotateImageUI::StartAnimation() {
  if (m_interval <= 0 || m_step <= 0 || m_running || m_pManager == nullptr) return;
  m_running = m_pManager->SetTimer(this, kAnimationTimer, static_cast<UINT>(m_interval));
}

void CRotateImageUI::StopAnimation() {
  if (!m_running || m_pManager == nullptr) return;
  m_pManager->KillTimer(this, kAnimationTimer);
  m_running = false;
}

void CRotateImageUI::HandleEvent(UIEvent& event) {
  if (event.type == UIEVENT_TIMER && event.wParam == kAnimationTimer) {
    m_angle = (m_angle + m_step) % 360;
    Invalidate();
    return;
  }
  CControlUI::HandleEvent(event);
}

void CRotateImageUI::LoadImageFile() {
  m_image.reset();
  if (m_imageName.IsEmpty()) return;
  m_image = LoadImage(m_imageName);
  if (m_image == nullptr)
    g_logFile.WriteFormat(__FILE__, __LINE__, L"旋转图片无法加载，不显示：%s", m_imageName.GetData());
}

void CRotateImageUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  const CUIString n(name);
  if (n == L"bkimage") {
    if (m_imageName == value) return;
    m_imageName = value;
    LoadImageFile();
    Invalidate();
  } else if (n == L"timeinterval") {
    const int interval = ParseInt(value);
    if (interval <= 0 || interval == m_interval) return;
    m_interval = interval;
    if (m_running && m_pManager != nullptr) {
      m_pManager->KillTimer(this, kAnimationTimer);
      m_pManager->SetTimer(this, kAnimationTimer, static_cast<UINT>(m_interval));
    }
  } else if (n == L"eachtimeangle") {
    const int step = ParseInt(value);
    if (step > 0) m_step = step;
  } else if (n == L"fixangle") {
    const int angle = ParseInt(value);
    if (angle < 0 || angle == m_fixAngle) return;
    m_fixAngle = angle;
    if (!m_running) {
      m_angle = m_fixAngle % 360;
      Invalidate();
    }
  } else if (n == L"stretch") {
    m_stretch = ParseBool(value);
  } else if (n == L"autostart") {
    m_autoStart = ParseBool(value);
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

void CRotateImageUI::PaintBackImage(IPaintSurfaceUI* surface) {
  if (m_image == nullptr) return;
  RECT dest = m_rcItem;
  if (!m_stretch) {
    const LONG left = static_cast<LONG>(m_centreX) - m_image->width / 2;
    const LONG top = static_cast<LONG>(m_centreY) - m_image->height / 2;
    dest = RECT{left, top, left + m_image->width, top + m_image->height};
  }
  // The turned corners stay inside the control.
  surface->PushClip(m_rcPaint);
  surface->DrawImageEntry(*m_image, dest, ImageTurn{static_cast<double>(m_angle), m_centreX, m_centreY});
  surface->PopClip();
}

}  // namespace SkinUI
