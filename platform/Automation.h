// Automation: length-prefixed BSTR strings, VARIANT values, the argument
// block of IDispatch::Invoke and IDispatch itself.
//
// A BSTR points at its characters; the length in bytes is stored just
// before them and a terminator after, so a BSTR may hold NULs and
// SysStringLen never scans.
#pragma once

#include "platform/Com.h"

using OLECHAR = wchar_t;
using LPOLESTR = wchar_t*;
using LPCOLESTR = const wchar_t*;
using BSTR = wchar_t*;
using LCID = DWORD;
using DISPID = LONG;
using VARTYPE = unsigned short;

BSTR SysAllocString(const wchar_t* text);
// length characters of text (text may be null: the characters are zero).
BSTR SysAllocStringLen(const wchar_t* text, UINT length);
UINT SysStringLen(BSTR text);
void SysFreeString(BSTR text);

using VARIANT_BOOL = short;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R8 = 5,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_UI4 = 19,
  VT_INT = 22,
  VT_BYREF = 0x4000,
};

struct IDispatch;

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONG lVal;
    short iVal;
    ULONG ulVal;
    INT intVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    HRESULT scode;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    VARIANT* pvarVal;
    VARIANT_BOOL* pboolVal;
    BSTR* pbstrVal;
    LONG* plVal;
    IDispatch** ppdispVal;
    void* byref;
  };
};
using VARIANTARG = VARIANT;

void VariantInit(VARIANT* v);
// Frees what the variant owns (a BSTR, an interface reference) and
// empties it; by-reference values are not owned.
HRESULT VariantClear(VARIANT* v);
// Deep copy into an initialised destination (cleared first).
HRESULT VariantCopy(VARIANT* dest, const VARIANT* source);

// The argument block of Invoke: the last argument comes first.
struct DISPPARAMS {
  VARIANTARG* rgvarg;
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};

struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  void* pvReserved;
  void* pfnDeferredFillIn;
  HRESULT scode;
};

constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;
constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
constexpr DISPID DISPID_UNKNOWN = -1;

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);

inline constexpr IID IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct IDispatch : IUnknown {
  virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
  // Type information is not modelled: info receives null.
  virtual HRESULT GetTypeInfo(UINT index, LCID locale, void** info) = 0;
  virtual HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) = 0;
  virtual HRESULT Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* exception, UINT* argError) = 0;
};
