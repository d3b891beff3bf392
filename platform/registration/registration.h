// Self-registration of a server library's classes from its object map.
//
// For each class that declares a registration (ProgID, version-independent
// ProgID, description) the library writes, under HKEY_CLASSES_ROOT:
//   CLSID\{clsid}                     description
//     ProgID                          the versioned ProgID
//     VersionIndependentProgID        the version-independent ProgID
//     InprocServer32                  the library's absolute path
//       ThreadingModel                "Apartment"
//     TypeLib                         {libid}, when the library has one
//   <ProgID>                          description, CLSID = {clsid}
//   <VersionIndependentProgID>        description, CLSID = {clsid},
//                                     CurVer = the versioned ProgID
// Unregistering removes those keys again. A class without a registration
// is served only from the process's class table.
#ifndef PLATFORM_REGISTRATION_REGISTRATION_H
#define PLATFORM_REGISTRATION_REGISTRATION_H

#include <string>

#include "platform/com/objects.h"

namespace Platform {

struct ObjectMapEntry;

// The absolute path of the file the module (a library's handle) was loaded
// from; empty when it names no loaded file.
PLATFORM_API std::string ModuleFilePath(HINSTANCE module);

// Writes the keys of every class of map (or only of the class only, when
// given) for the library module. SELFREG_E_CLASS when a key cannot be
// written or the library's path cannot be found.
PLATFORM_API HRESULT RegisterServerClasses(const ObjectMapEntry* map, HINSTANCE module, const GUID* libid,
                                           const CLSID* only);
// Removes them; keys already missing are no failure. SELFREG_E_CLASS when
// a key that is there cannot be removed.
PLATFORM_API HRESULT UnregisterServerClasses(const ObjectMapEntry* map, const CLSID* only);

// Deletes the subkey path of key with everything below it. Stops at the
// first key that cannot be deleted and answers that failure; a missing
// key answers ERROR_FILE_NOT_FOUND.
PLATFORM_API LONG DeleteKeyTree(HKEY key, const char* path);

} // namespace Platform

#endif
