#include "uiframework/activex/ActiveXUI.h"

#include "uiframework/activex/ActiveXCtrl.h"
#include "uiframework/manager/WindowManagerUI.h"

#include <cwchar>

namespace SkinUI {

namespace {

// Logical pixels per inch of the layer's screen.
constexpr LONG kPixelsPerInch = 96;

// Pixels to HIMETRIC (0.01 mm), rounded to nearest as MulDiv does.
LONG ToHimetric(LONG pixels) {
  const long long scaled = static_cast<long long>(pixels) * 2540;
  return static_cast<LONG>((scaled >= 0 ? scaled + kPixelsPerInch / 2 : scaled - kPixelsPerInch / 2) / kPixelsPerInch);
}

}  // namespace

CActiveXUI::CActiveXUI() { m_comInitialised = SUCCEEDED(CoInitialize(nullptr)); }

CActiveXUI::~CActiveXUI() {
  // The base's version: a derived control has released its part already.
  CActiveXUI::DestroyHostedObject();
  if (m_comInitialised) CoUninitialize();
}

LPCWSTR CActiveXUI::GetClass() const { return L"ActiveX"; }

void* CActiveXUI::FindInterface(LPCWSTR name) {
  if (name && std::wcscmp(name, L"ActiveX") == 0) return this;
  return CControlUI::FindInterface(name);
}

bool CActiveXUI::SetClsid(LPCWSTR text) {
  if (!text) return false;
  wchar_t copy[100] = {};
  std::wcsncpy(copy, text, 99);
  CLSID clsid = GUID_NULL;
  if (copy[0] == L'{') {
    CLSIDFromString(copy, &clsid);
  } else {
    CLSIDFromProgID(copy, &clsid);
  }
  if (clsid == GUID_NULL) return false;
  m_created = false;
  m_clsid = clsid;
  if (!m_delayCreate) CreateHostedObject();
  return true;
}

void CActiveXUI::SetDelayCreate(bool delay) {
  if (delay == m_delayCreate) return;
  if (!delay && !m_created && m_clsid != GUID_NULL) CreateHostedObject();
  m_delayCreate = delay;
}

HRESULT CActiveXUI::QueryObject(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!m_object) return E_PENDING;
  return m_object->QueryInterface(iid, out);
}

void CActiveXUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (std::wcscmp(name, L"clsid") == 0) {
    SetClsid(value);
  } else if (std::wcscmp(name, L"modulename") == 0) {
    SetModuleName(value);
  } else if (std::wcscmp(name, L"delaycreate") == 0) {
    SetDelayCreate(std::wcscmp(value, L"true") == 0);
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

void CActiveXUI::SetPos(RECT rc, bool invalidate) {
  CControlUI::SetPos(rc, invalidate);
  if (!m_created) CreateHostedObject();
  if (!m_object || !m_site) return;
  const RECT& pos = GetPos();
  SIZE extent{ToHimetric(pos.right - pos.left), ToHimetric(pos.bottom - pos.top)};
  m_object->SetExtent(DVASPECT_CONTENT, &extent);
  if (IOleInPlaceObject* inPlace = m_site->InPlaceObject()) {
    RECT origin = pos;
    OffsetRect(&origin, -origin.left, -origin.top);
    inPlace->SetObjectRects(&origin, &origin);
  }
  if (m_hostWindow) ::MoveWindow(m_hostWindow, pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top, TRUE);
}

void CActiveXUI::Move(SIZE offset, bool invalidate) {
  CControlUI::Move(offset, invalidate);
  const RECT& pos = GetPos();
  if (m_hostWindow) ::MoveWindow(m_hostWindow, pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top, TRUE);
}

void CActiveXUI::ShowHostWindow() {
  if (m_hostWindow) ::ShowWindow(m_hostWindow, IsVisible() ? SW_SHOW : SW_HIDE);
}

void CActiveXUI::SetVisible(bool visible) {
  CControlUI::SetVisible(visible);
  ShowHostWindow();
}

void CActiveXUI::SetShownByParent(bool shown) {
  CControlUI::SetShownByParent(shown);
  ShowHostWindow();
}

IUnknown* CActiveXUI::CreateFromModule() {
  if (m_moduleName.IsEmpty()) return nullptr;
  if (!m_module) m_module = LoadLibraryW(m_moduleName.GetData());
  if (!m_module) return nullptr;
  // A module without the export, or without the class, leaves the
  // creation to the class registry.
  auto getClassObject = reinterpret_cast<DllGetClassObjectProc>(GetProcAddress(m_module, "DllGetClassObject"));
  if (!getClassObject) return nullptr;
  ComPtr<IClassFactory> factory;
  if (FAILED(getClassObject(m_clsid, IID_IClassFactory, factory.PutVoid())) || !factory) return nullptr;
  IUnknown* object = nullptr;
  if (FAILED(factory->CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&object)))) return nullptr;
  return object;
}

bool CActiveXUI::CreateHostedObject() {
  DestroyHostedObject();
  m_created = true;
  ComPtr<IUnknown> created;
  *created.Put() = CreateFromModule();
  if (!created &&
      FAILED(CoCreateInstance(m_clsid, nullptr, CLSCTX_ALL, IID_IOleControl, created.PutVoid())))
    return false;
  ComPtr<IOleObject> object;
  if (!object.QueryFrom(created.Get(), IID_IOleObject)) return false;
  created.Reset();
  m_object = object.Detach();
  m_site = new CActiveXCtrl(this);
  DWORD status = 0;
  m_object->GetMiscStatus(DVASPECT_CONTENT, &status);
  IOleClientSite* site = m_site;
  bool siteSet = false;
  if ((status & OLEMISC_SETCLIENTSITEFIRST) != 0) {
    m_object->SetClientSite(site);
    siteSet = true;
  }
  ComPtr<IPersistStreamInit> persist;
  if (persist.QueryFrom(m_object, IID_IPersistStreamInit) && FAILED(persist->InitNew())) return false;
  if (!siteSet) m_object->SetClientSite(site);
  ComPtr<IViewObject> view;
  if (view.QueryFrom(m_object, IID_IViewObject)) m_site->SetViewObject(view.Get());
  m_object->SetHostNames(L"UIActiveX", nullptr);
  if (m_pManager) m_pManager->SendNotify(this, L"showactivex", 0, 0, false);
  HRESULT hr = S_OK;
  if ((status & OLEMISC_INVISIBLEATRUNTIME) == 0) {
    RECT rc = GetPos();
    HWND parent = m_pManager ? m_pManager->GetPaintWindow() : nullptr;
    hr = m_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, parent, &rc);
  }
  ComPtr<IObjectWithSite> withSite;
  if (withSite.QueryFrom(m_object, IID_IObjectWithSite)) withSite->SetSite(static_cast<IOleClientSite*>(m_site));
  return SUCCEEDED(hr);
}

void CActiveXUI::DestroyHostedObject() {
  m_hostWindow = nullptr;
  if (m_object) {
    ComPtr<IObjectWithSite> withSite;
    if (withSite.QueryFrom(m_object, IID_IObjectWithSite)) withSite->SetSite(nullptr);
    m_object->Close(OLECLOSE_NOSAVE);
    m_object->SetClientSite(nullptr);
    m_object->Release();
    m_object = nullptr;
  }
  if (m_site) {
    m_site->ClearOwner();
    m_site->Release();
    m_site = nullptr;
  }
  if (m_pManager) m_pManager->RemoveNativeChild(this);
  // The object's code is gone with the last reference: unload the module.
  if (m_module) {
    FreeLibrary(m_module);
    m_module = nullptr;
  }
}

}  // namespace SkinUI
