// CWebBrowserUI: the control that shows web content in a skinned window.
// It hosts the WebBrowser class, is the browser's document host, receives
// its events and hands them to one CWebBrowserEventHandler, offers page
// scripts a table of native functions (window.external), keeps the
// engine's own dialogs away in silent mode, takes over downloads and
// passes keyboard accelerators to the browser while it has the focus.
#pragma once

#include <vector>

#include "uiframework/activex/ActiveXUI.h"
#include "uiframework/activex/WebBrowserEventHandler.h"
#include "uiframework/core/PointerArray.h"
#include "uiframework/manager/MessageFilter.h"

namespace SkinUI {

class CWebBrowserUI;

// A script-callable function: it receives the control and the call (the
// arguments last first) and may fill the result. The control has checked
// the argument count and types before it runs.
using ExternalCallback = void (*)(CWebBrowserUI* control, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO* exception, UINT* argError);

struct ExternalFunction {
  DISPID id;
  CUIString name;
  ExternalCallback callback;
  // The argument types in call order; VT_VARIANT accepts any value.
  std::vector<VARTYPE> argTypes;
};

class CWebBrowserUI : public CActiveXUI,
                      public IDocHostUIHandler,
                      public IServiceProvider,
                      public IOleCommandTarget,
                      public IDispatch,
                      public IDownloadManager,
                      public ITranslateAccelerator {
 public:
  CWebBrowserUI();
  ~CWebBrowserUI() override;

  // First dispatch id of the external functions.
  static constexpr DISPID kFirstExternalId = 500;

  LPCWSTR GetClass() const override;
  void* FindInterface(LPCWSTR name) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;

  void Navigate(LPCWSTR url);
  void SetSilent(bool silent);
  bool IsSilent() const { return m_silent; }
  // A null handler is ignored: a handler cannot be removed.
  void SetEventHandler(CWebBrowserEventHandler* handler);
  CWebBrowserEventHandler* GetEventHandler() const { return m_handler; }
  // Appends a function (dispatch id 500 + the number registered before).
  void RegisterExternalFunction(const CUIString& name, ExternalCallback callback,
                                std::vector<VARTYPE> argTypes = {});
  HRESULT ConnectEvents(bool advise);
  const CUIString& GetHomePage() const { return m_homePage; }
  bool IsAutoNavigate() const { return m_autoNavigate; }
  IWebBrowser2* GetBrowser() const { return m_browser; }

  bool CreateHostedObject() override;
  void DestroyHostedObject() override;

  // IUnknown (shared by every interface; the control's life is the tree's)
  HRESULT QueryInterface(REFIID iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // IDispatch: the event sink and the external function table.
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID locale, void** info) override;
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  HRESULT Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* argError) override;

  // IDocHostUIHandler
  HRESULT ShowContextMenu(DWORD id, POINT* point, IUnknown* commandTarget, IDispatch* object) override;
  HRESULT GetHostInfo(DOCHOSTUIINFO* info) override;
  HRESULT ShowUI(DWORD id, IUnknown* activeObject, IUnknown* commandTarget, IUnknown* frame,
                 IUnknown* document) override;
  HRESULT HideUI() override;
  HRESULT UpdateUI() override;
  HRESULT EnableModeless(BOOL enable) override;
  HRESULT OnDocWindowActivate(BOOL activate) override;
  HRESULT OnFrameWindowActivate(BOOL activate) override;
  HRESULT ResizeBorder(const RECT* border, IUnknown* window, BOOL frameWindow) override;
  HRESULT TranslateAccelerator(MSG* message, const GUID* group, DWORD command) override;
  HRESULT GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override;
  HRESULT GetDropTarget(IUnknown* dropTarget, IUnknown** replacement) override;
  HRESULT GetExternal(IDispatch** external) override;
  HRESULT TranslateUrl(DWORD flags, LPOLESTR url, LPOLESTR* translated) override;
  HRESULT FilterDataObject(IUnknown* dataObject, IUnknown** replacement) override;

  // IServiceProvider: only the download manager.
  HRESULT QueryService(REFGUID service, REFIID iid, void** out) override;
  // IOleCommandTarget: script errors never show a dialog.
  HRESULT QueryStatus(const GUID* group, ULONG count, OLECMD* commands, OLECMDTEXT* text) override;
  HRESULT Exec(const GUID* group, DWORD command, DWORD options, VARIANT* in, VARIANT* out) override;
  // IDownloadManager
  HRESULT Download(IMoniker* moniker, IUnknown* bindContext, DWORD bindVerb, LONG bindFlags, void* bindInfo,
                   LPCOLESTR headers, LPCOLESTR redirect, UINT codePage) override;

  // ITranslateAccelerator: keys for the browser while its window (or one
  // inside it) has the keyboard focus.
  LRESULT TranslateAccelerator(MSG* message) override;

 private:
  HRESULT DispatchBrowserEvent(DISPID id, DISPPARAMS* params, UINT* argError);
  HRESULT CallExternal(const ExternalFunction& function, DISPPARAMS* params, VARIANT* result,
                       EXCEPINFO* exception, UINT* argError);
  void SetDocumentUiHandler();
  void FreeExternalFunctions();

  bool m_silent = false;
  CPointerArray m_externalFunctions;  // ExternalFunction*, owned
  IWebBrowser2* m_browser = nullptr;  // held
  ULONG m_refs = 0;
  DWORD m_eventCookie = 0;
  CUIString m_homePage;
  bool m_autoNavigate = false;
  CWebBrowserEventHandler* m_handler = nullptr;
};

}  // namespace SkinUI
