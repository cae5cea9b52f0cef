// CBrowserObject: the COM face of a WebBrowser object, shared by every
// engine that realises the class. It is the object a container embeds
// (IOleObject, in-place activation, drawing, site), the browser's
// automation interface (IWebBrowser2) and the source of its events
// (DWebBrowserEvents2 through one connection point). An engine derives
// from it, shows pages in the container's host window and reports what
// happens through the Raise... calls, which build the events' argument
// blocks and ask the container's document host (IDocHostUIHandler and the
// services behind it) what to do.
//
// Every Raise... call may re-enter the engine (a handler navigates) or end
// the container (a handler closes the window): the object holds a
// reference to itself for the call, and an engine checks IsAttached()
// after each one.
#pragma once

#include <string>
#include <vector>

#include "platform/WebBrowserInterfaces.h"

class CBrowserObject : public IOleObject,
                       public IOleInPlaceObject,
                       public IOleInPlaceActiveObject,
                       public IViewObject,
                       public IObjectWithSite,
                       public IPersistStreamInit,
                       public IWebBrowser2,
                       public IConnectionPointContainer,
                       public IConnectionPoint {
 public:
  CBrowserObject();
  CBrowserObject(const CBrowserObject&) = delete;
  CBrowserObject& operator=(const CBrowserObject&) = delete;

  // IUnknown (all interfaces)
  HRESULT QueryInterface(REFIID iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // IOleObject
  HRESULT SetClientSite(IOleClientSite* site) override;
  HRESULT SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
  HRESULT Close(DWORD saveOption) override;
  HRESULT DoVerb(LONG verb, MSG* message, IOleClientSite* site, LONG index, HWND parent, const RECT* rect) override;
  HRESULT GetMiscStatus(DWORD aspect, DWORD* status) override;
  HRESULT SetExtent(DWORD aspect, SIZE* size) override;

  // IOleWindow (in-place object and active object)
  HRESULT GetWindow(HWND* window) override;
  HRESULT ContextSensitiveHelp(BOOL enter) override;
  // IOleInPlaceObject
  HRESULT InPlaceDeactivate() override;
  HRESULT UIDeactivate() override;
  HRESULT SetObjectRects(const RECT* position, const RECT* clip) override;
  // IOleInPlaceActiveObject
  HRESULT TranslateAccelerator(MSG* message) override;
  // IViewObject
  HRESULT Draw(DWORD aspect, LONG index, HDC dc, const RECT* bounds) override;
  // IObjectWithSite
  HRESULT SetSite(IUnknown* site) override;
  HRESULT GetSite(REFIID iid, void** site) override;
  // IPersistStreamInit
  HRESULT InitNew() override;

  // IDispatch (of IWebBrowser2): no late-bound members.
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID locale, void** info) override;
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  HRESULT Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* argError) override;
  // IWebBrowser2
  HRESULT Navigate2(VARIANT* url, VARIANT* flags, VARIANT* targetFrame, VARIANT* postData, VARIANT* headers) override;
  HRESULT get_Document(IDispatch** document) override;
  HRESULT get_Silent(VARIANT_BOOL* silent) override;
  HRESULT put_Silent(VARIANT_BOOL silent) override;
  HRESULT get_LocationURL(BSTR* url) override;

  // IConnectionPointContainer and its one point (DWebBrowserEvents2)
  HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;
  HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT Unadvise(DWORD cookie) override;

  // Whether the object is active in a host window (engine callbacks that
  // arrive when it is not are dropped).
  bool IsAttached() const { return host_ != nullptr; }
  HWND HostWindow() const { return host_; }
  bool IsSilent() const { return silent_; }

 protected:
  ~CBrowserObject() override;

  // ---- What an engine does

  // Shows the engine's view inside the host window, filling it.
  virtual bool AttachView(HWND host) = 0;
  // Removes the view and disconnects every engine callback.
  virtual void DetachView() = 0;
  // The view's rectangle in the host window's client coordinates.
  virtual void PlaceView(const RECT& rect) = 0;
  // Starts loading url into the top-level page.
  virtual void LoadUrl(const std::wstring& url) = 0;
  virtual void SilentChanged(bool silent) = 0;
  // Draws the view's current pixels into dc over bounds.
  virtual bool Snapshot(HDC dc, const RECT& bounds) = 0;
  // A keyboard message for the view while it has the focus.
  virtual bool TranslateKey(const MSG& message) = 0;

  // ---- Events an engine raises (each returns the handler's cancel)

  // A navigation of the page (topLevel) or of a frame.
  bool RaiseBeforeNavigate2(bool topLevel, const std::wstring& url, const std::wstring& targetFrame);
  void RaiseNavigateComplete2(bool topLevel, const std::wstring& url);
  void RaiseDocumentComplete(bool topLevel, const std::wstring& url);
  bool RaiseNavigateError(bool topLevel, const std::wstring& url, LONG status);
  // A page asks for a new window; the engine never opens one itself.
  bool RaiseNewWindow3(const std::wstring& url, const std::wstring& context, DWORD flags);
  bool RaiseWindowClosing(bool childWindow);
  // The document host's answers; without a handler the defaults apply.
  // ShowContextMenu: true when the engine may show its own menu.
  bool AllowEngineContextMenu(POINT point);
  // The page's script called window.external.name(args) (args in call
  // order). Fills result; returns the HRESULT of name lookup or Invoke.
  HRESULT CallExternal(const std::wstring& name, const std::vector<VARIANT>& args, VARIANT* result);
  // A download of url: handed to the download manager; true when it took it.
  bool OfferDownload(const std::wstring& url);
  // The host's display wishes (E_NOTIMPL without a handler).
  HRESULT AskHostInfo(DOCHOSTUIINFO* info);
  // A script error: true when the host asks to keep running scripts.
  bool ReportScriptError();
  const std::wstring& LocationUrl() const { return location_; }
  void SetLocationUrl(const std::wstring& url) { location_ = url; }

 private:
  class Document;
  class FrameDispatch;
  HRESULT RaiseEvent(DISPID id, std::vector<VARIANT>& args);
  // The frame argument of an event: the browser itself for the page, a
  // member-less dispatch object for a frame (one reference for the caller).
  IDispatch* NewFrameIdentity(bool topLevel);
  void RaiseFrameEvent(DISPID id, bool topLevel, const std::wstring& url);
  void DetachFromHost();
  IDocHostUIHandler* UiHandler() const { return uiHandler_; }
  void SetUiHandler(IDocHostUIHandler* handler);

  ULONG refs_ = 1;
  IOleClientSite* clientSite_ = nullptr;  // held
  IUnknown* site_ = nullptr;              // held (IObjectWithSite)
  IUnknown* sink_ = nullptr;              // held: the event sink
  DWORD sinkCookie_ = 0;
  IOleInPlaceSite* inPlaceSite_ = nullptr;  // held while active
  IDocHostUIHandler* uiHandler_ = nullptr;  // held
  Document* document_ = nullptr;            // held
  HWND host_ = nullptr;
  bool silent_ = false;
  std::wstring location_;
};
