// The COM model of the layer: apartments, reference-counted interfaces
// with QueryInterface, GUIDs, and a class registry keyed by class id.
//
// How it is realised here:
// - An interface is a C++ struct of pure virtual methods deriving from
//   IUnknown; an object answers QueryInterface for the GUIDs it implements
//   and frees itself when its count drops to zero. Automation (BSTR,
//   VARIANT, DISPPARAMS, EXCEPINFO, IDispatch) is in Automation.h, the OLE
//   embedding interfaces in Ole.h, the browser's interfaces in
//   WebBrowserInterfaces.h.
// - The class registry holds, per process, the class factories that the
//   program registered (CoRegisterClassObject) and the ProgIDs that name
//   them; the layer's own classes (the firewall's) follow them.
//   CoCreateInstance of a class id nobody registered fails with
//   REGDB_E_CLASSNOTREG, as for a class missing from the Windows registry.
// - A class may also come from a module: LoadLibraryW loads a shared
//   object and GetProcAddress finds its "DllGetClassObject".
// - Apartments are counted per thread; objects live on the thread that
//   created them and are never marshalled.
// - OLE embedding: only the site interfaces a hosted object here uses
//   exist — IOleClientSite, IOleInPlaceSite(Ex), IOleWindow on the
//   container side; IOleObject, IOleInPlaceObject, IOleInPlaceActiveObject,
//   IViewObject, IObjectWithSite, IPersistStreamInit on the object side.
//   Windowless activation, IOleControlSite, IOleContainer, the in-place
//   frame and IEnumUnknown are not modelled: no hosted object asks for them.
#pragma once

#include "platform/Types.h"

#include <cstring>

HRESULT CoInitialize(void* reserved);
void CoUninitialize();
HRESULT OleInitialize(void* reserved);
void OleUninitialize();

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using REFGUID = const GUID&;

inline bool IsEqualGUID(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool operator==(const GUID& a, const GUID& b) { return IsEqualGUID(a, b); }
inline bool operator!=(const GUID& a, const GUID& b) { return !IsEqualGUID(a, b); }

inline constexpr GUID GUID_NULL{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_NULL = GUID_NULL;
inline constexpr IID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_PENDING = static_cast<HRESULT>(0x8000000Au);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
constexpr HRESULT CONNECT_E_NOCONNECTION = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT CONNECT_E_ADVISELIMIT = static_cast<HRESULT>(0x80040201u);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = static_cast<HRESULT>(0x80040202u);

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;
};

// The export a module offers its classes through.
using DllGetClassObjectProc = HRESULT (*)(REFCLSID clsid, REFIID iid, void** out);

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_ALL = 23;
constexpr DWORD REGCLS_MULTIPLEUSE = 1;

// Fails with CO_E_NOTINITIALIZED when the calling thread has not called
// CoInitialize, CLASS_E_NOAGGREGATION for an outer object,
// REGDB_E_CLASSNOTREG for an unknown class and E_NOINTERFACE when the
// object lacks the interface.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** result);

// Registers a class factory for the process (the registry holds a
// reference until revoked); a class id registered twice keeps the newer
// factory until it is revoked.
HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* factory, DWORD context, DWORD flags, DWORD* cookie);
// Names a class id by a ProgID ("Shell.Explorer.2"); revoked like a class.
HRESULT CoRegisterProgID(const wchar_t* progId, REFCLSID clsid, DWORD* cookie);
HRESULT CoRevokeClassObject(DWORD cookie);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (hex digits in either case).
HRESULT CLSIDFromString(const wchar_t* text, CLSID* clsid);
// A registered ProgID; CO_E_CLASSSTRING otherwise.
HRESULT CLSIDFromProgID(const wchar_t* progId, CLSID* clsid);

// Holds one reference and releases it at the end of its scope.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { Reset(); }
  T* operator->() const { return ptr_; }
  T* Get() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  T** Put() {
    Reset();
    return &ptr_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  void Reset() {
    if (ptr_) ptr_->Release();
    ptr_ = nullptr;
  }
  T* Detach() {
    T* p = ptr_;
    ptr_ = nullptr;
    return p;
  }
  // Asks object for iid (an interface of type T); false when it has none.
  bool QueryFrom(IUnknown* object, REFIID iid) {
    Reset();
    return object != nullptr && SUCCEEDED(object->QueryInterface(iid, PutVoid())) && ptr_ != nullptr;
  }

 private:
  T* ptr_ = nullptr;
};
