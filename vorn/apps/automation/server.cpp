// The automation object's library as an in-process server: its two classes
// join the process's class table when it is loaded, activation reaches them
// through DllGetClassObject when the registry names the library, and the
// library writes and removes its own registry keys.
#include <string>

#include "platform/com/module.h"
#include "platform/registration/registration.h"
#include "platform/registry/registry.h"
#include "vorn/apps/automation/application.h"
#include "vorn/apps/automation/moduleext.h"

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

// Scripting hosts look for this key to offer a class to scripts. It lives
// below the class key, so unregistering takes it away with it.
HRESULT MarkClassesProgrammable() {
  for (const Platform::ObjectMapEntry* entry = ObjectMap; entry->pclsid != nullptr; ++entry) {
    const std::string path = "CLSID\\" + Platform::GuidText(*entry->pclsid) + "\\Programmable";
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return SELFREG_E_CLASS;
    RegCloseKey(key);
  }
  return S_OK;
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
    hr = MarkClassesProgrammable();
  if (FAILED(hr))
    g_module.UnregisterServer(TRUE);
  return hr;
}

STDAPI DllUnregisterServer() { return g_module.UnregisterServer(TRUE); }
