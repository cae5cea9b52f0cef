#include "platform/Automation.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

// The byte length sits in the UINT just before the characters.
UINT* Header(BSTR text) { return reinterpret_cast<UINT*>(text) - 1; }

}  // namespace

BSTR SysAllocStringLen(const wchar_t* text, UINT length) {
  const std::size_t bytes = static_cast<std::size_t>(length) * sizeof(wchar_t);
  if (bytes / sizeof(wchar_t) != length || bytes > 0xFFFFFFF0u) return nullptr;
  // The header is padded to the alignment of wchar_t.
  static_assert(sizeof(UINT) % alignof(wchar_t) == 0);
  void* block = std::malloc(sizeof(UINT) + bytes + sizeof(wchar_t));
  if (!block) return nullptr;
  auto* header = static_cast<UINT*>(block);
  *header = static_cast<UINT>(bytes);
  auto* chars = reinterpret_cast<wchar_t*>(header + 1);
  if (text) {
    std::wmemcpy(chars, text, length);
  } else {
    std::wmemset(chars, 0, length);
  }
  chars[length] = 0;
  return chars;
}

BSTR SysAllocString(const wchar_t* text) {
  if (!text) return nullptr;
  return SysAllocStringLen(text, static_cast<UINT>(std::wcslen(text)));
}

UINT SysStringLen(BSTR text) { return text ? *Header(text) / sizeof(wchar_t) : 0; }

void SysFreeString(BSTR text) {
  if (text) std::free(Header(text));
}

void VariantInit(VARIANT* v) {
  if (v) std::memset(v, 0, sizeof(*v));
}

HRESULT VariantClear(VARIANT* v) {
  if (!v) return E_INVALIDARG;
  if ((v->vt & VT_BYREF) == 0) {
    switch (v->vt) {
      case VT_BSTR: SysFreeString(v->bstrVal); break;
      case VT_UNKNOWN:
      case VT_DISPATCH:
        if (v->punkVal) v->punkVal->Release();
        break;
      default: break;
    }
  }
  VariantInit(v);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* source) {
  if (!dest || !source) return E_INVALIDARG;
  if (dest == source) return S_OK;
  VariantClear(dest);
  *dest = *source;
  if ((source->vt & VT_BYREF) != 0) return S_OK;
  switch (source->vt) {
    case VT_BSTR:
      if (source->bstrVal) {
        dest->bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
        if (!dest->bstrVal) {
          VariantInit(dest);
          return E_OUTOFMEMORY;
        }
      }
      break;
    case VT_UNKNOWN:
    case VT_DISPATCH:
      if (dest->punkVal) dest->punkVal->AddRef();
      break;
    default: break;
  }
  return S_OK;
}
