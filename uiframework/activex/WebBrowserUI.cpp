#include "uiframework/activex/WebBrowserUI.h"

#include "uiframework/manager/WindowManagerUI.h"

#include <cwchar>

namespace SkinUI {

namespace {

// The event's arguments must be exactly the expected types (last argument
// first, as DISPPARAMS holds them); a by-reference slot must point
// somewhere. Nothing is read before the whole block has passed.
HRESULT CheckArguments(const DISPPARAMS* params, std::initializer_list<VARTYPE> lastFirst, UINT* argError) {
  const UINT expected = static_cast<UINT>(lastFirst.size());
  if (!params) return expected == 0 ? S_OK : DISP_E_BADPARAMCOUNT;
  if (params->cNamedArgs != 0) return DISP_E_PARAMNOTFOUND;
  if (params->cArgs != expected) return DISP_E_BADPARAMCOUNT;
  if (expected != 0 && !params->rgvarg) return E_INVALIDARG;
  UINT index = 0;
  for (VARTYPE type : lastFirst) {
    const VARIANT& arg = params->rgvarg[index];
    const bool byRef = (type & VT_BYREF) != 0;
    if (type != VT_VARIANT && (arg.vt != type || (byRef && arg.byref == nullptr))) {
      if (argError) *argError = index;
      return DISP_E_TYPEMISMATCH;
    }
    ++index;
  }
  return S_OK;
}

constexpr VARTYPE kVariantRef = VT_BYREF | VT_VARIANT;
constexpr VARTYPE kBoolRef = VT_BYREF | VT_BOOL;

}  // namespace

CWebBrowserUI::CWebBrowserUI() { m_clsid = CLSID_WebBrowser; }

CWebBrowserUI::~CWebBrowserUI() {
  FreeExternalFunctions();
  DestroyHostedObject();
}

void CWebBrowserUI::FreeExternalFunctions() {
  for (int i = 0; i < m_externalFunctions.GetSize(); ++i) delete static_cast<ExternalFunction*>(m_externalFunctions[i]);
  m_externalFunctions.Empty();
}

LPCWSTR CWebBrowserUI::GetClass() const { return L"WebBrowser"; }

void* CWebBrowserUI::FindInterface(LPCWSTR name) {
  if (name && std::wcscmp(name, L"WebBrowser") == 0) return this;
  return CActiveXUI::FindInterface(name);
}

void CWebBrowserUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (std::wcscmp(name, L"homepage") == 0) {
    m_homePage = value;
  } else if (std::wcscmp(name, L"autonavi") == 0) {
    m_autoNavigate = std::wcscmp(value, L"true") == 0;
  } else {
    CActiveXUI::SetAttribute(name, value);
  }
}

void CWebBrowserUI::Navigate(LPCWSTR url) {
  if (!url || !m_browser) return;
  VARIANT target;
  VariantInit(&target);
  target.vt = VT_BSTR;
  target.bstrVal = SysAllocString(url);
  m_browser->Navigate2(&target, nullptr, nullptr, nullptr, nullptr);
  VariantClear(&target);
}

void CWebBrowserUI::SetSilent(bool silent) {
  if (silent == m_silent) return;
  m_silent = silent;
  if (m_browser) m_browser->put_Silent(silent ? VARIANT_TRUE : VARIANT_FALSE);
}

void CWebBrowserUI::SetEventHandler(CWebBrowserEventHandler* handler) {
  if (handler && handler != m_handler) m_handler = handler;
}

void CWebBrowserUI::RegisterExternalFunction(const CUIString& name, ExternalCallback callback,
                                             std::vector<VARTYPE> argTypes) {
  auto* function = new ExternalFunction{kFirstExternalId + m_externalFunctions.GetSize(), name, callback,
                                        std::move(argTypes)};
  m_externalFunctions.Add(function);
}

HRESULT CWebBrowserUI::ConnectEvents(bool advise) {
  ComPtr<IWebBrowser2> browser;
  HRESULT hr = QueryObject(IID_IWebBrowser2, browser.PutVoid());
  if (FAILED(hr)) return hr;
  ComPtr<IConnectionPointContainer> container;
  hr = browser->QueryInterface(IID_IConnectionPointContainer, container.PutVoid());
  if (FAILED(hr)) return hr;
  ComPtr<IConnectionPoint> point;
  hr = container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.Put());
  if (FAILED(hr)) return hr;
  if (advise) return point->Advise(static_cast<IDispatch*>(this), &m_eventCookie);
  hr = point->Unadvise(m_eventCookie);
  m_eventCookie = 0;
  return hr;
}

bool CWebBrowserUI::CreateHostedObject() {
  if (!CActiveXUI::CreateHostedObject()) return false;
  if (m_pManager) m_pManager->AddTranslateAccelerator(this);
  if (m_browser) m_browser->Release();
  m_browser = nullptr;
  QueryObject(IID_IWebBrowser2, reinterpret_cast<void**>(&m_browser));
  if (m_autoNavigate && !m_homePage.IsEmpty()) Navigate(m_homePage.GetData());
  ConnectEvents(true);
  if (m_browser) m_browser->put_Silent(m_silent ? VARIANT_TRUE : VARIANT_FALSE);
  return true;
}

void CWebBrowserUI::DestroyHostedObject() {
  m_created = false;
  if (m_pManager) m_pManager->RemoveTranslateAccelerator(this);
  if (m_eventCookie != 0) ConnectEvents(false);
  if (m_browser) {
    m_browser->Release();
    m_browser = nullptr;
  }
  CActiveXUI::DestroyHostedObject();
}

// ---- IUnknown

HRESULT CWebBrowserUI::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDocHostUIHandler) {
    *out = static_cast<IDocHostUIHandler*>(this);
  } else if (iid == IID_IDispatch) {
    *out = static_cast<IDispatch*>(this);
  } else if (iid == IID_IServiceProvider) {
    *out = static_cast<IServiceProvider*>(this);
  } else if (iid == IID_IOleCommandTarget) {
    *out = static_cast<IOleCommandTarget*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG CWebBrowserUI::AddRef() { return ++m_refs; }

ULONG CWebBrowserUI::Release() { return m_refs > 0 ? --m_refs : 0; }

// ---- IDispatch

HRESULT CWebBrowserUI::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return E_NOTIMPL;
}

HRESULT CWebBrowserUI::GetTypeInfo(UINT, LCID, void** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT CWebBrowserUI::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0 || !names[0]) return E_INVALIDARG;
  for (int i = 0; i < m_externalFunctions.GetSize(); ++i) {
    auto* function = static_cast<ExternalFunction*>(m_externalFunctions[i]);
    if (function->name == names[0]) {
      ids[0] = function->id;
      return S_OK;
    }
  }
  return E_NOTIMPL;
}

HRESULT CWebBrowserUI::Invoke(DISPID id, REFIID iid, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* exception, UINT* argError) {
  if (iid != IID_NULL) return E_INVALIDARG;
  switch (id) {
    case DISPID_STATUSTEXTCHANGE:
    case DISPID_COMMANDSTATECHANGE:
    case DISPID_BEFORENAVIGATE2:
    case DISPID_NAVIGATECOMPLETE2:
    case DISPID_DOCUMENTCOMPLETE:
    case DISPID_WINDOWCLOSING:
    case DISPID_NAVIGATEERROR:
    case DISPID_NEWWINDOW3:
      return DispatchBrowserEvent(id, params, argError);
    default:
      break;
  }
  for (int i = 0; i < m_externalFunctions.GetSize(); ++i) {
    auto* function = static_cast<ExternalFunction*>(m_externalFunctions[i]);
    if (function->id == id) return CallExternal(*function, params, result, exception, argError);
  }
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT CWebBrowserUI::CallExternal(const ExternalFunction& function, DISPPARAMS* params, VARIANT* result,
                                    EXCEPINFO* exception, UINT* argError) {
  const UINT expected = static_cast<UINT>(function.argTypes.size());
  const UINT given = params ? params->cArgs : 0;
  if (params && params->cNamedArgs != 0) return DISP_E_PARAMNOTFOUND;
  if (given != expected) return DISP_E_BADPARAMCOUNT;
  if (given != 0 && !params->rgvarg) return E_INVALIDARG;
  for (UINT i = 0; i < given; ++i) {
    // rgvarg holds the last argument first.
    const VARTYPE want = function.argTypes[expected - 1 - i];
    if (want != VT_VARIANT && params->rgvarg[i].vt != want) {
      if (argError) *argError = i;
      return DISP_E_TYPEMISMATCH;
    }
  }
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  if (function.callback) function.callback(this, params ? params : &none, result, exception, argError);
  return S_OK;
}

HRESULT CWebBrowserUI::DispatchBrowserEvent(DISPID id, DISPPARAMS* params, UINT* argError) {
  HRESULT hr = S_OK;
  switch (id) {
    case DISPID_STATUSTEXTCHANGE:
      return S_OK;
    case DISPID_COMMANDSTATECHANGE:
      hr = CheckArguments(params, {VT_BOOL, VT_I4}, argError);
      if (SUCCEEDED(hr) && m_handler)
        m_handler->CommandStateChange(params->rgvarg[1].lVal, params->rgvarg[0].boolVal);
      return hr;
    case DISPID_BEFORENAVIGATE2: {
      hr = CheckArguments(params, {kBoolRef, kVariantRef, kVariantRef, kVariantRef, kVariantRef, kVariantRef,
                                   VT_DISPATCH},
                          argError);
      if (FAILED(hr) || !m_handler) return hr;
      VARIANT* url = params->rgvarg[5].pvarVal;
      VARIANT* flags = params->rgvarg[4].pvarVal;
      VARIANT* target = params->rgvarg[3].pvarVal;
      VARIANT* postData = params->rgvarg[2].pvarVal;
      VARIANT* headers = params->rgvarg[1].pvarVal;
      VARIANT_BOOL* cancel = params->rgvarg[0].pboolVal;
      m_handler->BeforeNavigate2(params->rgvarg[6].pdispVal, url, flags, target, postData, headers, cancel);
      return S_OK;
    }
    case DISPID_NAVIGATECOMPLETE2:
    case DISPID_DOCUMENTCOMPLETE: {
      hr = CheckArguments(params, {kVariantRef, VT_DISPATCH}, argError);
      if (FAILED(hr)) return hr;
      IDispatch* frame = params->rgvarg[1].pdispVal;
      VARIANT* url = params->rgvarg[0].pvarVal;
      if (id == DISPID_NAVIGATECOMPLETE2) {
        SetDocumentUiHandler();
        if (m_handler) m_handler->NavigateComplete2(frame, url);
      } else if (m_handler && m_browser && frame == static_cast<IDispatch*>(m_browser)) {
        m_handler->DocumentComplete(frame, url);
      }
      return S_OK;
    }
    case DISPID_WINDOWCLOSING:
      hr = CheckArguments(params, {kBoolRef, VT_BOOL}, argError);
      if (SUCCEEDED(hr) && m_handler) m_handler->WindowClosing(params->rgvarg[1].boolVal, params->rgvarg[0].pboolVal);
      return hr;
    case DISPID_NAVIGATEERROR: {
      hr = CheckArguments(params, {kBoolRef, kVariantRef, kVariantRef, kVariantRef, VT_DISPATCH}, argError);
      if (FAILED(hr) || !m_handler) return hr;
      VARIANT* url = params->rgvarg[3].pvarVal;
      VARIANT* target = params->rgvarg[2].pvarVal;
      VARIANT* status = params->rgvarg[1].pvarVal;
      VARIANT_BOOL* cancel = params->rgvarg[0].pboolVal;
      m_handler->NavigateError(params->rgvarg[4].pdispVal, url, target, status, cancel);
      return S_OK;
    }
    case DISPID_NEWWINDOW3: {
      hr = CheckArguments(params, {VT_BSTR, VT_BSTR, VT_I4, kBoolRef, VT_BYREF | VT_DISPATCH}, argError);
      if (FAILED(hr) || !m_handler) return hr;
      VARIANT_BOOL* cancel = params->rgvarg[3].pboolVal;
      m_handler->NewWindow3(params->rgvarg[4].ppdispVal, cancel, static_cast<DWORD>(params->rgvarg[2].lVal),
                            params->rgvarg[1].bstrVal, params->rgvarg[0].bstrVal);
      return S_OK;
    }
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

void CWebBrowserUI::SetDocumentUiHandler() {
  if (!m_browser) return;
  ComPtr<IDispatch> document;
  if (FAILED(m_browser->get_Document(document.Put())) || !document) return;
  ComPtr<ICustomDoc> custom;
  if (custom.QueryFrom(document.Get(), IID_ICustomDoc)) custom->SetUIHandler(this);
}

// ---- IDocHostUIHandler

HRESULT CWebBrowserUI::ShowContextMenu(DWORD id, POINT* point, IUnknown* commandTarget, IDispatch* object) {
  return m_handler ? m_handler->ShowContextMenu(id, point, commandTarget, object) : S_FALSE;
}

HRESULT CWebBrowserUI::GetHostInfo(DOCHOSTUIINFO* info) {
  return m_handler ? m_handler->GetHostInfo(info) : E_NOTIMPL;
}

HRESULT CWebBrowserUI::ShowUI(DWORD id, IUnknown* activeObject, IUnknown* commandTarget, IUnknown* frame,
                              IUnknown* document) {
  return m_handler ? m_handler->ShowUI(id, activeObject, commandTarget, frame, document) : S_OK;
}

HRESULT CWebBrowserUI::HideUI() { return m_handler ? m_handler->HideUI() : S_OK; }

HRESULT CWebBrowserUI::UpdateUI() { return m_handler ? m_handler->UpdateUI() : S_OK; }

HRESULT CWebBrowserUI::EnableModeless(BOOL enable) {
  return m_handler ? m_handler->EnableModeless(enable) : E_NOTIMPL;
}

HRESULT CWebBrowserUI::OnDocWindowActivate(BOOL activate) {
  return m_handler ? m_handler->OnDocWindowActivate(activate) : E_NOTIMPL;
}

HRESULT CWebBrowserUI::OnFrameWindowActivate(BOOL activate) {
  return m_handler ? m_handler->OnFrameWindowActivate(activate) : E_NOTIMPL;
}

HRESULT CWebBrowserUI::ResizeBorder(const RECT* border, IUnknown* window, BOOL frameWindow) {
  return m_handler ? m_handler->ResizeBorder(border, window, frameWindow) : E_NOTIMPL;
}

HRESULT CWebBrowserUI::TranslateAccelerator(MSG* message, const GUID* group, DWORD command) {
  return m_handler ? m_handler->TranslateAccelerator(message, group, command) : S_FALSE;
}

HRESULT CWebBrowserUI::GetOptionKeyPath(LPOLESTR* key, DWORD reserved) {
  return m_handler ? m_handler->GetOptionKeyPath(key, reserved) : E_NOTIMPL;
}

HRESULT CWebBrowserUI::GetDropTarget(IUnknown* dropTarget, IUnknown** replacement) {
  return m_handler ? m_handler->GetDropTarget(dropTarget, replacement) : S_FALSE;
}

HRESULT CWebBrowserUI::GetExternal(IDispatch** external) {
  if (!external) return E_POINTER;
  AddRef();
  *external = static_cast<IDispatch*>(this);
  return S_OK;
}

HRESULT CWebBrowserUI::TranslateUrl(DWORD flags, LPOLESTR url, LPOLESTR* translated) {
  if (m_handler) return m_handler->TranslateUrl(flags, url, translated);
  if (translated) *translated = nullptr;
  return E_NOTIMPL;
}

HRESULT CWebBrowserUI::FilterDataObject(IUnknown* dataObject, IUnknown** replacement) {
  if (m_handler) return m_handler->FilterDataObject(dataObject, replacement);
  if (replacement) *replacement = nullptr;
  return E_NOTIMPL;
}

// ---- Services, commands, downloads

HRESULT CWebBrowserUI::QueryService(REFGUID service, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (service == SID_SDownloadManager && iid == IID_IDownloadManager) {
    AddRef();
    *out = static_cast<IDownloadManager*>(this);
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT CWebBrowserUI::QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) { return OLECMDERR_E_NOTSUPPORTED; }

HRESULT CWebBrowserUI::Exec(const GUID* group, DWORD command, DWORD, VARIANT*, VARIANT* out) {
  if (!group || *group != CGID_DocHostCommandHandler) return OLECMDERR_E_UNKNOWNGROUP;
  if (command != OLECMDID_SHOWSCRIPTERROR) return OLECMDERR_E_NOTSUPPORTED;
  // The error's details are not used: the answer alone matters. Keep
  // running the page's scripts, show nothing.
  if (out) {
    VariantClear(out);
    out->vt = VT_BOOL;
    out->boolVal = VARIANT_TRUE;
  }
  return S_OK;
}

HRESULT CWebBrowserUI::Download(IMoniker* moniker, IUnknown* bindContext, DWORD bindVerb, LONG bindFlags,
                                void* bindInfo, LPCOLESTR headers, LPCOLESTR redirect, UINT codePage) {
  if (!m_handler) return S_OK;
  return m_handler->Download(moniker, bindContext, bindVerb, bindFlags, bindInfo, headers, redirect, codePage);
}

// ---- Accelerators

LRESULT CWebBrowserUI::TranslateAccelerator(MSG* message) {
  if (!message || message->message < WM_KEYFIRST || message->message > WM_KEYLAST) return S_FALSE;
  if (!m_browser) return E_NOTIMPL;
  HWND host = GetNativeHandle();
  HWND window = ::GetFocus();
  while (window && window != host) window = ::GetParent(window);
  if (!window) return S_FALSE;
  ComPtr<IOleInPlaceActiveObject> active;
  if (!active.QueryFrom(m_browser, IID_IOleInPlaceActiveObject)) return S_FALSE;
  return active->TranslateAccelerator(message);
}

}  // namespace SkinUI
