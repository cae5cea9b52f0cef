// The apartment calls and the small COM runtime of the layer: reference
// counted interfaces and CoCreateInstance for the classes the layer
// provides.
#pragma once

#include "platform/Types.h"

HRESULT CoInitialize(void* reserved);
void CoUninitialize();
HRESULT OleInitialize(void* reserved);
void OleUninitialize();

struct IUnknown {
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

using BSTR = wchar_t*;
BSTR SysAllocString(const wchar_t* text);
void SysFreeString(BSTR text);

using VARIANT_BOOL = short;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// Class identifiers of the classes the layer can create.
enum class CLSID { NetFwMgr, NetFwAuthorizedApplication };
enum class IID { INetFwMgr, INetFwAuthorizedApplication };
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;

// Fails with CO_E_NOTINITIALIZED when the calling thread has not called
// CoInitialize, and with E_NOINTERFACE for a class/interface mismatch.
HRESULT CoCreateInstance(CLSID clsid, IUnknown* outer, DWORD context, IID iid, void** result);

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

 private:
  T* ptr_ = nullptr;
};
