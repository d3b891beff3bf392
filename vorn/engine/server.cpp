// The engine library as an in-process server. When it is loaded its five
// classes join the process's class table (so module servers that aggregate
// a module object, and the engine's own lists and storage objects, are made
// without the registry) and the folder of its module servers joins the
// folders that activation looks for server libraries in. It writes and
// removes its own registry keys.
#include <string>

#include "platform/com/module.h"
#include "platform/registration/registration.h"
#include "vorn/engine/engine.h"
#include "vorn/engine/module.h"
#include "vorn/engine/registrarobjects.h"
#include "vorn/engine/serverdirectory.h"
#include "vorn/support/programmable.h"

namespace {

CComModule g_module;

BEGIN_OBJECT_MAP(ObjectMap)
OBJECT_ENTRY(CLSID_VornModule, CVornModule)
OBJECT_ENTRY(CLSID_VornEngine, Vorn::VornEngine)
OBJECT_ENTRY(CLSID_VornModuleRegistrar, Vorn::VornModuleRegistrar)
OBJECT_ENTRY(CLSID_VornStringList, Vorn::VornStringList)
OBJECT_ENTRY(CLSID_VornPersist, Vorn::VornPersist)
END_OBJECT_MAP()

BOOL WINAPI ServerMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module.Init(ObjectMap, instance, &LIBID_VORNENGINEHOSTLib);
    Vorn::AddModuleServerDirectory(Platform::ModuleFilePath(instance));
  } else if (reason == DLL_PROCESS_DETACH) {
    g_module.Term();
  }
  return TRUE;
}

}  // namespace

PLATFORM_DLL_ENTRY_POINT(ServerMain)

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  return g_module.GetClassObject(clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return g_module.GetLockCount() == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
  HRESULT hr = g_module.RegisterServer(TRUE);
  if (SUCCEEDED(hr))
    hr = Vorn::MarkClassesProgrammable(ObjectMap);
  if (FAILED(hr))
    g_module.UnregisterServer(TRUE);
  return hr;
}

STDAPI DllUnregisterServer() { return g_module.UnregisterServer(TRUE); }
