// IProvideClassInfo2 for a class that offers events through connection
// points: its class's type information and the IID of its default event
// interface, from the class's type library.
//
//   class Thing : ..., public IProvideClassInfo2Impl<&CLSID_Thing, &DIID_ThingEvents, &LIBID_ThingLib> {
//     BEGIN_COM_MAP(Thing)
//       ...
//       COM_INTERFACE_ENTRY(IProvideClassInfo2)
//       COM_INTERFACE_ENTRY(IProvideClassInfo)
//     END_COM_MAP()
#ifndef PLATFORM_COM_CLASSINFO_H
#define PLATFORM_COM_CLASSINFO_H

#include "platform/com/typeinfo.h"
#include "platform/resources/module.h"

template <const CLSID* pclsid, const IID* psrcid, const GUID* plibid, WORD major = 1, WORD minor = 0>
class IProvideClassInfo2Impl : public IProvideClassInfo2 {
 public:
  HRESULT GetClassInfo(ITypeInfo** info) override {
    return Platform::GetTypeInfoOf(*plibid, major, minor, Platform::ThisModule(), *pclsid, info);
  }
  HRESULT GetGUID(DWORD kind, GUID* guid) override {
    if (guid == nullptr)
      return E_POINTER;
    *guid = GUID_NULL;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID)
      return E_INVALIDARG;
    *guid = *psrcid;
    return S_OK;
  }
};

#endif
