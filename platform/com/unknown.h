// The root of every interface, the class object, and the declaration macros
// the products' interfaces are written with. Calls are direct C++ virtual
// calls: there is no marshalling and no calling convention to name.
#ifndef PLATFORM_COM_UNKNOWN_H
#define PLATFORM_COM_UNKNOWN_H

#include "platform/com/guid.h"
#include "platform/errors.h"
#include "platform/types.h"

#define STDMETHODCALLTYPE
#define STDMETHOD(method) virtual HRESULT method
#define STDMETHOD_(type, method) virtual type method
#define STDMETHODIMP HRESULT
#define STDMETHODIMP_(type) type
#define PURE = 0
#define interface struct
// What a library exports: C linkage and default visibility.
#define STDAPI extern "C" __attribute__((visibility("default"))) HRESULT
#define STDAPI_(type) extern "C" __attribute__((visibility("default"))) type

PLATFORM_DEFINE_IID(IUnknown, "00000000-0000-0000-C000-000000000046");
struct IUnknown {
  virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

  // The identifier from the type of the requested pointer.
  template <class Interface>
  HRESULT QueryInterface(Interface** object) {
    return QueryInterface(__uuidof(Interface), reinterpret_cast<void**>(object));
  }

protected:
  ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

PLATFORM_DEFINE_IID(IClassFactory, "00000001-0000-0000-C000-000000000046");
struct IClassFactory : IUnknown {
  // outer: the controlling unknown when the new object is to be aggregated;
  // it may then only be asked for IUnknown.
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;

protected:
  ~IClassFactory() = default;
};

// Class contexts. Every context is served in-process.
enum CLSCTX : DWORD {
  CLSCTX_INPROC_SERVER = 0x1,
  CLSCTX_INPROC_HANDLER = 0x2,
  CLSCTX_LOCAL_SERVER = 0x4,
  CLSCTX_REMOTE_SERVER = 0x10,
};
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_SERVER (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

// True when both pointers are the same object's identity.
inline bool InlineIsEqualUnknown(REFGUID iid) { return iid == IID_IUnknown; }

#endif
