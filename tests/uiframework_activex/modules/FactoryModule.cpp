// A module offering one class through DllGetClassObject: an object that
// only records that it was created and placed (no window of its own).
#include "platform/ComObject.h"
#include "platform/Ole.h"

namespace {

// {6F1B3C2A-8D4E-4B7F-9A21-3C5D7E9F0B11}
constexpr CLSID kModuleClass{0x6F1B3C2A, 0x8D4E, 0x4B7F, {0x9A, 0x21, 0x3C, 0x5D, 0x7E, 0x9F, 0x0B, 0x11}};

class ModuleObject : public ComObject<IOleObject, IID_IOleObject> {
 public:
  HRESULT SetClientSite(IOleClientSite*) override { return S_OK; }
  HRESULT SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  HRESULT Close(DWORD) override { return S_OK; }
  HRESULT DoVerb(LONG, MSG*, IOleClientSite*, LONG, HWND, const RECT*) override { return S_OK; }
  HRESULT GetMiscStatus(DWORD, DWORD* status) override {
    *status = OLEMISC_INVISIBLEATRUNTIME;
    return S_OK;
  }
  HRESULT SetExtent(DWORD, SIZE*) override { return S_OK; }
};

class Factory : public ComObject<IClassFactory, IID_IClassFactory> {
 public:
  HRESULT CreateInstance(IUnknown*, REFIID iid, void** out) override {
    auto* object = new ModuleObject;
    HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
  }
  HRESULT LockServer(BOOL) override { return S_OK; }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != kModuleClass) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new Factory;
  HRESULT hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}
