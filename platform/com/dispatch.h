// IDispatch: calls by name and number, with the arguments in VARIANTs.
// The implementation side (a static table per interface) is in
// platform/com/dispimpl.h.
#ifndef PLATFORM_COM_DISPATCH_H
#define PLATFORM_COM_DISPATCH_H

#include "platform/com/unknown.h"
#include "platform/com/variant.h"

using DISPID = LONG;
using MEMBERID = DISPID;

#define DISPID_UNKNOWN (-1)
#define DISPID_VALUE 0
#define DISPID_PROPERTYPUT (-3)
#define DISPID_NEWENUM (-4)
#define DISPID_EVALUATE (-5)

// Invoke flags.
#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8

#define LOCALE_SYSTEM_DEFAULT 0x0800
#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_NEUTRAL 0x0000

// Arguments in reverse order: rgvarg[cArgs - 1] is the first one. Named
// arguments come first in rgvarg, their ids in rgdispidNamedArgs.
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
  PVOID pvReserved;
  HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
  SCODE scode;
};
using LPEXCEPINFO = EXCEPINFO*;

// Type information: platform/com/typeinfo.h.
struct ITypeInfo;

PLATFORM_DEFINE_IID(IDispatch, "00020400-0000-0000-C000-000000000046");
struct IDispatch : IUnknown {
  virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
  virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) = 0;
  virtual HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) = 0;
  virtual HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* exception, UINT* argumentError) = 0;

protected:
  ~IDispatch() = default;
};
using LPDISPATCH = IDispatch*;

#endif
