// Module types by name: under HKEY_LOCAL_MACHINE\Software\Corvanth\Modules
// one key per type, whose value "ClassID" names the CLSID of the type's
// server class; the server's file is the class's InprocServer32 under
// HKEY_CLASSES_ROOT. Registry failures end an operation quietly with "not
// found" or no change: the callers report.
#ifndef VORN_ENGINE_MODULETYPEREGISTRY_H
#define VORN_ENGINE_MODULETYPEREGISTRY_H

#include <string>
#include <string_view>
#include <vector>

#include "platform/com/guid.h"

namespace Vorn {

class ModuleTypeRegistry {
public:
  // "Software\Corvanth\Modules", and "\" and the type when one is given.
  static std::string KeyPath(std::string_view type = {});

  // Writes (or overwrites) the type's "ClassID".
  static void Register(std::string_view type, REFCLSID clsid);
  // Removes the type's key with everything under it.
  static void Unregister(std::string_view type);

  // The type's class: false when the key, its text value or a readable
  // CLSID in it is missing.
  static bool GetClassId(std::string_view type, CLSID& clsid);
  // The server file of the type's class, as the registry holds it.
  static bool GetServerPath(std::string_view type, std::string& path);

  // Every registered type, in the registry's order. With prune, a type
  // whose server file cannot be found is unregistered and left out.
  static std::vector<std::string> ListTypes(bool prune);
};

} // namespace Vorn

#endif
