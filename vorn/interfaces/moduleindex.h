// The modules present in an engine's collection, by their place in ID
// order: what a walk of GetModule from 0 to GetModuleCount finds, without
// stepping through the empty slots between (IDs may be spread up to the
// collection's bound while only a few are used). An engine that offers it
// answers its IID; a client walks the slots of one that does not.
#ifndef VORN_INTERFACES_MODULEINDEX_H
#define VORN_INTERFACES_MODULEINDEX_H

#include "platform/com/unknown.h"

struct IVornModuleLocal;

PLATFORM_DEFINE_IID(IVornModuleIndex, "972CE02D-DD27-45F8-8D6B-89E33181D7BE");
struct IVornModuleIndex : IUnknown {
  // Number of modules present (non-empty slots), under the engine lock.
  virtual int GetPresentModuleCount() = 0;
  // The module at that place, counted from 0 in ID order, without an added
  // reference, as GetModule answers it; null outside 0..count-1.
  virtual IVornModuleLocal* GetPresentModule(int nIndex) = 0;

protected:
  ~IVornModuleIndex() = default;
};

#endif
