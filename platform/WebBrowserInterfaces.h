// The WebBrowser class and the interfaces around it: its automation
// interface, its events (raised through a connection point to an IDispatch
// sink), the document host's user-interface questions, downloads and
// command handling.
#pragma once

#include "platform/Ole.h"

inline constexpr CLSID CLSID_WebBrowser{0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
inline constexpr IID IID_IWebBrowser2{0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};
inline constexpr IID DIID_DWebBrowserEvents2{
    0x34A715A0, 0x6587, 0x11D0, {0x92, 0x4A, 0x00, 0x20, 0xAF, 0xC7, 0xAC, 0x4D}};
inline constexpr IID IID_IConnectionPointContainer{
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IConnectionPoint{0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IDocHostUIHandler{
    0xBD3F23C0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};
inline constexpr IID IID_ICustomDoc{0x3050F3F0, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
inline constexpr IID IID_IServiceProvider{0x6D5140C1, 0x7436, 0x11CE, {0x80, 0x34, 0x00, 0xAA, 0x00, 0x60, 0x09, 0xFA}};
inline constexpr IID IID_IOleCommandTarget{
    0xB722BCCB, 0x4E68, 0x101B, {0xA2, 0xBC, 0x00, 0xAA, 0x00, 0x40, 0x47, 0x70}};
inline constexpr IID IID_IDownloadManager{0x988934A4, 0x064B, 0x11D3, {0xBB, 0x80, 0x00, 0x10, 0x4B, 0x35, 0xE7, 0xF9}};
inline constexpr GUID SID_SDownloadManager = IID_IDownloadManager;
inline constexpr IID IID_IMoniker{0x0000000F, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID CGID_DocHostCommandHandler{
    0xF38BC242, 0xB950, 0x11D1, {0x89, 0x18, 0x00, 0xC0, 0x4F, 0xC2, 0xC8, 0x36}};

// Dispatch ids of DWebBrowserEvents2.
constexpr DISPID DISPID_STATUSTEXTCHANGE = 102;
constexpr DISPID DISPID_COMMANDSTATECHANGE = 105;
constexpr DISPID DISPID_BEFORENAVIGATE2 = 250;
constexpr DISPID DISPID_NAVIGATECOMPLETE2 = 252;
constexpr DISPID DISPID_DOCUMENTCOMPLETE = 259;
constexpr DISPID DISPID_WINDOWCLOSING = 263;
constexpr DISPID DISPID_NAVIGATEERROR = 271;
constexpr DISPID DISPID_NEWWINDOW3 = 273;

// The browser's automation interface (the part the host uses).
struct IWebBrowser2 : IDispatch {
  // url: VT_BSTR; the other arguments may be null or VT_EMPTY.
  virtual HRESULT Navigate2(VARIANT* url, VARIANT* flags, VARIANT* targetFrame, VARIANT* postData,
                            VARIANT* headers) = 0;
  // The current document (S_FALSE and null before the first navigation).
  virtual HRESULT get_Document(IDispatch** document) = 0;
  // Silent: the engine shows none of its own dialogs.
  virtual HRESULT get_Silent(VARIANT_BOOL* silent) = 0;
  virtual HRESULT put_Silent(VARIANT_BOOL silent) = 0;
  virtual HRESULT get_LocationURL(BSTR* url) = 0;
};

struct IConnectionPoint : IUnknown {
  virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
  virtual HRESULT Unadvise(DWORD cookie) = 0;
};

struct IConnectionPointContainer : IUnknown {
  virtual HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) = 0;
};

struct DOCHOSTUIINFO {
  ULONG cbSize;
  DWORD dwFlags;
  DWORD dwDoubleClick;
  OLECHAR* pchHostCss;
  OLECHAR* pchHostNS;
};
constexpr DWORD DOCHOSTUIFLAG_DIALOG = 0x1;
constexpr DWORD DOCHOSTUIFLAG_DISABLE_HELP_MENU = 0x2;
constexpr DWORD DOCHOSTUIFLAG_NO3DBORDER = 0x4;
constexpr DWORD DOCHOSTUIFLAG_THEME = 0x40000;
constexpr DWORD DOCHOSTUIFLAG_NO3DOUTERBORDER = 0x200000;
constexpr DWORD DOCHOSTUIDBLCLK_DEFAULT = 0;

// What the browser asks its document host. Interfaces the layer does not
// model (drop targets, data objects, frames) travel as IUnknown.
struct IDocHostUIHandler : IUnknown {
  // S_OK: the host handled it (no menu of the engine's own).
  virtual HRESULT ShowContextMenu(DWORD id, POINT* point, IUnknown* commandTarget, IDispatch* object) = 0;
  virtual HRESULT GetHostInfo(DOCHOSTUIINFO* info) = 0;
  virtual HRESULT ShowUI(DWORD id, IUnknown* activeObject, IUnknown* commandTarget, IUnknown* frame,
                         IUnknown* document) = 0;
  virtual HRESULT HideUI() = 0;
  virtual HRESULT UpdateUI() = 0;
  virtual HRESULT EnableModeless(BOOL enable) = 0;
  virtual HRESULT OnDocWindowActivate(BOOL activate) = 0;
  virtual HRESULT OnFrameWindowActivate(BOOL activate) = 0;
  virtual HRESULT ResizeBorder(const RECT* border, IUnknown* window, BOOL frameWindow) = 0;
  virtual HRESULT TranslateAccelerator(MSG* message, const GUID* group, DWORD command) = 0;
  virtual HRESULT GetOptionKeyPath(LPOLESTR* key, DWORD reserved) = 0;
  virtual HRESULT GetDropTarget(IUnknown* dropTarget, IUnknown** replacement) = 0;
  // The object page scripts reach as window.external.
  virtual HRESULT GetExternal(IDispatch** external) = 0;
  virtual HRESULT TranslateUrl(DWORD flags, LPOLESTR url, LPOLESTR* translated) = 0;
  virtual HRESULT FilterDataObject(IUnknown* dataObject, IUnknown** replacement) = 0;
};

// The document's hook for its host's user-interface handler.
struct ICustomDoc : IUnknown {
  virtual HRESULT SetUIHandler(IDocHostUIHandler* handler) = 0;
};

struct IServiceProvider : IUnknown {
  virtual HRESULT QueryService(REFGUID service, REFIID iid, void** out) = 0;
};

// Names the address of a download.
struct IMoniker : IUnknown {
  // The address, allocated with SysAllocString (free with SysFreeString).
  virtual HRESULT GetDisplayName(IUnknown* bindContext, IMoniker* left, LPOLESTR* name) = 0;
};

// S_OK: the host took the download; the engine drops it otherwise too.
struct IDownloadManager : IUnknown {
  virtual HRESULT Download(IMoniker* moniker, IUnknown* bindContext, DWORD bindVerb, LONG bindFlags, void* bindInfo,
                           LPCOLESTR headers, LPCOLESTR redirect, UINT codePage) = 0;
};

struct OLECMD {
  ULONG cmdID;
  DWORD cmdf;
};
struct OLECMDTEXT;
constexpr DWORD OLECMDID_SHOWSCRIPTERROR = 40;
constexpr HRESULT OLECMDERR_E_NOTSUPPORTED = static_cast<HRESULT>(0x80040100u);
constexpr HRESULT OLECMDERR_E_UNKNOWNGROUP = static_cast<HRESULT>(0x80040104u);

struct IOleCommandTarget : IUnknown {
  virtual HRESULT QueryStatus(const GUID* group, ULONG count, OLECMD* commands, OLECMDTEXT* text) = 0;
  virtual HRESULT Exec(const GUID* group, DWORD command, DWORD options, VARIANT* in, VARIANT* out) = 0;
};
