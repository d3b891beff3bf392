// A module server: one shared library that provides one module type to the
// engine. The library defines
//
//   - its module class, deriving from its dual interface and from
//     DerivedModuleBase (derivedmodule.h), creatable through
//     CComCoClass<..., &CLSID_...>, with DECLARE_CLASS_REGISTRATION and a COM
//     map that answers its dual interface, IDispatch and IVornDerivedModule
//     and ends in COM_INTERFACE_ENTRY_AGGREGATE_BLIND(m_pInner); its
//     FinalConstruct calls ConstructEngineModule(GetControllingUnknown(),
//     u"<type name>") and its FinalRelease ReleaseEngineModule();
//   - its page class (modulepropertypage.h);
//   - an object map of the two, and then
//
//       VORN_MODULE_SERVER(ObjectMap, LIBID_..., u"<type name>", CLSID_<module class>)
//
// which defines the library's entry point and its four exports: the class
// objects of the map, the unload test, and registration of the module type
// with the engine's registrar together with the map's classes.
//
// Resources every server carries (platform_add_resources): bitmap 4000 (the
// icon), resource 202 of type RT_HTML (the help page), dialog 201 (the page),
// string 100 (the server's name).
#ifndef VORN_MODULES_COMMON_MODULESERVER_H
#define VORN_MODULES_COMMON_MODULESERVER_H

#include <string_view>

#include "platform/com/module.h"
#include "vorn/modules/common/derivedmodule.h"

namespace VornModules {

// Records typeName with the engine's registrar, then registers the classes
// of module's object map. With no registrar to reach, says so in a message
// box and answers SELFREG_E_CLASS, registering nothing; a registrar that
// refuses the type has its failure answered and no class registered.
HRESULT RegisterModuleServer(CComModule& module, std::u16string_view typeName, REFCLSID moduleClass);

// The mirror image: the type leaves the engine's registry first, then the
// classes leave the registry.
HRESULT UnregisterModuleServer(CComModule& module, std::u16string_view typeName);

}  // namespace VornModules

#define VORN_MODULE_SERVER(objectMap, libid, typeName, moduleClass)                              \
  namespace {                                                                                    \
  CComModule g_moduleServer;                                                                     \
  BOOL WINAPI ModuleServerMain(HINSTANCE instance, DWORD reason, LPVOID) {                      \
    if (reason == DLL_PROCESS_ATTACH)                                                            \
      g_moduleServer.Init(objectMap, instance, &(libid));                                        \
    else if (reason == DLL_PROCESS_DETACH)                                                       \
      g_moduleServer.Term();                                                                     \
    return TRUE;                                                                                 \
  }                                                                                              \
  }                                                                                              \
  PLATFORM_DLL_ENTRY_POINT(ModuleServerMain)                                                     \
  STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {                         \
    return g_moduleServer.GetClassObject(clsid, iid, object);                                    \
  }                                                                                              \
  STDAPI DllCanUnloadNow() { return g_moduleServer.GetLockCount() == 0 ? S_OK : S_FALSE; }       \
  STDAPI DllRegisterServer() {                                                                   \
    return ::VornModules::RegisterModuleServer(g_moduleServer, typeName, moduleClass);           \
  }                                                                                              \
  STDAPI DllUnregisterServer() { return ::VornModules::UnregisterModuleServer(g_moduleServer, typeName); }

#endif
