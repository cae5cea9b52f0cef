// CWebBrowserEventHandler: what an application object overrides to hear
// the browser's events and answer its document host's questions. Every
// operation has a default, so an application overrides only what it needs.
// Slots 0 to 7 are events; 8 to 22 answer as the COM methods they mirror.
#pragma once

#include "platform/WebBrowserInterfaces.h"

namespace SkinUI {

class CWebBrowserEventHandler {
 public:
  virtual ~CWebBrowserEventHandler() = default;

  virtual void BeforeNavigate2(IDispatch* frame, VARIANT*& url, VARIANT*& flags, VARIANT*& targetFrame,
                               VARIANT*& postData, VARIANT*& headers, VARIANT_BOOL*& cancel) {
    (void)frame, (void)url, (void)flags, (void)targetFrame, (void)postData, (void)headers, (void)cancel;
  }
  virtual void NavigateError(IDispatch* frame, VARIANT*& url, VARIANT*& targetFrame, VARIANT*& statusCode,
                             VARIANT_BOOL*& cancel) {
    (void)frame, (void)url, (void)targetFrame, (void)statusCode, (void)cancel;
  }
  virtual void NavigateComplete2(IDispatch* frame, VARIANT*& url) { (void)frame, (void)url; }
  virtual void DocumentComplete(IDispatch* frame, VARIANT*& url) { (void)frame, (void)url; }
  virtual void ReservedNotify(DWORD first, DWORD second) { (void)first, (void)second; }
  virtual void NewWindow3(IDispatch** newWindow, VARIANT_BOOL*& cancel, DWORD flags, BSTR urlContext, BSTR url) {
    (void)newWindow, (void)cancel, (void)flags, (void)urlContext, (void)url;
  }
  virtual void CommandStateChange(long command, VARIANT_BOOL enable) { (void)command, (void)enable; }
  virtual void WindowClosing(VARIANT_BOOL childWindow, VARIANT_BOOL* cancel) { (void)childWindow, (void)cancel; }

  // S_OK: no context menu is shown.
  virtual HRESULT ShowContextMenu(DWORD id, POINT* point, IUnknown* commandTarget, IDispatch* object) {
    (void)id, (void)point, (void)commandTarget, (void)object;
    return S_OK;
  }
  virtual HRESULT GetHostInfo(DOCHOSTUIINFO* info) {
    (void)info;
    return S_OK;
  }
  virtual HRESULT ShowUI(DWORD id, IUnknown* activeObject, IUnknown* commandTarget, IUnknown* frame,
                         IUnknown* document) {
    (void)id, (void)activeObject, (void)commandTarget, (void)frame, (void)document;
    return S_FALSE;
  }
  virtual HRESULT HideUI() { return S_OK; }
  virtual HRESULT UpdateUI() { return S_OK; }
  virtual HRESULT EnableModeless(BOOL enable) {
    (void)enable;
    return S_OK;
  }
  virtual HRESULT OnDocWindowActivate(BOOL activate) {
    (void)activate;
    return S_OK;
  }
  virtual HRESULT OnFrameWindowActivate(BOOL activate) {
    (void)activate;
    return S_OK;
  }
  virtual HRESULT ResizeBorder(const RECT* border, IUnknown* window, BOOL frameWindow) {
    (void)border, (void)window, (void)frameWindow;
    return S_OK;
  }
  virtual HRESULT TranslateAccelerator(MSG* message, const GUID* group, DWORD command) {
    (void)message, (void)group, (void)command;
    return S_FALSE;
  }
  virtual HRESULT GetOptionKeyPath(LPOLESTR* key, DWORD reserved) {
    (void)key, (void)reserved;
    return S_OK;
  }
  virtual HRESULT GetDropTarget(IUnknown* dropTarget, IUnknown** replacement) {
    (void)dropTarget, (void)replacement;
    return E_NOTIMPL;
  }
  virtual HRESULT TranslateUrl(DWORD flags, LPOLESTR url, LPOLESTR* translated) {
    (void)flags, (void)url, (void)translated;
    return S_OK;
  }
  virtual HRESULT FilterDataObject(IUnknown* dataObject, IUnknown** replacement) {
    (void)dataObject, (void)replacement;
    return S_OK;
  }
  virtual HRESULT Download(IMoniker* moniker, IUnknown* bindContext, DWORD bindVerb, LONG bindFlags, void* bindInfo,
                           LPCOLESTR headers, LPCOLESTR redirect, UINT codePage) {
    (void)moniker, (void)bindContext, (void)bindVerb, (void)bindFlags, (void)bindInfo, (void)headers,
        (void)redirect, (void)codePage;
    return S_OK;
  }
};

}  // namespace SkinUI
