// OLE embedding: the interfaces between a container and an object it
// activates in place inside one of its windows. Only the methods a hosted
// object here calls, or a container here calls on it, are modelled (see
// the design note in Com.h).
#pragma once

#include "platform/Automation.h"
#include "platform/window/User32.h"

inline constexpr IID IID_IOleObject{0x00000112, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IOleClientSite{0x00000118, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IOleWindow{0x00000114, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IOleInPlaceSite{0x00000119, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IOleInPlaceSiteEx{0x9C2CAD80, 0x3424, 0x11CF, {0xB6, 0x70, 0x00, 0xAA, 0x00, 0x4C, 0xD6, 0xD8}};
inline constexpr IID IID_IOleInPlaceObject{0x00000113, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IOleInPlaceActiveObject{0x00000117, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IOleControl{0xB196B288, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IViewObject{0x0000010D, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IObjectWithSite{0xFC4801A3, 0x2BA9, 0x11CF, {0xA2, 0x29, 0x00, 0xAA, 0x00, 0x3D, 0x73, 0x52}};
inline constexpr IID IID_IPersistStreamInit{0x7FD52380, 0x4E07, 0x101B, {0xAE, 0x2D, 0x08, 0x00, 0x2B, 0x2E, 0xC7, 0x13}};

constexpr DWORD DVASPECT_CONTENT = 1;
constexpr DWORD OLECLOSE_NOSAVE = 1;
constexpr LONG OLEIVERB_UIACTIVATE = -4;
constexpr LONG OLEIVERB_INPLACEACTIVATE = -5;
constexpr DWORD OLEMISC_INVISIBLEATRUNTIME = 0x400;
constexpr DWORD OLEMISC_NOUIACTIVATE = 0x4000;
constexpr DWORD OLEMISC_SETCLIENTSITEFIRST = 0x20000;
constexpr DWORD ACTIVATE_WINDOWLESS = 1;

struct IOleClientSite;

// The object: placed, activated and closed by its container.
struct IOleObject : IUnknown {
  virtual HRESULT SetClientSite(IOleClientSite* site) = 0;
  virtual HRESULT SetHostNames(LPCOLESTR containerApp, LPCOLESTR containerObject) = 0;
  virtual HRESULT Close(DWORD saveOption) = 0;
  // The object activates itself in parent at rect (parent client
  // coordinates).
  virtual HRESULT DoVerb(LONG verb, MSG* message, IOleClientSite* site, LONG index, HWND parent, const RECT* rect) = 0;
  virtual HRESULT GetMiscStatus(DWORD aspect, DWORD* status) = 0;
  // The size in HIMETRIC units (0.01 mm).
  virtual HRESULT SetExtent(DWORD aspect, SIZE* size) = 0;
};

struct IOleClientSite : IUnknown {
  virtual HRESULT SaveObject() = 0;
  virtual HRESULT ShowObject() = 0;
  virtual HRESULT OnShowWindow(BOOL show) = 0;
  virtual HRESULT RequestNewObjectLayout() = 0;
};

struct IOleWindow : IUnknown {
  virtual HRESULT GetWindow(HWND* window) = 0;
  virtual HRESULT ContextSensitiveHelp(BOOL enter) = 0;
};

// The container side of in-place activation: the object asks for the
// window it lives in and reports its activation state.
struct IOleInPlaceSite : IOleWindow {
  virtual HRESULT CanInPlaceActivate() = 0;
  virtual HRESULT OnInPlaceActivate() = 0;
  virtual HRESULT OnUIActivate() = 0;
  virtual HRESULT OnUIDeactivate(BOOL undoable) = 0;
  virtual HRESULT OnInPlaceDeactivate() = 0;
  virtual HRESULT OnPosRectChange(const RECT* position) = 0;
};

struct IOleInPlaceSiteEx : IOleInPlaceSite {
  // flags: ACTIVATE_WINDOWLESS asks for windowless activation.
  virtual HRESULT OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) = 0;
  virtual HRESULT OnInPlaceDeactivateEx(BOOL noRedraw) = 0;
  virtual HRESULT RequestUIActivate() = 0;
};

struct IOleInPlaceObject : IOleWindow {
  virtual HRESULT InPlaceDeactivate() = 0;
  virtual HRESULT UIDeactivate() = 0;
  // Position and clip in the coordinates of the site's window.
  virtual HRESULT SetObjectRects(const RECT* position, const RECT* clip) = 0;
};

struct IOleInPlaceActiveObject : IOleWindow {
  // S_OK: the keyboard message was consumed.
  virtual HRESULT TranslateAccelerator(MSG* message) = 0;
};

struct IViewObject : IUnknown {
  // Draws the object's current look into dc over bounds.
  virtual HRESULT Draw(DWORD aspect, LONG index, HDC dc, const RECT* bounds) = 0;
};

struct IObjectWithSite : IUnknown {
  virtual HRESULT SetSite(IUnknown* site) = 0;
  virtual HRESULT GetSite(REFIID iid, void** site) = 0;
};

struct IPersistStreamInit : IUnknown {
  virtual HRESULT InitNew() = 0;
};
