// The automation object's library as an in-process server: its two classes
// join the process's class table when it is loaded, activation reaches them
// through DllGetClassObject when the registry names the library, and the
// library writes and removes its own registry keys.
#include <string>

#include "platform/com/module.h"
#include "vorn/apps/automation/application.h"
#include "vorn/apps/automation/moduleext.h"
#include "vorn/support/programmable.h"

namespace {

CComModule g_module;

BEGIN_OBJECT_MAP(ObjectMap)
OBJECT_ENTRY(CLSID_VornApp, Vorn::VornApp)
OBJECT_ENTRY(CLSID_VornModuleExt, Vorn::VornModuleExt)
END_OBJECT_MAP()

BOOL WINAPI ServerMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH)
    g_module.Init(ObjectMap, instance, &LIBID_VORNAPPLib);
  else if (reason == DLL_PROCESS_DETACH)
    g_module.Term();
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
