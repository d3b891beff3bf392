// Inside the library: the registry's side of activation.
#ifndef PLATFORM_ACTIVATION_LIBRARIES_H
#define PLATFORM_ACTIVATION_LIBRARIES_H

#include <string>

#include "platform/com/unknown.h"

namespace Platform::Detail {

// The class object from the server library the registry names for clsid.
HRESULT GetServerClassObject(REFCLSID clsid, REFIID iid, void** object);
// HKEY_CLASSES_ROOT\<progId>\CLSID; CO_E_CLASSSTRING when absent.
HRESULT RegisteredClassOfProgId(const std::string& progId, CLSID* clsid);
// HKEY_CLASSES_ROOT\CLSID\{...}\ProgID; REGDB_E_CLASSNOTREG when absent.
HRESULT RegisteredProgIdOfClass(REFCLSID clsid, std::string& progId);

} // namespace Platform::Detail

#endif
