// The class factory of a WebBrowser engine: creates a new engine object
// per instance asked for, to be registered under CLSID_WebBrowser.
#pragma once

#include <functional>
#include <utility>

#include "platform/ComObject.h"
#include "platform/browser/BrowserObject.h"

class CBrowserClassFactory : public ComObject<IClassFactory, IID_IClassFactory> {
 public:
  using Create = std::function<CBrowserObject*()>;
  explicit CBrowserClassFactory(Create create) : create_(std::move(create)) {}

  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    CBrowserObject* object = create_();
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
  }
  HRESULT LockServer(BOOL) override { return S_OK; }

 private:
  ~CBrowserClassFactory() override = default;
  Create create_;
};
