// Making objects by class: CoCreateInstance and CoGetClassObject find a
// class first in the process's own class table (every library adds the
// classes of its object map when it starts, see platform/com/module.h), then
// in the registry, where HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32 names
// the library that serves it; that library is loaded (once: it is never
// unloaded) and asked through DllGetClassObject. Every class context is
// served in-process, and there are no apartments and no marshalling.
//
// Failures: a class nobody serves answers REGDB_E_CLASSNOTREG, a server
// library that is not there CO_E_DLLNOTFOUND, one that cannot be loaded or
// lacks DllGetClassObject CO_E_ERRORINDLL.
#ifndef PLATFORM_ACTIVATION_ACTIVATION_H
#define PLATFORM_ACTIVATION_ACTIVATION_H

#include <string>
#include <vector>

#include "platform/com/objects.h"
#include "platform/com/unknown.h"

PLATFORM_API HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object);
PLATFORM_API HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, LPVOID serverInfo, REFIID iid, LPVOID* object);
// Versioned and version-independent ProgIDs both name their class (without
// regard to case); an unknown ProgID answers CO_E_CLASSSTRING.
PLATFORM_API HRESULT CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid);
// The versioned ProgID, in a string of the task allocator.
PLATFORM_API HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId);

// What a library exports for activation.
using LPFNGETCLASSOBJECT = HRESULT (*)(REFCLSID, REFIID, LPVOID*);
using LPFNCANUNLOADNOW = HRESULT (*)();

namespace Platform {

// The process's own class table. A class added twice keeps its first
// entry; removing takes only the entry made with the same function.
PLATFORM_API HRESULT AddInProcessClass(REFCLSID clsid, CreateInstanceFunction create,
                                       const ClassRegistration* registration);
PLATFORM_API void RemoveInProcessClass(REFCLSID clsid, CreateInstanceFunction create);

// Where a server library named without a directory is looked for, in the
// order added (the program's module servers' folder, for instance);
// changing PATH or LD_LIBRARY_PATH has no effect on it.
PLATFORM_API void AddServerSearchDirectory(const std::string& directory);
PLATFORM_API std::vector<std::string> ServerSearchDirectories();

} // namespace Platform

#endif
