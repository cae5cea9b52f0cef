#include "uiframework/controls/ChrysanthemumLoadingUI.h"

#include "uiframework/controls/AttributeValues.h"
#include "uiframework/manager/WindowManagerUI.h"

#include <cmath>
#include <cwchar>
#include <cwctype>

namespace SkinUI {

namespace {

// "spokecolor" and "bkcolor" accept blanks before the colour.
DWORD ParseSpacedColor(LPCWSTR value) {
  while (value != nullptr && *value != 0 && std::iswspace(static_cast<wint_t>(*value))) ++value;
  return ParseColor(value);
}

}  // namespace

CChrysanthemumLoadingUI::~CChrysanthemumLoadingUI() {
  if (m_watched != nullptr) m_watched->RemoveMessageFilter(this);
  if (m_pManager != nullptr) m_pManager->KillTimer(this, kAnimationTimer);
}

LPCWSTR CChrysanthemumLoadingUI::GetClass() const { return L"ChrysanthemumLoading"; }

void* CChrysanthemumLoadingUI::FindInterface(LPCWSTR name) {
  if (name != nullptr && std::wcscmp(name, L"ChrysanthemumLoading") == 0) return this;
  return CControlUI::FindInterface(name);
}

void CChrysanthemumLoadingUI::SetPos(RECT rc, bool invalidate) {
  CControlUI::SetPos(rc, invalidate);
  RebuildSpokes();
}

void CChrysanthemumLoadingUI::SetVisible(bool visible) {
  CControlUI::SetVisible(visible);
  UpdateAnimation();
}

void CChrysanthemumLoadingUI::SetShownByParent(bool shown) {
  CControlUI::SetShownByParent(shown);
  UpdateAnimation();
}

void CChrysanthemumLoadingUI::InitControl() {
  RebuildSpokes();
  if (m_watched != m_pManager) {
    if (m_watched != nullptr) m_watched->RemoveMessageFilter(this);
    m_watched = m_pManager;
    if (m_watched != nullptr) m_watched->AddMessageFilter(this);
  }
  const HWND window = m_pManager != nullptr ? m_pManager->GetPaintWindow() : nullptr;
  m_windowShown = window != nullptr && ::IsWindowVisible(window) && !::IsIconic(window);
  UpdateAnimation();
}

LRESULT CChrysanthemumLoadingUI::FilterMessage(UINT message, WPARAM wParam, LPARAM, bool&) {
  // WM_SHOWWINDOW comes before the window's visibility changes: its
  // argument tells what it will be.
  if (message == WM_SHOWWINDOW) {
    m_windowShown = wParam != 0;
    UpdateAnimation();
  } else if (message == WM_SIZE) {
    const HWND window = m_pManager != nullptr ? m_pManager->GetPaintWindow() : nullptr;
    m_windowShown = wParam != SIZE_MINIMIZED && window != nullptr && ::IsWindowVisible(window);
    UpdateAnimation();
  }
  return 0;
}

void CChrysanthemumLoadingUI::UpdateAnimation() {
  if (m_pManager == nullptr) return;
  // Both are no-ops when the timer already is as wanted.
  if (m_windowShown && IsVisible()) m_pManager->SetTimer(this, kAnimationTimer, static_cast<UINT>(m_interval));
  else m_pManager->KillTimer(this, kAnimationTimer);
}

void CChrysanthemumLoadingUI::HandleEvent(UIEvent& event) {
  if (event.type == UIEVENT_TIMER && event.wParam == kAnimationTimer) {
    RenderSpokes();
    Invalidate();
    return;
  }
  CControlUI::HandleEvent(event);
}

void CChrysanthemumLoadingUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  const CUIString n(name);
  if (n == L"timeinterval") {
    const int interval = ParseInt(value);
    // A timer of no interval would fire without pause: refused.
    if (interval <= 0 || interval == m_interval) return;
    m_interval = interval;
    if (m_pManager != nullptr && m_pManager->KillTimer(this, kAnimationTimer))
      m_pManager->SetTimer(this, kAnimationTimer, static_cast<UINT>(m_interval));
  } else if (n == L"spokenum") {
    // The phase runs modulo the count: fewer than one spoke is refused,
    // and so is a count no circle needs.
    const int count = ParseInt(value);
    if (count < 1 || count > kMaxSpokes) return;
    m_spokeCount = count;
    m_phase %= m_spokeCount;
    RebuildSpokes();
  } else if (n == L"thickness") {
    m_thickness = ParseInt(value);
  } else if (n == L"outradius") {
    m_outerRadius = ParseInt(value);
  } else if (n == L"innerradius") {
    m_innerRadius = ParseInt(value);
  } else if (n == L"spokecolor") {
    m_spokeColor = ParseSpacedColor(value);
    RebuildSpokes();
  } else if (n == L"bkcolor") {
    m_bkColor = ParseSpacedColor(value);
  } else if (!m_textStyle.SetAttribute(n, value)) {
    CControlUI::SetAttribute(name, value);
  }
}

void CChrysanthemumLoadingUI::RebuildSpokes() {
  const int n = m_spokeCount;
  m_angles.assign(static_cast<size_t>(n), 0.0);
  m_colors.assign(static_cast<size_t>(n), m_spokeColor);
  double angle = 0;
  BYTE alpha = 0;
  for (int i = 0; i < n; ++i) {
    angle += 360.0 / n;
    m_angles[static_cast<size_t>(i)] = angle;
    if (i >= 1) {
      alpha = static_cast<BYTE>(alpha + 255 / n);
      m_colors[static_cast<size_t>(i)] = (m_spokeColor & 0x00FFFFFF) | (static_cast<DWORD>(alpha) << 24);
    }
  }
  RenderSpokes();
}

void CChrysanthemumLoadingUI::RenderSpokes() {
  const int n = m_spokeCount;
  const double cx = (m_rcItem.right - m_rcItem.left) / 2;
  const double cy = (m_rcItem.bottom - m_rcItem.top) / 2;
  m_phase = (m_phase + 1) % n;
  m_frame.clear();
  for (int j = 0; j < n; ++j) {
    const int i = (m_phase + j) % n;
    // The angle in radians with 3.14 for pi, as the skins were drawn with.
    const double a = m_angles[static_cast<size_t>(i)] * 3.14 / 180;
    m_frame.push_back(Spoke{cx + m_innerRadius * std::cos(a), cy + m_innerRadius * std::sin(a),
                            cx + m_outerRadius * std::cos(a), cy + m_outerRadius * std::sin(a),
                            m_colors[static_cast<size_t>(j)]});
  }
  m_rendered = true;
}

bool CChrysanthemumLoadingUI::PaintContent(IPaintSurfaceUI* surface, const RECT& paint, CControlUI*) {
  if (!IsVisible()) return true;
  if (!m_rendered) RenderSpokes();
  RECT clip;
  if (!RectIntersect(clip, paint, m_rcItem)) return true;
  surface->PushClip(clip);
  surface->DrawColor(m_rcItem, m_bkColor);
  const double left = m_rcItem.left, top = m_rcItem.top;
  for (const Spoke& spoke : m_frame)
    surface->DrawSmoothLine(left + spoke.x0, top + spoke.y0, left + spoke.x1, top + spoke.y1, m_thickness,
                            spoke.color);
  m_textStyle.Draw(surface, m_pManager, m_rcItem, m_text, m_textStyle.color);
  surface->PopClip();
  return true;
}

}  // namespace SkinUI
