#include "uiframework/activex/ActiveXCtrl.h"

#include "platform/window/DeviceContext.h"
#include "uiframework/activex/ActiveXUI.h"
#include "uiframework/activex/ActiveXWnd.h"
#include "uiframework/manager/WindowManagerUI.h"

namespace SkinUI {

CActiveXCtrl::CActiveXCtrl(CActiveXUI* owner) : m_owner(owner) {}

CActiveXCtrl::~CActiveXCtrl() {
  DestroyHostWindow();
  if (m_viewObject) m_viewObject->Release();
  if (m_inPlaceObject) m_inPlaceObject->Release();
}

HRESULT CActiveXCtrl::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
    *out = static_cast<IOleClientSite*>(this);
  } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite || iid == IID_IOleInPlaceSiteEx) {
    *out = static_cast<IOleInPlaceSiteEx*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG CActiveXCtrl::AddRef() { return ++m_refs; }

ULONG CActiveXCtrl::Release() {
  ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

void CActiveXCtrl::SetViewObject(IViewObject* view) {
  if (view) view->AddRef();
  if (m_viewObject) m_viewObject->Release();
  m_viewObject = view;
}

HRESULT CActiveXCtrl::DoVerb(LONG verb) {
  if (!m_owner || !m_owner->m_object) return E_UNEXPECTED;
  RECT rc = m_owner->GetPos();
  HWND window = m_window ? m_window->GetHWND() : nullptr;
  return m_owner->m_object->DoVerb(verb, nullptr, this, 0, window, &rc);
}

// ---- IOleClientSite

HRESULT CActiveXCtrl::SaveObject() { return E_NOTIMPL; }

HRESULT CActiveXCtrl::ShowObject() {
  if (!m_owner) return E_UNEXPECTED;
  HWND host = m_owner->m_hostWindow;
  HDC dc = host ? ::GetDC(host) : nullptr;
  if (!dc) return E_FAIL;
  if (m_viewObject) {
    RECT client;
    ::GetClientRect(host, &client);
    m_viewObject->Draw(DVASPECT_CONTENT, -1, dc, &client);
  }
  ::ReleaseDC(host, dc);
  return S_OK;
}

HRESULT CActiveXCtrl::OnShowWindow(BOOL) { return E_NOTIMPL; }

HRESULT CActiveXCtrl::RequestNewObjectLayout() { return E_NOTIMPL; }

// ---- IOleWindow

HRESULT CActiveXCtrl::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = nullptr;
  if (!m_owner) return E_UNEXPECTED;
  if (!m_owner->m_hostWindow) CreateHostWindow();
  *window = m_owner->m_hostWindow;
  return *window ? S_OK : E_FAIL;
}

HRESULT CActiveXCtrl::ContextSensitiveHelp(BOOL) { return S_OK; }

// ---- IOleInPlaceSite

HRESULT CActiveXCtrl::CanInPlaceActivate() { return S_OK; }

HRESULT CActiveXCtrl::OnInPlaceActivate() {
  BOOL noRedraw = FALSE;
  return OnInPlaceActivateEx(&noRedraw, 0);
}

HRESULT CActiveXCtrl::OnUIActivate() {
  m_uiActive = true;
  return S_OK;
}

HRESULT CActiveXCtrl::OnUIDeactivate(BOOL) {
  m_uiActive = false;
  return S_OK;
}

HRESULT CActiveXCtrl::OnInPlaceDeactivate() { return OnInPlaceDeactivateEx(TRUE); }

HRESULT CActiveXCtrl::OnPosRectChange(const RECT*) { return E_NOTIMPL; }

// ---- IOleInPlaceSiteEx

HRESULT CActiveXCtrl::OnInPlaceActivateEx(BOOL*, DWORD) {
  if (!m_owner || !m_owner->m_object) return E_UNEXPECTED;
  // A request for windowless activation is answered with a window too.
  HRESULT hr = CreateHostWindow() ? S_OK : E_FAIL;
  if (SUCCEEDED(hr)) {
    if (m_inPlaceObject) m_inPlaceObject->Release();
    m_inPlaceObject = nullptr;
    m_owner->m_object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&m_inPlaceObject));
    if (m_inPlaceObject) {
      RECT rc = m_owner->GetPos();
      OffsetRect(&rc, -rc.left, -rc.top);
      m_inPlaceObject->SetObjectRects(&rc, &rc);
    }
  }
  m_inPlaceActive = SUCCEEDED(hr);
  return hr;
}

HRESULT CActiveXCtrl::OnInPlaceDeactivateEx(BOOL) {
  m_inPlaceActive = false;
  if (m_inPlaceObject) {
    m_inPlaceObject->Release();
    m_inPlaceObject = nullptr;
  }
  DestroyHostWindow();
  return S_OK;
}

HRESULT CActiveXCtrl::RequestUIActivate() { return S_OK; }

bool CActiveXCtrl::CreateHostWindow() {
  if (m_window) return true;
  if (!m_owner || !m_owner->GetManager()) return false;
  auto* window = new CActiveXWnd;
  m_window = window;
  if (!window->Init(this, m_owner->GetManager()->GetPaintWindow())) {
    m_window = nullptr;
    delete window;
    return false;
  }
  m_owner->m_hostWindow = window->GetHWND();
  const RECT rc = m_owner->GetPos();
  ::MoveWindow(m_owner->m_hostWindow, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
  m_owner->ShowHostWindow();
  return true;
}

void CActiveXCtrl::DestroyHostWindow() {
  CActiveXWnd* window = m_window;
  if (!window) return;
  m_window = nullptr;
  if (m_owner) m_owner->m_hostWindow = nullptr;
  if (::IsWindow(window->GetHWND())) ::DestroyWindow(window->GetHWND());
  delete window;
}

}  // namespace SkinUI
