#include "platform/Com.h"

#include "platform/Firewall.h"

#include <cwchar>
#include <new>

namespace {

// Apartment initialisations of the calling thread (COM and OLE).
thread_local int t_comInits = 0;
thread_local int t_oleInits = 0;

}  // namespace

HRESULT CoInitialize(void*) { return t_comInits++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (t_comInits > 0) --t_comInits;
}

HRESULT OleInitialize(void*) {
  HRESULT hr = CoInitialize(nullptr);
  if (FAILED(hr)) return hr;
  return t_oleInits++ == 0 ? S_OK : S_FALSE;
}

void OleUninitialize() {
  if (t_oleInits > 0) {
    --t_oleInits;
    CoUninitialize();
  }
}

BSTR SysAllocString(const wchar_t* text) {
  if (!text) return nullptr;
  size_t n = std::wcslen(text);
  auto* copy = new (std::nothrow) wchar_t[n + 1];
  if (copy) std::wmemcpy(copy, text, n + 1);
  return copy;
}

void SysFreeString(BSTR text) { delete[] text; }

HRESULT CoCreateInstance(CLSID clsid, IUnknown* outer, DWORD, IID iid, void** result) {
  if (!result) return E_POINTER;
  *result = nullptr;
  if (t_comInits == 0) return CO_E_NOTINITIALIZED;
  if (outer) return E_INVALIDARG;  // no aggregation
  switch (clsid) {
    case CLSID::NetFwMgr:
      if (iid != IID::INetFwMgr) return E_NOINTERFACE;
      return CreateFirewallManager(reinterpret_cast<INetFwMgr**>(result));
    case CLSID::NetFwAuthorizedApplication:
      if (iid != IID::INetFwAuthorizedApplication) return E_NOINTERFACE;
      return CreateFirewallApplication(reinterpret_cast<INetFwAuthorizedApplication**>(result));
  }
  return REGDB_E_CLASSNOTREG;
}
