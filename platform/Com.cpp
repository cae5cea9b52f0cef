#include "platform/Com.h"

#include "platform/Firewall.h"

#include <cwctype>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace {

// Apartment initialisations of the calling thread (COM and OLE).
thread_local int t_comInits = 0;
thread_local int t_oleInits = 0;

// One registration: a class factory, or a ProgID naming a class.
struct ClassEntry {
  DWORD cookie;
  CLSID clsid;
  IUnknown* factory;    // held; null for a ProgID entry
  std::wstring progId;  // empty for a factory entry
};

class ClassTable {
 public:
  DWORD Add(REFCLSID clsid, IUnknown* factory, const wchar_t* progId) {
    std::lock_guard<std::mutex> guard(lock_);
    if (factory) factory->AddRef();
    entries_.push_back(ClassEntry{++lastCookie_, clsid, factory, progId ? progId : L""});
    return lastCookie_;
  }
  bool Remove(DWORD cookie) {
    IUnknown* factory = nullptr;
    {
      std::lock_guard<std::mutex> guard(lock_);
      auto it = entries_.begin();
      while (it != entries_.end() && it->cookie != cookie) ++it;
      if (it == entries_.end()) return false;
      factory = it->factory;
      entries_.erase(it);
    }
    if (factory) factory->Release();  // outside the lock: it may free itself
    return true;
  }
  // The newest factory of the class, with a reference for the caller.
  IUnknown* Factory(REFCLSID clsid) {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
      if (it->factory && it->clsid == clsid) {
        it->factory->AddRef();
        return it->factory;
      }
    }
    return nullptr;
  }
  bool ProgId(const wchar_t* progId, CLSID* clsid) {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
      if (!it->factory && it->progId == progId) {
        *clsid = it->clsid;
        return true;
      }
    }
    return false;
  }

 private:
  std::mutex lock_;
  std::vector<ClassEntry> entries_;
  DWORD lastCookie_ = 0;
};

ClassTable& Classes() {
  static ClassTable table;
  return table;
}

// The layer's own classes, behind those the program registers.
HRESULT CreateBuiltIn(REFCLSID clsid, REFIID iid, void** result) {
  IUnknown* object = nullptr;
  HRESULT hr = REGDB_E_CLASSNOTREG;
  if (clsid == CLSID_NetFwMgr) {
    INetFwMgr* manager = nullptr;
    hr = CreateFirewallManager(&manager);
    object = manager;
  } else if (clsid == CLSID_NetFwAuthorizedApplication) {
    INetFwAuthorizedApplication* app = nullptr;
    hr = CreateFirewallApplication(&app);
    object = app;
  }
  if (FAILED(hr)) return hr;
  hr = object->QueryInterface(iid, result);
  object->Release();
  return hr;
}

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  return -1;
}

// count hex digits at text (no sign, no prefix).
bool ReadHex(const wchar_t*& text, int count, std::uint64_t* value) {
  *value = 0;
  for (int i = 0; i < count; ++i) {
    int digit = HexValue(text[i]);
    if (digit < 0) return false;
    *value = *value * 16 + static_cast<std::uint64_t>(digit);
  }
  text += count;
  return true;
}

bool Expect(const wchar_t*& text, wchar_t c) {
  if (*text != c) return false;
  ++text;
  return true;
}

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

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD, REFIID iid, void** result) {
  if (!result) return E_POINTER;
  *result = nullptr;
  if (t_comInits == 0) return CO_E_NOTINITIALIZED;
  if (outer) return CLASS_E_NOAGGREGATION;
  ComPtr<IUnknown> registered;
  *registered.Put() = Classes().Factory(clsid);
  if (!registered) return CreateBuiltIn(clsid, iid, result);
  ComPtr<IClassFactory> factory;
  if (!factory.QueryFrom(registered.Get(), IID_IClassFactory)) return E_NOINTERFACE;
  HRESULT hr = factory->CreateInstance(nullptr, iid, result);
  if (FAILED(hr)) *result = nullptr;
  return hr;
}

HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* factory, DWORD, DWORD, DWORD* cookie) {
  if (!factory || !cookie) return E_INVALIDARG;
  *cookie = Classes().Add(clsid, factory, nullptr);
  return S_OK;
}

HRESULT CoRegisterProgID(const wchar_t* progId, REFCLSID clsid, DWORD* cookie) {
  if (!progId || !*progId || !cookie) return E_INVALIDARG;
  *cookie = Classes().Add(clsid, nullptr, progId);
  return S_OK;
}

HRESULT CoRevokeClassObject(DWORD cookie) { return Classes().Remove(cookie) ? S_OK : E_INVALIDARG; }

HRESULT CLSIDFromString(const wchar_t* text, CLSID* clsid) {
  if (!text || !clsid) return E_INVALIDARG;
  *clsid = GUID_NULL;
  std::uint64_t v = 0;
  GUID g{};
  const wchar_t* p = text;
  if (!Expect(p, L'{') || !ReadHex(p, 8, &v)) return CO_E_CLASSSTRING;
  g.Data1 = static_cast<DWORD>(v);
  if (!Expect(p, L'-') || !ReadHex(p, 4, &v)) return CO_E_CLASSSTRING;
  g.Data2 = static_cast<WORD>(v);
  if (!Expect(p, L'-') || !ReadHex(p, 4, &v)) return CO_E_CLASSSTRING;
  g.Data3 = static_cast<WORD>(v);
  if (!Expect(p, L'-')) return CO_E_CLASSSTRING;
  for (int i = 0; i < 8; ++i) {
    if (i == 2 && !Expect(p, L'-')) return CO_E_CLASSSTRING;
    if (!ReadHex(p, 2, &v)) return CO_E_CLASSSTRING;
    g.Data4[i] = static_cast<BYTE>(v);
  }
  if (!Expect(p, L'}') || *p != 0) return CO_E_CLASSSTRING;
  *clsid = g;
  return S_OK;
}

HRESULT CLSIDFromProgID(const wchar_t* progId, CLSID* clsid) {
  if (!progId || !clsid) return E_INVALIDARG;
  *clsid = GUID_NULL;
  return Classes().ProgId(progId, clsid) ? S_OK : CO_E_CLASSSTRING;
}
