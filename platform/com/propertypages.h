// The property pages an object names for itself.
#ifndef PLATFORM_COM_PROPERTYPAGES_H
#define PLATFORM_COM_PROPERTYPAGES_H

#include "platform/com/unknown.h"

// A counted array of GUIDs.
struct CAUUID {
  ULONG cElems;
  GUID* pElems;
};

PLATFORM_DEFINE_IID(ISpecifyPropertyPages, "B196B28B-BAB4-101A-B69C-00AA00341D07");
struct ISpecifyPropertyPages : IUnknown {
  virtual HRESULT GetPages(CAUUID* pages) = 0;

protected:
  ~ISpecifyPropertyPages() = default;
};

#endif
