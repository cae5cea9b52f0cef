// ComObject<Interface, iid>: the reference counting and QueryInterface of
// an object that implements one interface (and IUnknown). It frees itself
// when the last reference goes; it starts with one reference, the
// creator's.
#pragma once

#include <atomic>

#include "platform/Com.h"

template <class Interface, const IID& kIid>
class ComObject : public Interface {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != kIid) return E_NOINTERFACE;
    this->AddRef();
    *out = static_cast<Interface*>(this);
    return S_OK;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ~ComObject() override = default;

 private:
  std::atomic<ULONG> refs_{1};
};
