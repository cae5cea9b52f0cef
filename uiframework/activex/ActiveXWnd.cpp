#include "uiframework/activex/ActiveXWnd.h"

#include "uiframework/activex/ActiveXCtrl.h"
#include "uiframework/activex/ActiveXUI.h"
#include "uiframework/manager/WindowManagerUI.h"

namespace SkinUI {

namespace {

// While the skinned window is layered, the host window's pixels are
// captured into the layered image this often.
constexpr UINT_PTR kCaptureTimer = 20;
constexpr UINT kCaptureMs = 50;

}  // namespace

HWND CActiveXWnd::Init(CActiveXCtrl* owner, HWND parent) {
  m_owner = owner;
  return Create(parent, L"UIActiveX", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0, 0, 0);
}

LPCWSTR CActiveXWnd::WindowClassName() const { return L"ActiveXWnd"; }

bool CActiveXWnd::LayeredParent() const {
  CActiveXUI* owner = m_owner ? m_owner->Owner() : nullptr;
  return owner && owner->GetManager() && owner->GetManager()->IsLayered();
}

LRESULT CActiveXWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  CActiveXUI* owner = m_owner ? m_owner->Owner() : nullptr;
  switch (message) {
    case WM_CREATE:
      if (owner && owner->GetManager()) owner->GetManager()->AddNativeChild(owner, m_hWnd);
      if (LayeredParent()) ::SetTimer(m_hWnd, kCaptureTimer, kCaptureMs, nullptr);
      return 0;
    case WM_TIMER:
      // Registering again invalidates the area, so the next paint of the
      // layered window captures the object's current pixels.
      if (wParam == kCaptureTimer && owner && owner->GetManager() && LayeredParent())
        owner->GetManager()->AddNativeChild(owner, m_hWnd);
      return 0;
    case WM_PRINT: {
      IViewObject* view = m_owner ? m_owner->ViewObject() : nullptr;
      if (view && wParam != 0) {
        RECT client;
        ::GetClientRect(m_hWnd, &client);
        view->Draw(DVASPECT_CONTENT, -1, reinterpret_cast<HDC>(wParam), &client);
      }
      return 0;
    }
    case WM_SETFOCUS:
      if (m_owner) {
        m_owner->SetFocused(true);
        if (!m_owner->IsUIActive()) m_owner->DoVerb(OLEIVERB_UIACTIVATE);
      }
      break;
    case WM_KILLFOCUS:
      if (m_owner) m_owner->SetFocused(false);
      break;
    case WM_ERASEBKGND:
      if (!m_owner || !m_owner->ViewObject()) return 1;
      break;
    case WM_MOUSEACTIVATE: {
      if (owner && owner->m_object) {
        DWORD status = 0;
        owner->m_object->GetMiscStatus(DVASPECT_CONTENT, &status);
        if ((status & OLEMISC_NOUIACTIVATE) != 0) return 0;
        if (!m_owner->IsInPlaceActive()) m_owner->DoVerb(OLEIVERB_INPLACEACTIVATE);
      }
      break;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      ::BeginPaint(m_hWnd, &paint);
      ::EndPaint(m_hWnd, &paint);
      return 1;
    }
    case WM_MOUSEWHEEL:
      return 0;
    default:
      break;
  }
  return CWindowWnd::OnMessage(message, wParam, lParam);
}

void CActiveXWnd::OnDestroyed(HWND) {
  CActiveXUI* owner = m_owner ? m_owner->Owner() : nullptr;
  if (owner && owner->GetManager()) owner->GetManager()->RemoveNativeChild(owner);
}

}  // namespace SkinUI
