// The control's library as an in-process server: its classes join the
// process's class table when it is loaded, and activation reaches them
// through DllGetClassObject when it is loaded by the registry's entry.
#include "clipview/control.h"

namespace {

CComModule g_module;

BEGIN_OBJECT_MAP(ObjectMap)
OBJECT_ENTRY(CLSID_ClipViewCtl, clipview::ClipViewCtl)
END_OBJECT_MAP()

BOOL WINAPI ServerMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH)
    g_module.Init(ObjectMap, instance, &LIBID_CLIPVIEWCTLLib);
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
