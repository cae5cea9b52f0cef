#include "platform/browser/BrowserObject.h"

#include <new>

#include "platform/ComObject.h"

namespace {

// A dispatch object without members: the frames' identity in events.
class FrameStub : public ComObject<IDispatch, IID_IDispatch> {
 public:
  HRESULT GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return E_NOTIMPL;
  }
  HRESULT GetTypeInfo(UINT, LCID, void** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }

 protected:
  ~FrameStub() override = default;
};

VARIANT Variant(VARTYPE vt) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  return v;
}

VARIANT BstrVariant(const std::wstring& text) {
  VARIANT v = Variant(VT_BSTR);
  v.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return v;
}

VARIANT ByRef(VARIANT* target) {
  VARIANT v = Variant(VT_BYREF | VT_VARIANT);
  v.pvarVal = target;
  return v;
}

}  // namespace

// The current document: lets the host install its user-interface handler.
class CBrowserObject::Document : public FrameStub, public ICustomDoc {
 public:
  explicit Document(CBrowserObject* owner) : owner_(owner) {}
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_ICustomDoc) {
      AddRef();
      *out = static_cast<ICustomDoc*>(this);
      return S_OK;
    }
    return FrameStub::QueryInterface(iid, out);
  }
  ULONG AddRef() override { return FrameStub::AddRef(); }
  ULONG Release() override { return FrameStub::Release(); }
  HRESULT SetUIHandler(IDocHostUIHandler* handler) override {
    if (!owner_) return E_UNEXPECTED;
    owner_->SetUiHandler(handler);
    return S_OK;
  }
  void Orphan() { owner_ = nullptr; }

 private:
  CBrowserObject* owner_;
};

CBrowserObject::CBrowserObject() = default;

CBrowserObject::~CBrowserObject() {
  if (document_) {
    document_->Orphan();
    static_cast<ICustomDoc*>(document_)->Release();
  }
}

HRESULT CBrowserObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IOleObject) {
    *out = static_cast<IOleObject*>(this);
  } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) {
    *out = static_cast<IOleInPlaceObject*>(this);
  } else if (iid == IID_IOleInPlaceActiveObject) {
    *out = static_cast<IOleInPlaceActiveObject*>(this);
  } else if (iid == IID_IViewObject) {
    *out = static_cast<IViewObject*>(this);
  } else if (iid == IID_IObjectWithSite) {
    *out = static_cast<IObjectWithSite*>(this);
  } else if (iid == IID_IPersistStreamInit) {
    *out = static_cast<IPersistStreamInit*>(this);
  } else if (iid == IID_IDispatch || iid == IID_IWebBrowser2 || iid == IID_IOleControl) {
    // IOleControl is asked for at creation; the browser answers it with
    // its automation face, which is all a container does with it here.
    *out = static_cast<IWebBrowser2*>(this);
  } else if (iid == IID_IConnectionPointContainer) {
    *out = static_cast<IConnectionPointContainer*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG CBrowserObject::AddRef() { return ++refs_; }

ULONG CBrowserObject::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

// ---- IOleObject

HRESULT CBrowserObject::SetClientSite(IOleClientSite* site) {
  if (site) site->AddRef();
  if (clientSite_) clientSite_->Release();
  clientSite_ = site;
  return S_OK;
}

HRESULT CBrowserObject::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT CBrowserObject::Close(DWORD) {
  DetachFromHost();
  SetUiHandler(nullptr);
  if (sink_) {
    sink_->Release();
    sink_ = nullptr;
  }
  return S_OK;
}

HRESULT CBrowserObject::DoVerb(LONG verb, MSG*, IOleClientSite* site, LONG, HWND, const RECT*) {
  if (verb == OLEIVERB_UIACTIVATE) return inPlaceSite_ ? inPlaceSite_->OnUIActivate() : E_UNEXPECTED;
  if (verb != OLEIVERB_INPLACEACTIVATE) return E_NOTIMPL;
  if (host_) return S_OK;
  if (!site) site = clientSite_;
  ComPtr<IOleInPlaceSiteEx> inPlace;
  if (!inPlace.QueryFrom(site, IID_IOleInPlaceSiteEx)) return E_NOINTERFACE;
  if (inPlace->CanInPlaceActivate() != S_OK) return E_FAIL;
  BOOL noRedraw = FALSE;
  HRESULT hr = inPlace->OnInPlaceActivateEx(&noRedraw, 0);  // the view is a window of its own
  if (FAILED(hr)) return hr;
  HWND host = nullptr;
  if (FAILED(inPlace->GetWindow(&host)) || !host || !AttachView(host)) {
    inPlace->OnInPlaceDeactivateEx(TRUE);
    return E_FAIL;
  }
  host_ = host;
  inPlaceSite_ = inPlace.Detach();
  return S_OK;
}

HRESULT CBrowserObject::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = OLEMISC_SETCLIENTSITEFIRST;
  return S_OK;
}

HRESULT CBrowserObject::SetExtent(DWORD, SIZE* size) { return size ? S_OK : E_POINTER; }

// ---- In-place object

HRESULT CBrowserObject::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = host_;
  return host_ ? S_OK : E_FAIL;
}

HRESULT CBrowserObject::ContextSensitiveHelp(BOOL) { return S_OK; }

HRESULT CBrowserObject::InPlaceDeactivate() {
  DetachFromHost();
  return S_OK;
}

HRESULT CBrowserObject::UIDeactivate() { return S_OK; }

HRESULT CBrowserObject::SetObjectRects(const RECT* position, const RECT*) {
  if (!position) return E_POINTER;
  if (host_) PlaceView(*position);
  return S_OK;
}

HRESULT CBrowserObject::TranslateAccelerator(MSG* message) {
  if (!message) return E_POINTER;
  return host_ && TranslateKey(*message) ? S_OK : S_FALSE;
}

HRESULT CBrowserObject::Draw(DWORD, LONG, HDC dc, const RECT* bounds) {
  if (!dc || !bounds) return E_POINTER;
  return host_ && Snapshot(dc, *bounds) ? S_OK : E_FAIL;
}

HRESULT CBrowserObject::SetSite(IUnknown* site) {
  if (site) site->AddRef();
  if (site_) site_->Release();
  site_ = site;
  return S_OK;
}

HRESULT CBrowserObject::GetSite(REFIID iid, void** site) {
  if (!site) return E_POINTER;
  *site = nullptr;
  return site_ ? site_->QueryInterface(iid, site) : E_FAIL;
}

HRESULT CBrowserObject::InitNew() { return S_OK; }

void CBrowserObject::DetachFromHost() {
  if (!host_) return;
  DetachView();
  host_ = nullptr;
  IOleInPlaceSite* site = inPlaceSite_;
  inPlaceSite_ = nullptr;
  ComPtr<IOleInPlaceSiteEx> siteEx;
  if (siteEx.QueryFrom(site, IID_IOleInPlaceSiteEx)) siteEx->OnInPlaceDeactivateEx(TRUE);
  if (site) site->Release();
}

// ---- IWebBrowser2

HRESULT CBrowserObject::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return E_NOTIMPL;
}

HRESULT CBrowserObject::GetTypeInfo(UINT, LCID, void** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT CBrowserObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return DISP_E_UNKNOWNNAME; }

HRESULT CBrowserObject::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT CBrowserObject::Navigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) {
  if (!url) return E_POINTER;
  if (url->vt == (VT_BYREF | VT_VARIANT) && url->pvarVal) url = url->pvarVal;
  if (url->vt != VT_BSTR || !url->bstrVal) return E_INVALIDARG;
  if (!host_) return E_UNEXPECTED;
  LoadUrl(std::wstring(url->bstrVal, SysStringLen(url->bstrVal)));
  return S_OK;
}

HRESULT CBrowserObject::get_Document(IDispatch** document) {
  if (!document) return E_POINTER;
  *document = nullptr;
  if (location_.empty()) return S_FALSE;
  if (!document_) {
    document_ = new (std::nothrow) Document(this);
    if (!document_) return E_OUTOFMEMORY;
  }
  document_->AddRef();
  *document = static_cast<FrameStub*>(document_);
  return S_OK;
}

HRESULT CBrowserObject::get_Silent(VARIANT_BOOL* silent) {
  if (!silent) return E_POINTER;
  *silent = silent_ ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT CBrowserObject::put_Silent(VARIANT_BOOL silent) {
  silent_ = silent != VARIANT_FALSE;
  SilentChanged(silent_);
  return S_OK;
}

HRESULT CBrowserObject::get_LocationURL(BSTR* url) {
  if (!url) return E_POINTER;
  *url = SysAllocStringLen(location_.data(), static_cast<UINT>(location_.size()));
  return *url ? S_OK : E_OUTOFMEMORY;
}

// ---- Connection point (one sink at a time)

HRESULT CBrowserObject::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (iid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
  AddRef();
  *point = static_cast<IConnectionPoint*>(this);
  return S_OK;
}

HRESULT CBrowserObject::Advise(IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  if (sink_) return CONNECT_E_ADVISELIMIT;
  ComPtr<IDispatch> dispatch;
  if (!dispatch.QueryFrom(sink, IID_IDispatch)) return CONNECT_E_CANNOTCONNECT;
  sink_ = dispatch.Detach();
  *cookie = ++sinkCookie_;
  return S_OK;
}

HRESULT CBrowserObject::Unadvise(DWORD cookie) {
  if (!sink_ || cookie != sinkCookie_) return CONNECT_E_NOCONNECTION;
  sink_->Release();
  sink_ = nullptr;
  return S_OK;
}

void CBrowserObject::SetUiHandler(IDocHostUIHandler* handler) {
  if (handler) handler->AddRef();
  if (uiHandler_) uiHandler_->Release();
  uiHandler_ = handler;
}

// ---- Events

HRESULT CBrowserObject::RaiseEvent(DISPID id, std::vector<VARIANT>& args) {
  if (!sink_) return S_FALSE;
  // The sink may drop the connection (or the last reference) while it runs.
  ComPtr<IDispatch> sink;
  sink.QueryFrom(sink_, IID_IDispatch);
  AddRef();
  DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
  HRESULT hr = sink ? sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr) : E_FAIL;
  Release();
  return hr;
}

bool CBrowserObject::RaiseBeforeNavigate2(bool topLevel, const std::wstring& url, const std::wstring& targetFrame) {
  ComPtr<IDispatch> frame;
  *frame.Put() = NewFrameIdentity(topLevel);
  VARIANT urlValue = BstrVariant(url);
  VARIANT flags = Variant(VT_I4);
  VARIANT target = BstrVariant(targetFrame);
  VARIANT postData = Variant(VT_EMPTY);
  VARIANT headers = Variant(VT_EMPTY);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  std::vector<VARIANT> args(7);
  args[6] = Variant(VT_DISPATCH);
  args[6].pdispVal = frame.Get();
  args[5] = ByRef(&urlValue);
  args[4] = ByRef(&flags);
  args[3] = ByRef(&target);
  args[2] = ByRef(&postData);
  args[1] = ByRef(&headers);
  args[0] = Variant(VT_BYREF | VT_BOOL);
  args[0].pboolVal = &cancel;
  RaiseEvent(DISPID_BEFORENAVIGATE2, args);
  for (VARIANT* v : {&urlValue, &flags, &target, &postData, &headers}) VariantClear(v);
  return cancel != VARIANT_FALSE;
}

IDispatch* CBrowserObject::NewFrameIdentity(bool topLevel) {
  if (!topLevel) return new FrameStub;
  AddRef();
  return static_cast<IWebBrowser2*>(this);
}

void CBrowserObject::RaiseFrameEvent(DISPID id, bool topLevel, const std::wstring& url) {
  ComPtr<IDispatch> frame;
  *frame.Put() = NewFrameIdentity(topLevel);
  VARIANT urlValue = BstrVariant(url);
  std::vector<VARIANT> args(2);
  args[1] = Variant(VT_DISPATCH);
  args[1].pdispVal = frame.Get();
  args[0] = ByRef(&urlValue);
  RaiseEvent(id, args);
  VariantClear(&urlValue);
}

void CBrowserObject::RaiseNavigateComplete2(bool topLevel, const std::wstring& url) {
  if (topLevel) location_ = url;
  RaiseFrameEvent(DISPID_NAVIGATECOMPLETE2, topLevel, url);
}

void CBrowserObject::RaiseDocumentComplete(bool topLevel, const std::wstring& url) {
  RaiseFrameEvent(DISPID_DOCUMENTCOMPLETE, topLevel, url);
}

bool CBrowserObject::RaiseNavigateError(bool topLevel, const std::wstring& url, LONG status) {
  ComPtr<IDispatch> frame;
  *frame.Put() = NewFrameIdentity(topLevel);
  VARIANT urlValue = BstrVariant(url);
  VARIANT target = BstrVariant(L"");
  VARIANT statusValue = Variant(VT_I4);
  statusValue.lVal = status;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  std::vector<VARIANT> args(5);
  args[4] = Variant(VT_DISPATCH);
  args[4].pdispVal = frame.Get();
  args[3] = ByRef(&urlValue);
  args[2] = ByRef(&target);
  args[1] = ByRef(&statusValue);
  args[0] = Variant(VT_BYREF | VT_BOOL);
  args[0].pboolVal = &cancel;
  RaiseEvent(DISPID_NAVIGATEERROR, args);
  VariantClear(&urlValue);
  VariantClear(&target);
  return cancel != VARIANT_FALSE;
}

bool CBrowserObject::RaiseNewWindow3(const std::wstring& url, const std::wstring& context, DWORD flags) {
  IDispatch* newWindow = nullptr;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  std::vector<VARIANT> args(5);
  args[4] = Variant(VT_BYREF | VT_DISPATCH);
  args[4].ppdispVal = &newWindow;
  args[3] = Variant(VT_BYREF | VT_BOOL);
  args[3].pboolVal = &cancel;
  args[2] = Variant(VT_I4);
  args[2].lVal = static_cast<LONG>(flags);
  args[1] = BstrVariant(context);
  args[0] = BstrVariant(url);
  RaiseEvent(DISPID_NEWWINDOW3, args);
  VariantClear(&args[1]);
  VariantClear(&args[0]);
  // A window offered by the handler is not used: no second view exists.
  if (newWindow) newWindow->Release();
  return cancel != VARIANT_FALSE;
}

bool CBrowserObject::RaiseWindowClosing(bool childWindow) {
  VARIANT_BOOL cancel = VARIANT_FALSE;
  std::vector<VARIANT> args(2);
  args[1] = Variant(VT_BOOL);
  args[1].boolVal = childWindow ? VARIANT_TRUE : VARIANT_FALSE;
  args[0] = Variant(VT_BYREF | VT_BOOL);
  args[0].pboolVal = &cancel;
  RaiseEvent(DISPID_WINDOWCLOSING, args);
  return cancel != VARIANT_FALSE;
}

bool CBrowserObject::AllowEngineContextMenu(POINT point) {
  ComPtr<IDocHostUIHandler> handler;
  if (!handler.QueryFrom(uiHandler_, IID_IDocHostUIHandler)) return true;
  return handler->ShowContextMenu(0, &point, nullptr, nullptr) != S_OK;
}

HRESULT CBrowserObject::CallExternal(const std::wstring& name, const std::vector<VARIANT>& args, VARIANT* result) {
  ComPtr<IDocHostUIHandler> handler;
  if (!handler.QueryFrom(uiHandler_, IID_IDocHostUIHandler)) return E_UNEXPECTED;
  ComPtr<IDispatch> external;
  if (FAILED(handler->GetExternal(external.Put())) || !external) return E_NOINTERFACE;
  std::wstring copy = name;
  LPOLESTR names[1] = {copy.data()};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = external->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
  if (FAILED(hr)) return hr;
  // Invoke takes the arguments last first.
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  EXCEPINFO exception{};
  UINT argError = 0;
  hr = external->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result, &exception, &argError);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  return hr;
}

namespace {

class UrlMoniker : public ComObject<IMoniker, IID_IMoniker> {
 public:
  explicit UrlMoniker(std::wstring url) : url_(std::move(url)) {}
  HRESULT GetDisplayName(IUnknown*, IMoniker*, LPOLESTR* name) override {
    if (!name) return E_POINTER;
    *name = SysAllocStringLen(url_.data(), static_cast<UINT>(url_.size()));
    return *name ? S_OK : E_OUTOFMEMORY;
  }

 private:
  ~UrlMoniker() override = default;
  std::wstring url_;
};

}  // namespace

bool CBrowserObject::OfferDownload(const std::wstring& url) {
  ComPtr<IServiceProvider> services;
  if (!services.QueryFrom(uiHandler_, IID_IServiceProvider)) return false;
  ComPtr<IDownloadManager> manager;
  if (FAILED(services->QueryService(SID_SDownloadManager, IID_IDownloadManager, manager.PutVoid())) || !manager)
    return false;
  ComPtr<IMoniker> moniker;
  *moniker.Put() = new (std::nothrow) UrlMoniker(url);
  if (!moniker) return false;
  return manager->Download(moniker.Get(), nullptr, 0, 0, nullptr, nullptr, nullptr, 65001) == S_OK;
}

HRESULT CBrowserObject::AskHostInfo(DOCHOSTUIINFO* info) {
  ComPtr<IDocHostUIHandler> handler;
  if (!handler.QueryFrom(uiHandler_, IID_IDocHostUIHandler)) return E_NOTIMPL;
  return handler->GetHostInfo(info);
}

bool CBrowserObject::ReportScriptError() {
  ComPtr<IOleCommandTarget> target;
  if (!target.QueryFrom(uiHandler_, IID_IOleCommandTarget)) return false;
  VARIANT in = Variant(VT_EMPTY);
  VARIANT out = Variant(VT_EMPTY);
  HRESULT hr = target->Exec(&CGID_DocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, 0, &in, &out);
  const bool keepRunning = hr == S_OK && out.vt == VT_BOOL && out.boolVal != VARIANT_FALSE;
  VariantClear(&out);
  return keepRunning;
}
