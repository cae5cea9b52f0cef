// The window-side members of CWindowManagerUI: binding to a window and
// the operations that need it, carried out by the manager's
// CManagerWindowSide. Before Init they do nothing and report failure.
#include "uiframework/window/ManagerWindowSide.h"

namespace SkinUI {

CManagerWindowSide* CWindowManagerUI::Window() const {
  return static_cast<CManagerWindowSide*>(m_windowSide.get());
}

bool CWindowManagerUI::Init(HWND window, LPCWSTR name) {
  if (window == nullptr || !::IsWindow(window)) return false;
  m_nameMap.RemoveAll();
  RemoveAllFonts();
  RemoveAllImages();
  RemoveAllDefaultAttributeLists();
  for (int i = 0; i < m_windowCustomAttributes.GetSize(); ++i)
    delete static_cast<CUIString*>(m_windowCustomAttributes.Find(m_windowCustomAttributes[i], false));
  m_windowCustomAttributes.RemoveAll();
  RemoveAllOptionGroups();
  m_windowName = name;
  if (Window() != nullptr) Window()->Timers().RemoveAll();
  if (Window() == nullptr || Window()->GetWindow() != window) {
    m_windowSide.reset();
    m_windowSide = std::make_unique<CManagerWindowSide>(*this, window);
    if (m_asyncPosted) m_windowSide->PostQueuedWork();
  }
  return true;
}

HWND CWindowManagerUI::GetPaintWindow() const { return Window() != nullptr ? Window()->GetWindow() : nullptr; }
CUIString CWindowManagerUI::GetWindowName() const { return m_windowName; }

RECT CWindowManagerUI::GetCaptionRect() const {
  RECT caption = m_windowAttributes.caption;
  if (caption.bottom != -1) return caption;
  RECT client{0, 0, 0, m_windowAttributes.initSize.cy};
  if (Window() != nullptr) ::GetClientRect(Window()->GetWindow(), &client);
  caption.bottom = client.bottom - client.top;
  return caption;
}

bool CWindowManagerUI::PreTranslate(MSG* msg) { return CManagerWindowSide::PreTranslate(msg); }

bool CWindowManagerUI::PreHandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  return Window() != nullptr && Window()->PreHandleMessage(message, wParam, lParam, result);
}

bool CWindowManagerUI::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  return Window() != nullptr && Window()->HandleMessage(message, wParam, lParam, result);
}

bool CWindowManagerUI::IsPainting() const { return Window() != nullptr && Window()->IsPainting(); }

void CWindowManagerUI::Invalidate() {
  if (Window() != nullptr) Window()->InvalidateClient();
}

CControlUI* CWindowManagerUI::GetHoverControl() const { return Window() != nullptr ? Window()->GetHover() : nullptr; }

void CWindowManagerUI::SetCapture() {
  if (Window() != nullptr) Window()->SetCapture();
}

void CWindowManagerUI::ReleaseCapture() {
  if (Window() != nullptr) Window()->ReleaseCapture();
}

bool CWindowManagerUI::IsCaptured() const { return Window() != nullptr && Window()->IsCaptured(); }
UINT CWindowManagerUI::GetHoverTime() const { return Window() != nullptr ? Window()->GetHoverTime() : 1000; }

void CWindowManagerUI::SetHoverTime(UINT milliseconds) {
  if (Window() != nullptr) Window()->SetHoverTime(milliseconds);
}

void CWindowManagerUI::RemoveAllTimers() {
  if (Window() != nullptr) Window()->Timers().RemoveAll();
}

bool CWindowManagerUI::AddPreMessageFilter(IMessageFilterUI* filter) {
  return Window() != nullptr && CManagerWindowSide::AddUnique(Window()->PreFilters(), filter);
}
bool CWindowManagerUI::RemovePreMessageFilter(IMessageFilterUI* filter) {
  return Window() != nullptr && CManagerWindowSide::RemoveFrom(Window()->PreFilters(), filter);
}
bool CWindowManagerUI::AddMessageFilter(IMessageFilterUI* filter) {
  return Window() != nullptr && CManagerWindowSide::AddUnique(Window()->Filters(), filter);
}
bool CWindowManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) {
  return Window() != nullptr && CManagerWindowSide::RemoveFrom(Window()->Filters(), filter);
}
bool CWindowManagerUI::AddTranslateAccelerator(ITranslateAccelerator* translator) {
  return Window() != nullptr && CManagerWindowSide::AddUnique(Window()->Translators(), translator);
}
bool CWindowManagerUI::RemoveTranslateAccelerator(ITranslateAccelerator* translator) {
  return Window() != nullptr && CManagerWindowSide::RemoveFrom(Window()->Translators(), translator);
}
bool CWindowManagerUI::AddNativeChild(CControlUI* control, HWND window) {
  return Window() != nullptr && Window()->AddNativeChild(control, window);
}
bool CWindowManagerUI::RemoveNativeChild(CControlUI* control) {
  return Window() != nullptr && Window()->RemoveNativeChild(control);
}

bool CWindowManagerUI::SetLayered(bool layered) { return Window() != nullptr && Window()->SetLayered(layered); }
bool CWindowManagerUI::IsLayered() const { return Window() != nullptr && Window()->IsLayered(); }

void CWindowManagerUI::SetOpacity(BYTE alpha) {
  m_windowAttributes.opacity = alpha;
  m_windowAttributes.opacitySet = true;
  m_windowAttributes.layered = false;
  if (Window() != nullptr) Window()->SetOpacity(alpha);
}

void CWindowManagerUI::SetLayeredOpacity(BYTE alpha) {
  m_windowAttributes.layeredOpacity = alpha;
  if (Window() != nullptr) Window()->SetLayeredOpacity(alpha);
}

void CWindowManagerUI::SetLayeredImage(LPCWSTR description) {
  m_windowAttributes.layered = true;
  m_windowAttributes.layeredImage = description;
  if (Window() != nullptr) Window()->SetLayeredImage(description);
}

}  // namespace SkinUI
